# Helpers of gui_test.sh: the display, the Wine prefix, the driver, the
# client and simulator processes, checks and screenshots. Sourced, not run.

PASSED=0
FAILED=0
XVFB_PID=""
APP_PID=""
SIM_PIDS=()
DRV_PID=""
DRV_IN=""
DRV_OUT=""
MAGICK_CONVERT="$(command -v /usr/bin/convert || command -v convert)"

check() {  # name, non-empty when it passed, detail shown on failure
  if [ -n "$2" ]; then
    PASSED=$((PASSED + 1))
    echo "PASS $1"
    return 0
  fi
  FAILED=$((FAILED + 1))
  echo "FAIL $1${3:+ -- got: $3}"
  return 1
}

start_display() {
  local fdfile="$WORK/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >"$WORK/xvfb.log" 2>&1 &
  XVFB_PID=$!
  local i
  for i in $(seq 100); do
    [ -s "$fdfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    check "virtual display starts" "" "$(cat "$WORK/xvfb.log")"
    return 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$fdfile")"
  echo "virtual display $DISPLAY"
}

# A prefix of this test's own; its default desktop is a Wine desktop window
# with a task bar, so that windows get frames and the notification area exists.
prepare_prefix() {
  if [ ! -f "$WINEPREFIX/.kavri-gui-ready" ]; then
    rm -rf "$WINEPREFIX"
    timeout 180 wineboot -i >"$WORK/wineboot.log" 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 &&
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1 &&
      wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v EnableShell /t REG_DWORD /d 1 /f \
        >/dev/null 2>&1 || { check "Wine prefix prepared" "" "$(tail -5 "$WORK/wineboot.log")"; return 1; }
    # Wine's own fonts, Marlett among them for the caption buttons.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    timeout 60 wineserver -w
    touch "$WINEPREFIX/.kavri-gui-ready"
  fi
}

start_driver() {
  coproc DRIVER { exec wine "$DRIVER_EXE" 2>"$WORK/driver.log"; }
  # Bash forgets the coproc's variables once it ends; keep copies.
  DRV_PID=$DRIVER_PID
  DRV_IN=${DRIVER[1]}
  DRV_OUT=${DRIVER[0]}
  local reply
  reply="$(drive "status|0")"
  check "driver answers" "$([ "$reply" = "fail find-main first" ] && echo 1)" "$reply"
}

# Sends one command line to the driver and prints its one-line answer.
drive() {
  local reply=""
  if [ -z "$DRV_PID" ] || ! kill -0 "$DRV_PID" 2>/dev/null; then
    echo "fail driver gone"
    return
  fi
  printf '%s\n' "$1" >&"$DRV_IN"
  if ! IFS= read -r -t 60 reply <&"$DRV_OUT"; then
    echo "fail driver did not answer: $1"
    return
  fi
  printf '%s\n' "${reply%$'\r'}"
}

# name, expected text ('*': any), command and its fields
expect_ok() {
  local name="$1" expected="$2"
  shift 2
  local IFS='|'
  local reply
  reply="$(drive "$*")"
  if [ "$expected" = "*" ]; then
    check "$name" "$([ "${reply%% *}" = ok ] && echo 1)" "$reply"
  else
    check "$name" "$([ "$reply" = "ok${expected:+ $expected}" ] && echo 1)" "$reply"
  fi
}

write_settings() {
  printf '%s\r\n' "$@" >"$WORK/settings.dat"
}

expect_line() {  # name, exact line of settings.dat
  local found=""
  if [ -f "$WORK/settings.dat" ] && tr -d '\r' <"$WORK/settings.dat" | grep -qxF -- "$2"; then found=1; fi
  check "$1" "$found" "$(tr -d '\r' <"$WORK/settings.dat" 2>/dev/null | tr '\n' ' ')"
}

start_client() {
  (cd "$WORK" && exec wine "$CLIENT" >"$WORK/client.log" 2>&1) &
  APP_PID=$!
  expect_ok "main window appears" "*" find-main 30000
}

# Waits up to 20 s for the program to end; checks that it ended with code 0.
await_client_exit() {  # check name
  local i
  for i in $(seq 200); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$APP_PID" 2>/dev/null; then
    check "$1" "" "still running; dialogs: $(drive dialogs)"
    kill "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null
  else
    wait "$APP_PID"
    local rc=$?
    check "$1" "$([ "$rc" = 0 ] && echo 1)" "exit code $rc"
  fi
  APP_PID=""
}

# Chooses Exit and waits for the program to end.
exit_client() {
  drive "command|IDM_EXIT" >/dev/null
  await_client_exit "$1"
}

# A second start raises the first window and ends at once with 0.
second_start_checks() {
  local rc
  (cd "$WORK" && timeout 60 wine "$CLIENT" >"$WORK/client2.log" 2>&1)
  rc=$?
  check "second start exits with 0" "$([ "$rc" = 0 ] && echo 1)" "exit code $rc"
  expect_ok "second start shows the first window" "*" wait-visible 1 10000
  expect_ok "one main window only" "1" main-count
}

# Right-clicks the notification icon and waits for the pop-up menu.
open_tray_menu() {
  local tray menu left top right bottom
  tray="$(drive "tray-rect")"
  if [ "${tray%% *}" != ok ]; then
    check "notification area exists" "" "$tray"
    return 1
  fi
  read -r _ left top right bottom <<<"$tray"
  # Arriving afresh: a pointer resting on the icon has a tool tip over it
  # that would take the click.
  xdotool mousemove 512 300 mousemove $((right - 10)) $(((top + bottom) / 2)) click 3
  menu="$(drive "wait-menu|1|3000")"
  if [ "${menu%% *}" != ok ]; then
    # Under Wine's task bar the first right click after a pop-up menu was
    # dismissed unchosen is lost before it reaches the program.
    echo "note: a second right click on the icon"
    xdotool mousemove 512 300 mousemove $((right - 10)) $(((top + bottom) / 2)) click 3
    menu="$(drive "wait-menu|1|10000")"
  fi
  check "tray icon's right button opens the pop-up menu${1:+ $1}" "$([ "${menu%% *}" = ok ] && echo 1)" "$menu"
}

# Clicks the item at this position of the shown pop-up menu.
pick_tray_item() {
  local rect left top right bottom
  rect="$(drive "popup-item-rect|$1")"
  if ! check "pop-up menu item $1 found" "$([ "${rect%% *}" = ok ] && echo 1)" "$rect"; then
    return 1
  fi
  read -r _ left top right bottom <<<"$rect"
  xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
}

close_tray_menu() {
  xdotool mousemove 900 100 click 1
  expect_ok "pop-up menu closes" "*" wait-menu 0 10000
}

TRAY_DISCONNECTED="Connect:IDM_CONNECT:enabled unchecked|Disconnect:IDM_DISCONNECT:grayed unchecked"
TRAY_DISCONNECTED+="|About:IDM_ABOUT:enabled unchecked|Exit:IDM_EXIT:enabled unchecked"
TRAY_BUSY="Connect:IDM_CONNECT:grayed unchecked|Disconnect:IDM_DISCONNECT:enabled unchecked"
TRAY_BUSY+="|About:IDM_ABOUT:enabled unchecked|Exit:IDM_EXIT:enabled unchecked"

# The pop-up menu while disconnected: items, greying, a picture, then About.
tray_menu_checks() {
  open_tray_menu || return
  expect_ok "pop-up menu while disconnected" "$TRAY_DISCONNECTED" popup-menu
  local menu left top right bottom
  menu="$(drive "wait-menu|1|10000")"
  read -r _ left top right bottom <<<"$menu"
  # Off the icon, so that its tool tip does not cover the menu.
  xdotool mousemove $((left - 60)) $((top - 60))
  sleep 0.3  # lets the tool tip fade before the picture; nothing waits on it
  snap_region tray_menu $((left - 80)) $((top - 80)) 1024 768
  pick_tray_item 2 || return
  if expect_ok "tray menu's About opens About" "*" wait-dialog "About Kavri Client" 10000; then
    drive "press|About Kavri Client|IDOK" >/dev/null
    expect_ok "About closes again" "*" wait-gone "About Kavri Client" 10000
  fi
}

# The menu bar's Connect and Disconnect items: expected states of both.
expect_connect_items() {  # situation, Connect state, Disconnect state
  expect_ok "menu bar Connect $1" "$2 unchecked" menu IDM_CONNECT
  expect_ok "menu bar Disconnect $1" "$3 unchecked" menu IDM_DISCONNECT
}

expect_option_ticks() {  # situation, speaker tick, automatic connection tick
  expect_ok "Play in speaker tick $1" "enabled $2" menu IDM_PLAY_IN_SPEAKER
  expect_ok "Auto reconnect tick $1" "enabled $3" menu IDM_AUTO_RECONNECT
}

port_in_use() {
  local hex
  hex="$(printf '%04X' "$1")"
  grep -qi ":$hex " /proc/net/tcp /proc/net/tcp6 /proc/net/udp /proc/net/udp6 2>/dev/null
}

free_port() {
  local p i
  for i in $(seq 50); do
    p=$((20000 + RANDOM % 40000))
    port_in_use "$p" || { echo "$p"; return; }
  done
  echo 0
}

# Starts a phone simulator on a free loopback port, in the background: name, options.
launch_phone_sim() {
  local name="$1"
  shift
  wine "$PHONE_SIM" --port 0 "$@" >"$WORK/phone_sim_$name.log" 2>&1 &
  SIM_PIDS+=($!)
}

# Waits for a launched simulator to listen and prints its port (empty on failure).
phone_sim_port() {
  local i line=""
  for i in $(seq 300); do
    line="$(grep -o 'listening on [^ ]* port [0-9]*' "$WORK/phone_sim_$1.log" 2>/dev/null | head -n1)"
    [ -n "$line" ] && break
    sleep 0.1
  done
  echo "${line##* }"
}

snap_region() {  # name, left, top, right, bottom (clipped to the screen)
  local name="$1" l="$2" t="$3" r="$4" b="$5"
  ((l < 0)) && l=0
  ((t < 0)) && t=0
  ((r > 1024)) && r=1024
  ((b > 768)) && b=768
  # A picture for people, not a check: a missing one is only reported.
  if import -display "$DISPLAY" -window root "$WORK/screen.png" 2>/dev/null &&
    "$MAGICK_CONVERT" "$WORK/screen.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$SHOTS/$name.png"; then
    echo "screenshot $name.png"
  else
    echo "note: no screenshot $name.png"
  fi
}

snap_main() {
  local rect
  drive "paint-main" >/dev/null
  rect="$(drive "main-rect")"
  read -r _ left top right bottom <<<"$rect"
  snap_region "$1" $((left - 8)) $((top - 8)) $((right + 8)) $((bottom + 8))
}

snap_dialog() {  # name, caption
  local rect
  drive "paint|$2" >/dev/null
  rect="$(drive "rect|$2")"
  read -r _ left top right bottom <<<"$rect"
  snap_region "$1" $((left - 8)) $((top - 8)) $((right + 8)) $((bottom + 8))
}

stop_pid() {
  [ -n "$1" ] || return 0
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

cleanup() {
  if [ -n "$DRV_PID" ] && kill -0 "$DRV_PID" 2>/dev/null; then
    printf 'quit\n' >&"$DRV_IN" 2>/dev/null
  fi
  stop_pid "$APP_PID"
  local pid
  for pid in "${SIM_PIDS[@]}"; do stop_pid "$pid"; done
  stop_pid "$DRV_PID"
  # The prefix's own helper processes end with its server.
  timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null
  stop_pid "$XVFB_PID"
}
