#include "settings/output_folder_dialog.h"

#include <shlobj.h>

#include <cstring>
#include <string>

#include "convert/conversion_run.h"
#include "plugin/plugin_logic.h"
#include "settings/settings_store.h"

namespace vellum {
namespace {

// フォルダを選択してください (code page 932)
constexpr char kBrowseTitle[] =
    "\x83\x74\x83\x48\x83\x8B\x83\x5F\x82\xF0\x91\x49\x91\xF0\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2";

constexpr int kTextSize = 256;  // the edit field's text: at most 255 bytes and the NUL

void SetEditText(HWND dialog, const char* text) { SetWindowTextA(GetDlgItem(dialog, kOutputFolderEditId), text); }

void StoreTypedFolder(HWND dialog) {
    char text[kTextSize] = {};
    GetWindowTextA(GetDlgItem(dialog, kOutputFolderEditId), text, kTextSize);
    SaveOutputFolder(text);  // not validated: an empty or missing folder is stored as typed
    outputFolder = text;
}

void BrowseForFolder(HWND dialog) {
    // The browser starts from the stored folder, not from what is typed but not yet confirmed.
    const std::string stored = LoadOutputFolder();
    BROWSEINFOA browse{};
    browse.hwndOwner = dialog;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = nullptr;
    browse.lpszTitle = kBrowseTitle;
    browse.ulFlags = 0;
    browse.lpfn = BrowseFolderCallback;
    browse.lParam = reinterpret_cast<LPARAM>(stored.c_str());
    browse.iImage = 0;
    LPITEMIDLIST item = SHBrowseForFolderA(&browse);
    if (item == nullptr) return;  // the user cancelled

    char path[MAX_PATH] = {};
    const bool hasPath = SHGetPathFromIDListA(item, path) != FALSE;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator != nullptr) {
        allocator->Free(item);
        allocator->Release();
    }
    // An item without a file-system path (a virtual folder of the shell) leaves the field as it
    // is, and so does a path too long for it.
    const std::size_t length = std::strlen(path);
    if (!hasPath || length >= kTextSize) return;
    char text[kTextSize] = {};
    std::memcpy(text, path, length);
    SetEditText(dialog, text);
}

INT_PTR HandleMessage(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetEditText(dialog, LoadOutputFolder().c_str());
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    StoreTypedFolder(dialog);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                case IDCANCEL:  // also the Escape key and the close box
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                case kBrowseButtonId:
                    BrowseForFolder(dialog);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK OutputFolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return plugin::Guarded<INT_PTR>(FALSE, [&] { return HandleMessage(dialog, message, wParam); });
}

int CALLBACK BrowseFolderCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

}  // namespace vellum
