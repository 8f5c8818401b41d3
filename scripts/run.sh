#!/usr/bin/env bash
# Builds Lumora with its demo data and plays the demo: in a window where there is a
# display, offscreen (frames captured to ./capture) where there is none.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"${JOBS:-$(nproc)}" --target lumora
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/lumora "$@"
fi
echo "no display: rendering the demo offscreen into ./capture (2 frames per second)" >&2
build/lumora --headless --capture capture --fps 2 "$@"
echo "frames are in ./capture; make a video with:" >&2
echo "  ffmpeg -framerate 2 -i capture/frame_%06d.png -i build/lv_cv05-02.ogg -c:v libx264 -pix_fmt yuv420p -shortest lumora.mp4" >&2
