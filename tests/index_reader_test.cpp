#include "convert/index_reader.h"

#include <gtest/gtest.h>

#include "tests/test_folder.h"

namespace vellum {
namespace {

using test::IndexLine;

const std::string kFolder = "D:\\Mail\\box\\inbox\\";

// A full line: fields 0 to 19 with the given values at 1-6, 16 and 19.
std::string FullLine(std::string_view sender, std::string_view recipients, std::string_view id = "<id@x.jp>",
                     std::string_view bodyCharset = "iso-2022-jp", std::string_view fieldCharset = "utf-8") {
    return IndexLine({"0", "KEY", "00001", "Subject", sender, recipients, id, "7", "8", "9", "10", "11", "12", "13",
                      "14", "15", bodyCharset, "17", "18", fieldCharset});
}

TEST(ParseIndexLine, LinesWithFewerThanThreeFieldsAreNoRecords) {
    IndexRecord record;
    record.subject = "left over";
    for (const std::string line : {"", "one", "a\x01" "b", "\x01", "a\x01" "b\x01"}) {
        EXPECT_FALSE(ParseIndexLine(line, kFolder, record)) << line;
        EXPECT_TRUE(record.subject.empty() && record.messageKey.empty());
    }
}

TEST(ParseIndexLine, ThreeFieldsGiveKeyPathAndSubjectOnly) {
    IndexRecord record;
    ASSERT_TRUE(ParseIndexLine(FullLine("A <a@b.jp>", "c@d.jp"), kFolder, record));
    ASSERT_TRUE(ParseIndexLine(IndexLine({"x", "K", "00007"}), kFolder, record));
    EXPECT_EQ(record.messageKey, "K");
    EXPECT_EQ(record.messageFilePath, kFolder + "00007.bmf");
    EXPECT_TRUE(record.subject.empty() && record.senderAddress.empty() && record.senderName.empty());
    EXPECT_TRUE(record.recipients.empty() && record.messageId.empty());
    EXPECT_TRUE(record.bodyCharset.empty() && record.fieldCharset.empty());
}

TEST(ParseIndexLine, SeparatorsKeepFieldPositions) {
    IndexRecord record;
    ASSERT_TRUE(ParseIndexLine("\x01\x01\x01", kFolder, record));  // three empty fields
    EXPECT_EQ(record.messageFilePath, kFolder + ".bmf");
    ASSERT_TRUE(ParseIndexLine("0\x01K\x01" "f\x01S\x01", kFolder, record));  // trailing separator adds nothing
    EXPECT_EQ(record.subject, "S");
    EXPECT_TRUE(record.senderAddress.empty());
    ASSERT_TRUE(ParseIndexLine("0\x01\x01" "f\x01S", kFolder, record));  // empty key
    EXPECT_EQ(record.messageKey, "");
    EXPECT_EQ(record.subject, "S");
}

struct SenderCase {
    std::string field, address, name;
};

TEST(ParseIndexLine, SenderGivesAddressAndWhatIsLeftAsName) {
    const SenderCase cases[] = {
        {"Sales Desk <sales@example.co.jp>", "sales@example.co.jp", "SalesDesk"},
        {"\"Taro Yamada\" <taro@example.jp>", "taro@example.jp", "TaroYamada"},
        {"taro@example.jp", "taro@example.jp", ""},
        {"\x8e\x52\x93\x63 <yama@example.jp>", "yama@example.jp", "\x8e\x52\x93\x63"},
        {"no address here", "", "noaddresshere"},
        {"a@b.jp <c@d.jp>", "c@d.jp", "a@b.jp"},
        {"", "", ""},
    };
    for (const SenderCase& c : cases) {
        IndexRecord record;
        ASSERT_TRUE(ParseIndexLine(FullLine(c.field, ""), kFolder, record));
        EXPECT_EQ(record.senderAddress, c.address) << c.field;
        EXPECT_EQ(record.senderName, c.name) << c.field;
    }
}

struct RecipientCase {
    std::string field;
    std::vector<std::string> recipients;
};

TEST(ParseIndexLine, RecipientsStopAtTheFirstEmptyPiece) {
    const RecipientCase cases[] = {
        {"Hanako <hanako@example.jp>, jiro@example.jp", {"hanako@example.jp", "jiro@example.jp"}},
        {"", {}},
        {",a@b.jp", {}},
        {"a@b.jp,,c@d.jp", {"a@b.jp"}},
        {"a@b.jp, nobody, c@d.jp", {"a@b.jp", "c@d.jp"}},
        {"a@b.jp,a@b.jp", {"a@b.jp", "a@b.jp"}},
        {"a@b.jp,", {"a@b.jp"}},
    };
    for (const RecipientCase& c : cases) {
        IndexRecord record;
        ASSERT_TRUE(ParseIndexLine(FullLine("", c.field), kFolder, record));
        EXPECT_EQ(record.recipients, c.recipients) << c.field;
    }
}

TEST(ParseIndexLine, IdAndCharsetsLoseTheirMarks) {
    IndexRecord record;
    ASSERT_TRUE(ParseIndexLine(FullLine("", "", "<abc@host>", "<iso-2022-jp>", "utf-8;"), kFolder, record));
    EXPECT_EQ(record.messageId, "abc@host");
    EXPECT_EQ(record.bodyCharset, "iso-2022-jp>");  // only "<" goes
    EXPECT_EQ(record.fieldCharset, "utf-8");
    ASSERT_TRUE(ParseIndexLine(FullLine("", "", "", "shift_jis", ";"), kFolder, record));
    EXPECT_EQ(record.fieldCharset, "shift_jis");  // nothing left: the body charset
    ASSERT_TRUE(ParseIndexLine(FullLine("", "", "", "shift_jis", "") + "\x01" "20", kFolder, record));
    EXPECT_EQ(record.fieldCharset, "shift_jis");  // an empty field 19 (a last empty field does not count)
}

TEST(ParseIndexLine, ALineShorterThanTwentyFieldsLeavesTheFieldCharsetEmpty) {
    IndexRecord record;
    std::string line = FullLine("", "");
    line = line.substr(0, line.rfind('\x01'));  // drop field 19
    ASSERT_TRUE(ParseIndexLine(line, kFolder, record));
    EXPECT_EQ(record.bodyCharset, "iso-2022-jp");
    EXPECT_TRUE(record.fieldCharset.empty());
}

}  // namespace
}  // namespace vellum

namespace vellum {
namespace {

// The quick look at an index line names the same message file as the full reading, and skips
// the same lines.
TEST(IndexReader, MessageFilePathOfAgreesWithParseIndexLine) {
    for (const std::string line : {"", "0", "0\x01K", "0\x01K\x01", "0\x01K\x01f", "0\x01K\x01f\x01s\x01", "\x01\x01\x01",
                                   "0\x01K\x01sub\\dir\x01s", "0\x01\x01" "f\x01" "a\x01" "b", "\x01\x01", "\x01\x01\x01\x01",
                                   "0\x01K\x01\x01"}) {
        IndexRecord record;
        const bool parsed = ParseIndexLine(line, "/m/", record);
        const std::optional<std::string> path = MessageFilePathOf(line, "/m/");
        ASSERT_EQ(path.has_value(), parsed) << line;
        if (path) {
            EXPECT_EQ(*path, record.messageFilePath) << line;
        }
    }
}

}  // namespace
}  // namespace vellum
