// The platform layer on the real Windows API (under Wine in code page 932): code pages, the
// Shift_JIS-aware path rules, files, settings and the message box.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../host/test_support.h"
#include "../host/window_driver.h"

// <windows.h> maps this name to the win.ini function WriteProfileStringA.
#undef WriteProfileString
#include "platform/platform.h"

namespace vellum::testhost {
namespace {

namespace platform = vellum::platform;

// Shift_JIS characters whose second byte is 0x5C, the byte of "\".
const std::string kSo = "\x83\x5C";     // ソ
const std::string kHyou = "\x95\x5C";   // 表
const std::string kYo = "\x97\x5C";     // 予

TEST(CodePages, ConvertWithExplicitLengths) {
    EXPECT_EQ(platform::Utf8ToWide(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
    EXPECT_EQ(platform::Utf8ToWide("日本"), u"日本");
    EXPECT_EQ(platform::Utf8ToWide(""), u"");
    EXPECT_EQ(platform::AnsiToWide(kSo + kHyou), u"ソ表");
    EXPECT_EQ(platform::AnsiToWide(std::string("x\0y", 3)), std::u16string(u"x\0y", 3));
    EXPECT_EQ(platform::AnsiToWide(""), u"");
    // ① is a Windows-only cell of code page 932.
    EXPECT_EQ(platform::WideToThreadAnsi(u"ソ表①"), kSo + kHyou + "\x87\x40");
    EXPECT_EQ(platform::WideToThreadAnsi(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(platform::WideToThreadAnsi(u""), "");
}

TEST(Paths, EndsWithSeparatorLooksAtTheLastCharacter) {
    const struct {
        std::string path;
        bool ends;
    } cases[] = {
        {"", false},           {"a\\", true},          {"a/", true},      {"a", false},
        {"C:", false},         {kSo, false},           {"D:\\" + kSo, false},
        {kSo + "\\", true},    {"\\", true},           {kHyou + "/", true},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::EndsWithSeparator(c.path), c.ends) << c.path;
}

TEST(Paths, JoinPathInsertsOneSeparatorWhereNeeded) {
    const struct {
        std::string folder, name, joined;
    } cases[] = {
        {"D:\\Mail\\", "box1\\inbox\\", "D:\\Mail\\box1\\inbox\\"},
        {"D:\\Mail", "box1\\inbox\\", "D:\\Mail\\box1\\inbox\\"},
        {"D:/Mail/", "box1\\", "D:/Mail/box1\\"},
        {"", "box1\\", "box1\\"},
        {"D:\\" + kSo, "x", "D:\\" + kSo + "\\x"},
        {"D:\\" + kSo + "\\", "x", "D:\\" + kSo + "\\x"},
        {"D:\\Mail\\", "", "D:\\Mail\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::JoinPath(c.folder, c.name), c.joined) << c.folder << " + " << c.name;
}

TEST(Paths, LastPathComponentKeepsATrailingSeparator) {
    const struct {
        std::string path, component;
    } cases[] = {
        {"D:\\Mail\\box1\\inbox\\", "inbox\\"},
        {"D:\\Mail\\", "Mail\\"},
        {"box1\\inbox", "inbox"},
        {"D:\\x/y", "y"},
        {"C:name", "name"},
        {"a\\\\b", "b"},
        {"a\\\\", "a\\\\"},
        {"\\", "\\"},
        {"", ""},
        {"abc", "abc"},
        {"D:\\Mail\\box1\\" + kSo + "\x83\x74\x83\x67\\", kSo + "\x83\x74\x83\x67\\"},
        {"D:\\" + kYo + "\x92\xE8" + kHyou + "\\", kYo + "\x92\xE8" + kHyou + "\\"},
        {"a" + kSo + "b", "a" + kSo + "b"},
        {"D:\\" + kSo + kSo, kSo + kSo},
    };
    for (const auto& c : cases) EXPECT_EQ(platform::LastPathComponent(c.path), c.component) << c.path;
}

class Files : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return scratch_.Path() + name; }
    ScratchFolder scratch_;
};

TEST_F(Files, TheStatusQueryAcceptsAPathEndingInByte5C) {
    const std::string so = Path(kSo);
    ASSERT_TRUE(CreateDirectoryA(so.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(Path("file.txt"), "x"));
    const struct {
        std::string path;
        bool exists, directory;
    } cases[] = {
        {so, true, true},                   // its last byte is 0x5C
        {so + "\\", true, true},
        {scratch_.Path(), true, true},
        {Path("file.txt"), true, false},
        {Path("missing"), false, false},
        {"", false, false},
        {Path("file.txt") + std::string("\0", 1), false, false},
        {Path("file.txt") + std::string("\0.zip", 5), false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::PathExists(c.path), c.exists) << c.path;
        EXPECT_EQ(platform::IsDirectory(c.path), c.directory) << c.path;
    }
}

TEST_F(Files, CreateFoldersMakesTheParentsAndListSubfoldersFindsThem) {
    const std::string deep = Path("a\\" + kSo + "\\b");
    EXPECT_TRUE(platform::CreateFolders(deep));
    EXPECT_TRUE(platform::IsDirectory(deep));
    EXPECT_TRUE(platform::CreateFolders(deep + "\\"));  // already there
    ASSERT_TRUE(WriteFileBytes(Path("a\\file.txt"), "x"));
    EXPECT_EQ(platform::ListSubfolders(scratch_.Path()), std::vector<std::string>{"a"});
    EXPECT_EQ(platform::ListSubfolders(Path("a")), std::vector<std::string>{kSo});
    EXPECT_EQ(platform::ListSubfolders(Path("a\\") + kSo), std::vector<std::string>{"b"});
    EXPECT_TRUE(platform::ListSubfolders(Path("missing")).empty());
    EXPECT_FALSE(platform::CreateFolders(Path("a\\file.txt\\sub")));
    EXPECT_FALSE(platform::CreateFolders(""));
}

TEST_F(Files, FindFilesListsThePatternsMatches) {
    for (const char* name : {"a.bmf", "B.BMF", "c.idx", "x.txt", "a.bmf.bak"}) ASSERT_TRUE(WriteFileBytes(Path(name), ""));
    ASSERT_TRUE(CreateDirectoryA(Path("sub.bmf").c_str(), nullptr));
    std::vector<std::pair<std::string, bool>> found;
    for (const platform::FoundFile& file : platform::FindFiles(scratch_.Path(), "bmf")) found.emplace_back(file.name, file.isDirectory);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::pair<std::string, bool>>{{"B.BMF", false}, {"a.bmf", false}, {"sub.bmf", true}}));

    ASSERT_EQ(platform::FindFiles(scratch_.Path(), "idx").size(), 1u);
    EXPECT_EQ(platform::FindFiles(scratch_.Path(), "idx")[0].name, "c.idx");
    // The prefix is part of the pattern: no separator is added.
    EXPECT_EQ(platform::FindFiles(scratch_.Path() + "a", "bmf").size(), 1u);
    EXPECT_TRUE(platform::FindFiles(Path("missing\\"), "bmf").empty());
}

TEST_F(Files, AnInputFileReadsRawBytesShared) {
    const std::string content("line\r\nnext\0zero\x83\x5C", 18);
    ASSERT_TRUE(WriteFileBytes(Path("in.bmf"), content));
    auto file = platform::OpenInputFile(Path("in.bmf"));
    ASSERT_NE(file, nullptr);

    // The host may go on writing and even deleting its file while it is read.
    const HANDLE writer = CreateFileA(Path("in.bmf").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(writer, INVALID_HANDLE_VALUE);
    CloseHandle(writer);

    std::string read;
    char buffer[5];
    for (std::size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;) read.append(buffer, n);
    EXPECT_EQ(read, content);
    EXPECT_EQ(file->Read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(DeleteFileA(Path("in.bmf").c_str()));
}

TEST_F(Files, AnInputFileDoesNotOpenWhatIsNoFile) {
    ASSERT_TRUE(WriteFileBytes(Path("in.bmf"), "x"));
    ASSERT_TRUE(CreateDirectoryA(Path("dir").c_str(), nullptr));
    for (const std::string& path : {Path("dir"), Path("dir\\"), Path("missing.bmf"), std::string(),
                                    Path("in.bmf") + std::string("\0", 1), Path("in.bmf") + std::string("\0x", 2)}) {
        EXPECT_EQ(platform::OpenInputFile(path), nullptr) << path;
    }
}

TEST_F(Files, AnOutputFileReplacesItsTargetOnlyWhenCommitted) {
    const std::string target = Path(kSo + "doc.REN");  // a name whose first character ends in 0x5C
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    {
        auto output = platform::CreateOutputFile(target);
        ASSERT_NE(output, nullptr);
        EXPECT_TRUE(output->Write("new ", 4));
        EXPECT_TRUE(output->Write("text", 4));
        EXPECT_EQ(ReadFileBytes(target), "old");
        EXPECT_TRUE(output->Commit());
    }
    EXPECT_EQ(ReadFileBytes(target), "new text");
    {
        auto output = platform::CreateOutputFile(target);
        ASSERT_NE(output, nullptr);
        EXPECT_TRUE(output->Write("discarded", 9));
    }
    EXPECT_EQ(ReadFileBytes(target), "new text");
    // Nothing left behind but the target.
    int entries = 0;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((scratch_.Path() + "*").c_str(), &entry);
    do {
        if (std::string(entry.cFileName) != "." && std::string(entry.cFileName) != "..") ++entries;
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    EXPECT_EQ(entries, 1);
}

TEST_F(Files, AScratchFileReadsBackWhatWasWrittenAndLeavesNothing) {
    {
        auto scratch = platform::CreateScratchFile(scratch_.Path());
        ASSERT_NE(scratch, nullptr);
        EXPECT_TRUE(scratch->Write("first ", 6));
        EXPECT_TRUE(scratch->Write(std::string("\0second", 7).data(), 7));
        EXPECT_TRUE(scratch->Rewind());
        std::string read;
        char buffer[4];
        for (std::size_t n; (n = scratch->Read(buffer, sizeof buffer)) > 0;) read.append(buffer, n);
        EXPECT_EQ(read, std::string("first \0second", 13));
    }
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((scratch_.Path() + "*.tmp").c_str(), &entry);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << entry.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_EQ(platform::CreateScratchFile(Path("missing")), nullptr);
}

TEST_F(Files, AnOutputFileNeedsItsFolder) {
    EXPECT_EQ(platform::CreateOutputFile(Path("missing\\doc.REN")), nullptr);
    EXPECT_EQ(platform::CreateOutputFile(""), nullptr);
    EXPECT_EQ(platform::CreateOutputFile(Path("doc.REN") + std::string("\0", 1)), nullptr);
}

TEST_F(Files, ProfileStringsGoThroughTheSystemsIniFiles) {
    const std::string ini = Path("VellumText.ini");
    EXPECT_EQ(platform::ReadProfileString(ini, "OutputPath", "Default"), "");
    ASSERT_TRUE(platform::WriteProfileString(ini, "OutputPath", "Default", "D:\\" + kSo));
    EXPECT_EQ(platform::ReadProfileString(ini, "OutputPath", "Default"), "D:\\" + kSo);
    char raw[64] = {};
    GetPrivateProfileStringA("OutputPath", "Default", "", raw, sizeof raw, ini.c_str());
    EXPECT_EQ(std::string(raw), "D:\\" + kSo);
    ASSERT_TRUE(platform::WriteProfileString(ini, "OutputPath", "Default", std::string(300, 'v')));
    EXPECT_EQ(platform::ReadProfileString(ini, "OutputPath", "Default"), std::string(259, 'v'));
    EXPECT_FALSE(platform::WriteProfileString(Path("missing\\x.ini"), "OutputPath", "Default", "x"));
}

// The tests' own scratch folders must go too, Shift_JIS names and all.
TEST(ScratchFolders, GoWithEverythingInThem) {
    std::string path;
    {
        ScratchFolder scratch;
        path = scratch.Path();
        ASSERT_TRUE(CreateDirectoryA((path + kSo).c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((path + kSo + "\\" + kHyou).c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(path + kSo + "\\" + kHyou + "\\file", "x"));
        ASSERT_TRUE(WriteFileBytes(path + kSo + "x", "x"));
    }
    EXPECT_FALSE(FileExists(path));
}

TEST(Settings, WithoutTheLibraryTheFileLiesBesideTheExecutable) {
    EXPECT_EQ(platform::SettingsFilePath(), ExeFolder() + "VellumText.ini");
}

TEST(Settings, TheDesktopIsTheShells) {
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOP, FALSE));
    EXPECT_EQ(platform::DesktopFolder(), desktop);
}

TEST(Messages, ShowMessageUsesARealMessageBox) {
    std::vector<MessageBoxSeen> seen;
    LONG style = 0;
    {
        WindowDriver driver([&](HWND box) {
            seen.push_back(ReadMessageBox(box));
            style = GetWindowLongA(box, GWL_STYLE);
            EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
            EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
            EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
            Press(box, IDOK);
        });
        platform::ShowMessage("出力しました。\n", "C:\\out\\" + kSo + ".REN", "ベラムテキスト変換(UTF-8)");
    }
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, Cp932("出力しました。\n") + "C:\\out\\" + kSo + ".REN");
    EXPECT_EQ(seen[0].caption, Cp932("ベラムテキスト変換(UTF-8)"));
}

TEST(Terminal, PathsComeOutAsUtf8) {
    EXPECT_EQ(platform::PathToUtf8("C:\\" + kSo + kHyou), "C:\\ソ表");
    const std::string full = platform::FullPath(".");
    ASSERT_GE(full.size(), 3u);
    EXPECT_EQ(full.substr(1, 2), ":\\");
}

}  // namespace
}  // namespace vellum::testhost
