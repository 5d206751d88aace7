// Portable code-page converters with exactly the results of the Windows API on a Japanese system
// (ANSI code page 932), flags 0. Used wherever the Windows API is not there (Linux); the Windows
// build calls the API itself and its tests check these tables against it.
// Every function takes an explicit length and never looks for a terminator.
#pragma once
#include <string>
#include <string_view>

namespace vellum::codepage {

// MultiByteToWideChar(65001, 0, ...): each invalid UTF-8 sequence becomes U+FFFD, as many as
// Windows gives. A sequence cut short by the end of the input counts like one followed by a bad
// continuation byte: one U+FFFD for the bytes taken.
std::u16string Utf8ToWide(std::string_view bytes);

// MultiByteToWideChar(932, 0, ...): Microsoft's Shift_JIS with its vendor extensions, the
// user-defined area and Windows' handling of invalid and truncated pairs.
std::u16string Cp932ToWide(std::string_view bytes);

// WideCharToMultiByte(932, 0, ..., NULL, NULL): with Windows' best-fit replacements and "?" for
// everything else.
std::string WideToCp932(std::u16string_view text);

// True when `bytes` ends inside a UTF-8 sequence (a lead byte whose continuation bytes are cut
// off by the end of the input). Wine's decoder differs from Windows only there.
bool Utf8EndsInCutSequence(std::string_view bytes);

}  // namespace vellum::codepage
