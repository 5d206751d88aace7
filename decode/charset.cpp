#include "decode/charset.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "decode/codepage.h"
#include "decode/iso2022jp.h"
#include "platform/platform.h"

namespace vellum {
namespace {

std::string_view UpToZero(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

// The name, already cut at its first zero byte, compared with A-Z lowered.
bool NameIs(std::string_view charset, std::string_view lowered) {
    if (charset.size() != lowered.size()) return false;
    for (std::size_t i = 0; i < charset.size(); ++i) {
        const char c = charset[i] >= 'A' && charset[i] <= 'Z' ? static_cast<char>(charset[i] - 'A' + 'a') : charset[i];
        if (c != lowered[i]) return false;
    }
    return true;
}

// Eight bytes at a time: this runs over every line of UTF-8 mail, most of it ASCII.
bool IsAscii(std::string_view text) {
    const char* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; n - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, p + i, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0) return false;
    }
    for (; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::string ConvertCharsetToAnsi(std::string_view charset, std::string_view text) {
    std::string ansi;
    ConvertCharsetToAnsi(charset, text, ansi);
    return ansi;
}

void ConvertCharsetToAnsi(std::string_view charset, std::string_view text, std::string& out) {
    const std::string_view name = UpToZero(charset);
    if (NameIs(name, "utf-8")) {
        // ASCII reads and writes as itself in both code pages.
        if (IsAscii(text)) {
            out.assign(UpToZero(text));
            return;
        }
        // A zero byte ends UTF-8 text; what the code page cannot hold becomes best-fit or "?".
        platform::Utf8ToThreadAnsi(text, out);
        return;
    }
    if (NameIs(name, "iso-2022-jp")) {
        out.clear();
        DecodeIso2022Jp(text, out);
        return;
    }
    // Every other name announces text already in the ANSI code page. Mail without a charset
    // parameter passes through the same way: emptying it would lose its subject, sender and body.
    out.assign(text);
}

std::optional<std::string_view> ConvertCharsetToAnsiAndUtf8(std::string_view charset, std::string_view text,
                                                            std::string& ansi, std::string& utf8) {
    const std::string_view name = UpToZero(charset);
    // The shortcuts are those of code page 932's tables.
    if (NameIs(name, "utf-8") && platform::AnsiCodePagesAre932()) {
        if (IsAscii(text)) {
            ansi.assign(UpToZero(text));
            return ansi;
        }
        // Text whose every character code page 932 holds comes back as it was, up to a zero byte.
        if (codepage::Utf8ToCp932RoundTrips(text, ansi)) return UpToZero(text);
        return std::nullopt;
    }
    // ISO-2022-JP pairs are looked up once for both forms.
    if (NameIs(name, "iso-2022-jp") && platform::AnsiCodePagesAre932()) {
        if (DecodeIso2022JpWithUtf8(text, ansi, utf8)) return utf8;
        return std::nullopt;
    }
    ConvertCharsetToAnsi(charset, text, ansi);
    return std::nullopt;
}

std::u16string AnsiToWide(std::string_view text) {
    return platform::AnsiToWide(UpToZero(text));
}

void AnsiToUtf8(std::string_view text, std::string& out) {
    platform::AnsiToUtf8(UpToZero(text), out);
}

void AppendUtf8(std::string& out, std::u16string_view text) {
    // Written through a pointer into room for the longest form: every unit gives at most three
    // bytes, a surrogate pair four for its two units.
    const std::size_t start = out.size();
    out.resize(start + text.size() * 3);
    char* p = out.data() + start;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 && text[i + 1] <= 0xdfff) {
            c = 0x10000 + ((c - 0xd800) << 10) + (text[i + 1] - 0xdc00);
            ++i;
        } else if (c >= 0xd800 && c <= 0xdfff) {
            c = 0xfffd;  // a lone surrogate has no UTF-8 form
        }
        p = codepage::PutUtf8(c, p);
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
}

}  // namespace vellum
