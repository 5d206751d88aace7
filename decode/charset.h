// Brings text from its MIME charset to the ANSI code page (Shift_JIS), and ANSI text to UTF-16.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "decode/iso2022jp.h"

namespace vellum {

// "utf-8" -> UTF-8 read and written to the ANSI code page;
// "iso-2022-jp" -> DecodeIso2022Jp; any other name, the empty one included -> the text unchanged. The name is compared
// after A-Z are lowered, exactly, up to its first zero byte.
std::string ConvertCharsetToAnsi(std::string_view charset, std::string_view text);
// The same into `out`, which is overwritten: a caller converting line after line keeps one buffer.
void ConvertCharsetToAnsi(std::string_view charset, std::string_view text, std::string& out);

// The lines of one message, each taken to the ANSI code page (ConvertCharsetToAnsi) and to UTF-8
// (AnsiToUtf8 of that) as far as they are asked for. Where code page 932's own tables stand in
// for the platform, ISO-2022-JP and UTF-8 lines go to UTF-8 directly, and their ANSI form is made
// only when a comparison needs it. Results stay valid until the next Convert or until the line
// converted changes.
class LineConverter {
public:
    // `use932Tables`: whether codepage's tables give what the platform does (tests choose).
    explicit LineConverter(bool use932Tables);
    LineConverter();
    LineConverter(const LineConverter&) = delete;
    LineConverter& operator=(const LineConverter&) = delete;

    // The charset of the first line converted holds for every line after it.
    void Convert(std::string_view charset, std::string_view text);
    // ConvertCharsetToAnsi(charset, text) == `other`.
    bool AnsiEquals(std::string_view other);
    bool AnsiEmpty();
    // AnsiToUtf8(ConvertCharsetToAnsi(charset, text), out).
    void AppendUtf8To(std::string& out);

private:
    enum class Kind { Unknown, Utf8, Iso2022Jp, Ansi };
    std::string_view Ansi();

    bool use932Tables_;
    Kind kind_ = Kind::Unknown;
    std::string charset_;  // kept for ConvertCharsetToAnsi where no shortcut applies
    std::string_view text_;
    std::optional<std::string_view> ansi_;  // the ANSI form, once made
    std::optional<std::string_view> utf8_;  // the UTF-8 form, where made on the way
    std::string ansiRoom_;
    JisUtf8Room utf8Room_;
};

// ANSI text up to its first zero byte, widened to UTF-16.
std::u16string AnsiToWide(std::string_view text);
// The same text appended to `out` as UTF-8: what AppendUtf8 makes of AnsiToWide(text).
void AnsiToUtf8(std::string_view text, std::string& out);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text);

}  // namespace vellum
