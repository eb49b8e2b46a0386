#!/usr/bin/env bash
# The main job: build, write a demonstration waveform with kdx-tool, show its
# time-base candidates, and open it in the editor. Without a display the editor
# runs on a virtual one for a few seconds and its window is saved as a picture.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build="${KDX_BUILD_DIR:-$root/build}"
tool="$build/tools/kdx-tool/kdx-tool"
demo="$build/demo.kdx"
"$tool" demo -o "$demo"
"$tool" info "$demo" >"$build/demo-info.json"
echo "wrote $demo; what it holds is in $build/demo-info.json, which begins:"
head -n 9 "$build/demo-info.json"
echo "time-base candidates for a total of 1 S:"
"$tool" timebase --total "1 S"
# The editor keeps its settings file beside the build unless told otherwise.
export KDX_INI="${KDX_INI:-$build/KDX.INI}"

# The generator: the vendor's D2XX library when it is installed, the library
# KDX_D2XX_LIBRARY names, or else the project's simulated generator, whose
# state is kept between runs so that kdx-tool sees what the editor wrote.
vendor_library_installed() {
  local ldconfig
  ldconfig=$(command -v ldconfig || echo /sbin/ldconfig)
  "$ldconfig" -p 2>/dev/null | grep -q 'libftd2xx\.so' && return 0
  local dirs dir
  IFS=: read -ra dirs <<<"${LD_LIBRARY_PATH:-}"
  for dir in "${dirs[@]}"; do
    [ -n "$dir" ] && [ -e "$dir/libftd2xx.so" ] && return 0
  done
  return 1
}
if [ -z "${KDX_D2XX_LIBRARY:-}" ] && ! vendor_library_installed; then
  export KDX_D2XX_LIBRARY="$build/sim/libkdx_sim.so"
  export KDX_SIM_STATE="${KDX_SIM_STATE:-$build/sim-state.json}"
  echo "no D2XX library installed and KDX_D2XX_LIBRARY unset: the editor drives the simulated generator"
  echo "  ($KDX_D2XX_LIBRARY, its state kept in $KDX_SIM_STATE); 波形データ出力 in the File menu opens the output dialog"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "starting the editor"
  exec "$build/src/app/kdx" "$demo"
fi

screen=":$((90 + RANDOM % 9))"
shot="$build/kdx-screen.png"
echo "no display: running the editor on the virtual display $screen"
Xvfb "$screen" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $kdx $xvfb 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$screen" "$build/src/app/kdx" "$demo" &
kdx=$!
sleep 4
xwd -root -display "$screen" | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
echo "the editor's window is in $shot"
