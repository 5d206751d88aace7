// The portable converters against what the Windows API gives on a Japanese system: mappings
// of code page 932 and its vendor extensions, best fit, and Windows' handling of bad input.
#include "decode/codepage.h"

#include <gtest/gtest.h>

#include "decode/charset.h"

#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

namespace vellum::codepage {
namespace {

// "61 F0 62" -> the bytes 0x61 0xF0 0x62.
std::string Bytes(std::string_view hex) {
  std::istringstream in{std::string(hex)};
  std::string out;
  unsigned value = 0;
  while (in >> std::hex >> value) out.push_back(static_cast<char>(value));
  return out;
}

// "D83D DE00" -> the UTF-16 units 0xD83D 0xDE00.
std::u16string Units(std::string_view hex) {
  std::istringstream in{std::string(hex)};
  std::u16string out;
  unsigned value = 0;
  while (in >> std::hex >> value) out.push_back(static_cast<char16_t>(value));
  return out;
}

std::string HexOf(std::string_view bytes) {
  std::string out;
  char buffer[4];
  for (unsigned char b : bytes) {
    std::snprintf(buffer, sizeof buffer, "%02X ", b);
    out += buffer;
  }
  return out;
}

std::string HexOf(std::u16string_view units) {
  std::string out;
  char buffer[6];
  for (char16_t u : units) {
    std::snprintf(buffer, sizeof buffer, "%04X ", static_cast<unsigned>(u));
    out += buffer;
  }
  return out;
}

struct Cp932Case {
  const char* what;
  const char* bytes;
  const char* units;
};

TEST(Cp932ToWide, MapsAsCodePage932) {
  const Cp932Case cases[] = {
      {"empty", "", ""},
      {"ASCII with a zero byte inside", "41 00 7E", "0041 0000 007E"},
      {"hiragana a", "82 A0", "3042"},
      {"Japanese", "93 FA 96 7B 8C EA", "65E5 672C 8A9E"},
      {"wave dash is the fullwidth tilde in code page 932", "81 60", "FF5E"},
      {"backslash cell", "81 5F", "FF3C"},
      {"NEC row 13: circled one", "87 40", "2460"},
      {"NEC row 13: Roman numeral one", "87 54", "2160"},
      {"IBM extension: small Roman numeral one", "FA 40", "2170"},
      {"IBM extension duplicate of NEC row 13", "FA 4A", "2160"},
      {"NEC-selected IBM extension", "ED 40", "7E8A"},
      {"user-defined area, first cell", "F0 40", "E000"},
      {"user-defined area, last cell", "F9 FC", "E757"},
      {"halfwidth katakana", "A1 DF", "FF61 FF9F"},
      {"single byte 0x80", "80", "0080"},
      {"single byte 0xA0", "A0", "F8F0"},
      {"single bytes 0xFD-0xFF", "FD FE FF", "F8F1 F8F2 F8F3"},
      {"a lead byte as the second byte of a pair", "81 81 40", "FF1D 0040"},
      {"unmapped cell in a mapped row", "82 F2", "30FB"},
      {"lead byte of an unmapped row", "EB 40", "30FB"},
      {"invalid second byte: both bytes taken", "81 20 41", "30FB 0041"},
      {"invalid second byte 0x7F", "81 7F", "30FB"},
      {"a lead byte does not take a zero byte", "81 00 41", "30FB 0000 0041"},
      {"lead byte cut off by the end", "41 82", "0041 30FB"},
      {"pair, then a lead byte at the end", "82 A0 82", "3042 30FB"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexOf(Cp932ToWide(Bytes(c.bytes))), HexOf(Units(c.units))) << c.what;
  }
}

struct WideCase {
  const char* what;
  const char* units;
  const char* bytes;
};

TEST(WideToCp932, MapsAsCodePage932WithBestFit) {
  const WideCase cases[] = {
      {"empty", "", ""},
      {"ASCII and zero", "0041 0000 007E", "41 00 7E"},
      {"hiragana between ASCII", "0061 3042 0062", "61 82 A0 62"},
      {"fullwidth tilde is the wave dash cell", "FF5E", "81 60"},
      {"wave dash itself has no cell", "301C", "3F"},
      {"circled one", "2460", "87 40"},
      {"Roman numeral one goes to NEC row 13, not the IBM duplicate", "2160", "87 54"},
      {"IBM kanji goes to the IBM extension, not the NEC-selected copy", "7E8A", "FA 5C"},
      {"user-defined area", "E000 E757", "F0 40 F9 FC"},
      {"past the user-defined area", "E758", "3F"},
      {"halfwidth katakana", "FF61", "A1"},
      {"private-use units of the single bytes", "F8F0 F8F3", "A0 FF"},
      {"U+0080", "0080", "80"},
      {"best fit: A grave", "00C0", "41"},
      {"best fit: e acute", "00E9", "65"},
      {"best fit: yen sign", "00A5", "5C"},
      {"best fit: broken bar", "00A6", "7C"},
      {"best fit: cent sign", "00A2", "81 91"},
      {"best fit: middle dot", "00B7", "81 45"},
      {"no best fit: no-break space", "00A0", "3F"},
      {"Hangul syllable", "AC00", "3F"},
      {"replacement character", "FFFD", "3F"},
      {"emoji: one question mark per surrogate", "D83D DE00", "3F 3F"},
      {"lone high surrogate", "0041 D83D 0042", "41 3F 42"},
      {"lone low surrogate", "DE00", "3F"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HexOf(WideToCp932(Units(c.units))), HexOf(Bytes(c.bytes))) << c.what;
  }
}

// Every mapped pair's unit encodes to a pair that decodes to the same unit (the NEC and IBM
// duplicates encode to one of their cells), and ASCII is itself both ways.
TEST(Cp932, TablesAgreeBothWays) {
  int pairs = 0;
  for (unsigned lead = 0x80; lead < 0x100; ++lead) {
    for (unsigned trail = 0; trail < 0x100; ++trail) {
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string units = Cp932ToWide(bytes);
      if (units.size() != 1 || units[0] == 0x30FB) continue;
      ++pairs;
      ASSERT_EQ(HexOf(Cp932ToWide(WideToCp932(units))), HexOf(units)) << HexOf(bytes);
    }
  }
  EXPECT_GT(pairs, 7000);  // JIS X 0208, NEC and IBM extensions and the user-defined area
  for (unsigned b = 0; b < 0x80; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Cp932ToWide(byte), std::u16string(1, static_cast<char16_t>(b)));
    EXPECT_EQ(WideToCp932(std::u16string(1, static_cast<char16_t>(b))), byte);
  }
}

// The document's UTF-8 comes straight from code page 932: the same bytes as widening first and
// encoding the units, for every byte and pair, a lead byte cut off at the end, and longer text.
// It relies on no character of the code page being a surrogate or a line feed from other bytes.
TEST(Cp932ToUtf8, IsTheUtf8OfCp932ToWide) {
  const auto expected = [](std::string_view bytes) {
    std::string out = "x";
    AppendUtf8(out, Cp932ToWide(bytes));
    return out;
  };
  const auto direct = [](std::string_view bytes) {
    std::string out = "x";  // appended to what is there
    Cp932ToUtf8(bytes, out);
    return out;
  };
  std::string all;
  for (unsigned first = 0; first < 0x100; ++first) {
    const std::string one(1, static_cast<char>(first));
    ASSERT_EQ(HexOf(direct(one)), HexOf(expected(one))) << HexOf(one);
    for (unsigned second = 0; second < 0x100; ++second) {
      const std::string two{static_cast<char>(first), static_cast<char>(second)};
      const std::u16string units = Cp932ToWide(two);
      for (const char16_t unit : units) {
        ASSERT_FALSE(unit >= 0xD800 && unit <= 0xDFFF) << HexOf(two);
        ASSERT_FALSE(unit == u'\n' && first != 0x0A && second != 0x0A) << HexOf(two);
      }
      ASSERT_EQ(HexOf(direct(two)), HexOf(expected(two))) << HexOf(two);
      all += two;
    }
  }
  EXPECT_EQ(direct(all), expected(all));
  EXPECT_EQ(direct(all.substr(1)), expected(all.substr(1)));  // pairs shifted by one byte
  EXPECT_EQ(direct(""), "x");
}

// Random code page 932 text of the kinds the converter treats apart: ASCII runs of every length
// (word-sized copies and their leftovers), pairs, lone and cut-off lead bytes, single high bytes,
// zero bytes. Deterministic, so a failure repeats.
std::string RandomCp932(std::mt19937& random, std::size_t pieces) {
  const auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
  std::string out;
  for (std::size_t k = 0; k < pieces; ++k) {
    switch (below(6)) {
      case 0:
        for (unsigned length = below(40); length > 0; --length) out += static_cast<char>(0x20 + below(0x5F));
        break;
      case 1:  // a valid pair: hiragana, kanji or a vendor row
        out += static_cast<char>(below(2) != 0 ? 0x82 : 0x88 + below(8));
        out += static_cast<char>(0x40 + below(0xBD));
        break;
      case 2:  // any lead byte with any byte after it
        out += static_cast<char>(0x81 + below(0x1F));
        out += static_cast<char>(below(0x100));
        break;
      case 3:
        out += static_cast<char>(0x80 + below(0x80));
        break;
      case 4:
        out += '\0';
        break;
      default:
        out += static_cast<char>(below(0x100));
        break;
    }
  }
  if (below(4) == 0) out += static_cast<char>(0x81 + below(0x1F));  // a lead byte cut off by the end
  return out;
}

// The direct conversion takes ASCII runs, pairs and the rest on separate paths and in stretches
// of the input: whatever the mix and the length, it must give what widening and encoding give.
TEST(Cp932ToUtf8, EqualsWideningThenEncodingOnRandomText) {
  std::mt19937 random(20240611);
  for (int round = 0; round < 20000; ++round) {
    const std::string bytes = RandomCp932(random, 1 + random() % (round % 100 == 0 ? 400 : 24));
    std::string expected = "prefix";
    AppendUtf8(expected, Cp932ToWide(bytes));
    std::string direct = "prefix";
    Cp932ToUtf8(bytes, direct);
    ASSERT_EQ(HexOf(direct), HexOf(expected)) << HexOf(bytes);
  }
}

// Long text crosses the stretches the converter works in, with pairs split across their ends and
// with the densest output (three bytes from every byte) filling a whole stretch.
TEST(Cp932ToUtf8, LongTextAcrossItsWorkingStretches) {
  const auto check = [](const std::string& bytes) {
    std::string expected;
    AppendUtf8(expected, Cp932ToWide(bytes));
    std::string direct;
    Cp932ToUtf8(bytes, direct);
    ASSERT_EQ(direct.size(), expected.size()) << bytes.size();
    ASSERT_TRUE(direct == expected) << bytes.size();
  };
  for (std::size_t ascii = 0; ascii < 24; ++ascii) {
    std::string bytes(ascii, 'a');
    while (bytes.size() < 5000) bytes += "\x82\xa0";  // every pair boundary position in turn
    check(bytes);
    check(bytes + "\x82");
  }
  check(std::string(10000, '\xb1'));  // halfwidth katakana: three bytes each
  check(std::string(10000, '\x80'));
  check(std::string(10000, 'z'));
}

struct Utf8Case {
  const char* what;
  const char* bytes;
  const char* units;
  bool endsInCutSequence;
};

TEST(Utf8ToWide, ReplacesInvalidSequencesAsWindows) {
  const Utf8Case cases[] = {
      {"empty", "", "", false},
      {"ASCII and zero", "41 00 7E", "0041 0000 007E", false},
      {"two bytes", "C2 80 DF BF", "0080 07FF", false},
      {"three bytes", "E3 81 82 ED 9F BF EF BF BF", "3042 D7FF FFFF", false},
      {"four bytes to a surrogate pair", "F0 9F 98 80", "D83D DE00", false},
      {"largest code point", "F4 8F BF BF", "DBFF DFFF", false},
      // Overlongs: C0 and C1 never start a sequence; E0 and F0 take the bad second byte along.
      {"overlong two bytes C0", "C0 80", "FFFD FFFD", false},
      {"overlong two bytes C1", "C1 BF", "FFFD FFFD", false},
      {"overlong three bytes", "E0 80 80", "FFFD FFFD", false},
      {"overlong three bytes, highest", "E0 9F BF", "FFFD FFFD", false},
      {"overlong four bytes", "F0 80 80 80", "FFFD FFFD FFFD", false},
      {"overlong four bytes, highest", "F0 8F BF BF", "FFFD FFFD FFFD", false},
      {"encoded high surrogate", "ED A0 80", "FFFD FFFD", false},
      {"encoded low surrogate", "ED BF BF", "FFFD FFFD", false},
      {"past U+10FFFF", "F4 90 80 80", "FFFD FFFD FFFD", false},
      {"lead byte F5", "F5 80 80 80", "FFFD FFFD FFFD FFFD", false},
      {"five-byte form", "F8 88 80 80 80", "FFFD FFFD FFFD FFFD FFFD", false},
      {"byte FF", "FF 41", "FFFD 0041", false},
      {"stray continuation bytes", "80 41 BF 80", "FFFD 0041 FFFD FFFD", false},
      {"bad second byte", "C2 41 41", "FFFD 0041 0041", false},
      {"bad third byte", "E3 81 41", "FFFD 0041", false},
      {"bad fourth byte", "F0 9F 98 41", "FFFD 0041", false},
      {"bad second byte of four", "F0 9F 41 41 41", "FFFD 0041 0041 0041", false},
      {"bad byte, then invalid lead", "E0 20 C0", "FFFD 0020 FFFD", false},
      // Cut off by the end of the input: one U+FFFD for the bytes taken, then go on.
      {"lone lead byte", "E6", "FFFD", true},
      {"lead byte between letters", "61 F0 62", "0061 FFFD 0062", true},
      {"lead byte at the end", "61 F0", "0061 FFFD", true},
      {"two of three bytes", "E3 81", "FFFD", true},
      {"three of four bytes", "F0 9F 98", "FFFD", true},
      {"cut and bad", "E0 41", "FFFD 0041", true},
      {"cut overlong", "E0 80", "FFFD", true},
      {"cut past U+10FFFF", "F4 90 41", "FFFD 0041", true},
      {"whole character, then a cut one", "E3 81 82 E3", "3042 FFFD", true},
      {"overlong, then a cut one", "F0 80 E3 81", "FFFD FFFD", true},
      {"overlong, then a whole four bytes", "E0 80 F0 9F 98 80", "FFFD D83D DE00", false},
  };
  for (const auto& c : cases) {
    const std::string bytes = Bytes(c.bytes);
    EXPECT_EQ(HexOf(Utf8ToWide(bytes)), HexOf(Units(c.units))) << c.what;
    EXPECT_EQ(Utf8EndsInCutSequence(bytes), c.endsInCutSequence) << c.what;
  }
}

std::string EncodeUtf8(char32_t c) {
  char bytes[4];
  return std::string(bytes, PutUtf8(c, bytes));
}

// Random UTF-8 as mail has it and as it should not: ASCII runs of every length, characters of
// every length (surrogates, overlongs and code points past U+10FFFF among them), stray bytes,
// zero bytes, and sequences cut off by the end.
std::string RandomUtf8(std::mt19937& random, std::size_t pieces) {
  const auto below = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };
  std::string out;
  for (std::size_t k = 0; k < pieces; ++k) {
    switch (below(7)) {
      case 0:
        for (unsigned length = below(40); length > 0; --length) out += static_cast<char>(0x20 + below(0x5F));
        break;
      case 1:  // Japanese: hiragana, katakana, kanji, fullwidth forms
        out += EncodeUtf8(below(2) != 0 ? 0x3040 + below(0xC0) : 0x4E00 + below(0x5200));
        break;
      case 2:
        out += EncodeUtf8(0x80 + below(0x780));
        break;
      case 3:
        out += EncodeUtf8(0x800 + below(0x10000 - 0x800));  // surrogates too
        break;
      case 4:
        out += EncodeUtf8(0x10000 + below(0x100000));
        break;
      case 5:
        out += static_cast<char>(below(8) == 0 ? 0 : 0x80 + below(0x80));
        break;
      default:  // a lead byte with whatever comes after it
        out += static_cast<char>(0xC0 + below(0x40));
        out += static_cast<char>(below(0x100));
        break;
    }
  }
  if (below(4) == 0) out += EncodeUtf8(0x800 + below(0x10000 - 0x800)).substr(0, 1 + below(2));
  return out;
}

// The UTF-8 charset's direct conversion against its definition, widening and narrowing.
TEST(Utf8ToCp932, EqualsWideningThenNarrowingOnRandomText) {
  std::mt19937 random(1172);
  for (int round = 0; round < 20000; ++round) {
    const std::string bytes = RandomUtf8(random, 1 + random() % (round % 100 == 0 ? 400 : 16));
    const std::u16string wide = Utf8ToWide(bytes);
    const std::string expected = WideToCp932(std::u16string_view(wide).substr(0, wide.find(u'\0')));
    std::string direct = "what the buffer held";
    Utf8ToCp932(bytes, direct);
    ASSERT_EQ(HexOf(direct), HexOf(expected)) << HexOf(bytes);
    ASSERT_EQ(direct.find('\0'), std::string::npos) << HexOf(bytes);
  }
}

// Whether the code page 932 text reads back as the UTF-8 it came from, against doing it: on
// random text, then for every character alone and before a byte that a lead byte would take.
TEST(Utf8RoundTripLength, ExactlyWhenTheTextComesBack) {
  const auto check = [](const std::string& bytes) {
    std::string ansi, back;
    Utf8ToCp932(bytes, ansi);
    Cp932ToUtf8(ansi, back);
    const std::size_t length = Utf8RoundTripLength(bytes);
    const std::string upToZero = bytes.substr(0, bytes.find('\0'));
    EXPECT_EQ(length != std::string::npos, back == upToZero) << HexOf(bytes);
    if (length != std::string::npos) {
      EXPECT_EQ(length, upToZero.size()) << HexOf(bytes);
    }
    return length != std::string::npos;
  };
  std::mt19937 random(932);
  int cameBack = 0;
  for (int round = 0; round < 20000; ++round) {
    // Mostly text that comes back, as nearly all mail does.
    std::string bytes = round % 2 == 0 ? RandomUtf8(random, 1 + random() % 16) : "";
    for (auto k = random() % 12; k > 0; --k) {
      bytes += random() % 2 ? EncodeUtf8(static_cast<char32_t>(0x3041 + random() % 0x50)) : "ab";
    }
    cameBack += check(bytes);
  }
  EXPECT_GT(cameBack, 10000);
  int units = 0;
  for (char32_t c = 1; c < 0x10000; ++c) units += check(EncodeUtf8(c) + "@");
  EXPECT_GT(units, 7000);  // the characters of code page 932
  EXPECT_LT(units, 0x10000 - 0x800);  // but not every one
}

TEST(Utf8ToCp932, EveryCharacterAndLongText) {
  const auto expected = [](std::string_view bytes) {
    const std::u16string wide = Utf8ToWide(bytes);
    return WideToCp932(std::u16string_view(wide).substr(0, wide.find(u'\0')));
  };
  const auto direct = [](std::string_view bytes) {
    std::string out;
    Utf8ToCp932(bytes, out);
    return out;
  };
  for (char32_t c = 0; c <= 0x10FFFF; c += (c < 0x10000 ? 1 : 0x3F)) {
    const std::string bytes = EncodeUtf8(c) + "x";
    ASSERT_EQ(HexOf(direct(bytes)), HexOf(expected(bytes))) << "U+" << std::hex << static_cast<unsigned>(c);
  }
  for (std::size_t ascii = 0; ascii < 24; ++ascii) {
    std::string bytes(ascii, 'a');
    while (bytes.size() < 5000) bytes += "\xe3\x81\x82";  // every sequence boundary position in turn
    ASSERT_TRUE(direct(bytes) == expected(bytes)) << ascii;
    ASSERT_TRUE(direct(bytes + "\xe3\x81") == expected(bytes + "\xe3\x81")) << ascii;
    ASSERT_EQ(direct(bytes + '\0' + "tail"), expected(bytes)) << ascii;
  }
  EXPECT_EQ(direct(std::string(5000, '\xff')), std::string(5000, '?'));
  EXPECT_EQ(direct(std::string(3000, 'a') + '\0' + "b"), std::string(3000, 'a'));
  EXPECT_EQ(direct(""), "");
}

TEST(Utf8ToWide, DecodesEveryCodePoint) {
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    const std::string bytes = EncodeUtf8(c);
    const std::u16string units = Utf8ToWide(bytes);
    std::u16string expected;
    if (c >= 0xD800 && c <= 0xDFFF) {
      expected = u"\uFFFD\uFFFD";  // ED A0-BF is one, the last byte another
    } else if (c < 0x10000) {
      expected = std::u16string(1, static_cast<char16_t>(c));
    } else {
      expected = {static_cast<char16_t>(0xD800 | ((c - 0x10000) >> 10)),
                  static_cast<char16_t>(0xDC00 | (c & 0x3FF))};
    }
    ASSERT_EQ(HexOf(units), HexOf(expected)) << "U+" << std::hex << static_cast<unsigned>(c);
    ASSERT_FALSE(Utf8EndsInCutSequence(bytes));
    // Without its last byte every multibyte sequence is cut, and gives a single U+FFFD.
    if (bytes.size() > 1) {
      const std::string cut = bytes.substr(0, bytes.size() - 1);
      ASSERT_EQ(Utf8ToWide(cut), u"\uFFFD") << "U+" << std::hex << static_cast<unsigned>(c);
      ASSERT_TRUE(Utf8EndsInCutSequence(cut));
    }
  }
}

}  // namespace
}  // namespace vellum::codepage
