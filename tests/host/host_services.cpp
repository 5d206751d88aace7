#include "host_services.h"

namespace vellum::testhost {

HostState& Host() {
    static HostState state;
    return state;
}

void ResetHostCalls() {
    HostState& host = Host();
    host.calls.clear();
    host.commands.clear();
    host.uiCallbacks.clear();
}

bool ExeExports(const char* name) { return GetProcAddress(GetModuleHandleA(nullptr), name) != nullptr; }

}  // namespace vellum::testhost

using vellum::testhost::Host;

// The five entry points the plug-in calls, answering as the host does.
extern "C" {

LPCSTR WINAPI BKA_GetVersion() {
    Host().calls.push_back("BKA_GetVersion");
    return Host().version.c_str();
}

UINT WINAPI BKA_RegisterCommand(LPCSTR comment, int target, vellum::testhost::HostCommandCallback callback) {
    Host().calls.push_back("BKA_RegisterCommand");
    const UINT id = Host().nextCommandId++;
    Host().commands.push_back({comment != nullptr ? comment : "", target, callback, id});
    return id;
}

int WINAPI BKA_RegisterUICallback(UINT commandId, vellum::testhost::HostUICallback callback) {
    Host().calls.push_back("BKA_RegisterUICallback");
    Host().uiCallbacks.push_back({commandId, callback});
    return 1;
}

LPCSTR WINAPI BKA_GetDataFolder() {
    Host().calls.push_back("BKA_GetDataFolder");
    return Host().dataFolder ? Host().dataFolder->c_str() : nullptr;
}

LPCSTR WINAPI BKA_GetCurrentFolder() {
    Host().calls.push_back("BKA_GetCurrentFolder");
    return Host().currentFolder ? Host().currentFolder->c_str() : nullptr;
}

}  // extern "C"

// The other 54: the plug-in only looks them up. Each is a function of its own (distinct address)
// that records a call, which no test expects.
#define VELLUM_HOST_ENTRY(name)          \
    extern "C" int WINAPI name() {       \
        Host().calls.push_back(#name);   \
        return 0;                        \
    }

VELLUM_HOST_ENTRY(BKA_Command)
VELLUM_HOST_ENTRY(BKA_GetWindowHandles)
VELLUM_HOST_ENTRY(BKA_GetTempFolder)
VELLUM_HOST_ENTRY(BKA_GetTempFileName)
VELLUM_HOST_ENTRY(BKA_GetCurrentMailBox)
VELLUM_HOST_ENTRY(BKA_SetCurrentMailBox)
VELLUM_HOST_ENTRY(BKA_SetCurrentFolder)
VELLUM_HOST_ENTRY(BKA_GetFolderDisplayName)
VELLUM_HOST_ENTRY(BKA_SetMessageText)
VELLUM_HOST_ENTRY(BKA_GetCurrentMail)
VELLUM_HOST_ENTRY(BKA_SetCurrentMail)
VELLUM_HOST_ENTRY(BKA_GetNextMail)
VELLUM_HOST_ENTRY(BKA_SetSel)
VELLUM_HOST_ENTRY(BKA_AppendMessage)
VELLUM_HOST_ENTRY(BKA_MoveMessages)
VELLUM_HOST_ENTRY(BKA_MoveSelectedMessages)
VELLUM_HOST_ENTRY(BKA_GetStatus)
VELLUM_HOST_ENTRY(BKA_SetStatus)
VELLUM_HOST_ENTRY(BKA_ComposeMail)
VELLUM_HOST_ENTRY(BKA_GetCharSet)
VELLUM_HOST_ENTRY(BKA_GetSource)
VELLUM_HOST_ENTRY(BKA_SetSource)
VELLUM_HOST_ENTRY(BKA_GetSize)
VELLUM_HOST_ENTRY(BKA_GetHeader)
VELLUM_HOST_ENTRY(BKA_GetText)
VELLUM_HOST_ENTRY(BKA_SetText)
VELLUM_HOST_ENTRY(BKA_GetSpecifiedHeader)
VELLUM_HOST_ENTRY(BKA_SetSpecifiedHeader)
VELLUM_HOST_ENTRY(BKA_CompGetCharSet)
VELLUM_HOST_ENTRY(BKA_CompGetSource)
VELLUM_HOST_ENTRY(BKA_CompSetSource)
VELLUM_HOST_ENTRY(BKA_CompGetHeader)
VELLUM_HOST_ENTRY(BKA_CompGetSpecifiedHeader)
VELLUM_HOST_ENTRY(BKA_CompSetSpecifiedHeader)
VELLUM_HOST_ENTRY(BKA_CompGetText)
VELLUM_HOST_ENTRY(BKA_CompSetText)
VELLUM_HOST_ENTRY(BKA_CompAttachFile)
VELLUM_HOST_ENTRY(BKA_Alloc)
VELLUM_HOST_ENTRY(BKA_ReAlloc)
VELLUM_HOST_ENTRY(BKA_Free)
VELLUM_HOST_ENTRY(BKA_ISO_2022_JP)
VELLUM_HOST_ENTRY(BKA_ISO_2022_KR)
VELLUM_HOST_ENTRY(BKA_HZ_GB2312)
VELLUM_HOST_ENTRY(BKA_ISO_8859_2)
VELLUM_HOST_ENTRY(BKA_EUC_JP)
VELLUM_HOST_ENTRY(BKA_UTF_7)
VELLUM_HOST_ENTRY(BKA_UTF_8)
VELLUM_HOST_ENTRY(BKA_B64Convert)
VELLUM_HOST_ENTRY(BKA_QPConvert)
VELLUM_HOST_ENTRY(BKA_MIMEHeader)
VELLUM_HOST_ENTRY(BKA_SerializeRcpts)
VELLUM_HOST_ENTRY(BKA_Connect)
VELLUM_HOST_ENTRY(BKA_NextUnread)
VELLUM_HOST_ENTRY(BKA_ProcessMail)
