#!/bin/sh
# Live play whose display goes away ends with exit 1 and one line saying
# so: no abort, no core, and its trace finished, not half-written. Both
# ways a display goes: the X server stops, and the program's connection is
# killed from outside (xkill). Skipped (77) without Xvfb.
#   display_loss.sh PROGRAM CONTENT
set -eu
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed: skipped"; exit 77; }
program="$1"; content="$2"
scratch="$(mktemp -d)"
server=""
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$scratch"' EXIT
status=0

fail() { echo "$1: $2"; status=1; }

for how in server xkill; do
  if [ "$how" = xkill ] && ! command -v xkill >/dev/null 2>&1; then
    echo "xkill is not installed: the killed connection is not tried"
    continue
  fi
  Xvfb -displayfd 3 -screen 0 800x600x24 3>"$scratch/display" >/dev/null 2>&1 &
  server=$!
  for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  display=":$(cat "$scratch/display")"
  (cd "$content" && DISPLAY="$display" SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$scratch/none" \
     timeout 60 "$program" --window --trace "$scratch/trace.txt" >"$scratch/out" 2>"$scratch/err") &
  player=$!
  # Until the presentation is drawing (its trace, still hidden, has grown),
  # at most 20 s.
  for _ in $(seq 200); do
    [ -n "$(find "$scratch" -name '.trace*' -size +20k)" ] && break
    sleep 0.1
  done
  sleep 1
  if [ "$how" = server ]; then
    kill "$server"
  else
    window=$(DISPLAY="$display" xwininfo -root -tree | awk 'tolower($0) ~ /glass/ {print $1; exit}')
    [ -n "$window" ] || fail "$how" "no window of the presentation on $display"
    DISPLAY="$display" xkill -id "$window" >/dev/null
  fi
  code=0
  wait "$player" || code=$?
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=""
  [ "$code" -eq 1 ] || fail "$how" "exit status $code, not 1 ($(cat "$scratch/err"))"
  lines=$(wc -l <"$scratch/err")
  [ "$lines" -eq 1 ] || fail "$how" "$lines lines on standard error, not 1: $(cat "$scratch/err")"
  grep -q "the display $display went away" "$scratch/err" || fail "$how" "no word of the display: $(cat "$scratch/err")"
  [ -s "$scratch/trace.txt" ] || fail "$how" "no trace"
  tail -n 1 "$scratch/trace.txt" | grep -q '^Release() -> 0$' || fail "$how" "the trace does not end with the device's release"
  leftovers=$(find "$scratch" -name '.*' -newer "$scratch/display" | wc -l)
  [ "$leftovers" -eq 0 ] || fail "$how" "hidden files left: $(find "$scratch" -name '.*')"
  rm -f "$scratch/trace.txt" "$scratch/err" "$scratch/out" "$scratch/display"
done
exit $status
