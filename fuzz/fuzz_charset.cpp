// ConvertCharsetToAnsi and the line converter for each kind of charset name, AnsiToWide, and
// the UTF-8 form of the document (directly from code page 932, and through UTF-16), on any
// bytes. The first input byte chooses the charset name.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/charset.h"
#include "decode/codepage.h"
#include "decode/iso2022jp.h"
#include "fuzz/fuzz_checks.h"

namespace {

using namespace std::string_view_literals;
using vellum::AnsiToWide;
using vellum::ConvertCharsetToAnsi;

constexpr std::array kCharsets = {
    ""sv, "utf-8"sv, "UTF-8"sv, "iso-2022-jp"sv, "ISO-2022-Jp"sv, "shift_jis"sv, "utf8"sv, "\"utf-8\""sv,
    "utf-8;"sv, "utf-8\0ignored"sv, "iso-2022-jp\0"sv, " utf-8"sv,
};

std::string_view UpToZero(std::string_view text) { return text.substr(0, text.find('\0')); }

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

std::string Lowered(std::string_view name) {
    std::string lowered(UpToZero(name));
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

void CheckConvert(std::string_view charset, std::string_view text) {
    const std::string ansi = ConvertCharsetToAnsi(charset, text);
    std::string reused = "left from the line before";
    ConvertCharsetToAnsi(charset, text, reused);
    FUZZ_CHECK(reused == ansi);
    const std::string name = Lowered(charset);
    if (name == "iso-2022-jp") {
        std::string decoded;
        vellum::DecodeIso2022Jp(text, decoded);
        FUZZ_CHECK(ansi == decoded);
    } else if (name == "utf-8") {
        // A zero byte ends UTF-8 text; the rest is code page 932 that reads back without loss.
        FUZZ_CHECK(ansi.find('\0') == std::string::npos);
        FUZZ_CHECK(ansi == ConvertCharsetToAnsi(charset, UpToZero(text)));
        const std::u16string wide = AnsiToWide(ansi);
        FUZZ_CHECK(wide.find(u'\xfffd') == std::u16string::npos);
        std::string utf8;
        vellum::AppendUtf8(utf8, wide);
        FUZZ_CHECK(ConvertCharsetToAnsi("utf-8", utf8) == ansi);
        if (IsAscii(UpToZero(text))) FUZZ_CHECK(ansi == UpToZero(text));
    } else {
        FUZZ_CHECK(ansi == text);  // no name, or one announcing text already in the code page
    }
}

// A message's line converter, with and without code page 932's shortcuts, answers as converting
// the line does: emptiness, equality with texts the line rules compare, and the UTF-8.
void CheckLineConverter(std::string_view charset, std::string_view text) {
    const std::string ansi = ConvertCharsetToAnsi(charset, text);
    std::string utf8;
    vellum::AnsiToUtf8(ansi, utf8);
    for (const bool tables : {true, false}) {
        vellum::LineConverter converter(tables);
        converter.Convert(charset, "a line before");
        converter.Convert(charset, text);
        FUZZ_CHECK(converter.AnsiEmpty() == ansi.empty());
        for (const std::string_view other : {"."sv, std::string_view(ansi), std::string_view(utf8), "--\x82\xa0"sv}) {
            FUZZ_CHECK(converter.AnsiEquals(other) == (ansi == other));
        }
        std::string out = "kept";
        converter.AppendUtf8To(out);
        FUZZ_CHECK(out == "kept" + utf8);
    }
}

void CheckWiden(std::string_view ansi) {
    const std::u16string wide = AnsiToWide(ansi);
    const std::string_view text = UpToZero(ansi);
    FUZZ_CHECK(wide == AnsiToWide(text));
    FUZZ_CHECK(wide.size() <= text.size());
    FUZZ_CHECK(wide.find(u'\0') == std::u16string::npos);
    if (IsAscii(text)) FUZZ_CHECK(wide == std::u16string(text.begin(), text.end()));
    std::string utf8;
    vellum::AppendUtf8(utf8, wide);
    FUZZ_CHECK(vellum::test::IsValidUtf8(utf8));
    // The direct ways to UTF-8 give what widening and encoding give.
    std::string direct = "kept";
    vellum::AnsiToUtf8(ansi, direct);
    FUZZ_CHECK(direct == "kept" + utf8);
    std::string whole;
    vellum::AppendUtf8(whole, vellum::codepage::Cp932ToWide(ansi));
    direct = "kept";
    vellum::codepage::Cp932ToUtf8(ansi, direct);
    FUZZ_CHECK(direct == "kept" + whole);
}

// Any UTF-16 (the input's byte pairs) becomes valid UTF-8 that reads back as the same text, a
// lone surrogate as U+FFFD.
void CheckUtf8Form(std::string_view bytes) {
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) << 8 | static_cast<unsigned char>(bytes[i + 1])));
    }
    std::string utf8 = "kept";
    vellum::AppendUtf8(utf8, wide);
    FUZZ_CHECK(utf8.compare(0, 4, "kept") == 0);
    utf8.erase(0, 4);
    FUZZ_CHECK(vellum::test::IsValidUtf8(utf8));
    std::u16string expected = wide;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const char16_t c = expected[i];
        const bool high = c >= 0xd800 && c <= 0xdbff;
        if (high && i + 1 < expected.size() && expected[i + 1] >= 0xdc00 && expected[i + 1] <= 0xdfff) {
            ++i;
        } else if (c >= 0xd800 && c <= 0xdfff) {
            expected[i] = u'\xfffd';
        }
    }
    FUZZ_CHECK(vellum::codepage::Utf8ToWide(utf8) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input = vellum::fuzz::Bytes(data, size);
    const std::string_view text = input.substr(1);
    CheckConvert(kCharsets[data[0] % kCharsets.size()], text);
    CheckLineConverter(kCharsets[data[0] % kCharsets.size()], text);
    CheckWiden(text);
    CheckUtf8Form(text);
    return 0;
}
