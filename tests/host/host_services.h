// The substitute host: the executable that loads VellumText.dll exports the host's BKA_ entry
// points itself, as the mail client does, and records every call the plug-in makes into them.
// Declared here from the host's side, independently of the plug-in's own declarations.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace vellum::testhost {

using HostCommandCallback = int(WINAPI*)(HWND, LPARAM);
using HostUICallback = int(WINAPI*)(HWND, LPARAM);

struct CommandRegistration {
    std::string comment;  // as the plug-in passed it (code page 932)
    int target = 0;
    HostCommandCallback callback = nullptr;
    UINT commandId = 0;   // what the host answered
};

struct UICallbackRegistration {
    UINT commandId = 0;
    HostUICallback callback = nullptr;
};

struct HostState {
    // What BKA_GetVersion answers; a test sets it before it loads the plug-in.
    std::string version = "2.00.06";
    // What BKA_GetDataFolder and BKA_GetCurrentFolder answer; nullopt answers null.
    std::optional<std::string> dataFolder;
    std::optional<std::string> currentFolder;

    std::vector<std::string> calls;  // every BKA_ call, by name, in order
    std::vector<CommandRegistration> commands;
    std::vector<UICallbackRegistration> uiCallbacks;
    UINT nextCommandId = 40001;
};

// The one host of this process. Reset() forgets the calls and registrations, keeps the answers.
HostState& Host();
void ResetHostCalls();

// The names this executable exports, as the loader sees them.
bool ExeExports(const char* name);

}  // namespace vellum::testhost
