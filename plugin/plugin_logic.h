// The plug-in's logic objects: SPluginLogic has one virtual operation per host callback, each
// returning 0 unless a class overrides it; logic is the plug-in's own class. Fifteen exports
// forward to theLogic, the one object that lives from a successful attach to the detach.
#pragma once
#include <windows.h>

#include <cstdint>

#include "plugin/host_api.h"

namespace vellum::plugin {

// One argument of a host callback that the plug-in passes on unchanged: one machine word.
using HostWord = std::uintptr_t;

class SPluginLogic {
public:
    SPluginLogic(HMODULE moduleHandle, HostApi* hostTable) noexcept : module(moduleHandle), host(hostTable) {}
    SPluginLogic(const SPluginLogic&) = delete;
    SPluginLogic& operator=(const SPluginLogic&) = delete;
    virtual ~SPluginLogic() = default;

    virtual int OnPlugInInfo(PluginInfo* info);
    virtual int OnPlugInSetup(HWND owner);
    virtual int OnStart();
    virtual int OnExit();
    virtual int OnOutgoing(HostWord, HostWord);
    virtual int OnOpenFolder(HostWord);
    virtual int OnOpenMail(HostWord);
    virtual int OnEveryMinute();
    virtual int OnOpenCompose(HostWord, HostWord);
    virtual int OnKeyDispatch(HostWord, HostWord, HostWord);
    virtual int OnRetrieve(HostWord, HostWord);
    virtual int OnSend(HostWord);
    virtual int OnFinishRetrieve(HostWord);
    virtual int OnDragDrop(HostWord, HostWord, HostWord, HostWord);
    virtual int OnBeforeFilter2(HostWord, HostWord, HostWord, HostWord);

    HMODULE const module;   // the library for theLogic; null for the menu command's object
    HostApi* const host;    // not owned
};

class logic : public SPluginLogic {
public:
    using SPluginLogic::SPluginLogic;
    ~logic() override;

    int OnPlugInInfo(PluginInfo* info) override;  // fills the record, returns 0
    int OnPlugInSetup(HWND owner) override;       // the output-folder dialog, returns 1

    // Converts the folder selected in the host: 0 after a run, 1 when the host gave no folder.
    int ConvertCurrentFolder();
};

// Process-wide state of the library.
extern HostApi hostApi;          // bound at attach
extern logic* theLogic;          // null before a successful attach, when passive and after detach
extern HMODULE pluginModule;     // this library, kept at attach; the dialog template lives here

// Callbacks registered with the host by BKC_OnMenuInit.
int WINAPI OnConvertCommand(HWND, LPARAM);
int WINAPI OnConvertCommandUI(HWND, LPARAM);

// Runs `body` at a boundary to the host or to the system, whose frames no C++ exception may
// cross: an exception that gets this far turns into the result `failed`.
template <class Result, class Body>
Result Guarded(Result failed, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failed;
    }
}

}  // namespace vellum::plugin
