// The library's entry and the fifteen exports that forward to theLogic. BKC_OnMenuInit, the
// sixteenth, works on the host table directly (menu_command.cpp).
#include <windows.h>

#include <new>

#include "plugin/plugin_logic.h"

using vellum::plugin::HostWord;
using vellum::plugin::PluginInfo;
using vellum::plugin::SPluginLogic;

namespace {

// Without theLogic (a failed binding, or after the detach) every forwarded export returns 0.
template <class Call>
int Forward(Call&& call) noexcept {
    using vellum::plugin::theLogic;
    return vellum::plugin::Guarded(0, [&] {
        if (theLogic == nullptr) return 0;
        SPluginLogic& target = *theLogic;  // through the base: the virtual operation decides
        return call(target);
    });
}

}  // namespace

// The loader lock is held here: only assignments, the lookups of the binding and one allocation.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    using namespace vellum::plugin;
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            pluginModule = module;
            theLogic = nullptr;
            if (hostApi.Bind()) theLogic = new (std::nothrow) logic(module, &hostApi);
            break;
        case DLL_PROCESS_DETACH:
            delete theLogic;
            theLogic = nullptr;
            break;
        default:
            break;
    }
    return TRUE;  // also when the binding failed: the library stays loaded and passive
}

extern "C" {

int WINAPI BKC_OnStart() {
    return Forward([](SPluginLogic& l) { return l.OnStart(); });
}

int WINAPI BKC_OnExit() {
    return Forward([](SPluginLogic& l) { return l.OnExit(); });
}

int WINAPI BKC_OnOpenFolder(HostWord folder) {
    return Forward([&](SPluginLogic& l) { return l.OnOpenFolder(folder); });
}

int WINAPI BKC_OnOpenMail(HostWord mail) {
    return Forward([&](SPluginLogic& l) { return l.OnOpenMail(mail); });
}

int WINAPI BKC_OnEveryMinute() {
    return Forward([](SPluginLogic& l) { return l.OnEveryMinute(); });
}

int WINAPI BKC_OnOpenCompose(HostWord a, HostWord b) {
    return Forward([&](SPluginLogic& l) { return l.OnOpenCompose(a, b); });
}

int WINAPI BKC_OnOutgoing(HostWord a, HostWord b) {
    return Forward([&](SPluginLogic& l) { return l.OnOutgoing(a, b); });
}

int WINAPI BKC_OnKeyDispatch(HostWord a, HostWord b, HostWord c) {
    return Forward([&](SPluginLogic& l) { return l.OnKeyDispatch(a, b, c); });
}

int WINAPI BKC_OnRetrieve(HostWord a, HostWord b) {
    return Forward([&](SPluginLogic& l) { return l.OnRetrieve(a, b); });
}

int WINAPI BKC_OnSend(HostWord a) {
    return Forward([&](SPluginLogic& l) { return l.OnSend(a); });
}

int WINAPI BKC_OnFinishRetrieve(HostWord a) {
    return Forward([&](SPluginLogic& l) { return l.OnFinishRetrieve(a); });
}

int WINAPI BKC_OnPlugInSetup(HWND owner) {
    return Forward([&](SPluginLogic& l) { return l.OnPlugInSetup(owner); });
}

int WINAPI BKC_OnPlugInInfo(PluginInfo* info) {
    return Forward([&](SPluginLogic& l) { return l.OnPlugInInfo(info); });
}

int WINAPI BKC_OnDragDrop(HostWord a, HostWord b, HostWord c, HostWord d) {
    return Forward([&](SPluginLogic& l) { return l.OnDragDrop(a, b, c, d); });
}

int WINAPI BKC_OnBeforeFilter2(HostWord a, HostWord b, HostWord c, HostWord d) {
    return Forward([&](SPluginLogic& l) { return l.OnBeforeFilter2(a, b, c, d); });
}

}  // extern "C"
