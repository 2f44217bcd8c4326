# Sourced by scripts/run and scripts/test: the Wine prefix inside the build
# folder, a display (Xvfb when there is none) and one persistent wineserver,
# all ended by their PIDs when the calling script exits.
# Expects BUILD_DIR to be set to an absolute path.

export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono/Gecko installer prompts
export WINELOADER=/usr/lib/wine/wine64
# Debian puts the 64-bit loader outside PATH; every Wine program here is
# started through it by its full path.
WINE_BIN=/usr/lib/wine/wine64

_wine_env_pids=()
wine_env_cleanup() {
  WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
  for pid in "${_wine_env_pids[@]}"; do
    kill "$pid" >/dev/null 2>&1 || true
  done
  for pid in "${_wine_env_pids[@]}"; do
    wait "$pid" >/dev/null 2>&1 || true
  done
}
trap wine_env_cleanup EXIT

start_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${STICKWISE_FORCE_XVFB:-0}" != 1 ]; then return; fi
  local n=$(( 90 + RANDOM % 400 ))
  while [ -e "/tmp/.X${n}-lock" ] || [ -e "/tmp/.X11-unix/X${n}" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  _wine_env_pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${n}" ] && return
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  exit 1
}

start_wineserver() {
  mkdir -p "$WINEPREFIX"
  setsid wineserver -p -f >/dev/null 2>&1 &
  _wine_env_pids+=($!)
  # A prefix that is new or older than the installed Wine is prepared here,
  # before anything else runs, with its background services' output on
  # /dev/null. Left to the first test, the preparation's children would hold
  # that test's output pipe and keep ctest waiting until the timeout.
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.update-timestamp" ]; then
    if ! "$WINE_BIN" wineboot -i </dev/null >/dev/null 2>&1; then
      echo "Wine could not prepare the prefix $WINEPREFIX" >&2
      exit 1
    fi
  fi
  "$WINE_BIN" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # Wine stops the prefix's services when its last program ends, and the
  # next program to start them hands them its output: under ctest that is a
  # test's output pipe, which they would hold open until the test times out.
  # One idle program of ours keeps the services up, with their output on
  # /dev/null, for the whole run.
  local keeper="$BUILD_DIR/tests/support/uidriver.exe"
  if [ -f "$keeper" ]; then
    setsid "$WINE_BIN" "$keeper" wait "stickwise keep-alive" 86400000 </dev/null >/dev/null 2>&1 &
    _wine_env_pids+=($!)
    # The keeper must be up (and the services with it) before any test runs;
    # this build's own keeper, not that of another build on the machine.
    for _ in $(seq 1 100); do
      pgrep -f "$keeper wait stickwise keep-alive" >/dev/null && break
      sleep 0.1
    done
    sleep 1
  fi
  "$WINE_BIN" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # Message boxes of crashed test processes must never wait for a click.
  "$WINE_BIN" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
}

start_wine_env() {
  start_display
  start_wineserver
}
