// The converter on hostile and damaged folders: huge lines and fields, a million index lines,
// control bytes, files cut off anywhere, broken encodings, and index entries that point outside
// the folder. Whatever the input, the run ends as the literal reading does, and its document is
// strict UTF-8 whose line ends are all CR LF.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "convert/conversion_run.h"
#include "tests/document_checks.h"
#include "tests/literal_reference.h"
#include "tests/test_folder.h"
#include "util/mail_address.h"

namespace vellum {
namespace {

using namespace std::string_literals;
using test::IndexLine;
using test::ScratchDir;

constexpr std::size_t kMegabyte = std::size_t{1} << 20;

// An index line: key, message file stem, subject, sender, recipients, ID, body and field charset.
std::string Record(std::string_view key, std::string_view file, std::string_view subject, std::string_view sender = "",
                   std::string_view recipients = "", std::string_view id = "", std::string_view bodyCharset = "us-ascii",
                   std::string_view fieldCharset = "") {
    return IndexLine({"0", key, file, subject, sender, recipients, id, "", "", "", "", "", "", "", "", "", bodyCharset,
                      "", "", fieldCharset});
}

std::string Marker(std::string_view key) { return "X-Becky-Status: 0,0,0,0,0," + std::string(key) + ",0"; }

// AddressSanitizer keeps freed memory in quarantine and pads every block: its figures say
// nothing about the converter's own needs.
#if defined(__SANITIZE_ADDRESS__)
#define VELLUM_MEMORY_MEASURED 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELLUM_MEMORY_MEASURED 0
#endif
#endif
#if !defined(VELLUM_MEMORY_MEASURED) && defined(__linux__)
#define VELLUM_MEMORY_MEASURED 1
#endif

#if VELLUM_MEMORY_MEASURED
// Starts the process's peak resident memory afresh from what it holds now.
bool ResetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return clear.good();
}
std::optional<std::size_t> PeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;  // in kB
    }
    return std::nullopt;
}
#else
bool ResetPeakMemory() { return false; }
std::optional<std::size_t> PeakMemory() { return std::nullopt; }
#endif

// One record as the document holds it, with empty dates.
struct Expected {
    std::string subject, address, name;
    std::vector<std::string> recipients;
    std::string id, body;  // body in the file's form (CR LF)

    std::string Text() const {
        std::string text = "#S\r\n#W80\r\n#T" + subject + "\r\n#K" + address + "＠差出人\r\n#K" + name + "＠氏名\r\n";
        for (const std::string& r : recipients) text += "#K" + r + "＠受取人\r\n";
        return text + "#K\r\n#K＠送信日時\r\n#K" + id + "＠ＩＤ\r\n" + body;
    }
};

struct FolderCase {
    const char* name;
    std::string index;
    std::string file;      // f.bmf
    std::string contains;  // a piece the document must hold
};

class LimitsTest : public ::testing::Test {
protected:
    ScratchDir mail;
    ScratchDir out;

    std::optional<std::size_t> runPeak;  // the process's peak memory during the last run

    RunOutcome Run() {
        const bool measured = ResetPeakMemory();
        RunOutcome outcome = ConvertFolder({mail.Folder(), out.Path().string(), "x.REN"});
        runPeak = measured ? PeakMemory() : std::nullopt;
        return outcome;
    }

    // Where the system tells peak memory, the last run stayed below `factor` times `inputSize`.
    void ExpectPeakBelow(double factor, std::size_t inputSize) const {
        if (!runPeak) return;
        const double ratio = static_cast<double>(*runPeak) / static_cast<double>(inputSize);
        std::printf("peak memory %.0f MB, %.1f times the %.0f MB input\n", static_cast<double>(*runPeak) / kMegabyte,
                    ratio, static_cast<double>(inputSize) / kMegabyte);
        EXPECT_LT(ratio, factor);
    }

    // The run succeeds, its document is sound and, unless the folder is too big for the slow
    // literal reading, equals that reading's bytes.
    std::string Convert(bool compareLiterally = true) {
        const RunOutcome outcome = Run();
        EXPECT_EQ(outcome.status, RunStatus::Written);
        const std::string document = out.Read("x.REN");
        EXPECT_TRUE(test::IsValidUtf8(document));
        EXPECT_TRUE(test::LineEndsAreCrLf(document));
        if (compareLiterally) {
            const test::LiteralResult literal = test::ConvertFolderLiterally(mail.Folder());
            EXPECT_EQ(literal.status, RunStatus::Written);
            EXPECT_TRUE(literal.document == document) << "the run differs from the literal reading";
        }
        return document;
    }

    // Each case's index and message file converted in turn; the document holds its piece.
    template <std::size_t n>
    void ExpectDocumentsHold(const FolderCase (&cases)[n]) {
        for (const FolderCase& c : cases) {
            SCOPED_TRACE(c.name);
            mail.Write("Folder.idx", c.index);
            mail.Write("f.bmf", c.file);
            const std::string document = Convert();
            EXPECT_NE(document.find(c.contains), std::string::npos) << document;
        }
    }
};

// Writes the pieces one after another, without joining them in memory first.
void WritePieces(const ScratchDir& dir, const std::string& name, std::initializer_list<std::string_view> pieces) {
    std::ofstream file(dir.Path() / name, std::ios::binary | std::ios::trunc);
    for (std::string_view piece : pieces) file.write(piece.data(), static_cast<std::streamsize>(piece.size()));
}

// Compares without printing megabytes when they differ.
void ExpectSameBytes(const std::string& actual, const std::string& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin());
    EXPECT_TRUE(a == actual.end()) << "first difference at byte " << (a - actual.begin());
}

// `document` is `before`, then `count` times `fill`, then `after`; checked without building it.
void ExpectFilled(const std::string& document, const std::string& before, std::size_t count, char fill,
                  const std::string& after) {
    ASSERT_EQ(document.size(), before.size() + count + after.size());
    EXPECT_EQ(document.compare(0, before.size(), before), 0) << document.substr(0, before.size());
    EXPECT_EQ(document.find_first_not_of(fill, before.size()), before.size() + count);
    EXPECT_EQ(document.compare(before.size() + count, after.size(), after), 0);
}

TEST_F(LimitsTest, AHundredMegabyteLineInAMessageFile) {
    const std::size_t size = 100 * kMegabyte;
    {
        const std::string big(size, 'x');
        // The long line once in a message that is not indexed (read only by the header tests),
        // once as the indexed message's body.
        WritePieces(mail, "f.bmf", {Marker("K0"), "\n", big, "\n.\n", Marker("K1"), "\r\n\r\n", big, "\r\n.\r\n"});
    }
    mail.Write("Folder.idx", Record("K1", "f", "s"));
    ExpectFilled(Convert(false), Expected{"s", "", "", {}, "", ""}.Text(), size, 'x', "\r\n\r\n#E\r\n\r\n");
    ExpectPeakBelow(10, size);
}

TEST_F(LimitsTest, AHundredMegabyteLineInTheIndex) {
    mail.Write("f.bmf", Marker("K1") + "\n\nbody\n.\n");
    const std::size_t size = 100 * kMegabyte;
    const std::string head = "0\x01K1\x01" "f\x01";
    WritePieces(mail, "Folder.idx", {head, std::string(size, 's'), Record("K1", "f", "").substr(head.size())});
    const std::string record = Expected{"", "", "", {}, "", "body\r\n\r\n#E\r\n\r\n"}.Text();
    const std::size_t subject = record.find("#T") + 2;
    ExpectFilled(Convert(false), record.substr(0, subject), size, 's', record.substr(subject));
    ExpectPeakBelow(10, size);
}

// Lines that a split into every field would turn into tens of millions of strings.
TEST_F(LimitsTest, AHundredMegabyteIndexLineOfSeparators) {
    mail.Write("f.bmf", Marker("K1") + "\n\nbody\n.\n");
    const std::size_t size = 100 * kMegabyte;
    struct Case {
        const char* name;
        std::string head, unit;
        std::vector<std::string> recipients;
    };
    const Case cases[] = {
        {"field separators: only the first twenty fields are read", "0\x01K1\x01" "f\x01t", "\x01", {}},
        {"commas after a recipient: the first empty piece ends the list", "0\x01K1\x01" "f\x01t\x01\x01r@example.jp", ",", {"r@example.jp"}},
        {"pieces without address", "0\x01K1\x01" "f\x01t\x01\x01", "x,", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string tail;
        tail.reserve(size);
        while (tail.size() < size) tail += c.unit;
        WritePieces(mail, "Folder.idx", {c.head, tail});
        tail = std::string();
        EXPECT_EQ(Convert(false), (Expected{"t", "", "", c.recipients, "", "body\r\n\r\n#E\r\n\r\n"}.Text()));
        ExpectPeakBelow(5, size);
    }
}

// Header lines whose tests split them into items: only the items needed are cut out.
TEST_F(LimitsTest, AHundredMegabyteHeaderLineOfSeparators) {
    const std::size_t size = 100 * kMegabyte;
    struct Case {
        const char* name;
        std::string head;
        char fill;
        std::string tail;
        std::string contains;
    };
    const Case cases[] = {
        {"a date line of blanks", "Date: 4 Feb 2020 1:2:3", ' ', "+0900", "#K2020/02/04\r\n"},
        {"a date line of commas", "Date: Tue, 4 Feb 2020 1:2:3 +0900", ',', "", "#K2020/02/04 1:2:3＠送信日時\r\n"},
        {"a Content-Type line of blanks", "Content-Type: multipart/mixed;", ' ', "boundary=B", "\r\npre\r\n\r\n#E\r\n"},
        // The index names no charset: the one found in the file converts the subject.
        {"a charset parameter among blanks", "Content-Type: text/plain;", ' ', "charset=utf-8", "#T\xe3\x81\x82\r\n"},
        // The long line is the marker: the status line after it is the first message line.
        {"a status line of commas", "X-Becky-Status: 0,0,0,0,0,K1", ',', "", "＠ＩＤ\r\n\r\npre\r\n"},
    };
    mail.Write("Folder.idx", Record("K1", "f", "\xe3\x81\x82", "", "", "", ""));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WritePieces(mail, "f.bmf", {c.head, std::string(size, c.fill), c.tail, "\n", Marker("K1"),
                                    "\n\npre\n--B\n\xe3\x81\x82\n.\n"});
        const std::string document = Convert(false);
        EXPECT_NE(document.find(c.contains), std::string::npos) << document.substr(0, 300);
        ExpectPeakBelow(3, size);
    }
}

// Each message's record starts from the delimiter, dates and charset left by the lines before
// it; a long value there must be kept once, not once for every message that follows.
TEST_F(LimitsTest, LongHeaderValuesBeforeManyMessages) {
    const std::string big(kMegabyte, 'b');
    std::string file = "Content-Type: multipart/mixed; boundary=" + big + "\nDate: 4 Feb " + big +
                       " 1:2:3 +0900\nContent-Type: text/plain; charset=" + big + "\n";
    for (int i = 0; i < 1000; ++i) file += "Content-Type: text/html\n" + Marker("K" + std::to_string(i)) + "\n\nbody\n.\n";
    mail.Write("f.bmf", file);
    mail.Write("Folder.idx", Record("K1", "f", "s") + "\n" + Record("K999", "f", "s"));
    const std::string document = Convert();
    const std::string dates = "#K" + big + "/02/04\r\n#K" + big + "/02/04 1:2:3＠送信日時\r\n";
    const std::size_t first = document.find(dates);
    ASSERT_NE(first, std::string::npos);  // in both records
    EXPECT_NE(document.find(dates, first + dates.size()), std::string::npos);
    ExpectPeakBelow(40, file.size());
}

// Only the first status line of a key is kept: a file of one key repeated on every line costs
// no memory per line.
TEST_F(LimitsTest, OneKeyOnEveryLineOfAMessageFile) {
    std::string file;
    while (file.size() < 64 * kMegabyte) file += Marker("K") + "\r\n";
    file += ".\r\n";
    mail.Write("f.bmf", file);
    mail.Write("Folder.idx", Record("K", "f", "s") + "\n" + Record("none", "f", "s"));
    const std::string document = Convert();
    EXPECT_NE(document.find("\r\n" + Marker("K") + "\r\n"), std::string::npos);  // the body: every line after the first
    ExpectPeakBelow(3, file.size());
}

TEST_F(LimitsTest, TenMegabyteFieldsAndAddresses) {
    mail.Write("f.bmf", Marker("K1") + "\n\nbody\n.\n");
    const std::string local(10 * kMegabyte, 'a');
    std::string recipients;
    std::vector<std::string> recipientList;
    while (recipients.size() < 10 * kMegabyte) {
        recipientList.push_back("r" + std::to_string(recipientList.size()) + "@example.jp");
        recipients += "Name <" + recipientList.back() + ">, ";
    }
    const std::string id(10 * kMegabyte, 'i');
    mail.Write("Folder.idx", Record("K1", "f", std::string(10 * kMegabyte, 't'), "Taro <" + local + "@example.jp>",
                                    recipients, "<" + id + ">"));
    const std::string expected = Expected{std::string(10 * kMegabyte, 't'), local + "@example.jp", "Taro", recipientList,
                                          id, "body\r\n\r\n#E\r\n\r\n"}.Text();
    ExpectSameBytes(Convert(false), expected);
}

// Address fields built to make a backtracking search slow; each must take linear time.
TEST(Limits, HostileTenMegabyteAddressFieldsTakeLinearTime) {
    struct Case {
        const char* name;
        std::string unit;
        std::string expected;  // the address found, for the field of 10 MB
    };
    const Case cases[] = {
        {"dotted words without at sign", "a.", ""},
        {"quotes", "\"", ""},
        {"quoted at signs", "\"@", ""},
        {"unclosed brackets", "<a", ""},
        {"at signs", "a@", ""},
        {"one-letter labels", "@a.", ""},
        {"quoted words before at signs", "\"a\"@", ""},
        {"labels without final label", "a@b.", ""},
        {"blanks", " ", ""},
        {"line breaks inside brackets", "<a@b.cc\n", "a@b.cc"},
    };
    for (const Case& c : cases) {
        std::string field;
        while (field.size() < 10 * kMegabyte) field += c.unit;
        const auto start = std::chrono::steady_clock::now();
        const std::string address = ExtractMailAddress(field);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(address, c.expected) << c.name;
        EXPECT_LT(seconds, 5.0) << c.name;  // linear is well under a second; quadratic, hours
    }
}

TEST_F(LimitsTest, AMillionIndexLines) {
    mail.Write("f.bmf", "Date: Tue, 4 Feb 2020 18:15:00 +0900\n" + Marker("K1") + "\n\nhi\n.\n");
    const std::string record = Record("K1", "f", "s", "a@b.cc") + "\n";
    const std::string nonRecord = "x\x01y\n";
    std::string index;
    index.reserve(500'000 * (record.size() + nonRecord.size()));
    for (int i = 0; i < 500'000; ++i) index += record + nonRecord;
    mail.Write("Folder.idx", index);

    const auto start = std::chrono::steady_clock::now();
    const RunOutcome outcome = Run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(outcome.status, RunStatus::Written);
    EXPECT_EQ(outcome.records, 500'000u);
    const std::string document = out.Read("x.REN");
    const std::string one =
        "#S\r\n#W80\r\n#Ts\r\n#Ka@b.cc＠差出人\r\n#K＠氏名\r\n#K2020/02/04\r\n#K2020/02/04 18:15:00＠送信日時\r\n#K＠ＩＤ\r\n"
        "hi\r\n\r\n#E\r\n\r\n";
    ASSERT_EQ(document.size(), 500'000 * one.size());
    for (std::size_t at = 0; at < document.size(); at += one.size()) {
        ASSERT_EQ(document.compare(at, one.size(), one), 0) << "record at byte " << at;
    }
    std::printf("1,000,000 index lines (%zu bytes) in %.2f s\n", index.size(), seconds);
}

TEST_F(LimitsTest, NulAndControlZAnywhere) {
    const std::string msg = Marker("K1") + "\n\nbody\n.\n";
    const FolderCase cases[] = {
        {"NUL and 0x1A in the key", Record("K\0\x1a"s, "f", "s"), Marker("K\0\x1a"s) + "\n\nfound\n.\n", "found\r\n"},
        {"0x1A in the subject", Record("K1", "f", "a\x1a" "b"), msg, "#Ta\x1a" "b\r\n"},
        {"NUL in the subject ends it", Record("K1", "f", "a\0b"s), msg, "#Ta\r\n"},
        {"NUL in the sender", Record("K1", "f", "s", "x@y.zz\0<a@b.cc>"s), msg, "#Ka@b.cc＠差出人"},
        {"NUL in a recipient", Record("K1", "f", "s", "", "a\0b@c.dd, e@f.gg"s), msg, "#Ke@f.gg＠受取人"},
        {"0x1A does not end the file", Record("K1", "f", "s"), Marker("K1") + "\n\nA\x1a" "B\n\x1a\nafter\n.\n",
         "A\x1a" "B\r\n\x1a\r\nafter\r\n"},
        {"NUL in a body line ends that line", Record("K1", "f", "s"), Marker("K1") + "\n\nA\0B\nnext\n.\n"s, "A\r\nnext\r\n"},
        {"NUL in a UTF-8 body line", Record("K1", "f", "s", "", "", "", "utf-8"), Marker("K1") + "\n\nA\0B\n.\n"s, "\r\nA\r\n\r\n#E\r\n"},
        {"NUL in double-byte ISO-2022-JP", Record("K1", "f", "s", "", "", "", "iso-2022-jp"),
         Marker("K1") + "\n\n\x1b$B$\0$\"\x1b(BZ\n.\n"s, "\xe3\x81\x82Z\r\n"},
        {"NUL in a date line", Record("K1", "f", "s"), "Date: 4 Feb 2020 1:2:3\0 +0900\n"s + msg, "#K2020/02/04\r\n"},
        {"NUL in the charset name", Record("K1", "f", "s", "", "", "", "utf-8\0x"s), Marker("K1") + "\n\n\xe3\x81\x82\n.\n",
         "\xe3\x81\x82\r\n"},
        {"NUL and 0x1A in the index line's end", Record("K1", "f", "s") + "\0\x1a"s, msg, "body\r\n"},
        {"file starts with NUL", Record("K1", "f", "s"), "\0"s + msg, "body\r\n"},
    };
    ExpectDocumentsHold(cases);
}

TEST_F(LimitsTest, ANulInTheFileNameNamesNoFile) {
    mail.Write("f.bmf", Marker("K1") + "\n\nbody\n.\n");
    mail.Write("Folder.idx", Record("K1", "f\0x"s, "s"));
    EXPECT_EQ(Run().status, RunStatus::MessageFileUnreadable);
    EXPECT_EQ(out.Listing(), "");
}

TEST_F(LimitsTest, FilesCutOffAnywhere) {
    const std::string index = Record("K1", "f", "s", "", "", "", "iso-2022-jp");
    const FolderCase cases[] = {
        {"last line of the message file without LF", index, Marker("K1") + "\n\nbody\n.", "body\r\n\r\n#E\r\n"},
        {"last index line without LF", index, Marker("K1") + "\n\nbody\n.\n", "#Ts\r\n"},
        {"a CR at the very end is data", index, Marker("K1") + "\n\nbody\n.\r", "body\r\n.\r"},
        {"file ends inside the marker line", index, "X-Becky-Status: 0,0,0,0,0,K", "#K＠ＩＤ\r\n"},
        {"file ends right after the marker", index, Marker("K1"), "#K＠ＩＤ\r\n"},
        {"file ends inside an escape", index, Marker("K1") + "\n\nab\x1b$", "ab\x1b$\r\n"},
        {"file ends after an escape", index, Marker("K1") + "\n\nab\x1b$B", "ab\x1b$B\r\n"},
        {"file ends inside a double-byte character", index, Marker("K1") + "\n\n\x1b$B$\"$", "\xe3\x81\x82\r\n"},
        {"file ends inside a Shift_JIS character", Record("K1", "f", "s"), Marker("K1") + "\n\nab\x82", "#K＠ＩＤ\r\nab"},
        {"file ends inside a UTF-8 character", Record("K1", "f", "s", "", "", "", "utf-8"), Marker("K1") + "\n\nab\xe3\x81",
         "ab?\r\n"},
        {"empty message file", index, "", "#K＠ＩＤ\r\n"},
    };
    ExpectDocumentsHold(cases);
}

// Every kind of broken text; the broken part may become anything sound, but the text on both
// sides of it survives.
TEST_F(LimitsTest, BrokenEncodingsInBodiesAndFields) {
    struct Broken {
        const char* name;
        std::string charset, bytes;
    };
    const Broken cases[] = {
        {"UTF-8 lone continuation bytes", "utf-8", "\x80\xbf"},
        {"UTF-8 overlong slash", "utf-8", "\xc0\xaf"},
        {"UTF-8 overlong three bytes", "utf-8", "\xe0\x80\xaf"},
        {"UTF-8 encoded surrogate", "utf-8", "\xed\xa0\x80"},
        {"UTF-8 above U+10FFFF", "utf-8", "\xf4\x90\x80\x80"},
        {"UTF-8 five- and six-byte forms", "utf-8", "\xf8\x88\x80\x80\x80\xfc\x84\x80\x80\x80\x80"},
        {"UTF-8 FE and FF", "utf-8", "\xfe\xff"},
        {"UTF-8 lead byte before ASCII", "utf-8", "\xe3" "a"},
        {"UTF-8 U+FFFD and a character outside code page 932", "utf-8", "\xef\xbf\xbd\xf0\x9f\x98\x80"},
        {"ISO-2022-JP escape never closed", "iso-2022-jp", "\x1b$B$\""},
        {"ISO-2022-JP odd byte before the closing escape", "iso-2022-jp", "\x1b$B$\"$\x1b(B"},
        {"ISO-2022-JP bytes out of range", "iso-2022-jp", "\x1b$B\x20\x21\x7f\x7f\x80\x80\xa4\xa2\x1b(B"},
        {"ISO-2022-JP unknown escapes", "iso-2022-jp", "\x1b(I12\x1b$A\x1b" "x\x1b"},
        {"ISO-2022-JP shift controls", "iso-2022-jp", "\x0e" "ab\x0f"},
        {"ISO-2022-JP escape at the end", "iso-2022-jp", "\x1b$B"},
        {"ISO-2022-JP 8-bit bytes", "iso-2022-jp", "\x82\xa0\xff"},
        {"Shift_JIS lead byte before a blank", "shift_jis", "\x82 "},
        {"Shift_JIS lone lead byte before the end", "shift_jis", "\x81"},
        {"Shift_JIS undefined bytes", "shift_jis", "\x80\xa0\xfd\xfe\xff"},
        {"Shift_JIS unassigned pair", "shift_jis", "\x85\x40\xeb\x40"},
    };
    for (const Broken& c : cases) {
        SCOPED_TRACE(c.name);
        // In a body line, in the subject and in a recipient's name (the address itself is clean).
        // Double-byte text runs to the end of its line unless an escape closes it; a Shift_JIS
        // lead byte takes the byte after it along, whatever that is.
        const std::string close = c.charset == "iso-2022-jp" ? "\x1b(B" : c.charset == "shift_jis" ? " " : "";
        mail.Write("f.bmf", Marker("K1") + "\n\n<" + c.bytes + close + "> and more\n.\n");
        mail.Write("Folder.idx", Record("K1", "f", "S<" + c.bytes + ">E", "", c.bytes + " <r@example.jp>", "", c.charset,
                                        c.charset));
        const std::string document = Convert();
        EXPECT_NE(document.find("#TS<"), std::string::npos) << document;
        EXPECT_NE(document.find("#Kr@example.jp＠受取人\r\n"), std::string::npos) << document;
        EXPECT_NE(document.find("> and more\r\n\r\n#E\r\n"), std::string::npos) << document;
    }
}

TEST_F(LimitsTest, BrokenUtf8BecomesQuestionMarks) {
    const std::string damaged[] = {"\x80", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xfe\xff", "\xe3"};
    for (const std::string& bytes : damaged) {
        SCOPED_TRACE(::testing::PrintToString(bytes));
        // Text follows the damage: Wine, unlike Windows, swallows what is left of a line after a
        // lead byte that has no room for its sequence, even bytes that cannot continue it.
        mail.Write("f.bmf", Marker("K1") + "\n\n<" + bytes + "> end\n.\n");
        mail.Write("Folder.idx", Record("K1", "f", "s", "", "", "", "utf-8"));
        const std::string document = Convert();
        const std::size_t open = document.find("\r\n<"), close = document.find("> end\r\n");
        ASSERT_NE(open, std::string::npos);
        ASSERT_NE(close, std::string::npos) << document;
        const std::string between = document.substr(open + 3, close - open - 3);
        EXPECT_FALSE(between.empty());
        EXPECT_EQ(between.find_first_not_of('?'), std::string::npos) << between;
    }
}

TEST_F(LimitsTest, OldMacLineEndsStayInsideTheLine) {
    mail.Write("f.bmf", Marker("K1") + "\n\none\rtwo\r.\r");
    mail.Write("Folder.idx", Record("K1", "f", "s"));
    // Only LF ends a line: "one", "two" and "." are one line, which neither ends the message
    // nor loses its CRs.
    EXPECT_EQ(Convert(), (Expected{"s", "", "", {}, "", "one\rtwo\r.\r\r\n"}.Text()));
}

TEST(Limits, IndexPathsOutsideTheFolderAreReadAsGivenAndNothingIsWrittenThere) {
    ScratchDir root;
    root.Write("mail/Folder.idx", "");
    root.Write("other/m.bmf", Marker("K1") + "\n\nfrom the other folder\n.\n");
    root.Write("out/keep", "");
    const std::string mailFolder = root.Folder() + "mail/";
    const RunPaths paths{mailFolder, root.Folder() + "out", "x.REN"};
    const std::string otherBefore = root.Listing("other");

    // "..": the stem is joined to the folder as it stands and read from there.
    root.Write("mail/Folder.idx", Record("K1", "../other/m", "s"));
    RunOutcome outcome = ConvertFolder(paths);
    EXPECT_EQ(outcome.status, RunStatus::Written);
    const std::string document = root.Read("out/x.REN");
    EXPECT_NE(document.find("from the other folder\r\n"), std::string::npos);
    EXPECT_EQ(test::ConvertFolderLiterally(mailFolder).document, document);

    // An absolute path is joined to the folder too, so it names nothing.
    root.Write("mail/Folder.idx", Record("K1", root.Folder() + "other/m", "s"));
    outcome = ConvertFolder(paths);
    EXPECT_EQ(outcome.status, RunStatus::MessageFileUnreadable);
    EXPECT_EQ(outcome.path, mailFolder + root.Folder() + "other/m.bmf");

    // A stem that names a folder.
    root.Write("mail/sub.bmf/inner", "");
    root.Write("mail/Folder.idx", Record("K1", "sub", "s"));
    EXPECT_EQ(ConvertFolder(paths).status, RunStatus::MessageFileUnreadable);

    EXPECT_EQ(root.Listing("other"), otherBefore);
    EXPECT_EQ(root.Listing("mail"), "Folder.idx\nsub.bmf\n");
    EXPECT_EQ(root.Listing("out"), "keep\nx.REN\n");
    EXPECT_EQ(root.Read("out/x.REN"), document);  // the failed runs left the document as it was
}

}  // namespace
}  // namespace vellum
