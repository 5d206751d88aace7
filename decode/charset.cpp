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

LineConverter::LineConverter(bool use932Tables) : use932Tables_(use932Tables) {}
LineConverter::LineConverter() : LineConverter(platform::AnsiCodePagesAre932()) {}

void LineConverter::Convert(std::string_view charset, std::string_view text) {
    if (kind_ == Kind::Unknown) {
        const std::string_view name = UpToZero(charset);
        kind_ = NameIs(name, "utf-8") ? Kind::Utf8 : NameIs(name, "iso-2022-jp") ? Kind::Iso2022Jp : Kind::Ansi;
        charset_ = charset;
    }
    text_ = text;
    ansi_.reset();
    utf8_.reset();
    switch (kind_) {
        case Kind::Ansi:
            // Text already in the ANSI code page: its form is the line itself.
            ansi_ = text;
            return;
        case Kind::Utf8:
            // Text whose every character code page 932 holds comes back as it was, up to a zero.
            if (use932Tables_) {
                if (const std::size_t length = codepage::Utf8RoundTripLength(text); length != std::string_view::npos) {
                    utf8_ = text.substr(0, length);
                }
            } else if (IsAscii(text)) {
                ansi_ = utf8_ = UpToZero(text);  // ASCII is itself in every ANSI code page
            }
            return;
        case Kind::Iso2022Jp:
            if (std::string_view utf8; use932Tables_ && DecodeIso2022JpToUtf8(text, utf8Room_, utf8)) utf8_ = utf8;
            return;
        case Kind::Unknown: return;
    }
}

std::string_view LineConverter::Ansi() {
    if (!ansi_) {
        ConvertCharsetToAnsi(charset_, text_, ansiRoom_);
        ansi_ = ansiRoom_;
    }
    return *ansi_;
}

// Where the UTF-8 was made on the way, the ANSI form holds no zero byte and reads as that UTF-8.
bool LineConverter::AnsiEquals(std::string_view other) {
    if (utf8_ && IsAscii(other)) return *utf8_ == other;
    return Ansi() == other;
}

bool LineConverter::AnsiEmpty() { return utf8_ ? utf8_->empty() : Ansi().empty(); }

void LineConverter::AppendUtf8To(std::string& out) {
    if (utf8_) {
        out += *utf8_;
    } else {
        AnsiToUtf8(Ansi(), out);
    }
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
