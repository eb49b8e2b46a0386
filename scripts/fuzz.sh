#!/usr/bin/env bash
# Fuzzes every reader: builds the libFuzzer targets of fuzz/ with clang (address
# and undefined-behaviour sanitizers) in build-fuzz/ (or $KDX_FUZZ_BUILD_DIR) and
# runs each for SECONDS (default 60) on a scratch copy of its seeds.
#
#   scripts/fuzz.sh [SECONDS]
#
# Each target names its largest input in a "// fuzz-max-len: N" line of its
# source. A finding stops the run with status 1; the input that caused it is
# printed in base64 below the fuzzer's report and kept in the build folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-60}"
case "$seconds" in ''|*[!0-9]*) echo "usage: scripts/fuzz.sh [SECONDS]" >&2; exit 2 ;; esac

"$root/scripts/install-deps.sh" --without-bench
build="${KDX_FUZZ_BUILD_DIR:-$root/build-fuzz}"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKDX_FUZZ=ON \
  -DKDX_BUILD_GUI=OFF -DKDX_BUILD_TESTS=OFF -DKDX_BUILD_BENCH=OFF >/dev/null
targets=()
for source in "$root"/fuzz/Fuzz*.cpp; do targets+=("$(basename "$source" .cpp)"); done
cmake --build "$build" -j2 --target "${targets[@]}"

status=0
for target in "${targets[@]}"; do
  max_len=$(sed -n 's|^// fuzz-max-len: \([0-9]*\).*|\1|p' "$root/fuzz/$target.cpp" | head -n 1)
  work="$build/run/$target"
  findings="$build/findings/$target"
  rm -rf "$work" "$findings"
  mkdir -p "$work" "$findings"
  if [ -d "$root/fuzz/corpus/$target" ]; then cp "$root/fuzz/corpus/$target"/. "$work" -r; fi
  echo "== $target: ${seconds} s, inputs up to ${max_len:-4096} bytes"
  log="$findings/fuzz.log"
  set +e
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -max_len="${max_len:-4096}" -artifact_prefix="$findings/" "$work" >"$log" 2>&1
  result=$?
  set -e
  if [ "$result" -eq 0 ]; then
    grep -E '^(Done|stat::(number_of_executed_units|new_units_added|peak_rss_mb))' "$log" || true
    echo "corpus: $(find "$work" -type f | wc -l) inputs, largest $(find "$work" -type f -printf '%s\n' | sort -n | tail -n 1) bytes"
  else
    status=1
    echo "== $target found a fault (exit $result):"
    grep -v -E '^#[0-9]+' "$log" | tail -n 80
    echo "== reproducer(s), base64:"
    for f in "$findings"/*; do
      [ -f "$f" ] && [ "$f" != "$log" ] || continue
      echo "-- $(basename "$f")"
      base64 "$f"
    done
  fi
done
exit $status
