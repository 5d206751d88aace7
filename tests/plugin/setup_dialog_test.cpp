// The setup entry: the output-folder dialog driven as a user drives it, and the settings file
// that its OK writes beside the library.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "../host/test_support.h"
#include "../host/window_driver.h"

namespace vellum::testhost {
namespace {

constexpr int kEdit = 1001;
constexpr int kBrowse = 1002;

std::string DesktopFolder() {
    char folder[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, folder, CSIDL_DESKTOP, FALSE);
    return folder;
}

std::string StoredValue(const std::string& settingsFile, bool* present = nullptr) {
    char value[1024] = {};
    // A default that no stored value equals tells a missing key from an empty one.
    GetPrivateProfileStringA("OutputPath", "Default", "\x01missing", value, sizeof value, settingsFile.c_str());
    if (present != nullptr) *present = std::string(value) != "\x01missing";
    return value;
}

// Shows the dialog's owner at a known place, so that the dialog's own place can be checked.
class OwnerWindow {
public:
    OwnerWindow() {
        window_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 90, 640, 400, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~OwnerWindow() { DestroyWindow(window_); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};

int OpenSetup(const LoadedPlugin& plugin, HWND owner, const std::function<void(HWND)>& handler) {
    WindowDriver driver(handler);
    return plugin.Exports().OnPlugInSetup(owner);
}

class SetupDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(plugin_.Loaded()); }

    int Open(const std::function<void(HWND)>& handler) { return OpenSetup(plugin_, owner_.Handle(), handler); }

    // Opens the dialog, types `text` into the folder field and presses `button`.
    int TypeAndPress(const std::string& text, int button) {
        return Open([&](HWND dialog) {
            SetDlgItemTextA(dialog, kEdit, text.c_str());
            Press(dialog, button);
        });
    }

    // What the library holds as its output folder: a command run names it when it is missing.
    std::string OutputFolderSeenByACommand() {
        const HMENU menu = CreatePopupMenu();
        ResetHostCalls();
        plugin_.Exports().OnMenuInit(nullptr, menu, 2);
        DestroyMenu(menu);
        Host().dataFolder = scratch_.Path() + "no mail";
        Host().currentFolder = "inbox\\";
        std::string seen;
        WindowDriver driver([&](HWND box) {
            seen = ReadMessageBox(box).text;
            Press(box, IDOK);
        });
        Host().commands.at(0).callback(nullptr, 0);
        const std::string prefix = Cp932("出力フォルダが存在しません。\n");
        return seen.compare(0, prefix.size(), prefix) == 0 ? seen.substr(prefix.size()) : "(run went on: " + seen + ")";
    }

    ScratchFolder scratch_;
    LoadedPlugin plugin_;
    OwnerWindow owner_;
};

TEST_F(SetupDialog, ShowsTheTemplatesWindowAndControls) {
    bool checked = false;
    const int result = Open([&](HWND dialog) {
        checked = true;
        EXPECT_EQ(WindowText(dialog), Cp932("ベラムテキスト変換(UTF-8)出力先設定"));
        const LONG style = GetWindowLongA(dialog, GWL_STYLE);
        for (LONG bit : {LONG(WS_POPUP), LONG(WS_CAPTION), LONG(WS_SYSMENU), LONG(DS_MODALFRAME)}) {
            EXPECT_EQ(style & bit, bit) << std::hex << bit;
        }
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner_.Handle());

        // Placed at (0, 0) of its owner's client area, 393 by 73 dialog units. The system moves a
        // dialog only to keep it on the screen: a font so wide that the dialog cannot fit beside
        // the owner (as a CJK fallback font can make it under Wine) leaves nothing to check.
        POINT dialogOrigin{0, 0};
        POINT ownerOrigin{0, 0};
        ClientToScreen(dialog, &dialogOrigin);
        ClientToScreen(owner_.Handle(), &ownerOrigin);
        RECT window{};
        GetWindowRect(dialog, &window);
        RECT work{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        if (ownerOrigin.x + (window.right - window.left) + 16 <= work.right) {
            EXPECT_EQ(dialogOrigin.x, ownerOrigin.x);
            EXPECT_EQ(dialogOrigin.y, ownerOrigin.y);
        } else {
            std::printf("note: the dialog (%ld pixels wide) does not fit beside its owner; place not checked\n",
                        window.right - window.left);
        }
        RECT size{0, 0, 393, 73};
        MapDialogRect(dialog, &size);
        RECT client{};
        GetClientRect(dialog, &client);
        EXPECT_EQ(client.right, size.right);
        EXPECT_EQ(client.bottom, size.bottom);

        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_STREQ(font.lfFaceName, "MS Shell Dlg");
        EXPECT_EQ(font.lfWeight, 400);
        EXPECT_EQ(font.lfItalic, 0);
        EXPECT_EQ(font.lfCharSet, 1);

        const struct {
            int id;
            const char* className;
            const char* textUtf8;
            int x, y, width, height;
            LONG styles;
            LONG kind;  // the low bits of the style that say which kind of button or text
        } controls[] = {
            {IDOK, "Button", "OK", 285, 52, 50, 14, WS_VISIBLE | WS_TABSTOP, BS_DEFPUSHBUTTON},
            {IDCANCEL, "Button", "キャンセル", 336, 52, 50, 14, WS_VISIBLE | WS_TABSTOP, BS_PUSHBUTTON},
            {kEdit, "Edit", nullptr, 24, 29, 311, 14, WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, ES_LEFT},
            {kBrowse, "Button", "…", 335, 29, 20, 14, WS_VISIBLE | WS_TABSTOP, BS_PUSHBUTTON},
            {0xFFFF, "Static", "ベラムテキスト出力先", 24, 17, 65, 8, WS_VISIBLE | WS_GROUP, SS_LEFT},
        };
        // In creation order, which is also the tab order.
        HWND control = GetWindow(dialog, GW_CHILD);
        for (const auto& expected : controls) {
            SCOPED_TRACE(expected.id);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(GetDlgCtrlID(control) & 0xFFFF, expected.id);
            char className[32] = {};
            GetClassNameA(control, className, sizeof className);
            EXPECT_STRCASEEQ(className, expected.className);
            if (expected.textUtf8 != nullptr) {
                EXPECT_EQ(WindowText(control), Cp932(expected.textUtf8));
            }
            const LONG controlStyle = GetWindowLongA(control, GWL_STYLE);
            EXPECT_EQ(controlStyle & expected.styles, expected.styles);
            EXPECT_EQ(controlStyle & 0x0F, expected.kind);
            if (expected.id == kEdit) {
                // The system turns an edit field's border into the sunken client edge.
                const LONG extended = GetWindowLongA(control, GWL_EXSTYLE);
                EXPECT_TRUE((controlStyle & WS_BORDER) != 0 || (extended & WS_EX_CLIENTEDGE) != 0);
            }
            // Place and size are mapped each on its own, as the dialog manager does.
            RECT designed{expected.x, expected.y, expected.width, expected.height};
            MapDialogRect(dialog, &designed);
            RECT actual{};
            GetWindowRect(control, &actual);
            MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&actual), 2);
            EXPECT_EQ(actual.left, designed.left);
            EXPECT_EQ(actual.top, designed.top);
            EXPECT_EQ(actual.right - actual.left, designed.right);
            EXPECT_EQ(actual.bottom - actual.top, designed.bottom);
            control = GetWindow(control, GW_HWNDNEXT);
        }
        EXPECT_EQ(control, nullptr) << "more controls than designed";

        // Without a settings file the field shows the desktop folder.
        EXPECT_EQ(WindowText(GetDlgItem(dialog, kEdit)), DesktopFolder());
        Press(dialog, IDCANCEL);
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(result, 1);
}

TEST_F(SetupDialog, TheTemplateIsJapanese) {
    EXPECT_NE(FindResourceExA(plugin_.Module(), MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(101),
                              MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT)),
              nullptr);
}

TEST_F(SetupDialog, OkStoresTheTypedFolderBesideTheLibrary) {
    const std::string typed = scratch_.Path() + Cp932("出力先") + "\\typed";
    EXPECT_EQ(TypeAndPress(typed, IDOK), 1);
    EXPECT_EQ(StoredValue(plugin_.SettingsBeside()), typed);
    EXPECT_FALSE(FileExists(ExeFolder() + "VellumText.ini"));
    const std::string file = ReadFileBytes(plugin_.SettingsBeside());
    EXPECT_NE(file.find("[OutputPath]"), std::string::npos) << file;
    EXPECT_NE(file.find("Default=" + typed), std::string::npos) << file;

    // The library holds it too: a later change of the file does not reach the next command.
    WritePrivateProfileStringA("OutputPath", "Default", "Z:\\changed", plugin_.SettingsBeside().c_str());
    EXPECT_EQ(OutputFolderSeenByACommand(), typed);
}

TEST_F(SetupDialog, TheFieldShowsTheStoredFolder) {
    const std::string stored = "Z:\\stored\\" + Cp932("表");
    WritePrivateProfileStringA("OutputPath", "Default", stored.c_str(), plugin_.SettingsBeside().c_str());
    std::string shown;
    Open([&](HWND dialog) {
        shown = WindowText(GetDlgItem(dialog, kEdit));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(shown, stored);
}

TEST_F(SetupDialog, CancelStoresNothing) {
    const std::string stored = scratch_.Path() + "stored";
    WritePrivateProfileStringA("OutputPath", "Default", stored.c_str(), plugin_.SettingsBeside().c_str());
    const std::string before = ReadFileBytes(plugin_.SettingsBeside());
    EXPECT_EQ(TypeAndPress("Z:\\typed but cancelled", IDCANCEL), 1);
    EXPECT_EQ(ReadFileBytes(plugin_.SettingsBeside()), before);
    EXPECT_EQ(OutputFolderSeenByACommand(), stored);
}

TEST_F(SetupDialog, ATyped300BytePathIsStoredAsItsFirst255Bytes) {
    const std::string typed = "Z:\\" + std::string(297, 'p');
    ASSERT_EQ(typed.size(), 300u);
    EXPECT_EQ(TypeAndPress(typed, IDOK), 1);
    EXPECT_EQ(StoredValue(plugin_.SettingsBeside()), typed.substr(0, 255));
    EXPECT_EQ(OutputFolderSeenByACommand(), typed.substr(0, 255));
}

TEST_F(SetupDialog, AnEmptyFieldIsStoredEmptyAndTheDesktopComesBack) {
    EXPECT_EQ(TypeAndPress("", IDOK), 1);
    bool present = false;
    EXPECT_EQ(StoredValue(plugin_.SettingsBeside(), &present), "");
    EXPECT_TRUE(present);
    std::string shown;
    Open([&](HWND dialog) {
        shown = WindowText(GetDlgItem(dialog, kEdit));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(shown, DesktopFolder());
}

// The folder browser opens over the dialog with the stored folder selected, whatever is typed.
TEST_F(SetupDialog, TheBrowserStartsFromTheStoredFolder) {
    // A folder whose parents stay unchanged meanwhile: the browser finds the stored folder by
    // walking its tree, whose items carry the folders' times, so a parent that changes between
    // parsing the path and listing the parent (the shared temporary folder) loses the selection.
    char windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string stored = windows;
    WritePrivateProfileStringA("OutputPath", "Default", stored.c_str(), plugin_.SettingsBeside().c_str());
    const std::string before = ReadFileBytes(plugin_.SettingsBeside());

    HWND setup = nullptr;
    HWND browserOwner = nullptr;
    bool titleShown = false;
    std::string fieldAfterBrowsing;
    int step = 0;
    const int result = Open([&](HWND window) {
        switch (step++) {
            case 0:
                setup = window;
                SetDlgItemTextA(window, kEdit, "Z:\\typed elsewhere");
                Press(window, kBrowse);
                break;
            case 1: {
                browserOwner = GetWindow(window, GW_OWNER);
                for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
                    titleShown = titleShown || WindowText(child) == Cp932("フォルダを選択してください");
                }
                Press(window, IDOK);
                break;
            }
            default:
                fieldAfterBrowsing = WindowText(GetDlgItem(window, kEdit));
                Press(window, IDCANCEL);
                break;
        }
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(step, 3);
    EXPECT_EQ(browserOwner, setup);
    EXPECT_TRUE(titleShown);
    EXPECT_EQ(fieldAfterBrowsing, stored);
    // Cancel after picking: nothing stored.
    EXPECT_EQ(ReadFileBytes(plugin_.SettingsBeside()), before);
}

TEST_F(SetupDialog, ACancelledBrowserLeavesTheField) {
    std::string fieldAfterBrowsing;
    int step = 0;
    Open([&](HWND window) {
        switch (step++) {
            case 0:
                SetDlgItemTextA(window, kEdit, "Z:\\typed");
                Press(window, kBrowse);
                break;
            case 1:
                Press(window, IDCANCEL);
                break;
            default:
                fieldAfterBrowsing = WindowText(GetDlgItem(window, kEdit));
                Press(window, IDOK);
                break;
        }
    });
    EXPECT_EQ(step, 3);
    EXPECT_EQ(fieldAfterBrowsing, "Z:\\typed");
    EXPECT_EQ(StoredValue(plugin_.SettingsBeside()), "Z:\\typed");
}

TEST(SettingsFile, UnderAnotherFileNameItLivesBesideTheHost) {
    const std::string besideHost = ExeFolder() + "VellumText.ini";
    DeleteFileA(besideHost.c_str());
    {
        LoadedPlugin other("Other.dll");
        ASSERT_TRUE(other.Loaded());
        OwnerWindow owner;
        EXPECT_EQ(OpenSetup(other, owner.Handle(),
                            [](HWND dialog) {
                                SetDlgItemTextA(dialog, kEdit, "Z:\\from another name");
                                Press(dialog, IDOK);
                            }),
                  1);
        EXPECT_FALSE(FileExists(other.SettingsBeside()));
    }
    EXPECT_EQ(StoredValue(besideHost), "Z:\\from another name");
    DeleteFileA(besideHost.c_str());
}

}  // namespace
}  // namespace vellum::testhost
