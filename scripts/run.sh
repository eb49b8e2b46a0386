#!/usr/bin/env bash
# The main job: build, write a demonstration waveform with kdx-tool, show what
# it holds, and open it in the editor.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build="${KDX_BUILD_DIR:-$root/build}"
demo="$build/demo.kdx"
"$build/tools/kdx-tool/kdx-tool" demo -o "$demo"
"$build/tools/kdx-tool/kdx-tool" timebase --total "1 S"
echo "wrote $demo; starting the editor"
# The editor keeps its settings file beside the build unless told otherwise.
export KDX_INI="${KDX_INI:-$build/KDX.INI}"
exec "$build/src/app/kdx" "$demo"
