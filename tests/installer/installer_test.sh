#!/usr/bin/env bash
# Installs, starts and uninstalls Kavri Client with its installer under Wine,
# in a fresh prefix of this test's own, and reads back what Windows sees
# through installer_probe.exe: files, shortcuts with their working directory,
# the Uninstall entry, the version record. Also checks that installing or
# uninstalling over the running program is refused and changes nothing.
#
# Usage: installer_test.sh --setup EXE --client EXE --probe EXE
#                          --version-header FILE --build-dir DIR
# --client is the program as the installer carries it.
set -uo pipefail

while [ $# -gt 0 ]; do
  case "$1" in
    --setup) SETUP="$2"; shift 2 ;;
    --client) CLIENT="$2"; shift 2 ;;
    --probe) PROBE="$2"; shift 2 ;;
    --version-header) VERSION_HEADER="$2"; shift 2 ;;
    --build-dir) BUILD_DIR="$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
: "${SETUP:?--setup missing}" "${CLIENT:?--client missing}" "${PROBE:?--probe missing}"
: "${VERSION_HEADER:?--version-header missing}" "${BUILD_DIR:?--build-dir missing}"

HERE="$(cd "$(dirname "$0")" && pwd)"
# check, start_display and stop_pid
# shellcheck source=../gui/gui_test_lib.sh
source "$HERE/../gui/gui_test_lib.sh"
# shellcheck source=installer_test_lib.sh
source "$HERE/installer_test_lib.sh"

WORK="$BUILD_DIR/work"
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko prompts, and no Linux menu entries for the shortcuts.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine links the prefix's Desktop and other shell folders to the home
# folder; a home of the test's own keeps its shortcuts off the real desktop.
export HOME="$BUILD_DIR/home"
rm -rf "$WORK" "$WINEPREFIX" "$HOME"
mkdir -p "$WORK" "$HOME"
trap finish EXIT
# The probe and the installers run from here: a program that ignored its
# shortcut's working directory would leave settings.dat here.
cd "$WORK" || exit 1

VERSION="$(header_text KAVRI_VERSION_TEXT)"
PRODUCT="$(header_text KAVRI_PRODUCT_NAME)"
PUBLISHER="$(header_text KAVRI_PUBLISHER)"
COPYRIGHT="$(header_text KAVRI_COPYRIGHT)"
QUAD="$(header_text KAVRI_VERSION_QUAD)"
check "version header read" "$([ -n "$VERSION" ] && [ -n "$QUAD" ] && echo 1)" "$VERSION_HEADER"
check "installer named after the version" \
  "$([ "$(basename "$SETUP")" = "KavriClient-Setup-$VERSION.exe" ] && echo 1)" "$SETUP"
echo "installer size: $(stat -c %s "$SETUP") bytes"

start_display || exit 1
start=$SECONDS
timeout 180 wineboot -i >"$WORK/wineboot.log" 2>&1
echo "fresh prefix in $((SECONDS - start)) s"

# ---- The built program's and the installer's file properties.
out="$(probe version "$(wine_path "$CLIENT")" first-icon "$(wine_path "$CLIENT")" folders)"
expect_value "program: product name" "$out" version.ProductName "$PRODUCT"
expect_value "program: product version" "$out" version.ProductVersion "$VERSION"
expect_value "program: file version" "$out" version.FileVersion "$VERSION"
expect_value "program: numeric file version" "$out" version.fixed "$QUAD"
expect_value "program: description" "$out" version.FileDescription "$PRODUCT"
expect_value "program: company" "$out" version.CompanyName "$PUBLISHER"
expect_value "program: copyright" "$out" version.LegalCopyright "$COPYRIGHT"
expect_value "program: original file name" "$out" version.OriginalFilename "KavriClient.exe"
# Explorer shows the first icon group; it must be the main icon (107).
expect_value "program: file icon is the program's icon" "$out" icon.first "107"

PROGRAMS_WIN="$(value folder.UserProgramFiles "$out")"
MENU_WIN="$(value folder.Programs "$out")"
DESKTOP_WIN="$(value folder.Desktop "$out")"
STARTUP_WIN="$(value folder.Startup "$out")"
INSTDIR_WIN="$PROGRAMS_WIN\\Kavri Client"
INSTDIR="$(unix_path "$INSTDIR_WIN")"
MENU_LINK="$MENU_WIN\\Kavri Client.lnk"
DESKTOP_LINK="$DESKTOP_WIN\\Kavri Client.lnk"
STARTUP_LINK="$STARTUP_WIN\\Kavri Client.lnk"
EXE_WIN="$INSTDIR_WIN\\KavriClient.exe"
KEY='Software\Microsoft\Windows\CurrentVersion\Uninstall\KavriClient'
check "known folders found" "$([ -n "$PROGRAMS_WIN" ] && [ -n "$MENU_WIN" ] && [ -n "$STARTUP_WIN" ] && echo 1)" "$out"

out="$(probe version "$(wine_path "$SETUP")")"
expect_value "installer: product version" "$out" version.ProductVersion "$VERSION"
expect_value "installer: copyright" "$out" version.LegalCopyright "$COPYRIGHT"

# ---- A silent install with the defaults.
run_wine "silent install succeeds" 0 "$SETUP" /S
check "program folder holds the program and its uninstaller" \
  "$([ "$(folder_list "$INSTDIR")" = "KavriClient.exe Uninstall.exe" ] && echo 1)" "$(folder_list "$INSTDIR")"
check "installed program is the built one" "$(cmp -s "$CLIENT" "$INSTDIR/KavriClient.exe" && echo 1)"
check "Start-menu shortcut made" "$([ -f "$(unix_path "$MENU_LINK")" ] && echo 1)"
check "no desktop shortcut by default" "$([ ! -e "$(unix_path "$DESKTOP_LINK")" ] && echo 1)"
check "no start with Windows by default" "$([ ! -e "$(unix_path "$STARTUP_LINK")" ] && echo 1)"

out="$(probe link "$MENU_LINK" reg "$KEY" version "$EXE_WIN")"
expect_value "shortcut starts the installed program" "$out" link.target "$EXE_WIN"
expect_value "shortcut's working directory is the program folder" "$out" link.workdir "$INSTDIR_WIN"
expect_value "Uninstall entry: name" "$out" reg.DisplayName "$PRODUCT"
expect_value "Uninstall entry: version" "$out" reg.DisplayVersion "$VERSION"
expect_value "Uninstall entry: publisher" "$out" reg.Publisher "$PUBLISHER"
expect_value "Uninstall entry: icon" "$out" reg.DisplayIcon "$EXE_WIN,0"
expect_value "Uninstall entry: uninstaller" "$out" reg.UninstallString "\"$INSTDIR_WIN\\Uninstall.exe\""
expect_value "Uninstall entry: silent uninstaller" "$out" reg.QuietUninstallString \
  "\"$INSTDIR_WIN\\Uninstall.exe\" /S"
expect_value "Uninstall entry: folder" "$out" reg.InstallLocation "$INSTDIR_WIN"
expect_value "installed program's version record" "$out" version.ProductVersion "$VERSION"

# ---- Started from its shortcut, as a double click does.
out="$(probe open "$MENU_LINK" wait-window 30000)"
expect_value "shortcut opens" "$out" open ok
expect_value "program's window appears" "$out" window 1

# ---- Over the running program: refused, and nothing changes. The marker in
# the Uninstall entry shows whether the installer rewrote it.
out="$(probe reg-set "$KEY" DisplayVersion running-marker)"
expect_value "marker set in the Uninstall entry" "$out" reg-set ok
before="$(snapshot "$INSTDIR" "$(unix_path "$MENU_LINK")")"
run_wine "silent install over the running program exits with 2" 2 "$SETUP" /S
after_install="$(snapshot "$INSTDIR" "$(unix_path "$MENU_LINK")")"
check "refused install changed no file or shortcut" "$([ "$before" = "$after_install" ] && echo 1)" \
  "changed: $(changed_files "$before" "$after_install")"
# In place (_?=), so that the uninstaller's own exit code comes back; NSIS
# wants that path unquoted, so the probe starts it with the raw command line.
out="$(probe run "\"$INSTDIR_WIN\\Uninstall.exe\" /S _?=$INSTDIR_WIN" 60000)"
expect_value "silent uninstall of the running program exits with 2" "$out" run 2
after_uninstall="$(snapshot "$INSTDIR" "$(unix_path "$MENU_LINK")")"
check "refused uninstall removed nothing" "$([ "$before" = "$after_uninstall" ] && echo 1)" \
  "changed: $(changed_files "$before" "$after_uninstall")"
out="$(probe reg "$KEY")"
expect_value "refused runs left the Uninstall entry alone" "$out" reg.DisplayVersion running-marker

# ---- The installer's wizard asks to exit the running program: Cancel ends
# it with nothing changed; after Exit, Retry goes on, and the last page says
# where adb.exe belongs.
TITLE="$PRODUCT Setup"
RUNNING_TEXT="$PRODUCT is running.||Please exit it first (Connection > Exit, or Exit in the menu of its notification-area icon), then choose Retry."
wizard_to_install() {  # name prefix
  wine "$SETUP" >>"$WORK/wine.log" 2>&1 &
  SETUP_PID=$!
  out="$(probe wait-text "$TITLE" "Welcome to $PRODUCT Setup" 30000 press "$TITLE" 1 5000 \
    wait-text "$TITLE" "Choose Components" 10000 press "$TITLE" 1 5000 \
    wait-text "$TITLE" "Choose Install Location" 10000 press "$TITLE" 1 5000 \
    control-text "$TITLE" 4 20000 control-text "$TITLE" 65535 1000)"
  expect_value "$1: Install over the running program offers Retry" "$out" control "&Retry"
  check "$1: asks to exit the program first" "$(grep -qxF "control=$RUNNING_TEXT" <<<"$out" && echo 1)" "$out"
}
wizard_to_install "wizard, cancelled"
out="$(probe press "$TITLE" 4/2 5000)"
expect_value "wizard: Cancel pressed in the message box" "$out" press ok
wait_process "wizard: Cancel ends it with 2" "$SETUP_PID" 2
check "cancelled wizard changed no file or shortcut" \
  "$([ "$before" = "$(snapshot "$INSTDIR" "$(unix_path "$MENU_LINK")")" ] && echo 1)"
out="$(probe reg "$KEY")"
expect_value "cancelled wizard left the Uninstall entry alone" "$out" reg.DisplayVersion running-marker

wizard_to_install "wizard"
out="$(probe exit-program 20000 press "$TITLE" 4 5000 wait-text "$TITLE" "adb.exe" 30000)"
expect_value "program ends through Exit with 0" "$out" exit 0
expect_value "wizard: last page says where adb.exe belongs" "$out" text \
  "Start $PRODUCT from the Start menu.||USB connections need adb.exe, Android's platform tools, in the program's folder:|$INSTDIR_WIN||Download the SDK Platform-Tools for Windows from developer.android.com/tools/releases/platform-tools and copy adb.exe, AdbWinApi.dll and AdbWinUsbApi.dll into that folder. This installer does not download anything.||Wi-Fi and Bluetooth connections need nothing more."
out="$(probe press "$TITLE" 1 5000 reg "$KEY")"
expect_value "wizard: Finish pressed" "$out" press ok
expect_value "wizard: installed after Retry" "$out" reg.DisplayVersion "$VERSION"
wait_process "wizard ends with 0" "$SETUP_PID" 0

# ---- The program kept its settings in its own folder.
settings="$(tr -d '\r' <"$INSTDIR/settings.dat" 2>/dev/null | tr '\n' ' ')"
check "settings.dat written in the program folder on Exit" \
  "$([[ "$settings" =~ ^transportType:1\ wifiServerAddr:\ playLocally:0\ controlPort:8125\ mediaPort:49152\ autoConnect:0\ window:[-0-9,]+\ btAddress:0.0.0.0.0.0\ $ ]] && echo 1)" \
  "$settings"
check "no settings.dat in the starter's directory" "$([ ! -e "$WORK/settings.dat" ] && echo 1)"
cp "$INSTDIR/settings.dat" "$WORK/settings.saved" 2>/dev/null

# ---- A silent uninstall keeps settings.dat.
uninstall_and_wait "silent uninstall succeeds" "$INSTDIR/Uninstall.exe" /S
check "uninstall leaves only settings.dat" \
  "$([ "$(folder_list "$INSTDIR")" = "settings.dat" ] && echo 1)" "$(folder_list "$INSTDIR")"
check "settings.dat unchanged by the uninstall" "$(cmp -s "$WORK/settings.saved" "$INSTDIR/settings.dat" && echo 1)"
check "Start-menu shortcut removed" "$([ ! -e "$(unix_path "$MENU_LINK")" ] && echo 1)"
out="$(probe reg "$KEY")"
expect_value "Uninstall entry removed" "$out" reg.missing 1

# ---- Desktop shortcut and start with Windows; an uninstall asked to remove
# the settings leaves nothing behind.
run_wine "silent install with /DESKTOP /AUTOSTART succeeds" 0 "$SETUP" /S /DESKTOP /AUTOSTART
out="$(probe link "$DESKTOP_LINK" link "$STARTUP_LINK")"
check "desktop and Startup shortcuts start the program in its folder" \
  "$([ "$(grep -cxF "link.workdir=$INSTDIR_WIN" <<<"$out")" = 2 ] &&
      [ "$(grep -cxF "link.target=$EXE_WIN" <<<"$out")" = 2 ] && echo 1)" "$out"
# A later install without the options keeps the shortcuts the user chose.
run_wine "silent reinstall succeeds" 0 "$SETUP" /S
check "reinstall kept the desktop and Startup shortcuts" \
  "$([ -f "$(unix_path "$DESKTOP_LINK")" ] && [ -f "$(unix_path "$STARTUP_LINK")" ] && echo 1)"
check "reinstall kept the user's settings" "$(cmp -s "$WORK/settings.saved" "$INSTDIR/settings.dat" && echo 1)"
uninstall_and_wait "silent uninstall with /REMOVESETTINGS succeeds" "$INSTDIR/Uninstall.exe" /S /REMOVESETTINGS
check "program folder removed" "$([ ! -e "$INSTDIR" ] && echo 1)" "$(folder_list "$INSTDIR")"
check "all three shortcuts removed" "$([ ! -e "$(unix_path "$MENU_LINK")" ] &&
  [ ! -e "$(unix_path "$DESKTOP_LINK")" ] && [ ! -e "$(unix_path "$STARTUP_LINK")" ] && echo 1)"

echo "$PASSED passed, $FAILED failed"
[ "$FAILED" -eq 0 ]
