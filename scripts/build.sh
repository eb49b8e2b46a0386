#!/usr/bin/env bash
# Installs what is missing, configures and builds everything into build/ (or
# $KDX_BUILD_DIR) on two cores, with warnings treated as errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
build="${KDX_BUILD_DIR:-$root/build}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKDX_WERROR=ON
cmake --build "$build" -j2
