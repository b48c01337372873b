// Resource identifiers: dialog templates, the icon, strings, the system-menu
// command and control IDs. Macros, as in a Windows resource script, so the
// Windows build can share them with its .rc file. The standard buttons,
// IDOK and IDCANCEL, are the dialog framework's (ui/resources.h).
#pragma once

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_TARNWICK_DIALOG 102
#define IDD_LOCAL_SETTINGS 129
#define IDD_SERVER_SETTINGS 132
#define IDD_RECEIVE 133

// Icon
#define IDR_MAINFRAME 128

// String table
#define IDS_ABOUTBOX 101
#define IDS_SOCKETS_INIT_FAILED 103

// System-menu command of the About item
#define IDM_ABOUTBOX 0x0010

// Main window
#define IDC_USB 1000
#define IDC_MORLA 1001
#define IDC_VORNEX 1002
#define IDC_SETTINGS 1003
#define IDC_CONNECT 1004
#define IDC_STATUS 1005
#define IDC_RECEIVE 1006
#define IDC_NODE_ID_TEXT 1009

// Local adapter settings
#define IDC_NODE_ID 1009
#define IDC_DEVICE_NUMBER 1010
#define IDC_DATA_RATE 1018
#define IDC_128NAKS 1027
#define IDC_TIMEOUTS 1034

// Server settings
#define IDC_IP_ADDRESS 1028
#define IDC_PORT 1029
#define IDC_AUTO_DETECT 1033

// Receive window
#define IDC_RX_COUNT 1037
#define IDC_START 1044
#define IDC_STOP 1045
#define IDC_RESET 1046
