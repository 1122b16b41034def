#!/bin/sh
# --frame-hash and a PNG capture of the same run agree, at render scale 1
# and 2: its first line is what ffmpeg's framemd5 muxer makes of the frames,
# its second the md5 of the samples in audio.wav (the data chunk after the
# 44-byte header). Skipped (77) where ffmpeg is missing.
#   frame_hash_agrees.sh PROGRAM CONTENT
set -eu
command -v ffmpeg >/dev/null 2>&1 || { echo "ffmpeg is not installed: skipped"; exit 77; }
program="$1"; content="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
status=0
for extra in "" "--render-scale 2"; do
  # shellcheck disable=SC2086
  (cd "$content" && "$program" --capture "$scratch/f" --fps 8 --max-seconds 6 $extra >/dev/null 2>&1)
  frames=$(ls "$scratch/f" | grep -c '\.png$')
  hash=$(ffmpeg -v error -framerate 8 -i "$scratch/f/frame_%06d.png" -f framemd5 -pix_fmt bgra - |
         grep -v '^#' | md5sum | cut -d' ' -f1)
  samples=$(( ($(stat -c %s "$scratch/f/audio.wav") - 44) / 4 ))
  sound=$(tail -c +45 "$scratch/f/audio.wav" | md5sum | cut -d' ' -f1)
  expected="$frames frames at 8 fps: $hash
sound $samples samples: $sound"
  # shellcheck disable=SC2086
  got=$(cd "$content" && "$program" --frame-hash --fps 8 --max-seconds 6 $extra 2>/dev/null)
  if [ "$got" != "$expected" ]; then
    echo "--frame-hash $extra printed '$got'; the capture hashes to '$expected'"
    status=1
  fi
  rm -rf "$scratch/f"
done
exit $status
