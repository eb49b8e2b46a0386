#!/usr/bin/env bash
# The test command: install what is missing, build, run every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
build="${KDX_BUILD_DIR:-$root/build}"
cd "$build"
ctest --output-on-failure -j2 --timeout 300
