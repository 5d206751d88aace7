#include "decode/codepage.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace vellum::codepage {
namespace {

#include "decode/cp932_tables.inc"

constexpr char16_t kReplacement = 0xFFFD;

// One step of UTF-8 decoding as Windows takes it: how many bytes the step consumes and the
// code point it yields (kInvalid for one U+FFFD). `cut` tells that the lead byte announced
// more bytes than the input has left: Wine then swallows the rest of the input, we read the
// end like a byte that is no continuation byte.
struct Utf8Step {
  std::size_t length;
  char32_t codePoint;
  bool cut;
};
constexpr char32_t kInvalid = 0xFFFFFFFF;

// Continuation bytes a lead byte announces; 0 for bytes that never start a sequence
// (continuation bytes, C0 and C1, which could only start overlongs, and F5-FF).
constexpr int Utf8Following(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 1;
  if (lead >= 0xE0 && lead <= 0xEF) return 2;
  if (lead >= 0xF0 && lead <= 0xF4) return 3;
  return 0;
}

// `p` points at a byte >= 0x80 with `left` bytes from it to the end of the input.
// Windows checks the second byte for overlongs, surrogates and code points past U+10FFFF only
// after taking it as a continuation byte, so E0 80, ED A0, F0 80 and F4 90 are one U+FFFD each.
Utf8Step DecodeUtf8Step(const unsigned char* p, std::size_t left) {
  const int following = Utf8Following(p[0]);
  const bool cut = static_cast<std::size_t>(following) >= left;
  auto continuation = [&](int i) -> int {  // the payload of byte i, or -1
    if (static_cast<std::size_t>(i) >= left || (p[i] & 0xC0) != 0x80) return -1;
    return p[i] & 0x3F;
  };
  if (following == 0) return {1, kInvalid, false};
  char32_t value = p[0] & (0x7F >> (following + 1));
  int c = continuation(1);
  if (c < 0) return {1, kInvalid, cut};
  value = value << 6 | static_cast<char32_t>(c);
  if (following == 1) return {2, value, false};
  if (following == 2 && (value < 0x20 || (value >= 0x360 && value <= 0x37F)))
    return {2, kInvalid, cut};  // overlong (E0 80-9F) or a surrogate (ED A0-BF)
  if (following == 3 && (value < 0x10 || value >= 0x110))
    return {2, kInvalid, cut};  // overlong (F0 80-8F) or past U+10FFFF (F4 90-BF)
  for (int i = 2; i <= following; ++i) {
    c = continuation(i);
    if (c < 0) return {static_cast<std::size_t>(i), kInvalid, cut};
    value = value << 6 | static_cast<char32_t>(c);
  }
  return {static_cast<std::size_t>(following) + 1, value, false};
}

}  // namespace

std::u16string Utf8ToWide(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  // Every sequence of k bytes gives at most k units (four bytes give a surrogate pair).
  std::u16string out(n, u'\0');
  char16_t* w = out.data();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      *w++ = p[i++];
      continue;
    }
    const Utf8Step step = DecodeUtf8Step(p + i, n - i);
    i += step.length;
    if (step.codePoint == kInvalid) {
      *w++ = kReplacement;
    } else if (step.codePoint < 0x10000) {
      *w++ = static_cast<char16_t>(step.codePoint);
    } else {
      const char32_t v = step.codePoint - 0x10000;
      *w++ = static_cast<char16_t>(0xD800 | (v >> 10));
      *w++ = static_cast<char16_t>(0xDC00 | (v & 0x3FF));
    }
  }
  out.resize(static_cast<std::size_t>(w - out.data()));
  return out;
}

bool Utf8EndsInCutSequence(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    // Up to a cut sequence Wine consumes exactly what we do; at the first one it stops.
    const Utf8Step step = DecodeUtf8Step(p + i, n - i);
    if (step.cut) return true;
    i += step.length;
  }
  return false;
}

namespace {

// One character of code page 932 text at `i`, which moves past it: a lead byte with a byte after
// it that pairs gives the pair's unit, any other byte its own.
char16_t Cp932Step(const unsigned char* p, std::size_t n, std::size_t& i) {
  const std::uint8_t page = kCp932LeadPage[p[i]];
  if (page != kCp932NotLead && i + 1 < n) {
    const char16_t unit = kCp932Pairs[page][p[i + 1]];
    if (unit != 0) {
      i += 2;
      return unit;
    }
  }
  return kCp932Single[p[i++]];
}

// ASCII bytes are no lead bytes and stand for themselves, so runs of them are copied as they are.
constexpr bool AsciiIsItself() {
  for (unsigned b = 0; b < 0x80; ++b) {
    if (kCp932LeadPage[b] != kCp932NotLead || kCp932Single[b] != b) return false;
  }
  return true;
}
static_assert(AsciiIsItself());

}  // namespace

std::u16string Cp932ToWide(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::u16string out(n, u'\0');
  char16_t* w = out.data();
  for (std::size_t i = 0; i < n;) *w++ = Cp932Step(p, n, i);
  out.resize(static_cast<std::size_t>(w - out.data()));
  return out;
}

namespace {

// The finished UTF-8 of one code page 932 character: up to three bytes, then their count, so
// that a character costs one lookup and one four-byte store. A count of 0 marks no pair.
struct Utf8Char {
  char bytes[4];
};

constexpr Utf8Char PackUtf8(char16_t unit) {
  Utf8Char c{};
  char buffer[4] = {};
  const char* end = PutUtf8(unit, buffer);
  const auto length = static_cast<std::size_t>(end - buffer);
  for (std::size_t k = 0; k < length; ++k) c.bytes[k] = buffer[k];
  c.bytes[3] = static_cast<char>(length);
  return c;
}

struct Cp932Utf8Tables {
  Utf8Char single[256];
  Utf8Char pairs[std::size(kCp932Pairs)][256];
};

// Derived from the generated tables when compiling: nothing to build or guard at run time.
constexpr Cp932Utf8Tables MakeCp932Utf8Tables() {
  Cp932Utf8Tables t{};
  for (unsigned b = 0; b < 256; ++b) t.single[b] = PackUtf8(kCp932Single[b]);
  for (std::size_t page = 0; page < std::size(kCp932Pairs); ++page) {
    for (unsigned b = 0; b < 256; ++b) {
      if (kCp932Pairs[page][b] != 0) t.pairs[page][b] = PackUtf8(kCp932Pairs[page][b]);
    }
  }
  return t;
}
constexpr Cp932Utf8Tables kCp932Utf8 = MakeCp932Utf8Tables();

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Eight bytes at `p`, in whatever order the machine keeps them: only tested against masks.
inline std::uint64_t Word(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

}  // namespace

void Cp932ToUtf8(std::string_view bytes, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  // Converted a stretch at a time into a buffer on the stack and appended from there: a
  // growing std::string would zero-fill room for the longest form first. A byte gives at most
  // three bytes; the four-byte stores need one byte to spare, a pair may end one byte past.
  constexpr std::size_t kStretch = 1024;
  char buffer[kStretch * 3 + 4];
  std::size_t i = 0;
  while (i < n) {
    const std::size_t end = n - i > kStretch ? i + kStretch : n;
    char* o = buffer;
    while (i < end) {
      if (p[i] < 0x80) {
        // ASCII stands for itself: a whole word of it is copied at once.
        while (end - i >= 8 && (Word(p + i) & kHighBits) == 0) {
          std::memcpy(o, p + i, 8);
          i += 8;
          o += 8;
        }
        while (i < end && p[i] < 0x80) *o++ = static_cast<char>(p[i++]);
        continue;
      }
      const std::uint8_t page = kCp932LeadPage[p[i]];
      const unsigned trail = i + 1 < n ? p[i + 1] : 0u;
      const Utf8Char& pair = kCp932Utf8.pairs[page == kCp932NotLead ? 0 : page][trail];
      const bool isPair = page != kCp932NotLead && i + 1 < n && pair.bytes[3] != 0;
      const Utf8Char c = isPair ? pair : kCp932Utf8.single[p[i]];
      i += 1 + static_cast<std::size_t>(isPair);
      std::memcpy(o, c.bytes, 4);
      o += c.bytes[3];
    }
    out.append(buffer, static_cast<std::size_t>(o - buffer));
  }
}

namespace {

// Row/cell to Shift_JIS arithmetically: the lead byte from the row (t + 0x81, or t + 0xC1 past
// 0x9F, t = (row - 0x21) / 2), the trail byte from the cell and whether the row is odd.
constexpr JisPair MakeJisPair(unsigned row, unsigned cell) {
  const unsigned t = (row - 0x21) >> 1;
  const unsigned lead = t + 0x81 + (t >= 0x1f ? 0x40 : 0);
  const unsigned trail = (row & 1u) == 0 ? cell + 0x7e : cell + (cell >= 0x60 ? 0x20 : 0x1f);
  JisPair pair{{static_cast<char>(lead), static_cast<char>(trail)}, {}};
  const std::uint8_t page = kCp932LeadPage[lead];
  if (page != kCp932NotLead && kCp932Pairs[page][trail] != 0) {
    const Utf8Char c = kCp932Utf8.pairs[page][trail];
    for (int k = 0; k < 4; ++k) pair.utf8[k] = c.bytes[k];
  }
  return pair;
}

constexpr JisPairs MakeJisPairs() {
  JisPairs t{};
  for (unsigned row = 0x21; row <= 0x7e; ++row) {
    for (unsigned cell = 0x21; cell <= 0x7e; ++cell) t.at[(row - 0x21) * 94 + (cell - 0x21)] = MakeJisPair(row, cell);
  }
  return t;
}

}  // namespace

constexpr JisPairs kJisPairs = MakeJisPairs();

namespace {
constexpr JisUtf8 MakeJisUtf8() {
  JisUtf8 t{};
  for (unsigned row = 0x21; row <= 0x7e; ++row) {
    for (unsigned cell = 0x21; cell <= 0x7e; ++cell) {
      const JisPair& pair = kJisPairs.at[(row - 0x21) * 94 + (cell - 0x21)];
      for (int k = 0; k < 4; ++k) t.at[row << 7 | cell].bytes[k] = pair.utf8[k];
    }
  }
  return t;
}
}  // namespace

constexpr JisUtf8 kJisUtf8 = MakeJisUtf8();

namespace {
// Code page 932 has a character for every Shift_JIS pair that a JIS pair becomes, so a decoded
// pair always reads as itself, whatever bytes follow it.
constexpr bool EveryJisPairIsACharacter() {
  for (const JisPair& pair : kJisPairs.at) {
    if (pair.utf8[3] == 0) return false;
  }
  return true;
}
static_assert(EveryJisPairIsACharacter());

// Nor does any of them read as ASCII: decoded ISO-2022-JP text without bytes from 0x80 on
// equals an ASCII text exactly when its UTF-8 does (the line converter compares so).
constexpr bool NoJisPairReadsAsAscii() {
  for (const JisPair& pair : kJisPairs.at) {
    if (static_cast<unsigned char>(pair.utf8[0]) < 0x80) return false;
  }
  return true;
}
static_assert(NoJisPairReadsAsAscii());
}  // namespace

std::string WideToCp932(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');
  char* b = out.data();
  for (const char16_t unit : text) {
    const std::uint16_t code = kWideToCp932Pages[kWideToCp932PageIndex[unit >> 8]][unit & 0xFF];
    if (code > 0xFF) *b++ = static_cast<char>(code >> 8);
    *b++ = static_cast<char>(code & 0xFF);
  }
  out.resize(static_cast<std::size_t>(b - out.data()));
  return out;
}

namespace {

// ASCII units are their own bytes in code page 932 too.
constexpr bool AsciiEncodesAsItself() {
  for (unsigned u = 0; u < 0x80; ++u) {
    if (kWideToCp932Pages[kWideToCp932PageIndex[0]][u] != u) return false;
  }
  return true;
}
static_assert(AsciiEncodesAsItself());

// No unit but U+0000 has a zero byte in its code page 932 form, so text cut before its first
// U+0000 needs no cut before a zero byte afterwards.
constexpr bool OnlyZeroGivesAZeroByte() {
  for (unsigned unit = 1; unit < 0x10000; ++unit) {
    if ((kWideToCp932Pages[kWideToCp932PageIndex[unit >> 8]][unit & 0xFF] & 0xFF) == 0) return false;
  }
  return true;
}
static_assert(OnlyZeroGivesAZeroByte());

// Writes what WideToCp932 makes of `unit` at `b`; returns the end.
inline char* PutCp932(char16_t unit, char* b) {
  const std::uint16_t code = kWideToCp932Pages[kWideToCp932PageIndex[unit >> 8]][unit & 0xFF];
  if (code > 0xFF) *b++ = static_cast<char>(code >> 8);
  *b++ = static_cast<char>(code & 0xFF);
  return b;
}

// True when one of the eight bytes of `w` is zero.
inline bool HasZeroByte(std::uint64_t w) {
  return ((w - 0x0101010101010101ULL) & ~w & kHighBits) != 0;
}

// Units that code page 932 reads back as themselves from what WideToCp932 makes of them, alone
// and whatever follows: a pair that is a character, or a single byte that starts no pair.
struct RoundTripBits {
  std::uint64_t words[0x10000 / 64];
};
constexpr RoundTripBits MakeRoundTripBits() {
  RoundTripBits t{};
  for (unsigned unit = 0; unit < 0x10000; ++unit) {
    const std::uint16_t code = kWideToCp932Pages[kWideToCp932PageIndex[unit >> 8]][unit & 0xFF];
    bool back;
    if (code > 0xFF) {
      const std::uint8_t page = kCp932LeadPage[code >> 8];
      back = page != kCp932NotLead && kCp932Pairs[page][code & 0xFF] == unit;
    } else {
      back = kCp932LeadPage[code] == kCp932NotLead && kCp932Single[code] == unit;
    }
    if (back && (unit < 0xD800 || unit > 0xDFFF)) t.words[unit / 64] |= std::uint64_t{1} << (unit % 64);
  }
  return t;
}
constexpr RoundTripBits kRoundTrips = MakeRoundTripBits();

inline bool RoundTrips(char16_t unit) { return (kRoundTrips.words[unit / 64] >> (unit % 64)) & 1; }

}  // namespace

void Utf8ToCp932(std::string_view bytes, std::string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  out.clear();
  // A stretch at a time through a stack buffer, as in Cp932ToUtf8. A sequence of k bytes gives
  // at most k units and a unit at most two bytes; the last sequence may run three bytes past.
  constexpr std::size_t kStretch = 1024;
  char buffer[(kStretch + 3) * 2];
  std::size_t i = 0;
  while (i < n) {
    const std::size_t end = n - i > kStretch ? i + kStretch : n;
    char* o = buffer;
    while (i < end) {
      if (p[i] < 0x80) {
        // ASCII is itself in both, a word at a time up to a zero byte, which ends the text.
        while (end - i >= 8) {
          const std::uint64_t w = Word(p + i);
          if ((w & kHighBits) != 0 || HasZeroByte(w)) break;
          std::memcpy(o, p + i, 8);
          i += 8;
          o += 8;
        }
        if (i == end) break;
        if (p[i] == 0) {
          out.append(buffer, static_cast<std::size_t>(o - buffer));
          return;
        }
        if (p[i] < 0x80) {
          *o++ = static_cast<char>(p[i++]);
          continue;
        }
      }
      // Well-formed two- and three-byte sequences, nearly all of the rest, decoded in place;
      // anything else as Utf8ToWide takes it. No sequence from 0x80 on gives U+0000.
      if (p[i] >= 0xC2 && p[i] <= 0xDF && n - i >= 2 && (p[i + 1] & 0xC0) == 0x80) {
        o = PutCp932(static_cast<char16_t>((p[i] & 0x1F) << 6 | (p[i + 1] & 0x3F)), o);
        i += 2;
        continue;
      }
      if ((p[i] & 0xF0) == 0xE0 && n - i >= 3 && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
        const char16_t unit = static_cast<char16_t>((p[i] & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F));
        if (unit >= 0x800 && (unit < 0xD800 || unit > 0xDFFF)) {  // no overlong, no surrogate
          o = PutCp932(unit, o);
          i += 3;
          continue;
        }
      }
      const Utf8Step step = DecodeUtf8Step(p + i, n - i);
      i += step.length;
      if (step.codePoint == kInvalid) {
        o = PutCp932(kReplacement, o);
      } else if (step.codePoint < 0x10000) {
        o = PutCp932(static_cast<char16_t>(step.codePoint), o);
      } else {
        const char32_t v = step.codePoint - 0x10000;
        o = PutCp932(static_cast<char16_t>(0xD800 | (v >> 10)), o);
        o = PutCp932(static_cast<char16_t>(0xDC00 | (v & 0x3FF)), o);
      }
    }
    out.append(buffer, static_cast<std::size_t>(o - buffer));
  }
}

std::size_t Utf8RoundTripLength(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      while (n - i >= 8 && (Word(p + i) & kHighBits) == 0 && !HasZeroByte(Word(p + i))) i += 8;
      if (i < n && p[i] == 0) return i;  // the text ends here
      if (i < n && p[i] < 0x80) ++i;
      continue;
    }
    // Only well-formed two- and three-byte sequences can come back; surrogates and overlongs
    // cannot, nor can U+FFFD made of invalid bytes, nor the two units of a four-byte sequence.
    if (p[i] >= 0xC2 && p[i] <= 0xDF && n - i >= 2 && (p[i + 1] & 0xC0) == 0x80) {
      if (!RoundTrips(static_cast<char16_t>((p[i] & 0x1F) << 6 | (p[i + 1] & 0x3F)))) return std::string_view::npos;
      i += 2;
      continue;
    }
    if ((p[i] & 0xF0) == 0xE0 && n - i >= 3 && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80) {
      const char16_t unit = static_cast<char16_t>((p[i] & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F));
      if (unit < 0x800 || !RoundTrips(unit)) return std::string_view::npos;  // RoundTrips holds no surrogate
      i += 3;
      continue;
    }
    return std::string_view::npos;
  }
  return n;
}

}  // namespace vellum::codepage
