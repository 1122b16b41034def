#!/bin/sh
# Builds the Debian package into a scratch folder, checks that it holds the
# programs, the content, the desktop entry, the icon and the manual page,
# then runs the packaged program from an unrelated folder: it must find its
# content with no options. Skipped (77) where dpkg-deb is missing.
#   package_contents.sh CPACK BUILD_DIR
set -eu
cpack="$1"
build="$2"
if ! command -v dpkg-deb >/dev/null 2>&1; then
  echo "dpkg-deb is not installed: skipped"
  exit 77
fi
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

if ! "$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  exit 1
fi
deb="$(ls "$scratch"/*.deb)"
dpkg-deb -c "$deb" | awk '{print $6}' >"$scratch/list"

status=0
for path in \
  ./usr/bin/glass-orchard ./usr/bin/glass-tool ./usr/bin/glass-content \
  ./usr/share/glass-orchard/track.xm \
  ./usr/share/glass-orchard/data/tex.dat ./usr/share/glass-orchard/data/alpha.dat \
  ./usr/share/glass-orchard/data/paimen1.dat ./usr/share/glass-orchard/data/valpha.dat \
  ./usr/share/applications/glass-orchard.desktop \
  ./usr/share/icons/hicolor/256x256/apps/glass-orchard.png \
  ./usr/share/man/man6/glass-orchard.6; do
  if ! grep -qx "$path" "$scratch/list"; then
    echo "missing from the package: $path"
    status=1
  fi
done
meshes="$(grep -c '^\./usr/share/glass-orchard/ref/.*\.obu$' "$scratch/list" || true)"
if [ "$meshes" -ne 21 ]; then
  echo "the package holds $meshes mesh files, not 21"
  status=1
fi
if grep -q '_test$\|\.stamp$\|_bench$' "$scratch/list"; then
  echo "the package holds build leftovers:"
  grep '_test$\|\.stamp$\|_bench$' "$scratch/list"
  status=1
fi

dpkg-deb -x "$deb" "$scratch/root"
mkdir "$scratch/elsewhere"
cd "$scratch/elsewhere"
if ! "$scratch/root/usr/bin/glass-orchard" --verbose --bench --max-seconds 0.2 >/dev/null 2>"$scratch/run.log"; then
  echo "the packaged program failed:"
  cat "$scratch/run.log"
  status=1
fi
if ! grep -qx "content: $scratch/root/usr/share/glass-orchard" "$scratch/run.log"; then
  echo "the packaged program did not find its content:"
  cat "$scratch/run.log"
  status=1
fi
exit $status
