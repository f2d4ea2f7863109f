// Resource identifiers of parmdlg.dll, shared by its .rc and .cpp.
#pragma once

#define IDD_ABOUT 100
#define IDD_SETTINGS 200
#define IDC_ABOUT_ICON 1001

// The program's own icon, loaded from the executable for the about box.
#define PROGRAM_ICON 201
