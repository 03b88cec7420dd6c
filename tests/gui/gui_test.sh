#!/usr/bin/env bash
# Runs KavriClient.exe under Wine on a virtual X display and drives it as a
# user would, through gui_driver.exe (a Windows program that finds the
# windows, sends commands and reads texts and the clipboard). Saves
# screenshots of the main window, every dialog and the tray pop-up menu.
#
# Usage: gui_test.sh --client EXE --driver EXE --phone-sim EXE --build-dir DIR
# Every wait is bounded; the whole run takes well under two minutes.
set -uo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --client) CLIENT="$2"; shift 2 ;;
    --driver) DRIVER_EXE="$2"; shift 2 ;;
    --phone-sim) PHONE_SIM="$2"; shift 2 ;;
    --build-dir) BUILD_DIR="$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
: "${CLIENT:?--client missing}" "${DRIVER_EXE:?--driver missing}" "${PHONE_SIM:?--phone-sim missing}"
: "${BUILD_DIR:?--build-dir missing}"

HERE="$(cd "$(dirname "$0")" && pwd)"
# shellcheck source=gui_test_lib.sh
source "$HERE/gui_test_lib.sh"

WORK="$BUILD_DIR/work"
SHOTS="$BUILD_DIR/screenshots"
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WORK" "$SHOTS"
mkdir -p "$WORK" "$SHOTS"
trap cleanup EXIT

start_display || exit 1
prepare_prefix || exit 1
start_driver || exit 1

# ---- First run: USB settings, dialogs, tray menu, hiding, second start, exit.
# Nothing listens on the control port, so that a connect fails at once.
closed_port="$(free_port)"
write_settings "transportType:2" "wifiServerAddr:" "playLocally:0" "controlPort:$closed_port" \
  "mediaPort:49152" "autoConnect:0" "window:200,200,500,300,1200" "btAddress:0.0.0.0.0.0"
start_client || exit 1

expect_ok "status part 0 at start" "Disconnected" wait-status 0 10000 "Disconnected"
expect_ok "status part 1 for USB" "USB" status 1
snap_main main_window

# About
drive "command|104" >/dev/null
if expect_ok "About opens" "*" wait-dialog "About Kavri Client" 10000; then
  expect_ok "About version" "Version: 3.5" text "About Kavri Client" 1023
  snap_dialog about "About Kavri Client"
  drive "press|About Kavri Client|1" >/dev/null
  expect_ok "About closes" "*" wait-gone "About Kavri Client" 10000
fi

# Statistics and the clipboard
drive "command|1005" >/dev/null
if expect_ok "Statistics opens" "*" wait-dialog "Statistics" 10000; then
  shown="$(drive "text|Statistics|1024")"
  shown="${shown#ok }"
  stats_re='^Start time: 0\\nEnd time: 0\\nRx: 0\\nMax delta : 0\\nDropped: 0\\nMissed: 0\\n\\n'
  stats_re+="Transport type: 2\\\\nControl port: $closed_port\\\\nMedia port: 49152\\\\n\\\\n"
  stats_re+='Driver state: 0\\n\\nTime min: [0-9]+\\n\\n$'
  check "Statistics shows the eleven lines" "$([[ "$shown" =~ $stats_re ]] && echo 1)" "$shown"
  snap_dialog statistics "Statistics"
  drive "clear-clipboard" >/dev/null
  drive "press|Statistics|1200" >/dev/null
  copied="$(drive "wait-clipboard|-|10000")"
  check "clipboard holds exactly the shown text" "$([ "$copied" = "ok $shown" ] && echo 1)" "$copied"
  expect_ok "Statistics stays open after copying" "Statistics" dialogs
  drive "press|Statistics|2" >/dev/null
  expect_ok "Statistics closes" "*" wait-gone "Statistics" 10000
fi

# Select transport, cancelled: no Bluetooth device under Wine
drive "command|1000" >/dev/null
if expect_ok "Select transport opens" "*" wait-dialog "Select transport" 10000; then
  expect_ok "USB ticked" "1" checked "Select transport" 1017
  expect_ok "Wi-Fi not ticked" "0" checked "Select transport" 1018
  expect_ok "Bluetooth disabled without devices" "0" enabled "Select transport" 1016
  expect_ok "device list shows no device" "<No device>" text "Select transport" 1019
  snap_dialog select_transport "Select transport"
  drive "press|Select transport|2" >/dev/null
  expect_ok "Select transport cancelled" "*" wait-gone "Select transport" 10000
  expect_ok "still disconnected after cancel" "Disconnected" status 0
fi

# Select transport, Wi-Fi typed in: the user's failed connect is shown.
drive "command|1000" >/dev/null
if expect_ok "Select transport opens again" "*" wait-dialog "Select transport" 10000; then
  expect_ok "Wi-Fi chosen" "*" click "Select transport" 1018
  drive "set-text|Select transport|1015|127.0.0.1" >/dev/null
  expect_ok "only Wi-Fi ticked" "0" checked "Select transport" 1017
  snap_dialog select_transport_wifi "Select transport"
  drive "press|Select transport|1" >/dev/null
  if expect_ok "a failed connect is reported" "*" wait-dialog "Error" 20000; then
    expect_ok "failure text" "Fail to connect to server." statics "Error"
    snap_dialog connect_failed "Error"
    drive "press|Error|1" >/dev/null
    expect_ok "failure box closes" "*" wait-gone "Error" 10000
  fi
  expect_ok "back to Disconnected" "Disconnected" wait-status 0 10000 "Disconnected"
  expect_ok "status part 1 for the chosen Wi-Fi" "WI-FI" status 1
fi

# Change ports: 8125 and abc store 8125 and 0
drive "command|1004" >/dev/null
if expect_ok "Change ports opens" "*" wait-dialog "Change ports" 10000; then
  expect_ok "control port shown" "$closed_port" text "Change ports" 1020
  expect_ok "media port shown" "49152" text "Change ports" 1021
  drive "set-text|Change ports|1020|8125" >/dev/null
  drive "set-text|Change ports|1021|abc" >/dev/null
  snap_dialog change_ports "Change ports"
  drive "press|Change ports|1" >/dev/null
  expect_ok "Change ports closes" "*" wait-gone "Change ports" 10000
  drive "command|1004" >/dev/null
  expect_ok "Change ports opens again" "*" wait-dialog "Change ports" 10000
  expect_ok "control port stored" "8125" text "Change ports" 1020
  expect_ok "non-numeric media port stored as 0" "0" text "Change ports" 1021
  drive "press|Change ports|2" >/dev/null
  expect_ok "Change ports cancelled" "*" wait-gone "Change ports" 10000
fi

tray_menu_checks

# Closing hides; the tray's left button and a second start show it again.
drive "close" >/dev/null
expect_ok "close hides the window" "*" wait-visible 0 10000
drive "tray|513" >/dev/null
expect_ok "tray left button shows the window" "*" wait-visible 1 10000
# The accelerators: Alt with "/" opens About. A click on the window's empty
# client area first gives it the keyboard.
read -r _ left top right bottom <<<"$(drive "main-rect")"
xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) click 1
expect_ok "a click activates the window" "*" wait-foreground 10000
xdotool key alt+slash
if expect_ok "Alt+/ opens About" "*" wait-dialog "About Kavri Client" 10000; then
  drive "press|About Kavri Client|1" >/dev/null
  expect_ok "About closes once more" "*" wait-gone "About Kavri Client" 10000
fi
drive "close" >/dev/null
expect_ok "hidden again" "*" wait-visible 0 10000
second_start_checks

# The two option toggles: speaker once, automatic connection twice.
drive "command|1002" >/dev/null
drive "command|1003" >/dev/null
drive "command|1003" >/dev/null

# Move, minimise, then Exit: settings.dat gets the last rectangle before the
# minimising, which records nothing.
drive "move|150|120|520|330" >/dev/null
rect="$(drive "main-rect")"
expect_ok "window minimised" "*" minimize
exit_client "Exit when disconnected ends the program"
read -r _ left top right bottom <<<"$rect"
w=$((right - left)); h=$((bottom - top))
expect_line "settings.dat window line" "window:$left,$top,$w,$h,$((left + top + w + h))"
expect_line "settings.dat control port" "controlPort:8125"
expect_line "settings.dat speaker toggled on" "playLocally:1"
expect_line "settings.dat automatic connection toggled twice" "autoConnect:0"
expect_line "settings.dat media port" "mediaPort:0"
expect_line "settings.dat transport" "transportType:3"
expect_line "settings.dat Wi-Fi address" "wifiServerAddr:127.0.0.1"

# ---- Second run: Wi-Fi to the phone simulator, automatic connection.
if start_phone_sim --reply-delay 800; then
  media_port="$(free_port)"
  write_settings "transportType:3" "wifiServerAddr:127.0.0.1" "playLocally:0" "controlPort:$SIM_PORT" \
    "mediaPort:$media_port" "autoConnect:1" "window:200,200,500,300,1200" "btAddress:0.0.0.0.0.0"
  start_client || exit 1
  if expect_ok "progress pop-up while connecting" "*" wait-dialog "" 15000; then
    expect_ok "progress text" "Connecting. Please wait ..." statics ""
    drive "paint|" >/dev/null
    snap_main progress_connecting  # the pop-up sits over the window
  fi
  expect_ok "automatic connection reaches Connected" "Connected" wait-status 0 30000 "Connected"
  expect_ok "status part 1 for Wi-Fi" "WI-FI" status 1
  snap_main main_window_connected

  drive "command|105" >/dev/null
  if expect_ok "Exit while connected is refused" "*" wait-dialog "Kavri Client" 10000; then
    expect_ok "refusal text" "Please disconnect first before exiting." statics "Kavri Client"
    snap_dialog exit_refused "Kavri Client"
    drive "press|Kavri Client|1" >/dev/null
    expect_ok "refusal box closes" "*" wait-gone "Kavri Client" 10000
  fi
  expect_ok "still connected after the refusal" "Connected" status 0

  drive "command|1001" >/dev/null
  expect_ok "Disconnect returns to Disconnected" "Disconnected" wait-status 0 20000 "Disconnected"
  drive "sync" >/dev/null
  expect_ok "no message box after the user's disconnect" "" dialogs
  exit_client "Exit after disconnecting ends the program"
  expect_line "settings.dat keeps automatic connection" "autoConnect:1"
  expect_line "settings.dat keeps the address" "wifiServerAddr:127.0.0.1"
else
  check "phone simulator starts" "" "$(cat "$WORK/phone_sim.log" 2>/dev/null)"
fi

echo "screenshots in $SHOTS:"
ls -1 "$SHOTS"
echo "GUI checks passed: $PASSED; failed: $FAILED"
[ "$FAILED" -eq 0 ]
