#!/usr/bin/env bash
# How the cost of a speed-up grows with the number of files: one whole run
# in the testbed (scan on) on sticks of 1,000, 10,000 and 100,000 small
# files, driven through the real window. Prints each run's time from the
# backup folder's answer to the last log line, by stage, the cost of each
# added file from 1,000 to 10,000 and from 10,000 to 100,000, their ratio
# (1 when a file costs the same however many there are), and the largest
# peak working set of the program. Fixed costs cancel out in the
# differences. Everything it writes stays in the build folder.
#   tests/bench/bench_scale.sh
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build}"
source "$root/tests/bench/testbed_bench.sh"

sizes=(1000 10000 100000)
per_folder=100
table="$BUILD_DIR/bench-scale.tsv"
: >"$table"
peak=0
for files in "${sizes[@]}"; do
  make_stick $((files / per_folder)) "$per_folder" 0 0
  run_speedup "$BUILD_DIR/bench-scale-$files.log"
  echo "scale: $files files in $run_seconds s, $run_lines log lines, peak $run_peak_mb MB"
  stage_table "$BUILD_DIR/bench-scale-$files.log" | sed "s/^/$files\t/" >>"$table"
  printf '%s\ttotal\t%s\t%s\n' "$files" "$run_seconds" "$run_peak_mb" >>"$table"
  ((run_peak_mb > peak)) && peak=$run_peak_mb
done
rm -rf "$bench_pristine" "$bench_stick"

# Per stage: seconds at each size, then ms per added file between sizes,
# their ratio, and the most memory the stage held at the largest size. The
# ratio of the total is the benchmark's figure.
awk -F'\t' -v a="${sizes[0]}" -v b="${sizes[1]}" -v c="${sizes[2]}" -v peak="$peak" '
  { if (!($2 in seen)) { seen[$2] = 1; order[n++] = $2 } s[$1, $2] = $3; mb[$1, $2] = $4 }
  END {
    printf "\n%-14s %9s %9s %9s   %-10s %-10s %-6s %s\n", "stage", a, b, c, "ms/file", "ms/file", "ratio", "MB at"
    printf "%-14s %9s %9s %9s   %-10s %-10s %-6s %s\n", "", "files (s)", "files (s)", "files (s)", "to " b, "to " c, "", c
    for (i = 0; i < n; ++i) {
      st = order[i]
      first = (s[b, st] - s[a, st]) * 1000 / (b - a)
      second = (s[c, st] - s[b, st]) * 1000 / (c - b)
      ratio = first > 0.005 ? sprintf("%.2f", second / first) : "-"
      printf "%-14s %9.1f %9.1f %9.1f   %-10.3f %-10.3f %-6s %d\n", st, s[a, st], s[b, st], s[c, st], first, second, ratio, mb[c, st]
      if (st == "total") total = second / first
    }
    printf "\nscale: added-file cost ratio %.2f, peak %d MB\n", total, peak
  }' "$table"
