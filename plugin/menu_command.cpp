// The plug-in's face in the host: its menu command, the information record and the setup entry.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "plugin/plugin_logic.h"
#include "settings/output_folder_dialog.h"

namespace vellum::plugin {
namespace {

// Texts the host shows, in code page 932.
// ベラムテキスト変換(UTF-8)
constexpr char kPluginName[] = "\x83\x78\x83\x89\x83\x80\x83\x65\x83\x4C\x83\x58\x83\x67\x95\xCF\x8A\xB7(UTF-8)";
// ベラムテキスト変換。UTF-8で出力します。
constexpr char kCommandComment[] =
    "\x83\x78\x83\x89\x83\x80\x83\x65\x83\x4C\x83\x58\x83\x67\x95\xCF\x8A\xB7\x81\x42UTF-8\x82\xC5\x8F\x6F\x97\xCD\x82\xB5"
    "\x82\xDC\x82\xB7\x81\x42";
// ベラム
constexpr char kVendor[] = "\x83\x78\x83\x89\x83\x80";
constexpr char kVersion[] = "0.0.0.0";
// ベラムテキスト変換。(UTF-8で出力)
constexpr char kDescription[] =
    "\x83\x78\x83\x89\x83\x80\x83\x65\x83\x4C\x83\x58\x83\x67\x95\xCF\x8A\xB7\x81\x42(UTF-8\x82\xC5\x8F\x6F\x97\xCD)";

constexpr int kMainMenuType = 2;       // the only menu the command goes into; also its target
constexpr UINT kMenuPosition = 22;     // zero-based, by position

// Copies at most size - 1 bytes and the NUL; the bytes after the NUL stay the host's.
template <std::size_t size>
void CopyBounded(char (&field)[size], const char* text) {
    const std::size_t length = std::min(std::strlen(text), size - 1);
    std::memcpy(field, text, length);
    field[length] = '\0';
}

}  // namespace

int logic::OnPlugInInfo(PluginInfo* info) {
    if (info == nullptr) return 0;
    CopyBounded(info->name, kPluginName);
    CopyBounded(info->vendor, kVendor);
    CopyBounded(info->version, kVersion);
    CopyBounded(info->description, kDescription);
    return 0;
}

int logic::OnPlugInSetup(HWND owner) {
    // Modal: returns when the user has closed the dialog, whether with OK or Cancel.
    DialogBoxParamA(pluginModule, MAKEINTRESOURCEA(kOutputFolderDialogId), owner, OutputFolderDialogProc, 0);
    return 1;
}

int WINAPI OnConvertCommand(HWND, LPARAM) {
    // A fresh object for each command; theLogic serves only the forwarded exports.
    const std::unique_ptr<logic> command(new (std::nothrow) logic(nullptr, &hostApi));
    if (!command) return 1;
    return Guarded(1, [&] { return command->ConvertCurrentFolder(); });
}

int WINAPI OnConvertCommandUI(HWND, LPARAM) { return 0; }

}  // namespace vellum::plugin

extern "C" int WINAPI BKC_OnMenuInit(HWND, HMENU menu, int menuType) {
    using namespace vellum::plugin;
    return Guarded(0, [&] {
        if (menuType != kMainMenuType) return 0;
        // A failed binding may have left these slots empty; then nothing is registered.
        const RegisterCommandEntry registerCommand = hostApi.RegisterCommand();
        const RegisterUICallbackEntry registerUICallback = hostApi.RegisterUICallback();
        if (registerCommand == nullptr || registerUICallback == nullptr) return 0;
        const UINT commandId = registerCommand(kCommandComment, kMainMenuType, OnConvertCommand);
        InsertMenuA(menu, kMenuPosition, MF_BYPOSITION | MF_STRING, commandId, kPluginName);  // outcome not needed
        registerUICallback(commandId, OnConvertCommandUI);
        return 1;
    });
}
