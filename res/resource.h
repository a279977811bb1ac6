/* Resource ids of the program: dialog templates, their controls, icon, cursor and strings.
   Read by the C++ sources and by the resource compiler, so plain defines only. */
#ifndef QUORVEL_RESOURCE_H
#define QUORVEL_RESOURCE_H

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* System menu entry that opens the info dialog; below 0xF000, clear of the system's own commands. */
#define IDM_ABOUTBOX 0x0010

#define IDD_INFO 100
#define IDS_ABOUTBOX 101
#define IDD_METER 102
#define IDR_MAINFRAME 128
#define IDC_LINK_CURSOR 129

/* Controls of IDD_METER. */
#define IDC_BAR_LEFT 1000
#define IDC_BAR_RIGHT 1001
#define IDC_VALUE_LEFT 1002
#define IDC_VALUE_RIGHT 1003
#define IDC_DEVICE_LIST 1004
#define IDC_MAX_LEFT 1005
#define IDC_MAX_RIGHT 1006
#define IDC_RESET_MAX 1007
#define IDC_ACTIVITY 1008
#define IDC_HOMEPAGE 1010
#define IDC_VERSION 1011
#define IDC_FORMAT_NAME 1012

/* Controls of IDD_INFO; their numbers overlap those of IDD_METER, which is harmless across dialogs. */
#define IDC_INFO_LINK 1008
#define IDC_INFO_COPYRIGHT 1012
#define IDC_INFO_TITLE 1013

#endif
