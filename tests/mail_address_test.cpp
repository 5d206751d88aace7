#include "util/mail_address.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <iostream>
#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {
namespace {

using namespace std::string_literals;

// The behaviour ExtractMailAddress must match, written with std::regex (fine for short fields:
// it recurses per byte and overflows the stack on long ones).
constexpr std::string_view kAddressPattern =
    R"re((?:(?:[^<>()\[\].,;:\s@\"]+(?:\.[^<>()\[\].,;:\s@\"]+)*)|\".+\")@(?:(?:[^<>()\[\].,;:\s@\"]+\.)+[^<>()\[\].,;:\s@\"]{2,}))re";
static_assert(kAddressPattern.size() == 121);

std::string RegexExtract(const std::string& field) {
    static const std::regex bracket("<.*?>", std::regex::ECMAScript);
    static const std::regex address(kAddressPattern.begin(), kAddressPattern.end(),
                                    std::regex::ECMAScript);
    std::smatch match;
    std::string subject = std::regex_search(field, match, bracket) ? match.str(0) : field;
    subject = subject.substr(0, subject.find('\0'));
    return std::regex_search(subject, match, address) ? match.str(0) : std::string();
}

struct Case {
    const char* name;
    std::string field;
    std::string expected;
};

TEST(MailAddressTest, KnownFields) {
    const std::vector<Case> cases = {
        {"name and bracketed address", "Taro Yamada <taro@example.jp>", "taro@example.jp"},
        {"bare address", "taro@example.jp", "taro@example.jp"},
        {"address as display name", "boss@corp.example.com <taro@example.jp>", "taro@example.jp"},
        {"brackets around a non-address", "<Taro Yamada> taro@example.jp", ""},
        {"empty brackets", "<> taro@example.jp", ""},
        {"only the first bracketed part", "<sales> <taro@example.jp>", ""},
        {"no at sign", "Taro Yamada", ""},
        {"empty field", "", ""},
        {"one-letter final label", "taro@example.c", ""},
        {"no full stop in domain", "taro@localhost", ""},
        {"quoted local part with blank", "\"Taro Yamada\"@example.jp", "\"Taro Yamada\"@example.jp"},
        {"Shift_JIS name touching", "\x93\x63\x92\x86taro@example.jp", "\x93\x63\x92\x86taro@example.jp"},
        {"Shift_JIS full-width space ends in 0x40", "\x96\xBC\x81\x40taro@example.jp", "taro@example.jp"},
        {"high bytes only", "\x82\xA0@\x80\x80.\xA0\xA0", "\x82\xA0@\x80\x80.\xA0\xA0"},
        {"several at signs", "a@b@c.com", "b@c.com"},
        {"double full stop in local part", "a..b@x.com", "b@x.com"},
        {"local part ending in full stop", "a.@x.com", ""},
        {"dotted local part and domain", "taro.yamada@mail.example.co.jp", "taro.yamada@mail.example.co.jp"},
        {"one-letter labels give no fallback", "a@b.c.d", ""},
        {"greedy domain gives back a label", "a@b.cc.d", "a@b.cc"},
        {"greedy domain gives back two labels", "a@b.cc.d.e", "a@b.cc"},
        {"two-letter last label", "a@b.cc.dd", "a@b.cc.dd"},
        {"two-letter first label alone", "a@bb.c", ""},
        {"trailing full stop", "a@b.cc.", "a@b.cc"},
        {"empty label", "a@b..cc", ""},
        {"parentheses around", "(a@b.cc)", "a@b.cc"},
        {"blank before", "a b@c.dd", "b@c.dd"},
        {"bracket broken by line feed", "x <a@b.cc\n> y@z.com", "a@b.cc"},
        {"bracket broken by carriage return", "<x\r<y@z.com>", "y@z.com"},
        {"unclosed bracket", "<a@b.cc", "a@b.cc"},
        {"bracket after zero byte", "a@b.cc\0<x@y.zz>"s, "x@y.zz"},
        {"zero byte cuts the subject", "a\0b@c.dd"s, ""},
        {"zero byte inside brackets", "<a@b.cc\0x@y.zz>"s, "a@b.cc"},
        {"greedy quote takes the last closing quote", "\"x\"y\"@a.bc", "\"x\"y\"@a.bc"},
        {"greedy quote spans two addresses", "\"a\"@b.cc \"c\"@d.ee", "\"a\"@b.cc \"c\"@d.ee"},
        {"quote stops at line feed", "\"a\"@b.cc\n\"c\"@d.ee", "\"a\"@b.cc"},
        {"quote needs one character", "\"\"@b.cc", ""},
        {"last quote without domain falls back", "\"a\"@b.cc \"c\"@d", "\"a\"@b.cc"},
        {"unclosed quote then plain address", "\"a b@c.dd", "b@c.dd"},
        {"vertical tab is white space", "x\ty\f<a\vb@c.dd>", "b@c.dd"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractMailAddress(c.field), c.expected) << c.name;
        EXPECT_EQ(RegexExtract(c.field), c.expected) << c.name << " (std::regex)";
    }
}

// Random short fields rich in the bytes the patterns treat specially, compared with std::regex.
TEST(MailAddressTest, MatchesStdRegexOnRandomFields) {
    const std::vector<std::string> bytes = {
        "<", ">", "(", ")", "[", "]", ".", ",", ";", ":", " ", "\t", "\r", "\n", "\v", "\f",
        "@", "\"", "\0"s, "\x80", "\x82", "\xA0", "a", "b", "z", "Q", "0", "9", "a", "b", "c", "d",
        "e", "f", "g", "h", "\x82", "\xA0", "\xE0", "\xFC", "\xFF", ".", "@"};
    // Pieces that make whole addresses likely.
    const std::vector<std::string> pieces = {
        "ab", "x", "c0", "\x82\xA0", ".", ".", "@", "@", "\"", "\"", "<", ">", " ", "\n", "\r",
        "\0"s, ",", "(", ")", "[", ";", "\t", ".jp", "@ex.com", "\"q q\"", "a.b"};
    // Few kinds of byte and no brackets, so labels, quotes and at signs meet in every arrangement.
    const std::vector<std::string> dense = {"a", "b", "ab", "ba", "aa", "b",
                                            ".", ".", "@", "\"", "\n", " "};
    const std::vector<const std::vector<std::string>*> alphabets = {&bytes, &pieces, &dense};
    std::mt19937 rng(20240611u);
    constexpr int kFields = 200000;
    int found = 0;
    int quoted = 0;
    for (int i = 0; i < kFields; ++i) {
        const auto length = std::uniform_int_distribution<std::size_t>(0, 60)(rng);
        const std::vector<std::string>& from = *alphabets[i % alphabets.size()];
        std::uniform_int_distribution<std::size_t> pick(0, from.size() - 1);
        std::string field;
        while (field.size() < length) field += from[pick(rng)];
        field.resize(length);
        const std::string expected = RegexExtract(field);
        ASSERT_EQ(ExtractMailAddress(field), expected)
            << "field #" << i << ": " << testing::PrintToString(field);
        if (!expected.empty()) ++found;
        if (!expected.empty() && expected[0] == '"') ++quoted;
    }
    std::cout << "compared " << kFields << " random fields with std::regex (" << found
              << " held an address, " << quoted << " of them quoted)\n";
    // Guard against a generator that never exercises the address paths.
    EXPECT_GT(found, kFields / 40);
    EXPECT_GT(quoted, 1000);
}

std::string Repeat(std::string_view piece, std::size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) text += piece;
    return text;
}

// Fields far too long for std::regex, shaped against the places where a backtracking matcher or
// a naive rescan goes quadratic. A hang is caught by the test runner's timeout.
TEST(MailAddressTest, HugeFieldsFinish) {
    constexpr std::size_t kSize = 10'000'000;
    const std::string letters(kSize, 'a');
    const std::string bbLabels = Repeat("bb.", kSize / 3);
    // Built one at a time, so that the fields are not all held in memory at once.
    int checked = 0;
    std::chrono::duration<double> elapsed{};
    const auto check = [&](const char* name, const std::string& field, const std::string& expected) {
        const auto begin = std::chrono::steady_clock::now();
        const std::string result = ExtractMailAddress(field);
        elapsed += std::chrono::steady_clock::now() - begin;
        EXPECT_EQ(result, expected) << name;
        ++checked;
    };
    check("only address bytes", letters, "");
    check("huge local part", letters + "@example.jp", letters + "@example.jp");
    check("dotted local part ending in full stop", Repeat("a.", kSize / 2) + "@b.cc", "");
    check("many at signs", Repeat("a@", kSize / 2) + "b.cc", "a@b.cc");
    check("one-letter domain labels", "a@" + Repeat("b.", kSize / 2) + "c", "");
    check("domain gives back the last label", "a@" + bbLabels + "c",
          "a@" + bbLabels.substr(0, bbLabels.size() - 1));
    check("many quotes", std::string(kSize, '"') + "@ab.cd", std::string(kSize, '"') + "@ab.cd");
    check("quotes and at signs without domain", Repeat("\"@x", kSize / 3), "");
    check("many short quoted lines", Repeat("\"x\"@y\n", kSize / 6) + "\"z\"@w.vv", "\"z\"@w.vv");
    check("long quoted local part", "\"" + letters + "\"@b.cc", "\"" + letters + "\"@b.cc");
    check("unclosed quote", "\"" + letters + "@b.cc", letters + "@b.cc");
    check("many unclosed brackets", std::string(kSize, '<') + "a@b.cc", "a@b.cc");
    check("brackets broken by line feeds", Repeat("<\n", kSize / 2) + "<a@b.cc>x@y.zz", "a@b.cc");
    check("bracket after zero bytes", "a@b.cc" + std::string(kSize, '\0') + "<x@y.zz>", "x@y.zz");
    check("zero byte early in bracket", "<a@b.cc\0"s + letters + "@x.yy>", "a@b.cc");
    check("blank-separated addresses without domain", Repeat("a@b ", kSize / 4) + "c@d.ee", "c@d.ee");
    std::cout << "extracting from " << checked << " fields of about 10 MB took " << elapsed.count()
              << " s\n";
}

}  // namespace
}  // namespace vellum
