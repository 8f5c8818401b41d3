#!/usr/bin/env bash
# Renders docs/lvgconv-duck.png: the duck of Debian's assimp-testmodels (a Collada file
# with a TGA picture, its camera and its light, made by another program), converted by
# lvgconv and drawn by a Scene effect through a headless capture.
#   tools/lvgconv/docs-frame.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/scenes" "$work/data/scripts" "$work/data/images"
cp "$build/data-stage/data/images/loading1024.jpg" "$work/data/images/"
cp -r "$build/data-stage/data/shaders" "$work/data/"
"$build/tools/lvgconv/lvgconv" /usr/share/assimp/models/Collada/duck.dae "$work/data/scenes/duck.lvg" \
  --texture-dir "$work/data/textures"
# The duck's only light is directional, which the engine does not light with: its
# texture is shown unlit.
cat > "$work/data/scripts/cvdemo.script" <<'SCRIPT'
__HEADER__
DEMO_START 0
DEMO_END 999
DEMO_BEAT 500
__DEFS__
INSERT_EFFECT clear AS Clear
INSERT_EFFECT duck AS Scene
__SETUP__
0 s duck Datafile "data/scenes/duck.lvg"
__TIMELINE__
0 b clear
0 s clear ClearColor 1
0 s clear ClearDepth 1
0 b duck
0 s duck LightingOff 1
SCRIPT
"$build/lumora" --headless --no-dialog --no-music --size 640x480 --data "$work" \
  --capture "$work/capture" --fps 1 --from 0 --to 0
cp "$work/capture/frame_000000.png" docs/lvgconv-duck.png
echo "wrote docs/lvgconv-duck.png"
