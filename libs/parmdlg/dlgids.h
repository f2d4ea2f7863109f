// Resource identifiers of parmdlg.dll, shared by its .rc and .cpp.
#pragma once

#define IDD_ABOUT 100
#define IDC_ABOUT_ICON 1001

// The program's own icon, loaded from the executable for the about box.
#define PROGRAM_ICON 201

// Settings pages, in the order the sheet shows them.
#define IDD_PAGE_GENERAL 300
#define IDD_PAGE_DESKTOPS 301
#define IDD_PAGE_PAGER 302
#define IDD_PAGE_WINDOWS 303
#define IDD_PAGE_COMMAND 304
#define IDD_PAGE_MIDDLE 305
// Entry dialogs of the list pages.
#define IDD_POSITION 310
#define IDD_SHORTCUT 311
#define IDD_PROGRAM 312

// General
#define IDC_RUN_AT_LOGON 1100
#define IDC_VERSION 1101
#define IDC_GUIDE 1102
// Desktops
#define IDC_COLUMNS 1200
#define IDC_COLUMNS_SPIN 1201
#define IDC_ROWS 1202
#define IDC_ROWS_SPIN 1203
#define IDC_SWITCH_HOTKEYS 1204
#define IDC_SWITCH_BORDERS 1205
#define IDC_ONLY_BUTTON 1206
#define IDC_FOLLOW_ACTIVE 1207
#define IDC_TOPMOST 1208
#define IDC_RESCALE 1209
#define IDC_DISABLE_NAV 1210
#define IDC_NAV_MODIFIERS 1211
// Pager: four corners, six colours (swatch and button each), five gestures
#define IDC_CORNER1 1300
#define IDC_CORNER4 1303
#define IDC_XSIZE 1310
#define IDC_YSIZE 1311
#define IDC_MINIMIZE 1312
#define IDC_HIDE_PM 1313
#define IDC_SWATCH0 1320
#define IDC_COLOR0 1330
#define IDC_FONT_NAME 1340
#define IDC_FONT 1341
#define IDC_GESTURE0 1350
// Windows
#define IDC_POS_LIST 1400
#define IDC_POS_ADD 1401
#define IDC_POS_EDIT 1402
#define IDC_POS_REMOVE 1403
#define IDC_RESET_AT_START 1404
#define IDC_PE_NAME 1410
#define IDC_PE_COLUMN 1411
#define IDC_PE_ROW 1412
#define IDC_PE_KEEP 1413
#define IDC_PE_MINIMIZE 1414
// Command line
#define IDC_DISABLE_SHELL 1500
#define IDC_HOTKEY 1501
#define IDC_SC_LIST 1502
#define IDC_SC_ADD 1503
#define IDC_SC_EDIT 1504
#define IDC_SC_REMOVE 1505
#define IDC_SC_MACHINE 1506
#define IDC_SE_NAME 1510
#define IDC_SE_COMMAND 1511
#define IDC_SE_DIRECTORY 1512
#define IDC_SE_SHOW 1513
// Middle button: click combos 0-3, drag combos 0-3
#define IDC_DISABLE_MIDDLE 1600
#define IDC_DEF_CLICK0 1610
#define IDC_DEF_DRAG0 1620
#define IDC_DEF_TRANSMIT 1630
#define IDC_PROG_LIST 1631
#define IDC_PROG_ADD 1632
#define IDC_PROG_EDIT 1633
#define IDC_PROG_REMOVE 1634
#define IDC_PR_NAME 1640
#define IDC_PR_CLICK0 1650
#define IDC_PR_DRAG0 1660
#define IDC_PR_TRANSMIT 1670
