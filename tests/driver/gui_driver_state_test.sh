#!/usr/bin/env bash
# The Statistics dialog's "Driver state" line of KavriClient.exe under Wine,
# with the test microphone driver (a fixture, not the product's driver)
# loaded: 1 for a driver of version 2, 0 for version 1. Uses the GUI test's
# helpers (display, prefix, gui driver, client) in a prefix of its own.
#
# Usage: gui_driver_state_test.sh --client EXE --gui-driver EXE --driver SYS --build-dir DIR
set -uo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --client) CLIENT="$2"; shift 2 ;;
    --gui-driver) DRIVER_EXE="$2"; shift 2 ;;
    --driver) DRIVER_SYS="$2"; shift 2 ;;
    --build-dir) BUILD_DIR="$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
: "${CLIENT:?--client missing}" "${DRIVER_EXE:?--gui-driver missing}"
: "${DRIVER_SYS:?--driver missing}" "${BUILD_DIR:?--build-dir missing}"

HERE="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=../gui/gui_test_lib.sh
source "$HERE/../gui/gui_test_lib.sh"

SERVICE=kavri_test_mic
PARAMETERS="HKLM\\System\\CurrentControlSet\\Services\\$SERVICE\\Parameters"
WORK="$BUILD_DIR/gui-work"
SHOTS="$BUILD_DIR/gui-screenshots"
export WINEPREFIX="$BUILD_DIR/gui-wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WORK" "$SHOTS"
mkdir -p "$WORK" "$SHOTS"

# The server is kept alive for the driver's sake; stop it before the GUI
# helpers' clean-up, which would otherwise wait for it to end by itself.
finish() {
  wineserver -k >/dev/null 2>&1
  cleanup
}
trap finish EXIT

# Wine's service manager reads the services when it starts: register the
# driver once, while no server runs for this prefix, then stop the server.
register_driver() {
  [ -f "$WINEPREFIX/.kavri-driver-ready" ] && return 0
  wine reg add "HKLM\\System\\CurrentControlSet\\Services\\$SERVICE" /v Type /t REG_DWORD /d 1 /f &&
    wine reg add "HKLM\\System\\CurrentControlSet\\Services\\$SERVICE" /v Start /t REG_DWORD /d 3 /f &&
    wine reg add "HKLM\\System\\CurrentControlSet\\Services\\$SERVICE" /v ErrorControl /t REG_DWORD /d 1 /f &&
    wine reg add "HKLM\\System\\CurrentControlSet\\Services\\$SERVICE" /v ImagePath \
      /d "C:\\windows\\system32\\drivers\\$SERVICE.sys" /f || return 1
  wineserver -k
  wineserver -w
  touch "$WINEPREFIX/.kavri-driver-ready"
}

set_version() {
  wine reg add "$PARAMETERS" /v Version /t REG_DWORD /d "$1" /f >>"$WORK/reg.log" 2>&1
}

# Opens Statistics, checks its driver-state line, photographs it, closes it.
statistics_driver_state() {  # expected state, screenshot name
  local shown
  drive "command|IDM_STATISTICS" >/dev/null
  expect_ok "Statistics opens ($2)" "*" wait-dialog "Statistics" 10000 || return
  shown="$(drive "text|Statistics|IDC_STATS_TEXT")"
  check "Statistics shows Driver state: $1 ($2)" \
    "$([[ "$shown" == *'\n\nDriver state: '"$1"'\n\nTime min: '* ]] && echo 1)" "$shown"
  snap_dialog "$2" "Statistics"
  drive "press|Statistics|IDCANCEL" >/dev/null
  expect_ok "Statistics closes ($2)" "*" wait-gone "Statistics" 10000
}

start_display || exit 1
prepare_prefix || exit 1
register_driver >"$WORK/register.log" 2>&1 || { check "driver service registered" "" "$(tail -3 "$WORK/register.log")"; exit 1; }
cp "$DRIVER_SYS" "$WINEPREFIX/drive_c/windows/system32/drivers/$SERVICE.sys"
# Kept alive between the commands below; a minute at most after a killed run.
wineserver -k >/dev/null 2>&1
wineserver -p 60 >"$WORK/wineserver.log" 2>&1
set_version 2
# net start's helpers (service manager, driver host) keep its output open.
timeout 60 wine net start "$SERVICE" >"$WORK/net_start.log" 2>&1
check "test driver loaded" "$(grep -q 'started successfully' "$WORK/net_start.log" && echo 1)" \
  "$(cat "$WORK/net_start.log")" || exit 1
start_driver || exit 1

write_settings "transportType:3" "wifiServerAddr:127.0.0.1" "playLocally:0" "controlPort:8125" \
  "mediaPort:8126" "autoConnect:0" "window:200,200,500,300,1200" "btAddress:0.0.0.0.0.0"
start_client || exit 1
statistics_driver_state 1 statistics_driver_v2
set_version 1
statistics_driver_state 0 statistics_driver_v1
exit_client "Exit ends the program"

echo "GUI driver-state checks passed: $PASSED; failed: $FAILED"
[ "$FAILED" -eq 0 ]
