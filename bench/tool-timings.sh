#!/usr/bin/env bash
# Whole-process timings of kdx-tool on the largest waveform (262144 samples),
# with hyperfine, printed as ratios against baselines of the same run:
#   apply dc  vs  info    (the fixed cost of an edit: read, edit, save)
#   export    vs  cat of a file of the export's size
#
#   bench/tool-timings.sh [BUILD_DIR]     (default build/; KDX_TOOL names the program itself)
#
# The files go to a scratch folder in $TMPDIR, removed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${1:-${KDX_BUILD_DIR:-$root/build}}"
tool="${KDX_TOOL:-$build/tools/kdx-tool/kdx-tool}"  # KDX_TOOL: another build of the program
command -v hyperfine >/dev/null || { echo "tool-timings: hyperfine is missing (scripts/install-deps.sh)" >&2; exit 1; }
[ -x "$tool" ] || { echo "tool-timings: no $tool (build first)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
w="$work/w.kdx"
"$tool" new -o "$w" --sampling 20nS --count 262144 >/dev/null
"$tool" apply "$w" -o "$w" noise --start 0 --period 5242880nS --rms 300 --seed 1 >/dev/null
"$tool" export "$w" >"$work/same-size.csv"

hyperfine -N --warmup 5 --min-runs 30 --style basic --export-csv "$work/times.csv" \
  -n info "$tool info $w" \
  -n "apply dc" "$tool apply $w -o $work/out.kdx dc --start 0 --period 5242880nS --value 0.5" \
  -n export "$tool export $w" \
  -n cat "cat $work/same-size.csv"

# Wall-clock medians, and the processes' own CPU time (user + system, means),
# which a machine busy with other work disturbs less.
awk -F, 'NR > 1 { wall[$1] = $4; cpu[$1] = $5 + $6 }
  function show(what, a, b, goal) {
    printf "  %-26s %6.2fx wall  %6.2fx cpu  (goal %s)\n", what, wall[a] / wall[b], cpu[a] / cpu[b], goal
  }
  END {
    printf "\nRatios in this run:\n"
    show("apply dc vs info", "apply dc", "info", "2x")
    show("export vs cat, same size", "export", "cat", "4x")
  }' "$work/times.csv"
