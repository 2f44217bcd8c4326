# Sourced by the testbed benchmarks: builds a generated stick, runs one
# whole speed-up on it in the testbed through the real window (scan on),
# follows the log line by line without loading the program, and checks the
# files are back. Everything written stays in the build folder.
# Expects `root` (the repository) and BUILD_DIR to be set.

"$root/scripts/build" --target stickwise-testbed uidriver marbolt >/dev/null
source "$root/scripts/wine-env.sh"
export STICKWISE_FORCE_XVFB=1
start_wine_env

bench_pristine="$BUILD_DIR/bench-stick-pristine"
bench_stick="$BUILD_DIR/bench-stick"
bench_backup="$BUILD_DIR/bench-backup"
bench_title="Stickwise 2.0"
bench_driver() { /usr/lib/wine/wine64 "$BUILD_DIR/tests/support/uidriver.exe" "$@"; }

# make_stick <folders> <files-per-folder> <large-files> <large-MiB>
# A pristine tree to compare with afterwards, and its copy that the testbed
# maps as removable drive Q:.
make_stick() {
  rm -rf "$bench_pristine" "$bench_stick"
  python3 - "$bench_pristine" "$@" <<'PY'
import os, sys
root, folders, per_folder, large, large_mib = sys.argv[1], *map(int, sys.argv[2:])
os.makedirs(root)
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
  cp -r "$bench_pristine" "$bench_stick"
  sed -e 's/^folder = .*/folder = bench-stick/' -e 's/^label = .*/label = BENCH/' \
    "$root/scripts/testbed-demo/machine.ini" >"$BUILD_DIR/bench-testbed.ini"
}

# The stages of a run with scan on, each with the start of the log line
# that begins it; the listing begins with the folder dialog's answer.
bench_stages=("listing|" "backup|Folder " "check disk|Starting check disk for"
  "read-back|Checking the backup in" "format|Format USB drive..."
  "restore|Data is being copied back to USB drive ..." "restore check|Copy operation completed.")
bench_end="Operations completed."
bench_failures=("Nothing was erased." "The speed-up of drive" "Format disk operation encountered an error."
  "The drive's files are kept in the backup folder")

# run_speedup <followed-log>
# One speed-up of the stick; the log's lines go to <followed-log>, each
# after the ms since the folder dialog was answered. Sets run_seconds (to
# the last line), run_lines and run_peak_mb (the program's peak working
# set, as the system counts it); returns 1 when the run failed or the
# files are not back.
run_speedup() {
  local followed="$1" app
  rm -rf "$bench_backup"
  mkdir -p "$bench_backup"
  local backup_win
  backup_win="$("$WINE_BIN" winepath -w "$bench_backup" 2>/dev/null | tr -d '\r')"
  (cd "$BUILD_DIR" && exec /usr/lib/wine/wine64 "$BUILD_DIR/stickwise-testbed.exe" bench-testbed.ini) &
  app=$!
  bench_finish() {
    bench_driver close "$bench_title" >/dev/null 2>&1 || true
    for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
  }
  if ! bench_driver wait "$bench_title" 30000; then
    echo "testbed: no main window" >&2
    bench_finish
    return 1
  fi
  bench_driver check "$bench_title" "Scan drive for errors" on
  bench_driver click "$bench_title" Start
  # The folder dialog's OK is pressed only when it holds exactly the bench
  # folder under build/.
  if ! bench_driver answer Warning Yes "will be erased" 10000 ||
     ! bench_driver answer Confirmation Yes "back up data" 10000 ||
     ! bench_driver choosefolder "Browse for Folder" "$backup_win" 30000; then
    echo "testbed: the questions before the run were not answered" >&2
    bench_finish
    return 1
  fi
  # The program's resident memory every half second on the log's clock,
  # to tell which stage holds the most.
  local started_ns sampler
  started_ns=$(date +%s%N)
  (while [ -r "/proc/$app/status" ]; do
    printf '%s\t%s\n' $((($(date +%s%N) - started_ns) / 1000000)) \
      "$(awk '/^VmRSS/ { print $2 }' "/proc/$app/status" 2>/dev/null)"
    sleep 0.5
  done) >"$followed.memory" &
  sampler=$!
  local completed=1
  bench_driver follow "$bench_title" 3600000 "$bench_end" "${bench_failures[@]}" | tr -d '\r' >"$followed" ||
    completed=0
  kill "$sampler" 2>/dev/null || true
  wait "$sampler" 2>/dev/null || true
  if [ "$completed" = 0 ] || ! tail -1 "$followed" | grep -qF "$bench_end"; then
    echo "testbed: the speed-up did not complete; its last lines:" >&2
    tail -20 "$followed" >&2
    bench_finish
    return 1
  fi
  run_seconds=$(tail -1 "$followed" | awk -F'\t' '{ printf "%.1f", $1 / 1000 }')
  run_lines=$(wc -l <"$followed")
  run_peak_mb=$(bench_driver memory "$bench_title" | awk '{ printf "%.0f", $1 / 1048576 }')
  bench_finish
  if ! diff -r "$bench_pristine" "$bench_stick" >/dev/null; then
    echo "testbed: the stick's files differ from before (kept in $bench_stick)" >&2
    return 1
  fi
  rm -rf "$bench_backup"
}

# stage_table <followed-log>: one "name seconds peak-MB" line per stage,
# from the first line of each stage's marker to the next stage's (the last
# one to the run's last line), with the most resident memory sampled then.
stage_table() {
  local stage
  for stage in "${bench_stages[@]}"; do printf '%s\n' "$stage"; done |
    awk -F'\t' -v followed="$1" -v memory="$1.memory" 'BEGIN { n = 0 }
      FILENAME == "-" { split($0, parts, "|"); names[n] = parts[1]; markers[n] = parts[2]; n++; next }
      FILENAME == followed {
        for (i = next_stage; i < n; ++i)
          if (markers[i] != "" && index($2, markers[i]) == 1) { start[i] = $1; next_stage = i + 1; break }
        last = $1; next }
      FILENAME == memory { at[samples] = $1; rss[samples++] = $2 }
      END {
        start[0] = 0; prev = 0
        for (i = 1; i < n; ++i) if (i in start) { stop[prev] = start[i]; prev = i }
        stop[prev] = last
        for (i = 0; i < n; ++i) {
          peak = 0
          if (i in stop) for (s = 0; s < samples; ++s) if (at[s] >= start[i] && at[s] < stop[i] && rss[s] > peak) peak = rss[s]
          printf "%s\t%.1f\t%.0f\n", names[i], (i in stop) ? (stop[i] - start[i]) / 1000 : 0, peak / 1024 }
      }' - "$1" "$1.memory"
}
