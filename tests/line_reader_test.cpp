#include "util/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "tests/test_folder.h"
#include "util/memory_file.h"

namespace vellum {
namespace {

using namespace std::string_literals;

struct Line {
    std::string text;
    std::uint64_t next;  // offset of the line after it
};

// The lines by the rule itself: LF ends a line, a CR right before it goes with it, a last line
// without LF counts with whatever it ends in.
std::vector<Line> Expected(const std::string& bytes) {
    std::vector<Line> lines;
    for (std::size_t start = 0; start < bytes.size();) {
        const std::size_t lf = bytes.find('\n', start);
        if (lf == std::string::npos) {
            lines.push_back({bytes.substr(start), bytes.size()});
            break;
        }
        std::string text = bytes.substr(start, lf - start);
        if (!text.empty() && text.back() == '\r') text.pop_back();
        lines.push_back({text, lf + 1});
        start = lf + 1;
    }
    return lines;
}

const std::string kText = "a\r\nb\n\n\r\nc\rd\r\n" + std::string(100, 'x') + "\r\nnul\0byte\x1a\r\r\n"s + "y\r\n" +
                          std::string(37, 'z') + "\nlast\r";

// The ways a file is read: into the reader's buffer, seen in place (as a mapped file is), seen in
// place for a few windows and then read (a file system that stops mapping), and a real file.
enum class Source { Read, View, ViewThenRead, Disk };
constexpr Source kSources[] = {Source::Read, Source::View, Source::ViewThenRead, Source::Disk};

class Opened {
public:
    Opened(Source source, const std::string& bytes) {
        if (source == Source::Disk) {
            dir_.Write("f", bytes);
            file_ = platform::OpenInputFile(dir_.Folder() + "f");
        } else {
            file_ = std::make_unique<MemoryFile>(bytes, source == Source::Read ? 0 : source == Source::View ? 1000000 : 3);
        }
    }
    platform::InputFile& File() { return *file_; }

private:
    test::ScratchDir dir_;
    std::unique_ptr<platform::InputFile> file_;
};

TEST(LineReader, EveryBufferSizeGivesTheSameLinesAsStringsAndViews) {
    const std::vector<Line> expected = Expected(kText);
    ASSERT_EQ(expected.back().text, "last\r");  // a CR without LF is data
    for (const Source source : kSources) {
        for (std::size_t size : {1, 2, 3, 5, 7, 13, 64, 101, 1 << 20}) {
            Opened viewFile(source, kText), stringFile(source, kText);
            LineReader views(viewFile.File(), size), strings(stringFile.File(), size);
            std::string_view view;
            std::string line = "old";
            const auto where = [&] { return "source " + std::to_string(static_cast<int>(source)) + " size " + std::to_string(size); };
            for (const Line& e : expected) {
                ASSERT_TRUE(views.ReadLine(view)) << where();
                ASSERT_TRUE(strings.ReadLine(line)) << where();
                EXPECT_EQ(view, e.text) << where();
                EXPECT_EQ(line, e.text) << where();
                EXPECT_EQ(views.BytesConsumed(), e.next) << where();
            }
            EXPECT_FALSE(views.ReadLine(view)) << where();
            EXPECT_TRUE(view.empty());
            EXPECT_FALSE(strings.ReadLine(line)) << where();
            EXPECT_EQ(line, "");
        }
    }
}

TEST(LineReader, SeeksBackToALineStart) {
    const std::vector<Line> expected = Expected(kText);
    for (const Source source : kSources) {
        for (std::size_t size : {1, 4, 64, 1 << 20}) {
            Opened file(source, kText);
            LineReader lines(file.File(), size);
            std::string_view view;
            while (lines.ReadLine(view)) {
            }
            for (std::size_t i = expected.size() - 1; i-- > 0;) {
                ASSERT_TRUE(lines.SeekTo(expected[i].next)) << size;
                ASSERT_TRUE(lines.ReadLine(view)) << size;
                EXPECT_EQ(view, expected[i + 1].text) << size << " line " << i + 1;
            }
        }
    }
}

// Stands for the search of a whole block of lines: the first '#'.
std::size_t FindHash(std::string_view bytes) { return bytes.find('#'); }

// Every line with a '#' is read, with the offset after it, whatever the buffer and wherever the
// '#' stands; lines without one are skipped, but for those cut by the end of a buffer.
TEST(LineReader, SkipsOnlyLinesInWhichNothingIsFound) {
    const std::string text = "#\nno\r\na#\r\n\n\nb\r\nc#\n" + std::string(150, 'x') + "#\n" + std::string(90, 'y') +
                             "\r\nend#\r\nnone\r\n#last";
    const std::vector<Line> all = Expected(text);
    for (const Source source : kSources) {
        for (std::size_t size : {1, 2, 3, 7, 64, 101, 1 << 20}) {
            Opened file(source, text);
            LineReader lines(file.File(), size);
            std::vector<Line> read;
            std::string_view view;
            while (lines.SkipLinesWithout(FindHash) && lines.ReadLine(view)) read.push_back({std::string(view), lines.BytesConsumed()});
            const auto where = "source " + std::to_string(static_cast<int>(source)) + " size " + std::to_string(size);
            std::size_t next = 0;  // in `all`
            for (const Line& r : read) {
                while (next < all.size() && all[next].next != r.next) {
                    EXPECT_EQ(all[next].text.find('#'), std::string::npos) << where << ": skipped " << all[next].text;
                    ++next;
                }
                ASSERT_LT(next, all.size()) << where << ": read " << r.text;
                EXPECT_EQ(r.text, all[next].text) << where;
                ++next;
            }
            EXPECT_EQ(next, all.size()) << where << ": the last line with a find is never skipped";
            if (size == 1 << 20) {
                EXPECT_EQ(read.size(), 6u) << where << ": nothing else when every line is at hand";
            }
        }
    }
}

// Line ends are found many bytes at a time: random texts whose lines run from none to several
// blocks of bytes, read through buffers that cut them anywhere, with seeks back, skips and the
// buffer given back in between, give the lines by the rule every time.
TEST(LineReader, RandomTextsGiveTheirLinesWhateverTheReadsBetween) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::string text;
        const std::size_t longest = std::size_t{1} << (random() % 9);  // 1 to 256 bytes a line
        for (std::size_t lines = random() % 60; lines > 0; --lines) {
            for (std::size_t n = random() % (longest + 1); n > 0; --n) text += "ab#\r\0\x80"[random() % 6];
            text += random() % 4 == 0 ? "\r\n" : "\n";
        }
        if (random() % 2 == 0) text += "tail";
        const std::vector<Line> expected = Expected(text);
        const Source source = kSources[round % 4];
        const std::size_t size = std::vector<std::size_t>{1, 63, 64, 65, 100, 128, 1000, 1 << 20}[random() % 8];
        Opened file(source, text);
        LineReader lines(file.File(), size);
        const auto where = "round " + std::to_string(round) + " size " + std::to_string(size);
        std::size_t next = 0;  // the line in `expected` that reading gives next
        std::string_view view;
        for (int step = 0; step < 200 && next < expected.size(); ++step) {
            switch (random() % 9) {
                case 0: {  // back to an earlier line start
                    next = random() % (next + 1);
                    ASSERT_TRUE(lines.SeekTo(next == 0 ? 0 : expected[next - 1].next)) << where;
                    break;
                }
                case 1: {  // on to the next line holding a '#', or one cut by a buffer's end
                    if (!lines.SkipLinesWithout(FindHash)) {
                        for (; next < expected.size(); ++next) EXPECT_EQ(expected[next].text.find('#'), std::string::npos) << where;
                        break;
                    }
                    while (next < expected.size() && (next == 0 ? 0 : expected[next - 1].next) != lines.BytesConsumed()) {
                        EXPECT_EQ(expected[next].text.find('#'), std::string::npos) << where;
                        ++next;
                    }
                    ASSERT_LT(next, expected.size()) << where;
                    break;
                }
                case 2:  // the bytes at hand given back: reading goes on where it stood
                    lines.Release();
                    break;
                default:
                    ASSERT_TRUE(lines.ReadLine(view)) << where;
                    EXPECT_EQ(view, expected[next].text) << where << " line " << next;
                    EXPECT_EQ(lines.BytesConsumed(), expected[next].next) << where << " line " << next;
                    ++next;
            }
        }
        if (next == expected.size()) {
            EXPECT_FALSE(lines.ReadLine(view)) << where;
        }
    }
}

TEST(LineReader, NothingFollowsAFinalLineFeed) {
    for (const Source source : kSources) {
        for (const std::string& text : {""s, "\n"s, "one\n"s, "\r\n\r\n"s}) {
            Opened file(source, text);
            LineReader lines(file.File(), 2);
            std::vector<std::string> read;
            std::string_view view;
            while (lines.ReadLine(view)) read.emplace_back(view);
            std::vector<std::string> expected;
            for (const Line& e : Expected(text)) expected.push_back(e.text);
            EXPECT_EQ(read, expected) << text;
        }
    }
}

}  // namespace
}  // namespace vellum
