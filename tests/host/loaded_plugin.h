// The plug-in as the host loads it: a copy of the built VellumText.dll in a scratch folder of its
// own (its settings file goes beside it), loaded into this process, its sixteen exports resolved.
#pragma once
#include <windows.h>

#include <string>

#include "test_support.h"

namespace vellum::testhost {

// The information record, as the host lays it out.
struct HostPluginInfo {
    char name[80];
    char vendor[80];
    char version[80];
    char description[256];
};

// The sixteen callbacks, each a WINAPI function of one-word arguments returning int.
struct PluginExports {
    int(WINAPI* OnStart)();
    int(WINAPI* OnExit)();
    int(WINAPI* OnMenuInit)(HWND, HMENU, int);
    int(WINAPI* OnOpenFolder)(LPCSTR);
    int(WINAPI* OnOpenMail)(LPCSTR);
    int(WINAPI* OnEveryMinute)();
    int(WINAPI* OnOpenCompose)(HWND, int);
    int(WINAPI* OnOutgoing)(HWND, int);
    int(WINAPI* OnKeyDispatch)(HWND, int, int);
    int(WINAPI* OnRetrieve)(LPCSTR, LPCSTR);
    int(WINAPI* OnSend)(LPCSTR);
    int(WINAPI* OnFinishRetrieve)(int);
    int(WINAPI* OnPlugInSetup)(HWND);
    int(WINAPI* OnPlugInInfo)(HostPluginInfo*);
    int(WINAPI* OnDragDrop)(LPCSTR, LPCSTR, int, int);
    int(WINAPI* OnBeforeFilter2)(LPCSTR, LPCSTR, int*, int*);
};

// The names, ordinals and argument counts of the sixteen exports.
struct ExportName {
    const char* name;
    WORD ordinal;
    int words;  // arguments, one machine word each
};
extern const ExportName kPluginExports[16];

// The built library (a Windows path).
std::string BuiltPluginPath();

class LoadedPlugin {
public:
    // Copies the library into a fresh folder under `fileName` and loads it.
    explicit LoadedPlugin(const std::string& fileName = "VellumText.dll");
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Module() const { return module_; }
    const PluginExports& Exports() const { return exports_; }
    const std::string& Folder() const { return folder_.Path(); }  // ends with "\"
    std::string DllPath() const { return folder_.Path() + fileName_; }
    std::string SettingsBeside() const { return folder_.Path() + "VellumText.ini"; }

    void Unload();  // FreeLibrary: the detach
    bool Load();    // LoadLibrary again: a new attach

private:
    ScratchFolder folder_;
    std::string fileName_;
    HMODULE module_ = nullptr;
    PluginExports exports_{};
};

}  // namespace vellum::testhost
