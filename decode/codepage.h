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

// Cp932ToWide(bytes) encoded as UTF-8 and appended to `out`, in one step. Code page 932 yields
// no surrogates, so each character is encoded on its own, exactly as the whole text would be.
void Cp932ToUtf8(std::string_view bytes, std::string& out);

// Writes the UTF-8 form of `c`, a code point that is not a surrogate, at `p`; returns the end.
constexpr char* PutUtf8(char32_t c, char* p) {
  if (c < 0x80) {
    *p++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *p++ = static_cast<char>(0xc0 | (c >> 6));
    *p++ = static_cast<char>(0x80 | (c & 0x3f));
  } else if (c < 0x10000) {
    *p++ = static_cast<char>(0xe0 | (c >> 12));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    *p++ = static_cast<char>(0x80 | (c & 0x3f));
  } else {
    *p++ = static_cast<char>(0xf0 | (c >> 18));
    *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3f));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3f));
    *p++ = static_cast<char>(0x80 | (c & 0x3f));
  }
  return p;
}

// A JIS X 0208 pair, row and cell 0x21-0x7E each, as ISO-2022-JP text is decoded: the two
// Shift_JIS bytes it becomes, computed so that every row maps (vendor rows included), and what
// Cp932ToUtf8 makes of those two bytes (up to three bytes, then their count); every such pair
// is a character of the code page.
struct JisPair {
  char shiftJis[2];
  char utf8[4];
};
struct JisPairs {
  JisPair at[94 * 94];  // indexed by (row - 0x21) * 94 + (cell - 0x21)
};
extern const JisPairs kJisPairs;
// The UTF-8 of kJisPairs looked up by a pair's two bytes as they stand, seven bits each (index
// first << 7 | second): the bytes, then their count; zero where either byte lies outside
// 0x21-0x7E, as such a pair vanishes. One shift and one load a pair, for the hottest loop.
struct JisUtf8 {
  struct Entry {
    alignas(4) char bytes[4];
  };
  Entry at[128 * 128];
};
extern const JisUtf8 kJisUtf8;

// WideCharToMultiByte(932, 0, ..., NULL, NULL): with Windows' best-fit replacements and "?" for
// everything else.
std::string WideToCp932(std::u16string_view text);

// WideToCp932(Utf8ToWide(bytes) up to its first U+0000), written over `out` in one step: the
// UTF-8 charset's lines come this way without UTF-16 text in between. The result holds no zero
// byte: code page 932 gives one for U+0000 alone.
void Utf8ToCp932(std::string_view bytes, std::string& out);

// The length of `bytes` up to its first zero byte when Cp932ToUtf8(Utf8ToCp932(bytes)) gives
// that part back (every sequence in it well formed, every character one that code page 932
// holds and reads back as itself); npos when it does not. Nothing is converted to find out.
std::size_t Utf8RoundTripLength(std::string_view bytes);

// True when `bytes` ends inside a UTF-8 sequence (a lead byte whose continuation bytes are cut
// off by the end of the input). Wine's decoder differs from Windows only there.
bool Utf8EndsInCutSequence(std::string_view bytes);

}  // namespace vellum::codepage
