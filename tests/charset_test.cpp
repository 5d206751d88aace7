#include "decode/charset.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

#include "platform/platform.h"

namespace vellum {
namespace {

using namespace std::string_literals;

struct ConvertCase {
    const char* name;
    std::string charset, text, expected;
};

TEST(ConvertCharsetToAnsi, DispatchesOnTheLoweredNameExactly) {
    const ConvertCase cases[] = {
        {"utf-8 hiragana", "utf-8", "\xe3\x81\x82", "\x82\xa0"},
        {"upper-case name", "UTF-8", "\xe3\x81\x82", "\x82\xa0"},
        {"mixed-case name", "Utf-8", "\xe3\x81\x82", "\x82\xa0"},
        {"iso-2022-jp", "ISO-2022-JP", "\x1b$B\x24\x22\x1b(B.", "\x82\xa0."},
        {"fullwidth tilde goes to the code page 932 wave dash", "utf-8", "\xef\xbd\x9e", "\x81\x60"},
        {"invalid UTF-8 becomes the default character", "utf-8", "a\xff" "b", "a?b"},
        {"cut sequence before a letter", "utf-8", "a\xf0" "b", "a?b"},
        {"cut sequence at the end", "utf-8", "a\xe3\x81", "a?"},
        {"Hangul is not in code page 932", "utf-8", "\xed\x95\x9c", "?"},
        {"zero byte ends UTF-8 text", "utf-8", "ab\0cd"s, "ab"},
        {"ASCII UTF-8 text is itself", "utf-8", "plain text\x7f", "plain text\x7f"},
        {"zero byte ends UTF-8 text before a character", "utf-8", "a\0\xe3\x81\x82"s, "a"},
        {"zero byte stays in other charsets", "shift_jis", "ab\0cd"s, "ab\0cd"s},
        {"zero byte in the name ends the name", "utf-8\0junk"s, "\xe3\x81\x82", "\x82\xa0"},
        {"utf8 is no alias", "utf8", "\xe3\x81\x82", "\xe3\x81\x82"},
        {"leading blank", " utf-8", "\xe3\x81\x82", "\xe3\x81\x82"},
        {"quoted name", "\"utf-8\"", "\xe3\x81\x82", "\xe3\x81\x82"},
        {"unknown charset: bytes unchanged", "euc-jp", "\xa4\xa2", "\xa4\xa2"},
        {"empty name passes the text unchanged", "", "te\x82\xa0xt", "te\x82\xa0xt"},
        {"empty text, utf-8", "utf-8", "", ""},
        {"empty text, iso-2022-jp", "iso-2022-jp", "", ""},
        {"empty text, other", "us-ascii", "", ""},
    };
    for (const ConvertCase& c : cases) EXPECT_EQ(ConvertCharsetToAnsi(c.charset, c.text), c.expected) << c.name;
}

TEST(ConvertCharsetToAnsi, TheBufferFormOverwritesWhatTheBufferHeld) {
    std::string out = "old text";
    ConvertCharsetToAnsi("iso-2022-jp", "\x1b$B\x24\x22\x1b(B.", out);
    EXPECT_EQ(out, "\x82\xa0.");
    ConvertCharsetToAnsi("utf-8", "a", out);
    EXPECT_EQ(out, "a");
    ConvertCharsetToAnsi("utf-8", "\xe3\x81\x82", out);
    EXPECT_EQ(out, "\x82\xa0");
    ConvertCharsetToAnsi("shift_jis", "", out);
    EXPECT_EQ(out, "");
}

TEST(ConvertCharsetToAnsi, CharactersOutsideTheCodePageNeverKeepTheirUtf8Bytes) {
    const std::string emoji = ConvertCharsetToAnsi("utf-8", "\xf0\x9f\x98\x80");
    EXPECT_FALSE(emoji.empty());
    EXPECT_EQ(emoji.find_first_not_of('?'), std::string::npos) << emoji;
}

// UTF-8 mail lines, well-formed and not: ASCII runs of every length, Latin letters (best fit),
// Japanese, characters outside the BMP, stray and cut-off bytes, zero bytes.
std::string RandomUtf8Line(std::mt19937& random) {
    const auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
    static const char* const kPieces[] = {
        "\xc3\xa9", "\xc2\xa5", "\xc2\xa0", "\xe3\x81\x82", "\xe6\x97\xa5\xe6\x9c\xac", "\xef\xbd\x9e", "\xe2\x91\xa0",
        "\xe3\x80\x9c", "\xea\xb0\x80", "\xf0\x9f\x98\x80", "\xed\xa0\x80", "\xe0\x80\xaf", "\xc0\xaf", "\xff", "\x80",
        "\xe3\x81", "\xf0\x9f",
    };
    std::string line;
    for (unsigned pieces = 1 + below(30); pieces > 0; --pieces) {
        switch (below(4)) {
            case 0:
                for (unsigned length = below(20); length > 0; --length) line += static_cast<char>(0x20 + below(0x5F));
                break;
            case 1:
                if (below(10) == 0) line += '\0';
                break;
            default: line += kPieces[below(std::size(kPieces))]; break;
        }
    }
    return line;
}

// The UTF-8 charset converts each line in one step now; it must give what widening the line,
// cutting it at U+0000, narrowing it and cutting that at a zero byte gives, through the same
// platform layer (the real API on Windows).
TEST(ConvertCharsetToAnsi, Utf8EqualsWideningThenNarrowing) {
    std::mt19937 random(3107);
    std::string reused = "what the buffer held";
    for (int round = 0; round < 5000; ++round) {
        const std::string line = RandomUtf8Line(random);
        const std::u16string wide = platform::Utf8ToWide(line);
        std::string expected = platform::WideToThreadAnsi(std::u16string_view(wide).substr(0, wide.find(u'\0')));
        expected.resize(expected.find('\0') == std::string::npos ? expected.size() : expected.find('\0'));
        ConvertCharsetToAnsi("UTF-8", line, reused);
        ASSERT_EQ(reused, expected) << round;
        ASSERT_EQ(ConvertCharsetToAnsi("utf-8", line), expected) << round;
    }
}

// Body lines in each charset, with and without the code page 932 shortcuts: the converter's
// answers are those of converting the line to the ANSI code page and on to UTF-8, through the
// same platform layer (the real API on Windows): emptiness, equality with the texts the line
// rules compare (ASCII and not) and the UTF-8.
TEST(LineConverter, AnswersAsConvertingTheLineDoes) {
    std::mt19937 random(2107);
    const auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
    const auto japanese = [&](std::size_t characters) {
        std::string line;
        for (std::size_t k = 0; k < characters; ++k) line += below(3) == 0 ? "a b" : below(2) ? "\xe6\x97\xa5" : "\xe3\x81\x82";
        return line;
    };
    const auto jis = [&] {
        std::string line = below(2) ? "" : "Re: ";
        for (unsigned k = 1 + below(4); k > 0; --k) {
            line += "\x1b$B";
            for (unsigned pairs = 1 + below(10); pairs > 0; --pairs) {
                line += static_cast<char>(0x21 + below(0x5e));
                line += static_cast<char>(0x21 + below(0x5e));
            }
            line += below(20) == 0 ? "\x1b(B\x82" : "\x1b(B ok";
        }
        return line;
    };
    // Lines that equal the texts compared with, or become empty, in one charset or another.
    const std::string kSpecial[] = {"", ".", "--XYZ", ".\0x"s, "\0"s, "\x1b$B\x1b(B.", "\x1b(B--XYZ", "\x1b$B\x24\x22\x1b(B",
                                    "\xe3\x81\x82", "\x82\xa0", "\xef\xbb\xbf.", "--\xe3\x81\x82"};
    static const char* const kCharsets[] = {"utf-8", "UTF-8", "iso-2022-jp", "ISO-2022-JP", "shift_jis", ""};
    for (const bool tables : {true, false}) {
        for (int round = 0; round < 6000; ++round) {
            const std::string charset = kCharsets[round % std::size(kCharsets)];
            const unsigned kind = below(4);
            const std::string line = kind == 0   ? kSpecial[below(std::size(kSpecial))]
                                     : kind == 1 ? jis()
                                     : kind == 2 ? japanese(below(40))
                                                 : RandomUtf8Line(random);
            const std::string ansi = ConvertCharsetToAnsi(charset, line);
            std::string utf8 = "kept";
            AnsiToUtf8(ansi, utf8);
            LineConverter converter(tables);
            converter.Convert(charset, "an earlier line");
            converter.Convert(charset, line);
            const auto where = [&] { return charset + (tables ? " tables " : " platform ") + std::to_string(round); };
            EXPECT_EQ(converter.AnsiEmpty(), ansi.empty()) << where();
            for (const std::string& other : {"."s, "--XYZ"s, ""s, ansi, ansi + "a", utf8.substr(4), "\x82\xa0"s, "--\x82\xa0"s}) {
                ASSERT_EQ(converter.AnsiEquals(other), ansi == other) << where() << " other " << other;
            }
            std::string out = "kept";
            converter.AppendUtf8To(out);
            ASSERT_EQ(out, utf8) << where();
        }
    }
}

TEST(AnsiToWide, WidensShiftJisUpToTheFirstZero) {
    EXPECT_EQ(AnsiToWide("\x82\x68\x82\x63"), u"\uff29\uff24");
    EXPECT_EQ(AnsiToWide(""), u"");
    EXPECT_EQ(AnsiToWide("ab\0cd"s), u"ab");
    EXPECT_EQ(AnsiToWide("\x87\x40"), u"\u2460");  // circled digit one, a vendor character
}

TEST(AnsiToUtf8, AppendsTheUtf8OfTheTextUpToTheFirstZero) {
    std::string out = "#T";
    AnsiToUtf8("\x82\x68\x82\x63", out);
    EXPECT_EQ(out, "#T\xef\xbc\xa9\xef\xbc\xa4");  // U+FF29 U+FF24
    AnsiToUtf8("ab\0cd"s, out);
    EXPECT_EQ(out, "#T\xef\xbc\xa9\xef\xbc\xa4" "ab");
    AnsiToUtf8("", out);
    AnsiToUtf8("\0x"s, out);
    EXPECT_EQ(out, "#T\xef\xbc\xa9\xef\xbc\xa4" "ab");
    out.clear();
    AnsiToUtf8("\x87\x40 \x81\x60\r", out);
    EXPECT_EQ(out, "\xe2\x91\xa0 \xef\xbd\x9e\r");  // circled digit one, fullwidth tilde; CR stays
}

TEST(AppendUtf8, EncodesEveryPlaneAndReplacesLoneSurrogates) {
    std::string out;
    AppendUtf8(out, u"a\u00e9\u3042\U0001F600");
    EXPECT_EQ(out, "a\xc3\xa9\xe3\x81\x82\xf0\x9f\x98\x80");
    out.clear();
    AppendUtf8(out, std::u16string(1, char16_t(0xd800)) + u"x" + std::u16string(1, char16_t(0xdc00)));
    EXPECT_EQ(out, "\xef\xbf\xbdx\xef\xbf\xbd");
}

}  // namespace
}  // namespace vellum
