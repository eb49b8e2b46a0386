#!/usr/bin/env bash
# The test command: install what is missing, build, run every test.
#
#   scripts/test.sh             the ordinary build in build/ (or $KDX_BUILD_DIR)
#   scripts/test.sh --sanitize  the tests built with AddressSanitizer and
#                               UndefinedBehaviorSanitizer (clang, nothing
#                               recovers) in build-sanitize/ (or
#                               $KDX_SANITIZE_BUILD_DIR), run with leak detection
#
# Tests labelled "long" (ten minutes of output polling) run only when asked:
#   ctest --test-dir build -L long --output-on-failure
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" != "--sanitize" ]; then
  "$root/scripts/build.sh"
  build="${KDX_BUILD_DIR:-$root/build}"
  cd "$build"
  exec ctest --output-on-failure -j2 --timeout 300 -LE long
fi

"$root/scripts/install-deps.sh" --without-bench
build="${KDX_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
flags="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKDX_WERROR=ON \
  -DKDX_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build "$build" -j2
# Every report ends the test that caused it.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
# The package test (label "package") packs the ordinary build's programs, not these.
ctest --output-on-failure -j2 --timeout 600 -LE 'long|package'
