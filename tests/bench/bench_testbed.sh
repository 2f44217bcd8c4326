#!/usr/bin/env bash
# One whole speed-up in the testbed (scan, backup, format, restore) on a
# generated stick of many small files and a few large ones, driven through
# the real window as scripts/run does. Prints the time from the backup
# folder's answer to the last log line, each stage's share, and the
# program's peak working set. Everything it writes stays in the build folder.
#   tests/bench/bench_testbed.sh [folders] [files-per-folder] [large-files] [large-MiB]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build}"
source "$root/tests/bench/testbed_bench.sh"

make_stick "${1:-30}" "${2:-100}" "${3:-4}" "${4:-8}"
echo "testbed: stick of $(find "$bench_pristine" -type f | wc -l) files, $(du -sm "$bench_pristine" | cut -f1) MiB"
run_speedup "$BUILD_DIR/bench-testbed.log"
stage_table "$BUILD_DIR/bench-testbed.log" | awk -F'\t' '{ printf "  %-14s %8.1f s %6d MB\n", $1, $2, $3 }'
echo "testbed: ${run_seconds} s to the last line, $run_lines log lines, peak $run_peak_mb MB"
echo "testbed: the stick's files are back after the format"
rm -rf "$bench_pristine" "$bench_stick"
