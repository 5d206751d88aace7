#include "util/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vellum {
namespace {

struct ReplaceCase {
    std::string subject, pattern, replacement, expected;
};

TEST(ReplaceAll, RemovesEveryOccurrenceSearchingFromTheStart) {
    const ReplaceCase cases[] = {
        {"a<b>c", "<", "", "ab>c"},
        {"ab>c", ">", "", "abc"},
        {"aabb", "ab", "", ""},              // removing the inner ab makes a new one
        {"xabcabcy", "abc", "", "xy"},
        {"ababa", "aba", "", "ba"},          // the leftmost occurrence goes first
        {"aabaabaa", "aba", "", "aa"},
        {"unchanged", "", "", "unchanged"},  // empty pattern
        {"", "x", "", ""},
        {"no match", "zz", "", "no match"},
        {"\x83\x5c\x83\x5c", "\\", "", "\x83\x83"},  // byte-wise: a Shift_JIS trail byte goes too
        {std::string("a\0b\0c", 5), std::string("\0", 1), "", "abc"},
        {"a-b-c", "-", "+", "a+b+c"},        // a replacement that does not hold the pattern
        {"aaa", "a", "bb", "bbbbbb"},
    };
    for (const ReplaceCase& c : cases) {
        std::string subject = c.subject;
        EXPECT_EQ(ReplaceAll(subject, c.pattern, c.replacement), c.expected) << c.subject << " / " << c.pattern;
        EXPECT_EQ(subject, c.expected) << "the subject itself is rewritten";
    }
}

// The restart-from-the-start loop, literally: the reference for the linear removal.
std::string RemoveLiterally(std::string subject, const std::string& pattern) {
    for (std::size_t at = subject.find(pattern); !pattern.empty() && at != std::string::npos; at = subject.find(pattern)) {
        subject.erase(at, pattern.size());
    }
    return subject;
}

TEST(ReplaceAll, LinearRemovalAgreesWithTheLiteralLoopOnRandomText) {
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> letter(0, 2);
    std::uniform_int_distribution<int> length(0, 30);
    std::uniform_int_distribution<int> patternLength(1, 5);
    int compared = 0;
    for (int i = 0; i < 100000; ++i) {
        std::string subject, pattern;
        for (int n = length(random); n > 0; --n) subject.push_back(static_cast<char>('a' + letter(random)));
        for (int n = patternLength(random); n > 0; --n) pattern.push_back(static_cast<char>('a' + letter(random)));
        std::string rewritten = subject;
        ASSERT_EQ(ReplaceAll(rewritten, pattern, ""), RemoveLiterally(subject, pattern)) << subject << " / " << pattern;
        ++compared;
    }
    EXPECT_EQ(compared, 100000);
}

TEST(ReplaceAll, LongSubjectsAndPatternsTakeLinearTime) {
    // 10 MB of nested occurrences: the literal loop would take hours.
    const std::size_t half = 5'000'000;
    std::string nested = std::string(half, 'a') + std::string(half, 'b');
    EXPECT_EQ(ReplaceAll(nested, "ab", ""), "");
    std::string brackets(10'000'000, '<');
    EXPECT_EQ(ReplaceAll(brackets, "<", ""), "");
    // A pattern as long as a sender address can be.
    const std::string address(4'000'000, 'x');
    std::string field = "name " + address + " tail";
    EXPECT_EQ(ReplaceAll(field, address, ""), "name  tail");
}

struct SplitCase {
    std::string text;
    std::vector<std::string> fields;
};

TEST(SplitByChar, KeepsInnerEmptyFieldsAndDropsOnlyTheTrailingOne) {
    const SplitCase cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,b,", {"a", "b"}},
        {",", {""}},
        {",,", {"", ""}},
        {"a,,", {"a", ""}},
        {"abc", {"abc"}},
        {"", {""}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(SplitByChar(c.text, ','), c.fields) << c.text;
        // The first fields alone, counted or into fixed room, are the same.
        for (std::size_t count = 1; count <= 4; ++count) {
            const std::vector<std::string> first(c.fields.begin(), c.fields.begin() + std::min(count, c.fields.size()));
            EXPECT_EQ(SplitByChar(c.text, ',', count), first) << c.text << " " << count;
            std::vector<std::string_view> room(count);
            room.resize(SplitViewsByChar(c.text, ',', std::span(room)));
            EXPECT_EQ(std::vector<std::string>(room.begin(), room.end()), first) << c.text << " " << count;
        }
    }
}

TEST(SplitByChar, SplitsIndexLinesOnlyAtTheSeparatorByte) {
    EXPECT_EQ(SplitByChar("k\x01" "a, b c\x01" "x", '\x01'), (std::vector<std::string>{"k", "a, b c", "x"}));
    EXPECT_EQ(SplitByChar("\x01\x01\x01", '\x01'), (std::vector<std::string>{"", "", ""}));
}

}  // namespace
}  // namespace vellum
