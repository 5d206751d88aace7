// The run against the literal reading (every record's file from its first line) on seeded random
// folders that go down every path of the message rules: repeated and interleaved keys, keys that
// match nothing, missing ends, quoted boundaries, empty charsets, dates and charsets carried over
// from earlier messages.
#include <gtest/gtest.h>

#include <random>

#include "convert/conversion_run.h"
#include "convert/message_store.h"
#include "convert/output_document.h"
#include "tests/literal_reference.h"
#include "tests/test_folder.h"
#include "util/strings.h"

namespace vellum {
namespace {

class FolderMaker {
public:
    explicit FolderMaker(unsigned seed) : random_(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(int percent) { return Pick(100) < percent; }

    std::string Key() { return "K" + std::to_string(Pick(30)); }
    std::string Boundary() { return "B" + std::to_string(Pick(4)); }

    std::string BoundaryParameter() {
        const std::string b = Boundary();
        switch (Pick(4)) {
            case 0: return "boundary=" + b;
            case 1: return "boundary=\"" + b + "\"";
            case 2: return "boundary=\"" + b + "\";";
            default: return "boundary=" + b + ";";
        }
    }

    std::string Date() {
        static const char* const kMonths[] = {"Jan", "Feb", "Mar", "dec", "Dec"};
        const std::string day = std::to_string(1 + Pick(28));
        const std::string month = kMonths[Pick(5)];
        switch (Pick(5)) {
            case 0: return "Date: " + day + " " + month + " 2020 10:0" + std::to_string(Pick(10)) + ":00 +0900";
            case 1: return "Date: 4 Feb 2020 18:15:00";  // too few fields
            case 2: return "Delivery-Date: Tue, 4 Feb 2021 18:15:00 +0900";
            default: return "Date: Tue, " + day + " " + month + " 2019 08:05:09 +0900";
        }
    }

    std::string Text() {
        switch (Pick(9)) {
            case 0: return "";
            case 1: return "plain text line";
            case 2: return "\x1b$B\x24\x22\x24\x24\x2d\x21\x1b(B mixed";  // iso-2022-jp
            case 3: return "\xe3\x81\x82\xef\xbd\x9e utf-8";
            case 4: return "\x82\xa0\x87\x40 sjis";
            case 5: return "bad \xff\xfe\xc3";
            case 6: return std::string("nul\0inside", 10);
            case 7: return "..";
            default: return "Subject: text with charset=utf-8 inside";
        }
    }

    std::string AnyLine() {
        switch (Pick(16)) {
            case 0: return Date();
            case 1: return "Content-Type: multipart/mixed; " + BoundaryParameter();
            case 2: return "Content-Type: text/plain; charset=" + std::string(Chance(50) ? "iso-2022-jp" : "\"utf-8\"");
            case 3: return "Content-Type: text/html";
            case 4: return Chance(80) ? "Mime-Version: 1.0" : "MIME-Version: 1.0";
            case 5: return "--" + Boundary();
            case 6: return "--" + Boundary() + "--";
            case 7: return ".";
            case 8: return "X-Becky-Status: 0,0,0,0,0," + Key() + ",0";
            case 9: return "\tboundary=" + Boundary();
            case 10: return "Content-Type: multipart/alternative;";
            default: return Text();
        }
    }

    std::vector<std::string> Message(const std::string& key) {
        std::vector<std::string> lines;
        if (Chance(80)) lines.push_back(Date());
        if (Chance(60)) lines.push_back("Content-Type: multipart/mixed; " + BoundaryParameter());
        else if (Chance(60)) lines.push_back("Content-Type: text/plain; charset=" + std::string(Chance(50) ? "iso-2022-jp" : "utf-8;"));
        if (Chance(50)) lines.push_back("Mime-Version: 1.0");
        if (Chance(10)) lines.push_back("X-Becky-Status: a,b,c,d," + key);  // five items: no marker
        // The status line itself may carry a date or a charset that the header tests still read.
        lines.push_back("X-Becky-Status: 0,0,0,0,0," + key + ",0" + (Chance(10) ? " charset=utf-8" : Chance(5) ? " Date: 9 Mar 2021 1:2:3 Z" : ""));
        for (int n = Pick(12); n > 0; --n) lines.push_back(Chance(70) ? Text() : AnyLine());
        switch (Pick(4)) {
            case 0: lines.push_back("."); break;
            case 1: lines.push_back("--" + Boundary()); break;
            case 2: break;  // no end of its own
            default:
                lines.push_back("--" + Boundary());
                lines.push_back("Content-Type: text/plain");
                lines.push_back("Mime-Version: 1.0");
                lines.push_back("");
                lines.push_back(Text());
                lines.push_back("--" + Boundary());
                break;
        }
        return lines;
    }

    std::string File(int messages) {
        const std::string eol = Chance(50) ? "\r\n" : "\n";
        std::string bytes;
        for (int m = 0; m < messages; ++m) {
            for (const std::string& line : Message(Key())) bytes += line + eol;
        }
        if (Chance(30) && !bytes.empty()) bytes.resize(bytes.size() - eol.size());  // last line without end
        return bytes;
    }

    std::string Charset() {
        static const char* const kCharsets[] = {"", "iso-2022-jp", "utf-8", "shift_jis", "UTF-8", "<iso-2022-jp"};
        return kCharsets[Pick(6)];
    }

    std::string Index(int files, int lines, bool withMissingFile) {
        std::string index;
        for (int i = 0; i < lines; ++i) {
            if (Chance(5)) {
                index += "short\x01line\n";
                continue;
            }
            std::string stem = "f" + std::to_string(Pick(files));
            if (withMissingFile && i == lines - 3) stem = "absent";
            index += test::IndexLine({"0", Key(), stem, Chance(50) ? "Subject" : "\x1b$B\x24\x22\x1b(B", "Name <a@b.jp>",
                                      "c@d.jp, e@f.jp", "<id@x>", "", "", "", "", "", "", "", "", "", Charset(), "", "",
                                      Chance(50) ? Charset() : ";"});
            index += "\n";
        }
        return index;
    }

private:
    std::mt19937 random_;
};

TEST(Differential, TheRunMatchesTheLiteralReadingOnRandomFolders) {
    int folders = 0, records = 0, failures = 0;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        FolderMaker make(seed);
        test::ScratchDir mail, out;
        const int files = 1 + make.Pick(4);
        for (int f = 0; f < files; ++f) mail.Write("f" + std::to_string(f) + ".bmf", make.File(5 + make.Pick(40)));
        const bool missing = make.Chance(10);
        mail.Write("Folder.idx", make.Index(files, 10 + make.Pick(80), missing));

        const test::LiteralResult expected = test::ConvertFolderLiterally(mail.Folder());
        // Every other folder with tiny limits, so that bodies go to scratch files and every seek
        // leaves the read buffer.
        RunLimits limits;
        if (seed % 2 == 0) limits = {static_cast<std::size_t>(1 + make.Pick(40)), static_cast<std::size_t>(1 + make.Pick(64))};
        // One to four threads taking batches of one to eight records: the document must not
        // depend on which thread converts what or in which order the batches finish.
        limits.threads = static_cast<std::size_t>(1 + make.Pick(4));
        limits.batchRecords = static_cast<std::size_t>(1 + make.Pick(8));
        const RunOutcome outcome = ConvertFolder({mail.Folder(), out.Path().string(), "x.REN"}, {}, limits);
        ASSERT_EQ(outcome.status, expected.status) << "seed " << seed;
        if (expected.status == RunStatus::Written) {
            ASSERT_EQ(out.Read("x.REN"), expected.document) << "seed " << seed;
            ASSERT_EQ(out.Listing(), "x.REN\n") << "no scratch file is left behind";
        } else {
            ++failures;
        }

        // Record by record, through a store that reads a few bytes at a time, for a precise
        // report of the first record that differs.
        MessageStore store({}, 0, static_cast<std::size_t>(1 + make.Pick(64)));
        IndexRecord fast, slow;
        for (const std::string& line : SplitByChar(mail.Read("Folder.idx"), '\n')) {
            if (!ParseIndexLine(line, mail.Folder(), fast) || !ParseIndexLine(line, mail.Folder(), slow)) continue;
            const std::optional<MessageFields> a = ParseMessageFile(fast, store);
            const std::optional<MessageFields> b = test::ParseMessageFileLiterally(slow);
            ASSERT_EQ(a.has_value(), b.has_value()) << "seed " << seed;
            if (!a) break;
            OutputDocument da, db;
            AppendRecord(da, fast, *a);
            AppendRecord(db, slow, *b);
            ASSERT_EQ(da, db) << "seed " << seed << " line " << line;
            ++records;
        }
        ++folders;
    }
    std::printf("compared %d folders (%d ending on a missing message file), %d records one by one\n", folders,
                failures, records);
    EXPECT_GT(records, 10000);
}

}  // namespace
}  // namespace vellum
