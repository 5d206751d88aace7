// Our own declaration of what passes between the mail client (the host) and this plug-in: the
// information record the host has us fill, the callbacks we give it, and its entry points, which
// it exports by name from its executable and which we bind into one table when we are attached.
#pragma once
#include <windows.h>

#include <array>
#include <cstddef>
#include <string_view>

namespace vellum::plugin {

// Filled by BKC_OnPlugInInfo: four NUL-terminated texts in the ANSI code page.
struct PluginInfo {
    char name[80];
    char vendor[80];
    char version[80];
    char description[256];
};
static_assert(sizeof(PluginInfo) == 496, "the host lays the four fields out back to back");

// Callbacks registered with the host; both get two arguments that the plug-in ignores.
using CommandCallback = int(WINAPI*)(HWND, LPARAM);
using UICallback = int(WINAPI*)(HWND, LPARAM);

// The five host entry points the plug-in calls.
using GetVersionEntry = LPCSTR(WINAPI*)();
using RegisterCommandEntry = UINT(WINAPI*)(LPCSTR comment, int target, CommandCallback callback);
using RegisterUICallbackEntry = int(WINAPI*)(UINT commandId, UICallback callback);
using GetFolderEntry = LPCSTR(WINAPI*)();  // BKA_GetDataFolder, BKA_GetCurrentFolder

// Any other entry point is kept as an untyped address.
using EntryPoint = void (*)();

inline constexpr std::size_t kHostSlotCount = 59;

// The names looked up, in slot order.
inline constexpr std::array<const char*, kHostSlotCount> kHostSlotNames = {
    "BKA_GetVersion", "BKA_Command", "BKA_GetWindowHandles", "BKA_RegisterCommand",
    "BKA_RegisterUICallback", "BKA_GetDataFolder", "BKA_GetTempFolder", "BKA_GetTempFileName",
    "BKA_GetCurrentMailBox", "BKA_SetCurrentMailBox", "BKA_GetCurrentFolder", "BKA_SetCurrentFolder",
    "BKA_GetFolderDisplayName", "BKA_SetMessageText", "BKA_GetCurrentMail", "BKA_SetCurrentMail",
    "BKA_GetNextMail", "BKA_SetSel", "BKA_AppendMessage", "BKA_MoveMessages",
    "BKA_MoveSelectedMessages", "BKA_GetStatus", "BKA_SetStatus", "BKA_ComposeMail",
    "BKA_GetCharSet", "BKA_GetSource", "BKA_SetSource", "BKA_GetSize",
    "BKA_GetHeader", "BKA_GetText", "BKA_SetText", "BKA_GetSpecifiedHeader",
    "BKA_SetSpecifiedHeader", "BKA_CompGetCharSet", "BKA_CompGetSource", "BKA_CompSetSource",
    "BKA_CompGetHeader", "BKA_CompGetSpecifiedHeader", "BKA_CompSetSpecifiedHeader", "BKA_CompGetText",
    "BKA_CompSetText", "BKA_CompAttachFile", "BKA_Alloc", "BKA_ReAlloc",
    "BKA_Free", "BKA_ISO_2022_JP", "BKA_ISO_2022_KR", "BKA_HZ_GB2312",
    "BKA_ISO_8859_2", "BKA_EUC_JP", "BKA_UTF_7", "BKA_UTF_8",
    "BKA_B64Convert", "BKA_QPConvert", "BKA_MIMEHeader", "BKA_SerializeRcpts",
    "BKA_Connect", "BKA_NextUnread", "BKA_ProcessMail",
};

// Entry points that older hosts lack, in the order they are looked up after the required ones.
inline constexpr std::array<const char*, 5> kOptionalHostSlots = {
    "BKA_SetStatus", "BKA_NextUnread", "BKA_ProcessMail", "BKA_GetSize", "BKA_MoveMessages",
};

// The slot of `name`, kHostSlotCount when there is none.
constexpr std::size_t HostSlotIndex(std::string_view name) {
    for (std::size_t i = 0; i < kHostSlotCount; ++i) {
        if (std::string_view(kHostSlotNames[i]) == name) return i;
    }
    return kHostSlotCount;
}

constexpr bool IsOptionalHostSlot(std::string_view name) {
    for (const char* optional : kOptionalHostSlots) {
        if (std::string_view(optional) == name) return true;
    }
    return false;
}

// Hosts from this version on must offer BKA_SetStatus.
inline constexpr const char* kSetStatusRequiredFrom = "2.00.06";

struct HostApi {
    std::array<EntryPoint, kHostSlotCount> entries{};
    HMODULE hostModule = nullptr;  // the host's executable once bound, null otherwise

    // Looks every entry point up in the process's executable. 1 when the host's interface is
    // usable; 0 when a required entry point is missing, or when a host whose version needs
    // BKA_SetStatus lacks it. Once bound, later calls return 1 at once.
    int Bind() noexcept;

    // Typed views of the entry points that the plug-in calls; null while their slot is empty.
    GetVersionEntry GetVersion() const noexcept;
    RegisterCommandEntry RegisterCommand() const noexcept;
    RegisterUICallbackEntry RegisterUICallback() const noexcept;
    GetFolderEntry GetDataFolder() const noexcept;
    GetFolderEntry GetCurrentFolder() const noexcept;
};

}  // namespace vellum::plugin
