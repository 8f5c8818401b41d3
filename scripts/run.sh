#!/usr/bin/env bash
# Builds Lumora with its demo data and plays the demo: in a window where there is a
# display; offscreen, with the frames written to ./capture, where there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"${JOBS:-$(nproc)}" --target lumora contactsheet
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/lumora "$@"
fi
echo "no display: rendering the demo offscreen into ./capture (640x480, 10 frames per second)" >&2
rm -rf capture
build/lumora --headless --no-dialog --size 640x480 --capture capture --fps 10 "$@"
build/tools/contactsheet/contactsheet --every 4 --fps 10 --columns 5 --width 256 capture capture/contact-sheet.png
cat >&2 <<MSG
The frames are in ./capture (frame_NNNNNN.png, 10 per second of demo time) with the
soundtrack of the same section in ./capture/audio.wav, and an overview of the whole demo
in ./capture/contact-sheet.png. Make a video with sound:
  build/lumora --headless --size 640x480 --video lumora.mp4
MSG
