#include "convert/message_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "convert/message_store.h"
#include "decode/charset.h"
#include "tests/literal_reference.h"
#include "tests/test_folder.h"
#include "util/strings.h"

namespace vellum {
namespace {

// A body written as UTF-16 text with "\n" line ends, in the file form that the parser builds:
// UTF-8 with CR LF.
std::string FileForm(std::u16string_view body) {
    std::string bytes;
    for (std::size_t start = 0;;) {
        const std::size_t lf = body.find(u'\n', start);
        AppendUtf8(bytes, body.substr(start, lf - start));
        if (lf == std::u16string_view::npos) return bytes;
        bytes += "\r\n";
        start = lf + 1;
    }
}

struct Scanned {
    MessageFields fields;
    bool ended = false;
    IndexRecord record;
};

// The lines of a message file, fed in order as the parser reads them.
Scanned Scan(const std::vector<std::string>& lines, std::string key, std::string bodyCharset = "us-ascii") {
    Scanned s;
    s.record.messageKey = std::move(key);
    s.record.bodyCharset = std::move(bodyCharset);
    MessageScanState state;
    for (const std::string& line : lines) {
        if (ScanMessageLine(s.record, line, state, s.fields)) {
            s.ended = true;
            break;
        }
    }
    CompleteCharsets(s.record, s.fields);
    return s;
}

TEST(ParseMessage, FindsTheIndexedMessageAmongOthersAndEndsAtItsDot) {
    const Scanned s = Scan({"Date: Mon, 3 Feb 2020 08:05:09 +0900", "X-Becky-Status: a,b,c,d,e,K1,g", "", "hello one",
                            ".", "Date: Tue, 4 Feb 2020 18:15:00 +0900", "X-Becky-Status: a,b,c,d,e,K2,g", "",
                            "line one", "", "line three", "", "", ".", "Date: Wed, 5 Feb 2020 00:00:00 +0900"},
                           "K2", "iso-2022-jp");
    EXPECT_TRUE(s.ended);
    EXPECT_EQ(s.fields.body, FileForm(u"line one\n\nline three\n\n#E\n\n"));
    EXPECT_EQ(s.fields.sentDate, "2020/02/04");
    EXPECT_EQ(s.fields.sentDateTime, "2020/02/04 18:15:00");
}

struct BodyCase {
    const char* name;
    std::vector<std::string> lines;
    std::u16string body;
    bool ended;
};

TEST(ParseMessage, SinglePartBodies) {
    const BodyCase cases[] = {
        {"five items never match", {"X-Becky-Status: a,b,c,d,K", "", "x", "."}, u"", false},
        {"only item 5 counts", {"X-Becky-Status: K,K,K,K,K,x,K", "", "x", ".", "X-Becky-Status: a,b,c,d,e,K,z,z", "", "y", "."},
         u"y\n\n#E\n\n", true},
        {"a leading blank is part of the item", {"X-Becky-Status: a,b,c,d,e, K", "", "x", "."}, u"", false},
        {"dot right after the marker ends at once", {"X-Becky-Status: 0,0,0,0,0,K", ".", "x"}, u"\n#E\n\n", true},
        {"the first message line never enters", {"X-Becky-Status: 0,0,0,0,0,K", "first", "second", "."}, u"second\n\n#E\n\n", true},
        {"'..' and '. ' are body text", {"X-Becky-Status: 0,0,0,0,0,K", "", "..", ". ", "."}, u"..\n. \n\n#E\n\n", true},
        {"no end: runs into the next message, blanks kept", {"X-Becky-Status: 0,0,0,0,0,K", "", "a", "", "X-Becky-Status: 0,0,0,0,0,L", "", "b", ""},
         u"a\n\nX-Becky-Status: 0,0,0,0,0,L\n\nb\n\n", false},
        {"file ends right after the marker", {"X-Becky-Status: 0,0,0,0,0,K"}, u"", false},
        {"no marker matches", {"X-Becky-Status: 0,0,0,0,0,L", "", "b", "."}, u"", false},
    };
    for (const BodyCase& c : cases) {
        const Scanned s = Scan(c.lines, "K");
        EXPECT_EQ(s.fields.body, FileForm(c.body)) << c.name;
        EXPECT_EQ(s.ended, c.ended) << c.name;
    }
}

TEST(ParseMessage, DatesComeFromTheLastReadableDateLine) {
    Scanned s = Scan({"Date: Mon, 3 Feb 2020 08:05:09 +0900", "X-Becky-Status: 0,0,0,0,0,K", "", "body",
                      "Date: 9 Mar 2021 10:00:00 +0000", "Date: unreadable", "."},
                     "K");
    EXPECT_EQ(s.fields.sentDate, "2021/03/09");  // a body line that reads as a date counts too
    s = Scan({"X-Becky-Status: 0,0,0,0,0,K", "", "body", "."}, "K");
    EXPECT_EQ(s.fields.sentDate, "");
    EXPECT_EQ(s.fields.sentDateTime, "");
}

struct CharsetCase {
    std::string line, messageCharset;
};

TEST(ParseMessage, MessageCharsetFillsAnEmptyIndexCharset) {
    const CharsetCase cases[] = {
        {"Content-Type: text/plain; charset=iso-2022-jp", "iso-2022-jp"},
        {"Content-Type: text/plain; charset=\"utf-8\"", "utf-8"},
        {"Content-Type: text/plain; charset=utf-8;", "utf-8"},
        {"Content-Type: text/plain; charset=\"shift_jis\"; format=flowed", "shift_jis"},
        {"Content-Type: text/plain; charset=\"", "\""},
        {"Content-Type: text/plain", ""},
    };
    for (const CharsetCase& c : cases) {
        const Scanned s = Scan({c.line, "X-Becky-Status: 0,0,0,0,0,K", "", "x", "."}, "K", "");
        EXPECT_EQ(s.fields.messageCharset, c.messageCharset) << c.line;
        EXPECT_EQ(s.record.bodyCharset, c.messageCharset) << c.line;
        EXPECT_EQ(s.record.fieldCharset, c.messageCharset) << c.line;
    }
}

TEST(ParseMessage, AnEmptyCharsetKeepsTheBodyAndItsEnd) {
    // Mail without any charset parameter: its text passes unchanged and its "." ends it.
    const Scanned s = Scan({"X-Becky-Status: 0,0,0,0,0,K", "", "plain text", ".", "next"}, "K", "");
    EXPECT_TRUE(s.ended);
    EXPECT_EQ(s.fields.body, FileForm(u"plain text\n\n#E\n\n"));
}

TEST(ParseMessage, TheIndexCharsetConvertsTheBodyAndWins) {
    const Scanned s = Scan({"X-Becky-Status: 0,0,0,0,0,K", "Content-Type: text/plain; charset=iso-2022-jp", "\xe3\x81\x82", "."},
                           "K", "utf-8");
    EXPECT_EQ(s.fields.body, FileForm(u"\u3042\n\n#E\n\n"));
    EXPECT_EQ(s.fields.messageCharset, "");
    EXPECT_EQ(s.record.bodyCharset, "utf-8");
}

const std::vector<std::string> kMultipartHead = {"Content-Type: multipart/mixed; boundary=XYZ", "X-Becky-Status: 0,0,0,0,0,K"};

std::vector<std::string> Multipart(std::vector<std::string> head, const std::vector<std::string>& message) {
    head.insert(head.end(), message.begin(), message.end());
    return head;
}

TEST(ParseMessage, MultipartBodies) {
    const BodyCase cases[] = {
        {"preamble taken, first delimiter after it ends", Multipart(kMultipartHead, {"", "This is a multi-part message.", "--XYZ", "later"}),
         u"This is a multi-part message.\n\n#E\n\n", true},
        {"delimiter first: nothing taken without Mime-Version",
         Multipart(kMultipartHead, {"", "--XYZ", "Content-Type: text/plain", "", "text", "--XYZ--"}), u"", false},
        {"taken again from the second line after Mime-Version",
         Multipart(kMultipartHead, {"", "--XYZ", "Content-Type: text/plain", "Mime-Version: 1.0", "", "text", "", "--XYZ", "after"}),
         u"text\n\n#E\n\n", true},
        {"upper-case MIME-Version does not count",
         Multipart(kMultipartHead, {"", "--XYZ", "x", "MIME-Version: 1.0", "", "text", "--XYZ"}), u"", false},
        {"a closing delimiter is an ordinary line",
         Multipart(kMultipartHead, {"", "pre", "--XYZ--", "more", "--XYZ", "after"}), u"pre\n--XYZ--\nmore\n\n#E\n\n", true},
        {"a boundary at line 3 replaces the delimiter",
         Multipart(kMultipartHead, {"", "--XYZ", "Content-Type: multipart/alternative; boundary=ABC", "Mime-Version: 1.0", "", "t", "--XYZ", "--ABC"}),
         u"t\n--XYZ\n\n#E\n\n", true},
        {"a boundary elsewhere does not",
         Multipart(kMultipartHead, {"", "pre", "--ABC", "Content-Type: multipart/alternative; boundary=ABC", "--XYZ"}),
         u"pre\n--ABC\nContent-Type: multipart/alternative; boundary=ABC\n\n#E\n\n", true},
        {"quoted boundary still finds its delimiter",
         Multipart({"Content-Type: multipart/mixed; boundary=\"Q-1\";", "X-Becky-Status: 0,0,0,0,0,K"}, {"", "pre", "--Q-1", "after"}),
         u"pre\n\n#E\n\n", true},
        {"text/plain before the marker makes it single-part",
         Multipart({"Content-Type: multipart/mixed; boundary=XYZ", "X-Becky-Status: 0,0,0,0,0,L", "Content-Type: text/plain; charset=us-ascii",
                    "X-Becky-Status: 0,0,0,0,0,K"}, {"", "body", "--XYZ", "."}),
         u"body\n--XYZ\n\n#E\n\n", true},
        {"a boundary on a continuation line does not set multipart",
         Multipart({"Content-Type: multipart/mixed;", "\tboundary=XYZ", "X-Becky-Status: 0,0,0,0,0,K"}, {"", "body", "--XYZ", "."}),
         u"body\n--XYZ\n\n#E\n\n", true},
    };
    for (const BodyCase& c : cases) {
        const Scanned s = Scan(c.lines, "K");
        EXPECT_EQ(s.fields.body, FileForm(c.body)) << c.name;
        EXPECT_EQ(s.ended, c.ended) << c.name;
    }
}

TEST(ParseMessage, FindLineTextsSeesEachTextWhereverItStands) {
    struct Case {
        std::string line;
        LineTexts expected;
    };
    const Case cases[] = {
        {"Date: Tue, 4 Feb 2020 18:15:00 +0900", {true, false, false, false, false}},
        {"Delivery-Date: x", {true, false, false, false, false}},
        {"X-Becky-Status: 0,0,0,0,0,K", {false, true, false, false, false}},
        {"Content-Type: text/plain; charset=utf-8", {false, false, true, false, true}},
        {"mime: Mime-Version: 1.0", {false, false, false, true, false}},
        {"a: b: Date:", {true, false, false, false, false}},
        {"X-Becky-Status:Date:Content-Type:Mime-Version:charset=", {true, true, true, true, true}},
        {":Date :ate: Dat: date: Content-type: MIME-Version: Mime-Version charset =Charset= charsetx=", {}},
        {"", {}},
        {"no colon nor equals sign", {}},
    };
    for (const Case& c : cases) {
        const LineTexts t = FindLineTexts(c.line);
        EXPECT_EQ(t.date, c.expected.date) << c.line;
        EXPECT_EQ(t.status, c.expected.status) << c.line;
        EXPECT_EQ(t.contentType, c.expected.contentType) << c.line;
        EXPECT_EQ(t.mimeVersion, c.expected.mimeVersion) << c.line;
        EXPECT_EQ(t.charset, c.expected.charset) << c.line;
    }
}

// The texts at every place of lines of every length, so that each falls on, across and after
// the edges of the blocks the search works in, against the plain reading "the line holds it".
TEST(ParseMessage, FindLineTextsEqualsSearchingEachText) {
    const std::string pieces[] = {"Date", ":", "=", "charset", "e", "s", "n", "X-Becky-Status", "Content-Type",
                                  "Mime-Version", "a", "\x1b$B", "  ", "\xe3\x81\x82", "Dat", "harset"};
    std::mt19937 random(7);
    for (int i = 0; i < 50000; ++i) {
        std::string line;
        const std::size_t length = random() % 90;
        while (line.size() < length) line += pieces[random() % std::size(pieces)];
        const LineTexts t = FindLineTexts(line);
        ASSERT_EQ(t.date, Contains(line, "Date:")) << line;
        ASSERT_EQ(t.status, Contains(line, "X-Becky-Status:")) << line;
        ASSERT_EQ(t.contentType, Contains(line, "Content-Type:")) << line;
        ASSERT_EQ(t.mimeVersion, Contains(line, "Mime-Version:")) << line;
        ASSERT_EQ(t.charset, Contains(line, "charset=")) << line;
    }
}

// Blocks of random lines: the find lies in the first line that holds a text, nothing before.
TEST(ParseMessage, FindFirstLineTextLandsInTheFirstLineHoldingAText) {
    const std::string pieces[] = {"Date", ":", "=", "charset", "e", "X-Becky-Status", "Content-Type",
                                  "Mime-Version", "a", "\r\n", "\n", "\x1b$B", "Dat", "harset", "\xe3\x81\x82"};
    std::mt19937 random(11);
    for (int i = 0; i < 20000; ++i) {
        std::string block;
        const std::size_t length = random() % 300;
        while (block.size() < length) block += pieces[random() % std::size(pieces)];
        std::size_t expected = std::string::npos;  // the start of the first line holding a text
        for (std::size_t start = 0; start <= block.size() && expected == std::string::npos;) {
            const std::size_t lf = std::min(block.find('\n', start), block.size());
            const LineTexts t = FindLineTexts(std::string_view(block).substr(start, lf - start));
            if (t.date || t.status || t.contentType || t.mimeVersion || t.charset) expected = start;
            start = lf + 1;
        }
        const std::size_t found = FindFirstLineText(block);
        if (expected == std::string::npos) {
            ASSERT_EQ(found, std::string::npos) << block;
            continue;
        }
        ASSERT_NE(found, std::string::npos) << block;
        ASSERT_GE(found, expected) << block;
        ASSERT_EQ(block.find('\n', expected), block.find('\n', found)) << block;
    }
}

TEST(ParseMessage, StatusKeyIsItemFiveOfTheSplitLine) {
    for (const std::string line : {"", ",,,,", ",,,,,", ",,,,,,", "a,b,c,d,e,", "a,b,c,d,e,,", "a,b,c,d,e,K", "a,b,c,d,e,K,",
                                   "a,b,c,d,e,K,g", "X-Becky-Status: 0,0,0,0,0,5E000001,0", "a,b,c,d,K", "a,b,c,d,e, K"}) {
        const std::vector<std::string> items = SplitByChar(line, ',');
        const std::optional<std::string_view> key = StatusKey(line);
        ASSERT_EQ(key.has_value(), items.size() >= 6) << line;
        if (key) {
            EXPECT_EQ(*key, items[5]) << line;
        }
    }
}

TEST(ParseMessage, ParameterValueTrimsOneSemicolonThenOneQuotePair) {
    const std::pair<std::string, std::string> cases[] = {
        {"boundary=XYZ", "XYZ"},       {"boundary=\"XYZ\"", "XYZ"},   {"boundary=\"XYZ\";", "XYZ"},
        {"boundary=XYZ;;", "XYZ;"},    {"boundary=\"\"", ""},         {"boundary=\"", "\""},
        {"boundary=\"a\"b\"", "a\"b"}, {"boundary=boundary=X", "X"},  {"xboundary=Y", "xY"},
    };
    for (const auto& [item, value] : cases) EXPECT_EQ(ParameterValue(item, "boundary="), value) << item;
}

TEST(ParseMessageFile, ReadsRawBytesAndDropsOnlyTheCrBeforeLf) {
    test::ScratchDir dir;
    using namespace std::string_literals;
    dir.Write("m.bmf", "X-Becky-Status: 0,0,0,0,0,K\r\n\r\nA\x1a" "B\rC\r\nnul\0byte\r\n.\r\n"s);
    IndexRecord record;
    record.messageKey = "K";
    record.messageFilePath = dir.Folder() + "m.bmf";
    record.bodyCharset = "us-ascii";
    MessageStore store;
    const std::optional<MessageFields> fields = ParseMessageFile(record, store);
    ASSERT_TRUE(fields.has_value());
    // ANSI text ends at a zero byte; 0x1A and a lone CR stay.
    EXPECT_EQ(fields->body, FileForm(u"A\u001aB\rC\nnul\n\n#E\n\n"));
}

TEST(ParseMessageFile, FailsForMissingFilesDirectoriesAndPathsWithAZero) {
    test::ScratchDir dir;
    dir.Write("real.bmf", "X-Becky-Status: 0,0,0,0,0,K\n\nx\n.\n");
    dir.Write("sub.bmf/inner", "");
    IndexRecord record;
    for (const std::string& path : {dir.Folder() + "missing.bmf", dir.Folder() + "sub.bmf",
                                    dir.Folder() + "real.bmf" + std::string(1, '\0') + "x.bmf"}) {
        record.messageFilePath = path;
        MessageStore store;
        EXPECT_FALSE(ParseMessageFile(record, store).has_value()) << path;
        EXPECT_FALSE(test::ParseMessageFileLiterally(record).has_value()) << path;
    }
    record.messageFilePath = dir.Folder() + "real.bmf";
    MessageStore store;
    EXPECT_TRUE(ParseMessageFile(record, store).has_value());
}

}  // namespace
}  // namespace vellum
