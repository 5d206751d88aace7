#include "util/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

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

TEST(LineReader, EveryBufferSizeGivesTheSameLinesAsStringsAndViews) {
    const std::vector<Line> expected = Expected(kText);
    ASSERT_EQ(expected.back().text, "last\r");  // a CR without LF is data
    for (std::size_t size : {1, 2, 3, 5, 7, 13, 64, 101, 1 << 20}) {
        MemoryFile viewFile(kText), stringFile(kText);
        LineReader views(viewFile, size), strings(stringFile, size);
        std::string_view view;
        std::string line = "old";
        for (const Line& e : expected) {
            ASSERT_TRUE(views.ReadLine(view)) << size;
            ASSERT_TRUE(strings.ReadLine(line)) << size;
            EXPECT_EQ(view, e.text) << size;
            EXPECT_EQ(line, e.text) << size;
            EXPECT_EQ(views.BytesConsumed(), e.next) << size;
        }
        EXPECT_FALSE(views.ReadLine(view)) << size;
        EXPECT_TRUE(view.empty());
        EXPECT_FALSE(strings.ReadLine(line)) << size;
        EXPECT_EQ(line, "");
    }
}

TEST(LineReader, SeeksBackToALineStart) {
    const std::vector<Line> expected = Expected(kText);
    for (std::size_t size : {1, 4, 64, 1 << 20}) {
        MemoryFile file(kText);
        LineReader lines(file, size);
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

TEST(LineReader, NothingFollowsAFinalLineFeed) {
    for (const std::string& text : {""s, "\n"s, "one\n"s, "\r\n\r\n"s}) {
        MemoryFile file(text);
        LineReader lines(file, 2);
        std::vector<std::string> read;
        std::string_view view;
        while (lines.ReadLine(view)) read.emplace_back(view);
        std::vector<std::string> expected;
        for (const Line& e : Expected(text)) expected.push_back(e.text);
        EXPECT_EQ(read, expected) << text;
    }
}

}  // namespace
}  // namespace vellum
