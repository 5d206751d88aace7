#include "convert/conversion_run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "tests/test_folder.h"

namespace vellum {
namespace {

using test::IndexLine;
using test::ScratchDir;

// An index line: key, message file stem, subject, sender, recipients, ID, body and field charset.
std::string Record(std::string_view key, std::string_view file, std::string_view subject, std::string_view sender,
                   std::string_view recipients, std::string_view id, std::string_view bodyCharset,
                   std::string_view fieldCharset) {
    return IndexLine({"0", key, file, subject, sender, recipients, id, "", "", "", "", "", "", "", "", "", bodyCharset,
                      "", "", fieldCharset});
}

class ConversionRunTest : public ::testing::Test {
protected:
    ScratchDir mail;
    ScratchDir out;

    RunPaths Paths() const { return {mail.Folder(), out.Path().string(), "inbox.REN"}; }
    std::string OutputPath() const { return platform::JoinPath(out.Path().string(), "inbox.REN"); }

    void WriteSampleFolder(std::string_view lineEnd = "\n") {
        std::string index = Record("K1", "00001", "Hello", "Taro <taro@example.jp>",
                                   "hanako@example.jp, Jiro <jiro@example.jp>", "<m1@example.jp>", "us-ascii", "");
        index += lineEnd;
        index += "too\x01short";
        index += lineEnd;
        index += Record("K2", "00001", "\x1b$B\x24\x22\x1b(B", "\x1b$B\x3b\x33\x1b(B <yama@example.jp>", "", "",
                        "iso-2022-jp", "iso-2022-jp");  // no line end on the last line
        mail.Write("Folder.idx", index);
        std::string messages =
            "Date: Tue, 4 Feb 2020 18:15:00 +0900\nX-Becky-Status: 0,0,0,0,0,K1\nSubject: Hello\n\nHi.\n.\n"
            "Date: Wed, 5 Feb 2020 09:00:00 +0900\nX-Becky-Status: 0,0,0,0,0,K2\n\n\x1b$B\x24\x24\x1b(B\n\n\n.\n";
        if (lineEnd == "\r\n") {
            std::string crlf;
            for (char c : messages) {
                if (c == '\n') crlf += '\r';
                crlf += c;
            }
            messages = crlf;
        }
        mail.Write("00001.bmf", messages);
    }
};

const char* const kSampleDocument =
    "#S\r\n#W80\r\n#THello\r\n#Ktaro@example.jp＠差出人\r\n#KTaro＠氏名\r\n#Khanako@example.jp＠受取人\r\n"
    "#Kjiro@example.jp＠受取人\r\n#K2020/02/04\r\n#K2020/02/04 18:15:00＠送信日時\r\n#Km1@example.jp＠ＩＤ\r\n"
    "\r\nHi.\r\n\r\n#E\r\n\r\n"
    "#S\r\n#W80\r\n#Tあ\r\n#Kyama@example.jp＠差出人\r\n#K山＠氏名\r\n#K2020/02/05\r\n#K2020/02/05 09:00:00＠送信日時\r\n"
    "#K＠ＩＤ\r\nい\r\n\r\n#E\r\n\r\n";

TEST_F(ConversionRunTest, WritesTheTaggedDocumentAsUtf8WithCrLf) {
    WriteSampleFolder();
    const RunOutcome outcome = ConvertFolder(Paths());
    ASSERT_EQ(outcome.status, RunStatus::Written) << outcome.path;
    EXPECT_EQ(outcome.path, OutputPath());
    EXPECT_EQ(outcome.Result(), 0);
    EXPECT_EQ(outcome.records, 2u);
    EXPECT_EQ(out.Read("inbox.REN"), kSampleDocument);
    EXPECT_EQ(out.Listing(), "inbox.REN\n") << "no temporary file is left behind";
}

TEST_F(ConversionRunTest, CrLfFilesGiveTheSameDocument) {
    WriteSampleFolder("\r\n");
    ASSERT_EQ(ConvertFolder(Paths()).status, RunStatus::Written);
    EXPECT_EQ(out.Read("inbox.REN"), kSampleDocument);
}

TEST_F(ConversionRunTest, InputFilesAreNeverChanged) {
    WriteSampleFolder();
    const std::string index = mail.Read("Folder.idx"), messages = mail.Read("00001.bmf");
    const auto indexTime = std::filesystem::last_write_time(mail.Path() / "Folder.idx");
    ASSERT_EQ(ConvertFolder(Paths()).status, RunStatus::Written);
    EXPECT_EQ(mail.Read("Folder.idx"), index);
    EXPECT_EQ(mail.Read("00001.bmf"), messages);
    EXPECT_EQ(std::filesystem::last_write_time(mail.Path() / "Folder.idx"), indexTime);
    EXPECT_EQ(mail.Listing(), "00001.bmf\nFolder.idx\n");
}

TEST_F(ConversionRunTest, AnEmptyIndexGivesAnEmptyDocumentAndReplacesAnOldOne) {
    mail.Write("Folder.idx", "no\x01record\n\n");
    out.Write("inbox.REN", "old content");
    ASSERT_EQ(ConvertFolder(Paths()).status, RunStatus::Written);
    EXPECT_EQ(out.Read("inbox.REN"), "");
}

TEST_F(ConversionRunTest, TheOutputFolderWithOrWithoutATrailingSeparatorGivesOnePath) {
    mail.Write("Folder.idx", "");
    RunPaths paths = Paths();
    paths.outputFolder.push_back(platform::kPathSeparator);
    EXPECT_EQ(ConvertFolder(paths).path, OutputPath());
}

TEST_F(ConversionRunTest, AMissingOrEmptyOutputFolderIsReportedBeforeAnythingIsRead) {
    for (const std::string& folder : {std::string(), (out.Path() / "missing").string()}) {
        RunPaths paths = Paths();
        paths.outputFolder = folder;
        const RunOutcome outcome = ConvertFolder(paths);
        EXPECT_EQ(outcome.status, RunStatus::OutputFolderMissing);
        EXPECT_EQ(outcome.path, folder);
        EXPECT_EQ(outcome.Result(), 0);
    }
    EXPECT_EQ(std::string(MessageFor(RunStatus::OutputFolderMissing).textUtf8), "出力フォルダが存在しません。\n");
}

TEST_F(ConversionRunTest, AnIndexThatCannotBeFoundIsReported) {
    // Only "Folder.idx" exactly: the host writes it so.
    for (const char* name : {"folder.idx", "FOLDER.IDX", "Other.idx"}) {
        ScratchDir folder;
        folder.Write(name, "");
        const RunOutcome outcome = ConvertFolder({folder.Folder(), out.Path().string(), "inbox.REN"});
        EXPECT_EQ(outcome.status, RunStatus::IndexUnreadable) << name;
        EXPECT_EQ(outcome.path, folder.Folder() + "Folder.idx");
        EXPECT_EQ(outcome.Result(), 1);
    }
    EXPECT_EQ(out.Listing(), "");
}

TEST_F(ConversionRunTest, AnUnreadableMessageFileStopsTheRunAndKeepsTheOldDocument) {
    WriteSampleFolder();
    std::string index = mail.Read("Folder.idx") + "\n" + Record("K9", "missing", "s", "", "", "", "", "");
    mail.Write("Folder.idx", index);
    out.Write("inbox.REN", "old content");
    const RunOutcome outcome = ConvertFolder(Paths());
    EXPECT_EQ(outcome.status, RunStatus::MessageFileUnreadable);
    EXPECT_EQ(outcome.path, mail.Folder() + "missing.bmf");
    EXPECT_EQ(outcome.Result(), 1);
    EXPECT_EQ(out.Read("inbox.REN"), "old content");
    EXPECT_EQ(out.Listing(), "inbox.REN\n");
}

TEST_F(ConversionRunTest, MessagePathsThatNameADirectoryOrHoldAZeroAreUnreadable) {
    mail.Write("sub.bmf/x", "");
    mail.Write("real.bmf", "X-Becky-Status: 0,0,0,0,0,K\n\nbody\n.\n");
    const std::string withZero = std::string("real.bmf") + '\0' + "x";
    for (const std::string& stem : {std::string("sub"), withZero}) {
        mail.Write("Folder.idx", Record("K", stem, "s", "", "", "", "", ""));
        const RunOutcome outcome = ConvertFolder(Paths());
        EXPECT_EQ(outcome.status, RunStatus::MessageFileUnreadable);
        EXPECT_EQ(outcome.path, mail.Folder() + stem + ".bmf");
    }
}

TEST_F(ConversionRunTest, AnOutputThatCannotBeCreatedIsReportedAndNothingIsWritten) {
    WriteSampleFolder();
    out.Write("file", "a regular file");
    RunPaths paths = Paths();
    paths.outputFolder = (out.Path() / "file").string();  // passes the existence check
    RunOutcome outcome = ConvertFolder(paths);
    EXPECT_EQ(outcome.status, RunStatus::OutputUnwritable);
    EXPECT_EQ(outcome.path, platform::JoinPath(paths.outputFolder, "inbox.REN"));
    EXPECT_EQ(outcome.Result(), 1);
    EXPECT_EQ(out.Read("file"), "a regular file");

    // A path over 259 bytes is refused on every platform.
    paths = Paths();
    paths.outputFileName = std::string(300 - paths.outputFolder.size(), 'n') + ".REN";
    outcome = ConvertFolder(paths);
    EXPECT_EQ(outcome.status, RunStatus::OutputUnwritable);
    EXPECT_EQ(out.Listing(), "file\n");
}

TEST_F(ConversionRunTest, AnUnreadableMessageFileIsReportedBeforeAnUnwritableOutput) {
    mail.Write("Folder.idx", Record("K", "missing", "s", "", "", "", "", ""));
    RunPaths paths = Paths();
    paths.outputFileName = std::string(300, 'n');
    EXPECT_EQ(ConvertFolder(paths).status, RunStatus::MessageFileUnreadable);
}

TEST_F(ConversionRunTest, TheMessagesAreTheSystemsOwnTexts) {
    struct Expected {
        RunStatus status;
        const char *text, *caption;
    };
    const Expected expected[] = {
        {RunStatus::Written, "出力しました。\n", "ベラムテキスト変換(UTF-8)"},
        {RunStatus::OutputFolderMissing, "出力フォルダが存在しません。\n", "エラー"},
        {RunStatus::IndexUnreadable, "インデックスファイルを開けません。\n", "エラー"},
        {RunStatus::MessageFileUnreadable, "メールファイルを開けません。\n", "エラー"},
        {RunStatus::OutputUnwritable, "出力ファイルを書き込めません。\n", "エラー"},
    };
    for (const Expected& e : expected) {
        EXPECT_STREQ(MessageFor(e.status).textUtf8, e.text);
        EXPECT_STREQ(MessageFor(e.status).captionUtf8, e.caption);
    }
}

TEST(ConversionCommand, JoinsTheHostsFolderStringsAndNamesTheDocument) {
    const std::string sep(1, platform::kPathSeparator);
    EXPECT_EQ(JoinFolderPath("M" + sep, "box" + sep + "inbox" + sep), "M" + sep + "box" + sep + "inbox" + sep);
    EXPECT_EQ(JoinFolderPath("M", "box" + sep), "M" + sep + "box" + sep);
    EXPECT_EQ(JoinFolderPath("M/", "box"), "M/box");
    EXPECT_EQ(JoinFolderPath("", "box"), "box");
    EXPECT_EQ(OutputFileNameFor("M" + sep + "box" + sep + "inbox" + sep), "inbox.REN");
    EXPECT_EQ(OutputFileNameFor("M" + sep + "box" + sep + "inbox"), "inbox.REN");
    EXPECT_EQ(OutputFileNameFor("M" + sep), "M.REN");
}

}  // namespace
}  // namespace vellum
