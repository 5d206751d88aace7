// Brings text from its MIME charset to the ANSI code page (Shift_JIS), and ANSI text to UTF-16.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

// "utf-8" -> UTF-8 read and written to the ANSI code page;
// "iso-2022-jp" -> DecodeIso2022Jp; any other name, the empty one included -> the text unchanged. The name is compared
// after A-Z are lowered, exactly, up to its first zero byte.
std::string ConvertCharsetToAnsi(std::string_view charset, std::string_view text);
// The same into `out`, which is overwritten: a caller converting line after line keeps one buffer.
void ConvertCharsetToAnsi(std::string_view charset, std::string_view text, std::string& out);

// The same into `ansi`, and where it comes on the way, what AnsiToUtf8 makes of the result: a
// view of `text`, `ansi` or `utf8` (a buffer kept for it), valid until one of them changes.
// Nothing when the caller still has to convert `ansi`.
std::optional<std::string_view> ConvertCharsetToAnsiAndUtf8(std::string_view charset, std::string_view text,
                                                            std::string& ansi, std::string& utf8);

// ANSI text up to its first zero byte, widened to UTF-16.
std::u16string AnsiToWide(std::string_view text);
// The same text appended to `out` as UTF-8: what AppendUtf8 makes of AnsiToWide(text).
void AnsiToUtf8(std::string_view text, std::string& out);

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, std::u16string_view text);

}  // namespace vellum
