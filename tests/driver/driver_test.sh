#!/usr/bin/env bash
# Loads the test microphone driver (kavri_test_mic.sys, a fixture standing in
# for the real driver, never shipped) into a Wine prefix of this test's own
# and runs kavri_driver_tests.exe against the device "\\.\Kavri".
#
#   --part calls   without the driver first (NoDriver.*, and the frame matcher),
#                  then with it: the control sequences, the driver state, a
#                  refused handshake
#   --part audio   with the driver: ten seconds of voice by each write path
#
# Usage: driver_test.sh --part calls|audio --tests EXE --driver SYS --build-dir DIR
# The driver lives only as long as the prefix's server, so the server is
# started here, kept for the run and always stopped at the end.
set -uo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --part) PART="$2"; shift 2 ;;
    --tests) TESTS="$2"; shift 2 ;;
    --driver) DRIVER_SYS="$2"; shift 2 ;;
    --build-dir) BUILD_DIR="$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
: "${PART:?--part missing}" "${TESTS:?--tests missing}" "${DRIVER_SYS:?--driver missing}"
: "${BUILD_DIR:?--build-dir missing}"

SERVICE=kavri_test_mic
WORK="$BUILD_DIR/work-$PART"
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WORK"
mkdir -p "$WORK"
STARTED=$SECONDS

stop_server() {
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
}
trap stop_server EXIT

fail() {
  echo "FAIL $1"
  [ -n "${2:-}" ] && [ -f "$2" ] && sed 's/^/    /' "$2"
  exit 1
}

# The service is registered once, when the prefix is made: Wine's service
# manager reads the services at its start, so the server is stopped after.
prepare_prefix() {
  [ -f "$WINEPREFIX/.kavri-driver-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  timeout 180 wineboot -i >"$WORK/wineboot.log" 2>&1 || fail "Wine prefix created" "$WORK/wineboot.log"
  cat >"$WORK/service.reg" <<EOF
REGEDIT4

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\$SERVICE]
"Type"=dword:00000001
"Start"=dword:00000003
"ErrorControl"=dword:00000001
"ImagePath"="C:\\\\windows\\\\system32\\\\drivers\\\\$SERVICE.sys"

[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\$SERVICE\\Parameters]
"Version"=dword:00000003
"Key"=dword:0000005e
EOF
  (cd "$WORK" && timeout 60 wine regedit /S service.reg >"$WORK/regedit.log" 2>&1) ||
    fail "driver service registered" "$WORK/regedit.log"
  stop_server
  touch "$WINEPREFIX/.kavri-driver-ready"
}

# The processes Wine leaves running (service manager, driver host) inherit
# the output of the command that started them: give them files, never the
# pipe CTest reads.
start_server() {
  # A server left by a run that was killed would hold an old driver.
  stop_server
  # It outlives a killed run by a minute at most.
  wineserver -p 60 >"$WORK/wineserver.log" 2>&1 || fail "wineserver started" "$WORK/wineserver.log"
  timeout 60 wine cmd.exe /c ver >"$WORK/system.log" 2>&1 || fail "Wine system started" "$WORK/system.log"
}

load_driver() {
  timeout 60 wine net start "$SERVICE" >"$WORK/net_start.log" 2>&1
  grep -q "service was started successfully" "$WORK/net_start.log" ||
    fail "test driver loaded" "$WORK/net_start.log"
  echo "test driver loaded ($((SECONDS - STARTED)) s)"
}

run_tests() {  # gtest filter
  local rc
  timeout 240 wine "$TESTS" --gtest_filter="$1" </dev/null
  rc=$?
  echo "kavri_driver_tests.exe --gtest_filter=$1: exit $rc ($((SECONDS - STARTED)) s)"
  return "$rc"
}

prepare_prefix
mkdir -p "$WINEPREFIX/drive_c/windows/system32/drivers"
cp "$DRIVER_SYS" "$WINEPREFIX/drive_c/windows/system32/drivers/$SERVICE.sys" ||
  fail "driver copied into the prefix"
start_server

status=0
case "$PART" in
  calls)
    run_tests 'NoDriver.*:ReferenceVoiceMatch.*' || status=1
    load_driver
    run_tests 'Version/MicDriverCalls.*:MicDriverSession.*:RefusingDriver.*' || status=1
    ;;
  audio)
    load_driver
    run_tests 'Path/MicDriverAudio.*' || status=1
    ;;
  *) echo "unknown part: $PART" >&2; exit 2 ;;
esac
echo "driver test $PART: $([ "$status" = 0 ] && echo passed || echo FAILED) in $((SECONDS - STARTED)) s"
exit "$status"
