# shellcheck shell=bash
# Helpers of installer_test.sh: the probe, paths between Wine and Linux,
# running Windows programs with their exit codes. Sourced, not run; uses
# check() from the GUI test's helpers.

# A quoted text define of the generated version header.
header_text() {
  sed -n "s/^#define $1 \"\\(.*\\)\"\$/\\1/p" "$VERSION_HEADER"
}

probe() {
  timeout 120 wine "$PROBE" "$@" 2>>"$WORK/probe.log"
}

# The value of one key=value line of the probe's output.
value() {  # key, output
  awk -v k="$1=" 'index($0, k) == 1 { print substr($0, length(k) + 1); exit }' <<<"$2"
}

expect_value() {  # name, probe output, key, expected value
  local got
  got="$(value "$3" "$2")"
  check "$1" "$([ "$got" = "$4" ] && echo 1)" "$3=$got"
}

# C:\users\... in this prefix as a Linux path.
unix_path() {
  local p="${1//\\//}"
  case "$p" in
    [Cc]:/*) printf '%s/drive_c%s\n' "$WINEPREFIX" "${p:2}" ;;
    *) printf '%s\n' "$p" ;;
  esac
}

# A Linux path as Wine's Z: drive sees it.
wine_path() {
  local p
  p="$(readlink -f "$1")"
  printf 'Z:%s\n' "${p//\//\\}"
}

run_wine() {  # name, expected exit code, program and arguments
  local name="$1" expected="$2" rc
  shift 2
  timeout 120 wine "$@" >>"$WORK/wine.log" 2>&1
  rc=$?
  check "$name" "$([ "$rc" = "$expected" ] && echo 1)" "exit code $rc"
}

wait_process() {  # name, process id, expected exit code; waits up to 30 s
  local rc
  for _ in $(seq 300); do
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$2" 2>/dev/null; then
    check "$1" "" "still running after 30 s"
    kill "$2" 2>/dev/null
    wait "$2"
    return
  fi
  wait "$2"
  rc=$?
  check "$1" "$([ "$rc" = "$3" ] && echo 1)" "exit code $rc"
}

# The uninstaller copies itself to the temporary folder, starts the copy and
# ends at once; the prefix's server ends when that copy has finished.
uninstall_and_wait() {  # name, uninstaller and arguments
  local name="$1"
  shift
  run_wine "$name" 0 "$@"
  local finished=""
  timeout 60 wineserver -w && finished=1
  check "$name: uninstaller finished" "$finished" "still running after 60 s"
}

folder_list() {
  if [ -d "$1" ]; then
    find "$1" -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ' | sed 's/ $//'
  else
    echo "(no folder)"
  fi
}

# Names, sizes, modification and change times: a rewritten file shows.
snapshot() {
  find "$@" -exec stat -c '%n|%s|%y|%z' {} + 2>&1 | sort
}

# The files whose lines differ between two snapshots.
changed_files() {
  diff <(echo "$1") <(echo "$2") | sed -n 's/^[<>] \([^|]*\)|.*/\1/p' | xargs -r -d '\n' -n1 basename | sort -u | tr '\n' ' '
}

finish() {
  # Ends whatever still runs in this test's prefix, the program included.
  wineserver -k 2>/dev/null
  timeout 20 wineserver -w 2>/dev/null
  stop_pid "$XVFB_PID"
}
