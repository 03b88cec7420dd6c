# Runs of gui_test.sh where connections fail: a lost connection, a phone
# that sends no audio, an unreachable phone with automatic retries, and the
# README's pictures. Sourced, not run.

FLASHED="window=main flags=FLASHW_ALL count=3 rate=0 size=sizeof"
LOST_QUESTION="Connection aborted. Do you want to connect again?"
NO_AUDIO="No audio data has been received. Please check below items:\n"
NO_AUDIO+=" - App on phone has been granted microphone access permission."

# Answers the message box titled "Kavri Client" with this button, once it is there.
answer_question() {  # check name, button
  if expect_ok "$1" "*" wait-dialog "Kavri Client" 20000; then
    expect_ok "$1: the question" "$LOST_QUESTION" statics "Kavri Client"
    drive "press|Kavri Client|$2" >/dev/null
    expect_ok "$1: the question closes" "*" wait-gone "Kavri Client" 10000
  fi
}

# Continues the second run (disconnected, automatic connection on): the
# phone at this port closes each connection after half a second of audio.
lost_connection_checks() {
  local lossy_port="$1"
  if [ -z "$lossy_port" ]; then
    check "phone simulator for lost connections starts" "" "$(cat "$WORK/phone_sim_lossy.log")"
    return
  fi
  drive "command|IDM_AUTO_RECONNECT" >/dev/null
  expect_option_ticks "after switching automatic connection off" checked unchecked
  drive "command|IDM_PORTS" >/dev/null
  if expect_ok "Change ports opens for the lossy phone" "*" wait-dialog "Change ports" 10000; then
    drive "set-text|Change ports|IDC_CONTROL_PORT|$lossy_port" >/dev/null
    drive "press|Change ports|IDOK" >/dev/null
    expect_ok "Change ports closes" "*" wait-gone "Change ports" 10000
  fi
  drive "command|IDM_CONNECT" >/dev/null
  if ! expect_ok "Select transport opens with the stored choice" "*" wait-dialog "Select transport" 10000; then
    return
  fi
  expect_ok "stored transport Wi-Fi ticked" "1" checked "Select transport" IDC_RADIO_WIFI
  expect_ok "stored transport: USB not ticked" "0" checked "Select transport" IDC_RADIO_USB
  expect_ok "stored Wi-Fi address shown" "127.0.0.1" text "Select transport" IDC_WIFI_ADDR
  snap_dialog select_transport_stored "Select transport"
  expect_ok "no flash before the loss" "0" flashes
  drive "press|Select transport|IDOK" >/dev/null
  answer_question "a lost connection asks" IDYES
  expect_ok "the loss flashes the window" "1 $FLASHED" flashes
  if expect_ok "Yes opens Select transport again" "*" wait-dialog "Select transport" 10000; then
    expect_ok "Wi-Fi still ticked after Yes" "1" checked "Select transport" IDC_RADIO_WIFI
    drive "press|Select transport|IDOK" >/dev/null
    answer_question "the second loss asks again" IDNO
    expect_ok "the second loss flashes the window" "2 $FLASHED" flashes
  fi
  expect_ok "No leaves the program disconnected" "Disconnected" wait-status 0 10000 "Disconnected"
  drive "sync" >/dev/null
  expect_ok "No opens nothing" "" dialogs
  expect_connect_items "after No" enabled disabled
}

# Waits for the no-audio warning and checks its text and the flash.
expect_no_audio() {  # name, text, flashes so far
  if expect_ok "$1 warns" "*" wait-dialog "Error" 40000; then
    expect_ok "$1 warning text" "$2" statics "Error"
    expect_ok "$1 flashes the window" "$3 $FLASHED" flashes
    drive "press|Error|IDOK" >/dev/null
    expect_ok "$1 warning closes" "*" wait-gone "Error" 10000
  fi
  expect_ok "$1 ends Disconnected" "Disconnected" wait-status 0 10000 "Disconnected"
}

# Third run: a phone that answers but sends no audio, over USB (through the
# fake adb) and then over Wi-Fi; at the end Exit from the pop-up menu while
# Select transport is open.
no_audio_checks() {
  local silent_port="$1" media_port
  if [ -z "$silent_port" ]; then
    check "silent phone simulator starts" "" "$(cat "$WORK/phone_sim_silent.log")"
    return
  fi
  media_port="$(free_port)"
  cp "$FAKE_ADB" "$WORK/adb.exe"
  write_settings "transportType:2" "wifiServerAddr:" "playLocally:1" "controlPort:$silent_port" \
    "mediaPort:$media_port" "autoConnect:0" "window:200,200,500,300,1200" "btAddress:0.0.0.0.0.0"
  start_client || return
  expect_option_ticks "from settings, speaker on and automatic connection off" checked unchecked
  drive "command|IDM_CONNECT" >/dev/null
  if expect_ok "Select transport opens for USB" "*" wait-dialog "Select transport" 10000; then
    expect_ok "stored transport USB ticked" "1" checked "Select transport" IDC_RADIO_USB
    drive "press|Select transport|IDOK" >/dev/null
    expect_no_audio "no audio over USB" "$NO_AUDIO" 1
  fi
  drive "command|IDM_CONNECT" >/dev/null
  if expect_ok "Select transport opens for Wi-Fi" "*" wait-dialog "Select transport" 10000; then
    expect_ok "Wi-Fi chosen for the silent phone" "*" click "Select transport" IDC_RADIO_WIFI
    drive "set-text|Select transport|IDC_WIFI_ADDR|127.0.0.1" >/dev/null
    drive "press|Select transport|IDOK" >/dev/null
    expect_no_audio "no audio over Wi-Fi" \
      "$NO_AUDIO\n - Your computer firewall should not block UDP port $media_port." 2
  fi
  tray_exit_over_dialog
}

# Exit chosen in the pop-up menu while Select transport is open ends the
# program as Exit does, and the settings are saved.
tray_exit_over_dialog() {
  drive "command|IDM_CONNECT" >/dev/null
  expect_ok "Select transport open before the pop-up menu's Exit" "*" wait-dialog "Select transport" 10000
  open_tray_menu "over a dialog" || return
  expect_ok "pop-up menu over a dialog" "$TRAY_DISCONNECTED" popup-menu
  pick_tray_item 3 || return
  await_client_exit "pop-up menu's Exit over a dialog ends the program"
  expect_line "settings.dat saved at that Exit" "transportType:3"
  rm -f "$WORK/adb.exe"
}

# Fourth run: automatic connection to a port that closes every connection at
# once. The retries come 2 s after the first failure, then 4 s after the
# second, each from a one-shot timer, and nothing is shown.
retry_checks() {
  local port times t1 t2 t3
  port="$(drive "listen")"
  if ! check "retry listener" "$([ "${port%% *}" = ok ] && echo 1)" "$port"; then
    return
  fi
  write_settings "transportType:3" "wifiServerAddr:127.0.0.1" "playLocally:0" "controlPort:${port#ok }" \
    "mediaPort:$(free_port)" "autoConnect:1" "window:200,200,500,300,1200" "btAddress:0.0.0.0.0.0"
  start_client || return
  times="$(drive "wait-accepts|3|20000")"
  read -r _ t1 t2 t3 <<<"$times"
  echo "attempts at $t1, $t2, $t3 ms"
  if check "three attempts within 20 s" "$([ -n "$t3" ] && echo 1)" "$times"; then
    # Each failure follows its attempt within a few hundred milliseconds.
    check "first retry 2 s after the first attempt" \
      "$( ((t2 - t1 >= 1950 && t2 - t1 <= 3500)) && echo 1)" "$((t2 - t1)) ms"
    check "second retry 4 s after the first retry" \
      "$( ((t3 - t2 >= 3950 && t3 - t2 <= 5500)) && echo 1)" "$((t3 - t2)) ms"
  fi
  expect_ok "after the third attempt Disconnected" "Disconnected" wait-status 0 10000 "Disconnected"
  drive "sync" >/dev/null
  expect_ok "no message box during the retries" "" dialogs
  expect_ok "no flash during the retries" "0" flashes
  [ -n "$t3" ] && waiting_retry_checks "$(phone_sim_port lossy)" "$t3"
  expect_ok "Disconnected before the last Exit" "Disconnected" wait-status 0 10000 "Disconnected"
  exit_client "Exit while a retry waits ends the program"
}

# Continues the retries: while the third retry waits its 8 s, the user
# connects to a phone that drops the connection; the loss reconnects at once
# and fails, which starts retries of 2 and 4 s of their own. The waiting
# retry keeps its time and makes an attempt of its own.
waiting_retry_checks() {  # lossy phone port, time of the third attempt
  local lossy="$1" t3="$2" times t4 t5 t ours=""
  [ -n "$lossy" ] || return
  drive "relay-next|$lossy" >/dev/null
  drive "command|IDM_CONNECT" >/dev/null
  expect_ok "Select transport opens while a retry waits" "*" wait-dialog "Select transport" 10000 || return
  drive "press|Select transport|IDOK" >/dev/null
  drive "wait-until|$((t3 + 9600))" >/dev/null
  times="$(drive "wait-accepts|5|0")"
  echo "attempts at ${times#ok }"
  read -r _ _ _ _ t4 t5 _ <<<"$times"
  check "the user's connection is lost and made again at once" \
    "$( ((t5 > t4 && t5 - t4 <= 5000)) && echo 1)" "${times#ok }"
  # The waiting retry's attempt: about t3 + 8 s and not one of the new
  # rhythm's (t5 + 2 s, t5 + 6 s).
  for t in ${times#ok }; do
    ((t >= t3 + 7950 && t <= t3 + 9600)) || continue
    (((t - t5 - 2000) ** 2 > 700 ** 2 && (t - t5 - 6000) ** 2 > 700 ** 2)) && ours=$t
  done
  check "the retry that waited still connects 8 s after the third attempt" "$ours" "${times#ok }"
}

# Writes the README's pictures, small, when KAVRI_GUI_PICTURES names a folder.
export_pictures() {
  [ -n "${KAVRI_GUI_PICTURES:-}" ] || return 0
  mkdir -p "$KAVRI_GUI_PICTURES"
  local pair
  for pair in main_window:main_window_disconnected main_window_connected:main_window_connected \
    select_transport_stored:select_transport tray_menu:tray_menu; do
    [ -s "$SHOTS/${pair%%:*}.png" ] &&
      "$MAGICK_CONVERT" "$SHOTS/${pair%%:*}.png" -strip -colors 32 \
        -define png:compression-level=9 "PNG8:$KAVRI_GUI_PICTURES/${pair##*:}.png"
  done
  echo "pictures in $KAVRI_GUI_PICTURES"
}
