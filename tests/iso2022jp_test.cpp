#include "decode/iso2022jp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <utility>

#include "decode/codepage.h"

namespace vellum {
namespace {

std::string Decode(std::string_view source) {
    std::string out;
    DecodeIso2022Jp(source, out);
    return out;
}

struct DecodeCase {
    const char* name;
    std::string source, expected;
};

TEST(DecodeIso2022Jp, ConvertsJisPairsAndFollowsTheEscapes) {
    using namespace std::string_literals;
    const DecodeCase cases[] = {
        {"hiragana then ASCII", "\x1b$B\x24\x22\x1b(BA", "\x82\xa0" "A"},
        {"worked pairs", "\x1b$B\x24\x21\x30\x21\x21\x21\x7e\x7e\x1b(Bx", "\x82\x9f\x88\x9f\x81\x40\xef\xfc" "x"},
        {"circled digit one (row 13) survives", "\x1b$B\x2d\x21\x1b(B.", "\x87\x40."},
        {"no escapes: copied, zero bytes dropped", "plain\0text"s, "plaintext"},
        {"zero bytes dropped around escapes", "\0a\0\x1b$B\x24\x22\x1b(B\0b\0"s, "a\x82\xa0" "b"},
        {"unknown escape then a known one", "a\x1b(I\x1b$B\x24\x22\x1b(Bc", "a\x1b(I\x82\xa0" "c"},
        {"ESC ( B directly followed by ESC $ B", "\x1b(B\x1b$B\x24\x22.", "\x82\xa0"},
        {"closing escape at the very end yields nothing", "\x1b$B\x24\x22\x1b(B", "\x82\xa0"},
        {"escape at the very end in single-byte mode is data", "ab\x1b$B", "ab\x1b$B"},
        {"odd trailing byte dropped", "\x1b$B\x24\x22\x24", "\x82\xa0"},
        {"line break in double-byte mode vanishes", "\x1b$B\r\n\x24\x22.", "\x82\xa0"},
        {"ESC ( I is data", "\x1b(I12", "\x1b(I12"},
        {"ESC $ ( D is double-byte", "\x1b$(D\x24\x22\x1b(B.", "\x82\xa0."},
        {"ESC $ @ is double-byte", "\x1b$@\x24\x22\x1b(J.", "\x82\xa0."},
        {"ESC & @ ESC $ B is double-byte", "\x1b&@\x1b$B\x24\x22\x1b(B.", "\x82\xa0."},
        {"SO and SI are data", "\x0e\x0f", "\x0e\x0f"},
        {"invalid pair vanishes", "\x1b$B\x24\x7f\x24\x22\x1b(B.", "\x82\xa0."},
        {"pair with a high byte vanishes", "\x1b$B\xa4\xa2\x24\x22\x1b(B.", "\x82\xa0."},
        {"empty", "", ""},
        {"row 0x5f odd/even second-byte rule", "\x1b$B\x5f\x60\x60\x5f\x1b(B.", "\xe0\x80\xe0\xdd."},
    };
    for (const DecodeCase& c : cases) EXPECT_EQ(Decode(c.source), c.expected) << c.name;
}

TEST(DecodeIso2022Jp, AppendsToWhatTheOutputHolds) {
    std::string out = "keep";
    DecodeIso2022Jp("\x1b$B\x24\x22\x1b(B!", out);
    EXPECT_EQ(out, "keep\x82\xa0!");
}

TEST(DecodeIso2022Jp, EveryValidPairGivesAValidShiftJisPair) {
    for (int j1 = 0x21; j1 <= 0x7e; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7e; ++j2) {
            std::string source = "\x1b$B";
            source.push_back(static_cast<char>(j1));
            source.push_back(static_cast<char>(j2));
            source += "\x1b(B.";
            const std::string out = Decode(source);
            ASSERT_EQ(out.size(), 3u);
            const int s1 = static_cast<unsigned char>(out[0]), s2 = static_cast<unsigned char>(out[1]);
            EXPECT_TRUE((s1 >= 0x81 && s1 <= 0x9f) || (s1 >= 0xe0 && s1 <= 0xef)) << j1 << "," << j2;
            EXPECT_TRUE(s2 >= 0x40 && s2 <= 0xfc && s2 != 0x7f) << j1 << "," << j2;
        }
    }
}

// The decoder written the plain way, a byte or a pair at a time, to hold the real one against.
std::string DecodeByteByByte(std::string_view source) {
    static const std::pair<std::string_view, bool> kEscapes[] = {
        {"\x1b$@", true}, {"\x1b$B", true}, {"\x1b(B", false}, {"\x1b(J", false}, {"\x1b$(D", true}, {"\x1b&@\x1b$B", true},
    };
    std::string out;
    bool doubleByte = false;
    std::size_t pos = 0;
    while (pos < source.size()) {
        bool escape = false;
        for (const auto& [bytes, isDouble] : kEscapes) {
            if (source.size() - pos > bytes.size() && source.substr(pos, bytes.size()) == bytes) {
                doubleByte = isDouble;
                pos += bytes.size();
                escape = true;
                break;
            }
        }
        if (escape) continue;
        if (!doubleByte) {
            if (source[pos] != '\0') out += source[pos];
            ++pos;
            continue;
        }
        const int j1 = static_cast<unsigned char>(source[pos]);
        const int j2 = pos + 1 < source.size() ? static_cast<unsigned char>(source[pos + 1]) : 0;
        pos += 2;
        if (j1 < 0x21 || j1 > 0x7e || j2 < 0x21 || j2 > 0x7e) continue;
        out += static_cast<char>(((j1 + 1) >> 1) + (j1 <= 0x5e ? 0x70 : 0xb0));
        out += static_cast<char>(j2 + (j1 % 2 == 0 ? 0x7e : j2 >= 0x60 ? 0x20 : 0x1f));
    }
    return out;
}

// Random text of escapes (whole, cut short and unknown), JIS pairs, ASCII runs of every length
// and zero bytes, which single-byte text drops; with `eightBit`, now and then a byte from 0x80
// on, and now and then a text longer than a line.
std::string RandomJisText(std::mt19937& random, int round, bool eightBit) {
    using namespace std::string_view_literals;
    static const std::string_view kPieces[] = {"\x1b$B"sv, "\x1b(B"sv, "\x1b(J"sv, "\x1b$@"sv, "\x1b$(D"sv, "\x1b&@\x1b$B"sv,
                                               "\x1b$"sv,  "\x1b"sv,   "\x1b(I"sv, "\x1b&@"sv, "\0"sv,     "\0\0"sv};
    const auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
    std::string source;
    for (unsigned pieces = 1 + below(round % 100 == 0 ? 300 : 12); pieces > 0; --pieces) {
        switch (below(eightBit ? 4 : 3)) {
            case 0: source += kPieces[below(std::size(kPieces))]; break;
            case 1:
                for (unsigned length = below(40); length > 0; --length) {
                    source += static_cast<char>(below(8) == 0 ? 0 : 0x20 + below(0x60));
                }
                break;
            case 2:
                for (unsigned length = below(12); length > 0; --length) source += static_cast<char>(0x21 + below(0x5e));
                break;
            default:
                if (below(10) == 0) source += static_cast<char>(0x80 + below(0x80));
                break;
        }
    }
    return source;
}

TEST(DecodeIso2022Jp, EqualsTheByteByByteDecoderOnRandomText) {
    std::mt19937 random(2022);
    for (int round = 0; round < 20000; ++round) {
        const std::string source = RandomJisText(random, round, round % 2 == 0);
        std::string out = "kept";
        DecodeIso2022Jp(source, out);
        ASSERT_EQ(out, "kept" + DecodeByteByByte(source)) << round;
    }
}

// Decoding straight to UTF-8 gives what code page 932 makes of the decoded text, wherever it
// says it could; it can for all text without bytes from 0x80 on, of a line's length.
TEST(DecodeIso2022Jp, ToUtf8GivesWhatConvertingTheDecodedTextGives) {
    std::mt19937 random(932);
    int made = 0;
    constexpr int kRounds = 20000;
    JisUtf8Room room;
    for (int round = 0; round < kRounds; ++round) {
        const std::string source = RandomJisText(random, round, true);
        std::string_view utf8;
        const std::string decoded = Decode(source);
        if (!DecodeIso2022JpToUtf8(source, room, utf8)) {
            const bool eightBit = std::any_of(source.begin(), source.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
            EXPECT_TRUE(source.size() > 1024 || eightBit) << round;
            continue;
        }
        ++made;
        std::string expected;
        codepage::Cp932ToUtf8(decoded, expected);
        ASSERT_EQ(utf8, expected) << round;
    }
    EXPECT_GT(made, kRounds / 2);
}

// Every pair, followed by bytes that a lead byte left alone would take: code page 932 reads each
// as one character, and so does the decoder on the way.
TEST(DecodeIso2022Jp, ToUtf8MakesEveryPairAsCodePage932ReadsIt) {
    JisUtf8Room room;
    for (int j1 = 0x21; j1 <= 0x7e; ++j1) {
        for (int j2 = 0x21; j2 <= 0x7e; ++j2) {
            std::string source = "\x1b$B";
            source.push_back(static_cast<char>(j1));
            source.push_back(static_cast<char>(j2));
            source += "\x1b(B@A";
            const std::string decoded = Decode(source);
            std::string expected;
            codepage::Cp932ToUtf8(decoded, expected);
            EXPECT_EQ(codepage::Cp932ToWide(decoded.substr(0, 2)).size(), 1u) << j1 << "," << j2;
            std::string_view utf8;
            ASSERT_TRUE(DecodeIso2022JpToUtf8(source, room, utf8)) << j1 << "," << j2;
            EXPECT_EQ(utf8, expected) << j1 << "," << j2;
        }
    }
}

}  // namespace
}  // namespace vellum
