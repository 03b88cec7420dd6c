; Per-user installer of Kavri Client: no administrator rights, everything under
; the user's own folders and registry.
;
; Built by the Windows build (installer/CMakeLists.txt), which defines:
;   PRODUCT PUBLISHER COPYRIGHT VERSION VERSION_QUAD  from the project's version
;   CLIENT_EXE  the built KavriClient.exe      ICON  the program's icon
;   OUTFILE     the installer to write
;
; Command line, besides NSIS's own /S (silent) and /D=folder:
;   installer:    /DESKTOP  a desktop shortcut   /AUTOSTART  start with Windows
;   uninstaller:  /REMOVESETTINGS  also delete settings.dat
; Silent runs that find the program running end with exit code 2 and change nothing.

Unicode true
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define APP_EXE "KavriClient.exe"
; The program's window class and single-instance mutex.
!define WINDOW_CLASS "KAVRICLIENT"
!define INSTANCE_MUTEX "KavriClient"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KavriClient"
!define SHORTCUT "${PRODUCT}.lnk"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; The user's own programs folder (FOLDERID_UserProgramFiles).
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${COPYRIGHT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} is installed"
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "Start ${PRODUCT} from the Start menu.$\r$\n$\r$\n\
USB connections need adb.exe, Android's platform tools, in the program's folder:$\r$\n\
$INSTDIR$\r$\n$\r$\n\
Download the SDK Platform-Tools for Windows from developer.android.com/tools/releases/platform-tools \
and copy adb.exe, AdbWinApi.dll and AdbWinUsbApi.dll into that folder. \
This installer does not download anything.$\r$\n$\r$\n\
Wi-Fi and Bluetooth connections need nothing more."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; A running program holds its files and would lose its settings; both the
; installer and the uninstaller wait for the user to end it, or give up.
!macro CHECK_NOT_RUNNING un
Function ${un}CheckNotRunning
  retry:
    FindWindow $0 "${WINDOW_CLASS}"
    ; The mutex also covers a program that is still starting or already hidden.
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r1'
    ${If} $1 P<> 0
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    ${If} $0 P<> 0
    ${OrIf} $1 P<> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is running.$\r$\n$\r$\nPlease exit it first (Connection > Exit, or Exit in the menu of its notification-area icon), then choose Retry." \
        /SD IDCANCEL IDRETRY retry
      SetErrorLevel 2
      Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro CHECK_NOT_RUNNING ""
!insertmacro CHECK_NOT_RUNNING "un."

; The shortcuts start the program in its own folder: settings.dat is kept in,
; and adb.exe run from, the current directory.
!macro MAKE_SHORTCUT path
  SetOutPath "$INSTDIR"
  CreateShortCut "${path}" "$INSTDIR\${APP_EXE}" "" "$INSTDIR\${APP_EXE}" 0 SW_SHOWNORMAL "" "${PRODUCT}"
!macroend

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call CheckNotRunning
  SetOutPath "$INSTDIR"
  File "/oname=${APP_EXE}" "${CLIENT_EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  !insertmacro MAKE_SHORTCUT "$SMPROGRAMS\${SHORTCUT}"
  ; An earlier install's optional shortcuts follow this install's choices.
  Delete "$DESKTOP\${SHORTCUT}"
  Delete "$SMSTARTUP\${SHORTCUT}"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${APP_EXE},0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=*.exe /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  !insertmacro MAKE_SHORTCUT "$DESKTOP\${SHORTCUT}"
SectionEnd

Section /o "Start with Windows" SecAutostart
  !insertmacro MAKE_SHORTCUT "$SMSTARTUP\${SHORTCUT}"
SectionEnd

; Selects a section when its option is on the command line or, on a new
; install over an old one, when the old install made its shortcut.
!macro PRESELECT section option shortcut
  ${GetOptions} $R0 "${option}" $R1
  ${IfNot} ${Errors}
  ${OrIf} ${FileExists} "${shortcut}"
    SectionSetFlags ${section} ${SF_SELECTED}
  ${EndIf}
!macroend

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  !insertmacro PRESELECT ${SecDesktop} "/DESKTOP" "$DESKTOP\${SHORTCUT}"
  ClearErrors
  !insertmacro PRESELECT ${SecAutostart} "/AUTOSTART" "$SMSTARTUP\${SHORTCUT}"
FunctionEnd

Section "un.${PRODUCT}" SecUnProgram
  SectionIn RO
  Call un.CheckNotRunning
  Delete "$SMPROGRAMS\${SHORTCUT}"
  Delete "$DESKTOP\${SHORTCUT}"
  Delete "$SMSTARTUP\${SHORTCUT}"
  Delete "$INSTDIR\${APP_EXE}"
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Stays while it holds the user's settings or the adb files they added.
  RMDir "$INSTDIR"
SectionEnd

Section /o "un.Settings (settings.dat)" SecUnSettings
  Delete "$INSTDIR\settings.dat"
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVESETTINGS" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecUnSettings} ${SF_SELECTED}
  ${EndIf}
FunctionEnd
