#!/usr/bin/env bash
# One whole speed-up in the testbed (scan, backup, format, restore) on a
# generated stick of many small files and a few large ones, driven through
# the real window as scripts/run does. Prints the time from Start to the
# last log line. Everything it writes stays in the build folder.
#   tests/bench/bench_testbed.sh [folders] [files-per-folder] [large-files] [large-MiB]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export BUILD_DIR="${BUILD_DIR:-$root/build}"
folders="${1:-30}" per_folder="${2:-100}" large="${3:-4}" large_mib="${4:-8}"

"$root/scripts/build" --target stickwise-testbed uidriver marbolt >/dev/null

# The stick: a pristine tree to compare with afterwards, and its copy that
# the testbed maps as removable drive Q:.
pristine="$BUILD_DIR/bench-stick-pristine"
stick="$BUILD_DIR/bench-stick"
rm -rf "$pristine" "$stick" "$BUILD_DIR/backup"
python3 - "$pristine" "$folders" "$per_folder" "$large" "$large_mib" <<'PY'
import os, sys
root, folders, per_folder, large, large_mib = sys.argv[1], *map(int, sys.argv[2:])
for f in range(folders):
    os.makedirs(f"{root}/folder{f}")
    for i in range(per_folder):
        size = 512 + (i * 7919 + f * 104729) % 7680
        with open(f"{root}/folder{f}/file{i}.dat", "wb") as out:
            out.write(bytes([97 + i % 26]) * size)
for i in range(large):
    with open(f"{root}/large{i}.bin", "wb") as out:
        out.write(os.urandom(large_mib << 20))
PY
cp -r "$pristine" "$stick"
files=$(find "$pristine" -type f | wc -l)
echo "testbed: stick of $files files, $(du -sm "$pristine" | cut -f1) MiB"
sed -e 's/^folder = .*/folder = bench-stick/' -e 's/^label = .*/label = BENCH/' \
  "$root/scripts/testbed-demo/machine.ini" >"$BUILD_DIR/bench-testbed.ini"

source "$root/scripts/wine-env.sh"
export STICKWISE_FORCE_XVFB=1
start_wine_env

title="Stickwise 2.0"
driver() { /usr/lib/wine/wine64 "$BUILD_DIR/tests/support/uidriver.exe" "$@"; }
(cd "$BUILD_DIR" && exec /usr/lib/wine/wine64 "$BUILD_DIR/stickwise-testbed.exe" bench-testbed.ini) &
app=$!
finish() {
  driver close "$title" >/dev/null 2>&1 || true
  for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
  kill "$app" 2>/dev/null || true
  wait "$app" 2>/dev/null || true
}
driver wait "$title" 30000 || { echo "testbed: no main window" >&2; finish; exit 1; }
driver check "$title" "Scan drive for errors" on

started=$(date +%s.%N)
driver click "$title" Start
driver answer Warning Yes "will be erased" 10000
driver answer Confirmation Yes "back up data" 10000
driver answer "Browse for Folder" OK "" 30000
if ! driver waitlog "$title" "Operations completed." 1800000; then
  echo "testbed: the speed-up did not complete" >&2
  driver log "$title" | tail -20 >&2 || true
  finish
  exit 1
fi
ended=$(date +%s.%N)
lines=$(driver log "$title" | wc -l)
finish
echo "testbed: Start to the last line in $(echo "$ended - $started" | bc) s, $lines log lines"
if ! diff -r "$pristine" "$stick" >/dev/null; then
  echo "testbed: the stick's files differ from before (kept in $stick)" >&2
  exit 1
fi
echo "testbed: the stick's files are back after the format"
rm -rf "$pristine" "$stick"
