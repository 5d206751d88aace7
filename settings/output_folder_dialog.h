// The output-folder dialog: the plug-in's setup entry in the host. Shows the stored output
// folder, lets the user type one or pick one in the shell's folder browser, stores it on OK.
#pragma once

// Identifiers shared with the resource script (settings/VellumText.rc).
#define VELLUM_IDD_OUTPUT_FOLDER 101
#define VELLUM_IDC_OUTPUT_FOLDER 1001
#define VELLUM_IDC_BROWSE 1002

#ifndef RC_INVOKED
#include <windows.h>

namespace vellum {

inline constexpr int kOutputFolderDialogId = VELLUM_IDD_OUTPUT_FOLDER;
inline constexpr int kOutputFolderEditId = VELLUM_IDC_OUTPUT_FOLDER;
inline constexpr int kBrowseButtonId = VELLUM_IDC_BROWSE;

// TRUE for the messages it handles; ends the dialog with IDOK after storing, IDCANCEL without.
INT_PTR CALLBACK OutputFolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Selects the folder passed as callback data (the stored output folder) once the browser is up.
int CALLBACK BrowseFolderCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

}  // namespace vellum
#endif
