#include "loaded_plugin.h"

#include <type_traits>

namespace vellum::testhost {

const ExportName kPluginExports[16] = {
    {"BKC_OnStart", 1, 0},          {"BKC_OnExit", 2, 0},         {"BKC_OnMenuInit", 3, 3},
    {"BKC_OnOpenFolder", 4, 1},     {"BKC_OnOpenMail", 5, 1},     {"BKC_OnEveryMinute", 6, 0},
    {"BKC_OnOpenCompose", 7, 2},    {"BKC_OnOutgoing", 8, 2},     {"BKC_OnKeyDispatch", 9, 3},
    {"BKC_OnRetrieve", 10, 2},      {"BKC_OnSend", 11, 1},        {"BKC_OnFinishRetrieve", 12, 1},
    {"BKC_OnPlugInSetup", 13, 1},   {"BKC_OnPlugInInfo", 14, 1},  {"BKC_OnDragDrop", 15, 4},
    {"BKC_OnBeforeFilter2", 16, 4},
};

std::string BuiltPluginPath() {
    // CMake gives the build tree's POSIX path; Wine shows the root file system as drive Z:.
    std::string path = "Z:" VELLUM_PLUGIN_DLL;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

LoadedPlugin::LoadedPlugin(const std::string& fileName) : fileName_(fileName) {
    if (CopyFileA(BuiltPluginPath().c_str(), DllPath().c_str(), FALSE)) Load();
}

LoadedPlugin::~LoadedPlugin() { Unload(); }

void LoadedPlugin::Unload() {
    if (module_ != nullptr) FreeLibrary(module_);
    module_ = nullptr;
    exports_ = {};
}

bool LoadedPlugin::Load() {
    module_ = LoadLibraryA(DllPath().c_str());
    if (module_ == nullptr) return false;
    // Resolved by name; the export table test checks the ordinals.
    using AnyFunction = void (*)();  // the one function type that casts to every other one cleanly
    AnyFunction slots[16] = {};
    for (int i = 0; i < 16; ++i) slots[i] = reinterpret_cast<AnyFunction>(GetProcAddress(module_, kPluginExports[i].name));
    auto set = [&](auto& field, int i) { field = reinterpret_cast<std::remove_reference_t<decltype(field)>>(slots[i]); };
    set(exports_.OnStart, 0);
    set(exports_.OnExit, 1);
    set(exports_.OnMenuInit, 2);
    set(exports_.OnOpenFolder, 3);
    set(exports_.OnOpenMail, 4);
    set(exports_.OnEveryMinute, 5);
    set(exports_.OnOpenCompose, 6);
    set(exports_.OnOutgoing, 7);
    set(exports_.OnKeyDispatch, 8);
    set(exports_.OnRetrieve, 9);
    set(exports_.OnSend, 10);
    set(exports_.OnFinishRetrieve, 11);
    set(exports_.OnPlugInSetup, 12);
    set(exports_.OnPlugInInfo, 13);
    set(exports_.OnDragDrop, 14);
    set(exports_.OnBeforeFilter2, 15);
    return true;
}

}  // namespace vellum::testhost
