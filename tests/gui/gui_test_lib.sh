# Helpers of gui_test.sh: the display, the Wine prefix, the driver, the
# client and simulator processes, checks and screenshots. Sourced, not run.

PASSED=0
FAILED=0
XVFB_PID=""
APP_PID=""
SIM_PID=""
SIM_PORT=""
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

# Chooses Exit and waits for the program to end; checks its exit code.
exit_client() {
  drive "command|105" >/dev/null
  local i
  for i in $(seq 200); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$APP_PID" 2>/dev/null; then
    check "$1" "" "still running"
    kill "$APP_PID" 2>/dev/null
    wait "$APP_PID" 2>/dev/null
  else
    wait "$APP_PID"
    local rc=$?
    check "$1" "$([ "$rc" = 0 ] && echo 1)" "exit code $rc"
  fi
  APP_PID=""
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

# Right-clicks the notification icon, photographs the menu, then picks About.
tray_menu_checks() {
  local tray menu left top right bottom x y
  tray="$(drive "tray-rect")"
  if [ "${tray%% *}" != ok ]; then
    check "notification area exists" "" "$tray"
    return
  fi
  read -r _ left top right bottom <<<"$tray"
  xdotool mousemove $((right - 10)) $(((top + bottom) / 2)) click 3
  menu="$(drive "wait-menu|1|10000")"
  if ! check "tray icon's right button opens the pop-up menu" "$([ "${menu%% *}" = ok ] && echo 1)" "$menu"; then
    return
  fi
  read -r _ left top right bottom <<<"$menu"
  # Off the icon, so that its tool tip does not cover the menu.
  xdotool mousemove $((left - 60)) $((top - 60))
  sleep 0.3  # lets the tool tip fade before the picture; nothing waits on it
  snap_region tray_menu $((left - 80)) $((top - 80)) 1024 768
  # The third of the four items is About.
  x=$(((left + right) / 2))
  y=$((top + (bottom - top) * 5 / 8))
  xdotool mousemove "$x" "$y" click 1
  if expect_ok "tray menu's About opens About" "*" wait-dialog "About Kavri Client" 10000; then
    drive "press|About Kavri Client|1" >/dev/null
    expect_ok "About closes again" "*" wait-gone "About Kavri Client" 10000
  fi
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

# Starts the phone simulator on a free loopback port; sets SIM_PORT.
start_phone_sim() {
  wine "$PHONE_SIM" --port 0 "$@" >"$WORK/phone_sim.log" 2>&1 &
  SIM_PID=$!
  local i line
  for i in $(seq 300); do
    line="$(grep -o 'listening on [^ ]* port [0-9]*' "$WORK/phone_sim.log" 2>/dev/null | head -n1)"
    [ -n "$line" ] && break
    kill -0 "$SIM_PID" 2>/dev/null || break
    sleep 0.1
  done
  SIM_PORT="${line##* }"
  [ -n "$SIM_PORT" ]
}

snap_region() {  # name, left, top, right, bottom (clipped to the screen)
  local name="$1" l="$2" t="$3" r="$4" b="$5"
  ((l < 0)) && l=0
  ((t < 0)) && t=0
  ((r > 1024)) && r=1024
  ((b > 768)) && b=768
  import -display "$DISPLAY" -window root "$WORK/screen.png" 2>/dev/null &&
    "$MAGICK_CONVERT" "$WORK/screen.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage "$SHOTS/$name.png"
  check "screenshot $name.png" "$([ -s "$SHOTS/$name.png" ] && echo 1)"
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
  stop_pid "$SIM_PID"
  stop_pid "$DRV_PID"
  # The prefix's own helper processes end with its server.
  timeout 20 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null
  stop_pid "$XVFB_PID"
}
