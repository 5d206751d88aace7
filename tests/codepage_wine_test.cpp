// The portable converters against the real MultiByteToWideChar and WideCharToMultiByte in the
// same process (Windows, or Wine with scripts/wine-run): every short input exhaustively, and a
// seeded random sample of longer ones. Any difference fails.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>

#include "decode/codepage.h"

namespace vellum::codepage {
namespace {

// The API always gets an explicit length, never -1, and a buffer large enough for the result:
// a byte gives at most one UTF-16 unit, a unit at most two bytes.
std::u16string ApiToWide(UINT codePage, std::string_view bytes) {
  std::wstring out(bytes.size(), L'\0');
  const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    out.data(), static_cast<int>(out.size()));
  return std::u16string(out.begin(), out.begin() + (n > 0 ? n : 0));
}

std::string ApiToCp932(std::u16string_view units) {
  const std::wstring in(units.begin(), units.end());
  std::string out(units.size() * 2, '\0');
  const int n = WideCharToMultiByte(932, 0, in.data(), static_cast<int>(in.size()), out.data(),
                                    static_cast<int>(out.size()), nullptr, nullptr);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

template <typename Text>
std::string Hex(const Text& text) {
  std::string out;
  char buffer[8];
  for (auto c : text) {
    std::snprintf(buffer, sizeof buffer, sizeof c == 1 ? "%02X " : "%04X ",
                  static_cast<unsigned>(static_cast<std::make_unsigned_t<decltype(c)>>(c)));
    out += buffer;
  }
  return out;
}

// Counts the inputs compared and reports the first differences in full.
class Tally {
 public:
  explicit Tally(const char* name) : name_(name) {}
  ~Tally() {
    std::printf("[ compared ] %s: %ld inputs, %ld differences\n", name_, compared_, differences_);
    if (cut_ > 0) {
      std::printf("[ compared ]   %ld more left out as cut off by the end; with \"AAA\" appended: "
                  "%ld differences\n", cut_, cutDifferences_);
    }
    EXPECT_GT(compared_, 0) << name_;
    EXPECT_EQ(differences_ + cutDifferences_, 0) << name_;
  }

  long compared() const { return compared_; }

  void Cp932(std::string_view bytes) {
    Check(bytes, Cp932ToWide(bytes), ApiToWide(932, bytes), compared_, differences_);
  }

  // Wine, unlike Windows, swallows the rest of the input when a UTF-8 sequence is cut off by
  // the end of it (one U+FFFD for all). Such inputs are left out of the comparison. Windows
  // reads the end like a byte that does not continue the sequence, and so do we: appending
  // three ASCII letters, which makes every sequence complete for Wine, shows the same rule.
  void Utf8(std::string_view bytes) {
    if (!Utf8EndsInCutSequence(bytes)) {
      Check(bytes, Utf8ToWide(bytes), ApiToWide(CP_UTF8, bytes), compared_, differences_);
      return;
    }
    const std::string completed = std::string(bytes) + "AAA";
    EXPECT_FALSE(Utf8EndsInCutSequence(completed)) << Hex(completed);
    Check(completed, Utf8ToWide(bytes) + u"AAA", ApiToWide(CP_UTF8, completed), cut_,
          cutDifferences_);
  }

  void Wide(std::u16string_view units) {
    Check(units, WideToCp932(units), ApiToCp932(units), compared_, differences_);
  }

 private:
  template <typename In, typename Out>
  void Check(const In& input, const Out& ours, const Out& api, long& count, long& differences) {
    ++count;
    if (ours == api) return;
    if (differences_ + cutDifferences_ < 20) {
      ADD_FAILURE() << name_ << ", input " << Hex(input) << ": ours " << Hex(ours) << ", the API "
                    << Hex(api);
    }
    ++differences;
  }

  const char* name_;
  long compared_ = 0;
  long differences_ = 0;
  long cut_ = 0;
  long cutDifferences_ = 0;
};

std::string TwoBytes(unsigned first, unsigned second) {
  return {static_cast<char>(first), static_cast<char>(second)};
}

TEST(CodepageWine, Cp932EveryOneAndTwoByteSequence) {
  Tally tally("code page 932, every 1- and 2-byte sequence");
  for (unsigned b = 0; b < 256; ++b) tally.Cp932(std::string(1, static_cast<char>(b)));
  for (unsigned pair = 0; pair < 0x10000; ++pair) tally.Cp932(TwoBytes(pair >> 8, pair & 0xFF));
}

TEST(CodepageWine, Utf8EveryShortSequence) {
  Tally tally("UTF-8, every 1- and 2-byte sequence, every 3-byte one from E0-EF");
  for (unsigned b = 0; b < 256; ++b) tally.Utf8(std::string(1, static_cast<char>(b)));
  for (unsigned pair = 0; pair < 0x10000; ++pair) tally.Utf8(TwoBytes(pair >> 8, pair & 0xFF));
  for (unsigned lead = 0xE0; lead <= 0xEF; ++lead) {
    for (unsigned rest = 0; rest < 0x10000; ++rest) {
      tally.Utf8(std::string(1, static_cast<char>(lead)) + TwoBytes(rest >> 8, rest & 0xFF));
    }
  }
}

TEST(CodepageWine, Utf8FourByteLeads) {
  // Each four-byte lead with every second byte and telling third and fourth bytes.
  const unsigned char telling[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F,
                                   0xA0, 0xBF, 0xC0, 0xC2, 0xE0, 0xF0, 0xFF};
  Tally tally("UTF-8, F0-F4 with every second byte and telling others");
  for (unsigned lead = 0xF0; lead <= 0xF4; ++lead) {
    for (unsigned second = 0; second < 256; ++second) {
      for (unsigned char third : telling) {
        for (unsigned char fourth : telling) {
          tally.Utf8(TwoBytes(lead, second) + TwoBytes(third, fourth));
        }
      }
    }
  }
}

TEST(CodepageWine, WideEveryBmpUnitAndSurrogates) {
  {
    Tally units("UTF-16 -> 932, every BMP code unit");
    for (unsigned u = 0; u < 0x10000; ++u) units.Wide(std::u16string(1, static_cast<char16_t>(u)));
  }
  Tally pairs("UTF-16 -> 932, every surrogate pair, each surrogate alone among letters");
  for (unsigned high = 0xD800; high < 0xDC00; ++high) {
    for (unsigned low = 0xDC00; low < 0xE000; ++low) {
      pairs.Wide(std::u16string{static_cast<char16_t>(high), static_cast<char16_t>(low)});
    }
  }
  for (unsigned s = 0xD800; s < 0xE000; ++s) {
    const auto unit = static_cast<char16_t>(s);
    pairs.Wide(std::u16string{u'A', unit, u'B'});
    pairs.Wide(std::u16string{unit, unit});
    pairs.Wide(std::u16string{unit, u'\u3042'});
  }
}

// Random texts built from pieces, so that each holds a mixture of valid and invalid forms.
class Generator {
 public:
  explicit Generator(unsigned seed) : random_(seed) {}

  unsigned Below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(random_); }

  std::string Utf8Piece() {
    switch (Below(6)) {
      case 0: return std::string(1, static_cast<char>(Below(0x80)));
      case 1: return Encode(CodePoint());
      case 2: {  // a valid sequence missing its end
        std::string s = Encode(0x80 + Below(0x10FF80));
        return s.substr(0, 1 + Below(static_cast<unsigned>(s.size()) - 1));
      }
      case 3: return std::string(1, static_cast<char>(0x80 + Below(0x80)));
      case 4: {  // a lead byte with random bytes after it
        std::string s(1, static_cast<char>(0xC0 + Below(0x40)));
        for (unsigned i = Below(4); i > 0; --i) s += static_cast<char>(Below(0x100));
        return s;
      }
      default: return Encode(0xD800 + Below(0x800));  // an encoded surrogate
    }
  }

  std::string Cp932Piece() {
    switch (Below(5)) {
      case 0: return std::string(1, static_cast<char>(Below(0x80)));
      case 1: return {static_cast<char>(Lead()), static_cast<char>(0x40 + Below(0xBD))};
      case 2: return {static_cast<char>(Lead()), static_cast<char>(Below(0x100))};
      case 3: return std::string(1, static_cast<char>(Lead()));
      default: return std::string(1, static_cast<char>(0x80 + Below(0x80)));
    }
  }

  std::u16string WidePiece() {
    switch (Below(5)) {
      case 0: return std::u16string(1, static_cast<char16_t>(Below(0x80)));
      case 1: return std::u16string(1, static_cast<char16_t>(Below(0x10000)));
      case 2: return std::u16string(1, static_cast<char16_t>(0x3000 + Below(0x7000)));  // CJK
      case 3: return {static_cast<char16_t>(0xD800 + Below(0x400)),
                      static_cast<char16_t>(0xDC00 + Below(0x400))};
      default: return std::u16string(1, static_cast<char16_t>(0xD800 + Below(0x800)));
    }
  }

  // 1 to 40 code units or bytes, cut wherever the length falls.
  template <typename Text, typename Piece>
  Text Build(Piece piece) {
    const size_t length = 1 + Below(40);
    Text text;
    while (text.size() < length) text += piece();
    text.resize(length);
    return text;
  }

 private:
  unsigned Lead() { return Below(2) ? 0x81 + Below(0x1F) : 0xE0 + Below(0x1D); }

  char32_t CodePoint() {
    switch (Below(4)) {
      case 0: return 0x80 + Below(0x780);
      case 1: return 0x800 + Below(0xD000);
      case 2: return 0xE000 + Below(0x2000);
      default: return 0x10000 + Below(0x100000);
    }
  }

  static std::string Encode(char32_t c) {
    char bytes[4];
    return std::string(bytes, vellum::codepage::PutUtf8(c, bytes));
  }

  std::mt19937 random_;
};

// Random texts compared in each direction, not counting the UTF-8 texts left out.
constexpr long kSamples = 200000;

TEST(CodepageWine, RandomUtf8) {
  Generator g(20240601);
  Tally tally("UTF-8, random texts");
  while (tally.compared() < kSamples) {
    tally.Utf8(g.Build<std::string>([&] { return g.Utf8Piece(); }));
  }
}

TEST(CodepageWine, RandomCp932) {
  Generator g(20240602);
  Tally tally("code page 932, random texts");
  while (tally.compared() < kSamples) {
    tally.Cp932(g.Build<std::string>([&] { return g.Cp932Piece(); }));
  }
}

TEST(CodepageWine, RandomMixedBytes) {
  // UTF-8 and code page 932 pieces in one text, read as either code page.
  Generator g(20240603);
  Tally asUtf8("mixed bytes read as UTF-8");
  Tally asCp932("mixed bytes read as code page 932");
  while (asUtf8.compared() < kSamples) {
    const std::string text =
        g.Build<std::string>([&] { return g.Below(2) ? g.Utf8Piece() : g.Cp932Piece(); });
    asUtf8.Utf8(text);
    asCp932.Cp932(text);
  }
}

TEST(CodepageWine, RandomWide) {
  Generator g(20240604);
  Tally tally("UTF-16 -> 932, random texts");
  while (tally.compared() < kSamples) {
    tally.Wide(g.Build<std::u16string>([&] { return g.WidePiece(); }));
  }
}

}  // namespace
}  // namespace vellum::codepage
