#!/usr/bin/env bash
# The threaded tests under ThreadSanitizer: the sound mixer runs on SDL's audio thread
# and the capture's writer on a worker, both sharing state with the main thread, so
# every test of them must also run clean here. Uses SDL's
# dummy driver (a real audio thread, no output) and, inside the tests, the disk driver.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${JOBS:-$(nproc)}
tests=(test_SoundSystem test_LumoraMusic test_MusicClock test_CaptureWriter test_MusicEffects test_FrameReadback test_Watch test_WatchRun)

cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_TSAN=ON -DLUMORA_BUILD_DATA=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target "${tests[@]}"

# halt_on_error: the first race fails the run instead of scrolling past.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
# The software renderer's own worker threads are not ours to check (and race by design
# inside the driver): LP_NUM_THREADS=0 rasterises on the calling thread.
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=offscreen LP_NUM_THREADS=0
for test in "${tests[@]}"; do
  echo "ThreadSanitizer: $test" >&2
  # Death tests fork; the threadsafe style re-runs the binary instead, which TSan prefers.
  build-tsan/tests/"$test" --gtest_death_test_style=threadsafe --gtest_brief=1
done
