// plugin_convert: the plug-in's menu command on many folders, as a user runs it in the mail
// client, one selected folder after another, without a test framework around it.
//
//   plugin_convert OUTDIR DATAFOLDER CURRENTFOLDER...
//
// Loads a copy of VellumText.dll once, stores OUTDIR as the output folder in the settings file
// beside it, then for each CURRENTFOLDER (relative to DATAFOLDER and ending with "\", as the host
// gives it) runs the command callback with the host answering DATAFOLDER and that folder. The
// message box of each run is read and closed with OK. One line per folder on standard output,
// in UTF-8, fields separated by tabs:
//
//   CURRENTFOLDER  callback result  caption  message  path
//
// where message is the text of the box up to its line end and path the rest. Exit status 0 when
// every folder gave "出力しました。", 1 when any did not, 2 when the plug-in cannot be driven.
// Arguments arrive in the ANSI code page (932 under the Japanese locale).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "../host/test_support.h"
#include "../host/window_driver.h"

namespace {

using namespace vellum::testhost;

std::string Utf8(const std::string& ansi) {
    if (ansi.empty()) return {};
    const int length = static_cast<int>(ansi.size());
    std::wstring wide(ansi.size(), L'\0');
    const int units = MultiByteToWideChar(932, 0, ansi.data(), length, wide.data(), length);
    std::string utf8(ansi.size() * 3, '\0');
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), static_cast<int>(utf8.size()),
                                         nullptr, nullptr);
    utf8.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return utf8;
}

// Runs the command on one folder; prints its line and tells whether the document was written.
bool ConvertFolder(HostCommandCallback command, const std::string& currentFolder) {
    Host().currentFolder = currentFolder;
    std::vector<MessageBoxSeen> boxes;
    int result = -1;
    {
        WindowDriver driver([&](HWND box) {
            boxes.push_back(ReadMessageBox(box));
            Press(box, IDOK);
        });
        result = command(nullptr, 0);
    }
    std::string caption, message, path;
    if (boxes.size() == 1) {
        const std::string& text = boxes[0].text;
        const std::size_t end = text.find('\n');
        caption = Utf8(boxes[0].caption);
        message = Utf8(text.substr(0, end));
        path = end == std::string::npos ? "" : Utf8(text.substr(end + 1));
    } else {
        message = "(" + std::to_string(boxes.size()) + " message boxes)";
    }
    std::printf("%s\t%d\t%s\t%s\t%s\n", Utf8(currentFolder).c_str(), result, caption.c_str(), message.c_str(),
                path.c_str());
    std::fflush(stdout);
    return boxes.size() == 1 && boxes[0].text.rfind(Cp932("出力しました。\n"), 0) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: plugin_convert OUTDIR DATAFOLDER CURRENTFOLDER...\n");
        return 2;
    }
    LoadedPlugin plugin;
    if (!plugin.Loaded()) {
        std::fprintf(stderr, "plugin_convert: cannot load %s\n", BuiltPluginPath().c_str());
        return 2;
    }
    if (!WritePrivateProfileStringA("OutputPath", "Default", argv[1], plugin.SettingsBeside().c_str())) {
        std::fprintf(stderr, "plugin_convert: cannot write %s\n", plugin.SettingsBeside().c_str());
        return 2;
    }
    plugin.Exports().OnStart();
    const HMENU menu = CreatePopupMenu();
    const bool registered = plugin.Exports().OnMenuInit(nullptr, menu, 2) == 1 && !Host().commands.empty();
    DestroyMenu(menu);
    if (!registered) {
        std::fprintf(stderr, "plugin_convert: the plug-in registered no command\n");
        return 2;
    }
    Host().dataFolder = argv[2];
    bool allWritten = true;
    for (int i = 3; i < argc; ++i) allWritten = ConvertFolder(Host().commands[0].callback, argv[i]) && allWritten;
    plugin.Exports().OnExit();
    return allWritten ? 0 : 1;
}
