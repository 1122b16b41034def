#!/bin/sh
# Builds the Debian package into a scratch folder, checks what it holds, and
# runs the packaged program from an unrelated folder: it must find its
# content with no options. Skipped (77) where dpkg-deb is missing.
#   package_contents.sh CPACK BUILD_DIR
set -eu
command -v dpkg-deb >/dev/null 2>&1 || { echo "dpkg-deb is not installed: skipped"; exit 77; }
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$1" -G DEB --config "$2/CPackConfig.cmake" -B "$scratch" >"$scratch/log" 2>&1 || { cat "$scratch/log"; exit 1; }
deb="$(ls "$scratch"/*.deb)"
dpkg-deb -c "$deb" | awk '{print $6}' >"$scratch/list"

status=0
for path in usr/bin/glass-orchard usr/bin/glass-tool usr/bin/glass-content usr/share/glass-orchard/track.xm \
  usr/share/glass-orchard/data/tex.dat usr/share/glass-orchard/data/alpha.dat \
  usr/share/glass-orchard/data/paimen1.dat usr/share/glass-orchard/data/valpha.dat \
  usr/share/applications/glass-orchard.desktop usr/share/icons/hicolor/256x256/apps/glass-orchard.png \
  usr/share/man/man6/glass-orchard.6.gz usr/share/man/man1/glass-tool.1.gz usr/share/man/man1/glass-content.1.gz \
  usr/share/doc/glass-orchard/copyright usr/share/doc/glass-orchard/changelog.gz; do
  grep -qx "./$path" "$scratch/list" || { echo "missing from the package: $path"; status=1; }
done
meshes="$(grep -c '^\./usr/share/glass-orchard/ref/.*\.obu$' "$scratch/list" || true)"
[ "$meshes" -eq 21 ] || { echo "the package holds $meshes mesh files, not 21"; status=1; }
! grep '_test$\|_bench$\|\.stamp$' "$scratch/list" || { echo "build leftovers in the package"; status=1; }

! grep -q '\.[0-9]$' "$scratch/list" || { echo "an uncompressed manual page in the package"; status=1; }
maintainer="$(dpkg-deb -f "$deb" Maintainer)"
case "$maintainer" in
  *@localhost* | "") echo "the package's maintainer is a placeholder: $maintainer"; status=1 ;;
esac

dpkg-deb -x "$deb" "$scratch/root"
if command -v file >/dev/null 2>&1; then
  for program in glass-orchard glass-tool glass-content; do
    file "$scratch/root/usr/bin/$program" | grep -q ', stripped' || { echo "$program is not stripped"; status=1; }
  done
fi
gzip -dc "$scratch/root/usr/share/doc/glass-orchard/changelog.gz" | grep -q "^glass-orchard (" ||
  { echo "changelog.gz is not a Debian changelog"; status=1; }
grep -q '^Actions=window;' "$scratch/root/usr/share/applications/glass-orchard.desktop" ||
  { echo "the desktop entry has no window action"; status=1; }
mkdir "$scratch/elsewhere" && cd "$scratch/elsewhere"
"$scratch/root/usr/bin/glass-orchard" --verbose --bench --max-seconds 0.2 >/dev/null 2>"$scratch/run" || status=1
grep -qx "content: $scratch/root/usr/share/glass-orchard" "$scratch/run" || {
  echo "the packaged program did not find its content:"; cat "$scratch/run"; status=1; }
exit $status
