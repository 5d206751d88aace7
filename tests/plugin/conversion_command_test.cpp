// The menu command as the user starts it: the host's two folder strings, one conversion run of a
// real folder, the document it writes and the message boxes it shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../host/host_services.h"
#include "../host/loaded_plugin.h"
#include "../host/test_support.h"
#include "../host/window_driver.h"

namespace vellum::testhost {
namespace {

// ソフト: its first character, 0x83 0x5C, ends in the byte of "\".
const std::string kSoftFolder = "\x83\x5C\x83\x74\x83\x67";
// The document's name: the folder's name with every 0x5C byte taken out, then ".REN".
const std::string kSoftDocument = "\x83\x83\x74\x83\x67.REN";

std::string Field(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "\x01" : "") + fields[i];
    return line;
}

// One index line of 20 fields: key, message file stem, subject, sender, recipients, message ID,
// and the two charsets at 16 and 19.
std::string IndexLine(const std::string& key, const std::string& stem, const std::string& subject) {
    std::vector<std::string> fields(20);
    fields[0] = "00000000";
    fields[1] = key;
    fields[2] = stem;
    fields[3] = subject;
    fields[4] = "Taro Yamada <taro@example.jp>";
    fields[5] = "hanako@example.jp";
    fields[6] = "<" + key + "@example.jp>";
    fields[16] = "shift_jis";
    fields[19] = "shift_jis";
    return Field(fields) + "\r\n";
}

std::string Message(const std::string& key, const std::string& body) {
    return "From: taro@example.jp\r\n"
           "Date: Tue, 4 Feb 2020 18:15:00 +0900\r\n"
           "X-Becky-Status: a,b,c,d,e," + key + ",g\r\n"
           "\r\n" + body + "\r\n"
           ".\r\n";
}

// The record the run writes for IndexLine and Message above (UTF-8, CR LF).
std::string Record(const std::string& key, const std::string& subjectUtf8, const std::string& bodyUtf8) {
    return "#S\r\n#W80\r\n#T" + subjectUtf8 + "\r\n"
           "#Ktaro@example.jp＠差出人\r\n"
           "#KTaroYamada＠氏名\r\n"
           "#Khanako@example.jp＠受取人\r\n"
           "#K2020/02/04\r\n"
           "#K2020/02/04 18:15:00＠送信日時\r\n"
           "#K" + key + "@example.jp＠ＩＤ\r\n" +
           bodyUtf8 + "\r\n\r\n#E\r\n\r\n";
}

class ConversionCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(plugin_.Loaded());
        dataFolder_ = scratch_.Path() + "Mail";  // no trailing separator: the command adds one
        outputFolder_ = scratch_.Path() + "out";
        for (const std::string& folder : {dataFolder_, dataFolder_ + "\\box1", dataFolder_ + "\\box1\\" + kSoftFolder,
                                          dataFolder_ + "\\box1\\inbox", outputFolder_}) {
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        }
        // 会議の件 / 本文一行目 in code page 932, which the index's charset name leaves as it is.
        MakeMailFolder(dataFolder_ + "\\box1\\" + kSoftFolder + "\\", "K1", Cp932("会議の件"), Cp932("本文一行目"));
        MakeMailFolder(dataFolder_ + "\\box1\\inbox\\", "K2", "Hello", "second folder");
        ASSERT_TRUE(StoreOutputFolder(outputFolder_));

        const HMENU menu = CreatePopupMenu();
        ResetHostCalls();
        ASSERT_EQ(plugin_.Exports().OnMenuInit(nullptr, menu, 2), 1);
        DestroyMenu(menu);
        command_ = Host().commands.at(0).callback;
        Host().dataFolder = dataFolder_;
        Host().currentFolder = "box1\\" + kSoftFolder + "\\";
    }

    static void MakeMailFolder(const std::string& folder, const std::string& key, const std::string& subject,
                               const std::string& body) {
        ASSERT_TRUE(WriteFileBytes(folder + "Folder.idx", IndexLine(key, "1", subject)));
        ASSERT_TRUE(WriteFileBytes(folder + "1.bmf", Message(key, body)));
    }

    bool StoreOutputFolder(const std::string& folder) const {
        return WritePrivateProfileStringA("OutputPath", "Default", folder.c_str(), plugin_.SettingsBeside().c_str());
    }

    // Runs the command as the host does, answering every message box with OK.
    int RunCommand() {
        ResetHostCalls();
        boxes_.clear();
        WindowDriver driver([&](HWND box) {
            boxes_.push_back(ReadMessageBox(box));
            Press(box, IDOK);
        });
        return command_(nullptr, 0);
    }

    void ExpectOneBox(const std::string& textUtf8, const std::string& path, const std::string& captionUtf8) const {
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].text, Cp932(textUtf8) + path);
        EXPECT_EQ(boxes_[0].caption, Cp932(captionUtf8));
    }

    ScratchFolder scratch_;
    LoadedPlugin plugin_;
    std::string dataFolder_;
    std::string outputFolder_;
    HostCommandCallback command_ = nullptr;
    std::vector<MessageBoxSeen> boxes_;
};

TEST_F(ConversionCommand, ConvertsTheSelectedFolderIntoTheOutputFolder) {
    EXPECT_EQ(RunCommand(), 0);
    EXPECT_EQ(Host().calls, (std::vector<std::string>{"BKA_GetDataFolder", "BKA_GetCurrentFolder"}));
    const std::string document = outputFolder_ + "\\" + kSoftDocument;
    ExpectOneBox("出力しました。\n", document, "ベラムテキスト変換(UTF-8)");
    bool read = false;
    EXPECT_EQ(ReadFileBytes(document, &read), Record("K1", "会議の件", "本文一行目"));
    EXPECT_TRUE(read);
}

TEST_F(ConversionCommand, KeepsItsOutputFolderForTheLifeOfTheLibrary) {
    EXPECT_EQ(RunCommand(), 0);
    // A changed settings file is not read again while the library holds its output folder.
    const std::string elsewhere = scratch_.Path() + "elsewhere";
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(StoreOutputFolder(elsewhere));
    Host().currentFolder = "box1\\inbox\\";
    EXPECT_EQ(RunCommand(), 0);
    ExpectOneBox("出力しました。\n", outputFolder_ + "\\inbox.REN", "ベラムテキスト変換(UTF-8)");
    EXPECT_EQ(ReadFileBytes(outputFolder_ + "\\inbox.REN"), Record("K2", "Hello", "second folder"));
    EXPECT_FALSE(FileExists(elsewhere + "\\inbox.REN"));

    // A new attach starts with an empty output folder and reads the settings file again.
    plugin_.Unload();
    ASSERT_TRUE(plugin_.Load());
    const HMENU menu = CreatePopupMenu();
    ResetHostCalls();
    ASSERT_EQ(plugin_.Exports().OnMenuInit(nullptr, menu, 2), 1);
    DestroyMenu(menu);
    command_ = Host().commands.at(0).callback;
    EXPECT_EQ(RunCommand(), 0);
    ExpectOneBox("出力しました。\n", elsewhere + "\\inbox.REN", "ベラムテキスト変換(UTF-8)");
}

TEST_F(ConversionCommand, WithoutAFolderFromTheHostNothingHappens) {
    const struct {
        bool data;
        bool current;
        std::vector<std::string> calls;
    } cases[] = {
        {false, true, {"BKA_GetDataFolder"}},
        {true, false, {"BKA_GetDataFolder", "BKA_GetCurrentFolder"}},
        {false, false, {"BKA_GetDataFolder"}},
    };
    for (const auto& c : cases) {
        Host().dataFolder = c.data ? std::optional<std::string>(dataFolder_) : std::nullopt;
        Host().currentFolder = c.current ? std::optional<std::string>("box1\\inbox\\") : std::nullopt;
        EXPECT_EQ(RunCommand(), 1);
        EXPECT_EQ(Host().calls, c.calls);
        EXPECT_TRUE(boxes_.empty());
    }
    EXPECT_FALSE(FileExists(outputFolder_ + "\\inbox.REN"));
}

TEST_F(ConversionCommand, AMissingOutputFolderIsReported) {
    const std::string missing = scratch_.Path() + "no such folder";
    ASSERT_TRUE(StoreOutputFolder(missing));
    EXPECT_EQ(RunCommand(), 0);
    ExpectOneBox("出力フォルダが存在しません。\n", missing, "エラー");
}

TEST_F(ConversionCommand, AnEmptyCurrentFolderNamesTheDocumentAfterTheDataFolder) {
    ASSERT_TRUE(WriteFileBytes(dataFolder_ + "\\Folder.idx", ""));
    Host().dataFolder = dataFolder_ + "\\";
    Host().currentFolder = "";
    EXPECT_EQ(RunCommand(), 0);
    ExpectOneBox("出力しました。\n", outputFolder_ + "\\Mail.REN", "ベラムテキスト変換(UTF-8)");
    bool read = false;
    EXPECT_EQ(ReadFileBytes(outputFolder_ + "\\Mail.REN", &read), "");
    EXPECT_TRUE(read);
}

TEST_F(ConversionCommand, APathTooLongForTheSystemEndsInAnErrorMessage) {
    Host().currentFolder = std::string(300, 'x') + "\\";
    EXPECT_EQ(RunCommand(), 0);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].caption, Cp932("エラー"));
}

// Reserves the address space in pieces of `piece` bytes until none is left, so that no
// allocation of that size or more can succeed until the object goes.
class AddressSpaceSqueeze {
public:
    explicit AddressSpaceSqueeze(std::size_t piece) {
        while (void* taken = VirtualAlloc(nullptr, piece, MEM_RESERVE, PAGE_NOACCESS)) taken_.push_back(taken);
    }
    ~AddressSpaceSqueeze() {
        for (void* taken : taken_) VirtualFree(taken, 0, MEM_RELEASE);
    }
    AddressSpaceSqueeze(const AddressSpaceSqueeze&) = delete;
    AddressSpaceSqueeze& operator=(const AddressSpaceSqueeze&) = delete;

private:
    std::vector<void*> taken_;
};

TEST_F(ConversionCommand, AFolderStringThatCannotBeCopiedEndsTheCommandWith1) {
    // The copy of a 48 MB folder string fails inside the library (std::bad_alloc); the callback
    // must turn that into its failure result instead of letting it into the host's frames.
    Host().currentFolder = std::string(48u << 20, 'a') + "\\";
    int result = -1;
    {
        AddressSpaceSqueeze squeeze(16u << 20);
        void* probe = VirtualAlloc(nullptr, 48u << 20, MEM_RESERVE, PAGE_NOACCESS);
        EXPECT_EQ(probe, nullptr) << "the squeeze left room for the copy";
        if (probe != nullptr) VirtualFree(probe, 0, MEM_RELEASE);
        result = RunCommand();
    }
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Host().calls, (std::vector<std::string>{"BKA_GetDataFolder", "BKA_GetCurrentFolder"}));
    EXPECT_TRUE(boxes_.empty());

    // The library goes on working.
    Host().currentFolder = "box1\\inbox\\";
    EXPECT_EQ(RunCommand(), 0);
    ExpectOneBox("出力しました。\n", outputFolder_ + "\\inbox.REN", "ベラムテキスト変換(UTF-8)");
}

}  // namespace
}  // namespace vellum::testhost
