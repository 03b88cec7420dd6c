// Resource identifiers of the program, shared by the resource script and
// the code (plain defines only: the resource compiler reads this file too).
#pragma once

// Strings
#define IDS_APP_TITLE 103
#define IDS_TRAY_TIP 104

// Menu, accelerators and the class-name string
#define IDR_MAIN 109

// Icons
#define IDI_MAIN 107
#define IDI_SMALL 108
// Named by the About dialog but never built: its area stays empty.
#define IDI_ABOUT 128

// Menu commands
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDM_CONNECT 1000
#define IDM_DISCONNECT 1001
#define IDM_PLAY_IN_SPEAKER 1002
#define IDM_AUTO_RECONNECT 1003
#define IDM_PORTS 1004
#define IDM_STATISTICS 1005

// Dialog templates
#define IDD_ABOUT 103
#define IDD_SELECT_TRANSPORT 1100
#define IDD_PORTS 1101
#define IDD_PROGRESS 1102
#define IDD_STATISTICS 1103

// Dialog controls
#define IDC_WIFI_ADDR 1015
#define IDC_RADIO_BT 1016
#define IDC_RADIO_USB 1017
#define IDC_RADIO_WIFI 1018
#define IDC_BT_DEVICES 1019
#define IDC_CONTROL_PORT 1020
#define IDC_MEDIA_PORT 1021
#define IDC_PROGRESS_TEXT 1022
#define IDC_VERSION 1023
#define IDC_STATS_TEXT 1024
#define IDC_COPY 1200

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Private window messages
#define WM_TRAY_NOTIFY (WM_USER + 1)
#define WM_PLAYER_STATE (WM_USER + 2)
