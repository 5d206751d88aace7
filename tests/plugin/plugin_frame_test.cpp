// The plug-in as the host sees it when its interface binds: the export table, the information
// record, the menu command's registration, the forwarded callbacks, and unloading.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "../host/test_support.h"

namespace vellum::testhost {
namespace {

const IMAGE_NT_HEADERS32* Headers(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
}

TEST(ExportTable, SixteenPlainNamesWithTheirOrdinals) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    const auto* base = reinterpret_cast<const BYTE*>(plugin.Module());
    const IMAGE_DATA_DIRECTORY& entry = Headers(plugin.Module())->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(entry.VirtualAddress, 0u);
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);

    EXPECT_STREQ(reinterpret_cast<const char*>(base + exports->Name), "VellumText.dll");
    EXPECT_EQ(exports->Base, 1u);
    EXPECT_EQ(exports->NumberOfFunctions, 16u);
    ASSERT_EQ(exports->NumberOfNames, 16u);

    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    const auto* ordinals = reinterpret_cast<const WORD*>(base + exports->AddressOfNameOrdinals);
    std::map<std::string, DWORD> table;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        table[reinterpret_cast<const char*>(base + names[i])] = ordinals[i] + exports->Base;
    }
    EXPECT_EQ(table.size(), 16u);
    for (const ExportName& expected : kPluginExports) {
        SCOPED_TRACE(expected.name);
        ASSERT_EQ(table.count(expected.name), 1u) << "missing or decorated";
        EXPECT_EQ(table[expected.name], expected.ordinal);
        const FARPROC byName = GetProcAddress(plugin.Module(), expected.name);
        EXPECT_NE(byName, nullptr);
        EXPECT_EQ(GetProcAddress(plugin.Module(), MAKEINTRESOURCEA(expected.ordinal)), byName);
    }
}

TEST(ExportTable, ImportsOnlyTheSystemsOwnLibraries) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    const auto* base = reinterpret_cast<const BYTE*>(plugin.Module());
    const IMAGE_DATA_DIRECTORY& entry = Headers(plugin.Module())->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    ASSERT_NE(entry.VirtualAddress, 0u);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    int count = 0;
    for (const auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + entry.VirtualAddress);
         import->Name != 0; ++import) {
        const std::string name = reinterpret_cast<const char*>(base + import->Name);
        SCOPED_TRACE(name);
        ++count;
        // The host loads the library as it is: nothing beside it, everything from the system.
        EXPECT_TRUE(FileExists(std::string(system) + "\\" + name));
        for (const char* runtime : {"libgcc", "libstdc++", "libwinpthread"}) {
            EXPECT_EQ(name.find(runtime), std::string::npos);
        }
    }
    EXPECT_GT(count, 0);
}

TEST(Resources, TheVersionInformationIsJapanese) {
    const std::string path = BuiltPluginPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(static_cast<const WORD*>(value)[0], 0x411);
    EXPECT_EQ(static_cast<const WORD*>(value)[1], 1200);

    const struct {
        const char* key;
        const char* utf8;
    } strings[] = {
        {"FileDescription", "ベラムテキスト変換。(UTF-8で出力)"},
        {"FileVersion", "0.0.0.0"},
        {"OriginalFilename", "VellumText.dll"},
    };
    for (const auto& s : strings) {
        SCOPED_TRACE(s.key);
        const std::string query = std::string("\\StringFileInfo\\041104b0\\") + s.key;
        ASSERT_TRUE(VerQueryValueA(data.data(), query.c_str(), &value, &length));
        EXPECT_EQ(std::string(static_cast<const char*>(value)), Cp932(s.utf8));
    }
}

TEST(PluginInfo, FillsTheFourTextsAndLeavesTheBytesAfterEachTerminator) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    HostPluginInfo info;
    std::memset(&info, 0xA5, sizeof info);
    EXPECT_EQ(plugin.Exports().OnPlugInInfo(&info), 0);

    const struct {
        const char* field;
        std::size_t size;
        const char* utf8;
    } fields[] = {
        {info.name, sizeof info.name, "ベラムテキスト変換(UTF-8)"},
        {info.vendor, sizeof info.vendor, "ベラム"},
        {info.version, sizeof info.version, "0.0.0.0"},
        {info.description, sizeof info.description, "ベラムテキスト変換。(UTF-8で出力)"},
    };
    for (const auto& field : fields) {
        SCOPED_TRACE(field.utf8);
        const std::string expected = Cp932(field.utf8);
        ASSERT_LT(expected.size(), field.size);
        EXPECT_EQ(std::string(field.field, expected.size()), expected);
        EXPECT_EQ(field.field[expected.size()], '\0');
        for (std::size_t i = expected.size() + 1; i < field.size; ++i) {
            ASSERT_EQ(static_cast<unsigned char>(field.field[i]), 0xA5u) << "byte " << i;
        }
    }
}

TEST(ForwardedExports, ReturnTheLogicsResults) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    const PluginExports& e = plugin.Exports();
    int flags = 0;
    int action = 0;
    EXPECT_EQ(e.OnStart(), 0);
    EXPECT_EQ(e.OnOpenFolder("1234abcd\\"), 0);
    EXPECT_EQ(e.OnOpenMail("1234abcd\\0001"), 0);
    EXPECT_EQ(e.OnEveryMinute(), 0);
    EXPECT_EQ(e.OnOpenCompose(nullptr, 1), 0);
    EXPECT_EQ(e.OnOutgoing(nullptr, 0), 0);
    EXPECT_EQ(e.OnKeyDispatch(nullptr, 'A', 0), 0);
    EXPECT_EQ(e.OnRetrieve("msg", "mailbox"), 0);
    EXPECT_EQ(e.OnSend("msg"), 0);
    EXPECT_EQ(e.OnFinishRetrieve(3), 0);
    EXPECT_EQ(e.OnDragDrop("a", "b", 0, 0), 0);
    EXPECT_EQ(e.OnBeforeFilter2("msg", "mailbox", &flags, &action), 0);
    EXPECT_EQ(e.OnExit(), 0);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(action, 0);
}

class MenuInit : public ::testing::Test {
protected:
    void SetUp() override {
        ResetHostCalls();
        menu_ = CreatePopupMenu();
        for (UINT i = 0; i < 25; ++i) {
            AppendMenuA(menu_, MF_STRING, 100 + i, ("Item " + std::to_string(i)).c_str());
        }
        ASSERT_TRUE(plugin_.Loaded());
        ResetHostCalls();  // the binding at load asked for the version
    }
    void TearDown() override { DestroyMenu(menu_); }

    std::string ItemText(int position) const {
        char text[256] = {};
        GetMenuStringA(menu_, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
        return text;
    }

    LoadedPlugin plugin_;
    HMENU menu_ = nullptr;
};

TEST_F(MenuInit, OtherMenuTypesGetNothing) {
    for (int type : {0, 1, 3}) {
        SCOPED_TRACE(type);
        EXPECT_EQ(plugin_.Exports().OnMenuInit(nullptr, menu_, type), 0);
        EXPECT_TRUE(Host().calls.empty());
        EXPECT_EQ(GetMenuItemCount(menu_), 25);
    }
}

TEST_F(MenuInit, TheMainMenuGetsTheCommandAtPosition22) {
    EXPECT_EQ(plugin_.Exports().OnMenuInit(nullptr, menu_, 2), 1);
    EXPECT_EQ(Host().calls, (std::vector<std::string>{"BKA_RegisterCommand", "BKA_RegisterUICallback"}));
    ASSERT_EQ(Host().commands.size(), 1u);
    const CommandRegistration& command = Host().commands[0];
    EXPECT_EQ(command.comment, Cp932("ベラムテキスト変換。UTF-8で出力します。"));
    EXPECT_EQ(command.target, 2);
    EXPECT_NE(command.callback, nullptr);

    ASSERT_EQ(GetMenuItemCount(menu_), 26);
    EXPECT_EQ(GetMenuItemID(menu_, 22), command.commandId);
    EXPECT_EQ(ItemText(22), Cp932("ベラムテキスト変換(UTF-8)"));
    MENUITEMINFOA item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoA(menu_, 22, TRUE, &item));
    EXPECT_EQ(item.fType, static_cast<UINT>(MFT_STRING));
    EXPECT_EQ(ItemText(21), "Item 21");
    EXPECT_EQ(ItemText(23), "Item 22");

    ASSERT_EQ(Host().uiCallbacks.size(), 1u);
    EXPECT_EQ(Host().uiCallbacks[0].commandId, command.commandId);
    ASSERT_NE(Host().uiCallbacks[0].callback, nullptr);
    EXPECT_EQ(Host().uiCallbacks[0].callback(nullptr, 0), 0);
    EXPECT_EQ(Host().uiCallbacks[0].callback(GetDesktopWindow(), 12345), 0);
}

TEST_F(MenuInit, EveryCallRegistersAndInsertsAnew) {
    EXPECT_EQ(plugin_.Exports().OnMenuInit(nullptr, menu_, 2), 1);
    EXPECT_EQ(plugin_.Exports().OnMenuInit(nullptr, menu_, 2), 1);
    ASSERT_EQ(Host().commands.size(), 2u);
    ASSERT_EQ(Host().uiCallbacks.size(), 2u);
    EXPECT_NE(Host().commands[0].commandId, Host().commands[1].commandId);
    for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(Host().uiCallbacks[i].commandId, Host().commands[i].commandId);
    // The second insertion at 22 pushes the first item down by one.
    ASSERT_EQ(GetMenuItemCount(menu_), 27);
    EXPECT_EQ(GetMenuItemID(menu_, 22), Host().commands[1].commandId);
    EXPECT_EQ(GetMenuItemID(menu_, 23), Host().commands[0].commandId);
    EXPECT_EQ(ItemText(22), ItemText(23));
}

TEST(Reload, UnloadingAndLoadingAgainBindsAnew) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    plugin.Unload();
    ResetHostCalls();
    ASSERT_TRUE(plugin.Load());
    EXPECT_EQ(Host().calls, std::vector<std::string>{"BKA_GetVersion"});
    HostPluginInfo info{};
    EXPECT_EQ(plugin.Exports().OnPlugInInfo(&info), 0);
    EXPECT_EQ(std::string(info.name), Cp932("ベラムテキスト変換(UTF-8)"));
    plugin.Unload();
    ASSERT_TRUE(plugin.Load());
    EXPECT_EQ(plugin.Exports().OnStart(), 0);
}

}  // namespace
}  // namespace vellum::testhost
