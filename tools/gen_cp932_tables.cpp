// Writes decode/cp932_tables.inc: the tables with which the portable converters reproduce
// MultiByteToWideChar(932, 0) and WideCharToMultiByte(932, 0, ..., NULL, NULL). Every entry is
// asked of the Windows API itself (run under Wine with scripts/wine-run); nothing is typed in.
//
// Usage: gen_cp932_tables OUTPUT-FILE
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr UINT kCodePage = 932;
constexpr std::uint16_t kNoPair = 0;  // a lead byte followed by this byte does not pair

std::u16string Decode(const unsigned char* bytes, int length) {
  wchar_t out[8];
  int n = MultiByteToWideChar(kCodePage, 0, reinterpret_cast<const char*>(bytes), length, out, 8);
  std::u16string result;
  for (int i = 0; i < n; ++i) result.push_back(static_cast<char16_t>(out[i]));
  return result;
}

std::string Encode(wchar_t unit) {
  char out[8];
  int n = WideCharToMultiByte(kCodePage, 0, &unit, 1, out, 8, nullptr, nullptr);
  return std::string(out, n > 0 ? static_cast<size_t>(n) : 0);
}

bool Fail(const char* what, unsigned value) {
  std::fprintf(stderr, "gen_cp932_tables: unexpected API result: %s (0x%X)\n", what, value);
  return false;
}

struct Tables {
  std::uint16_t single[256] = {};
  std::vector<std::vector<std::uint16_t>> pairPages;  // deduplicated, 256 entries each
  std::uint8_t leadPage[256] = {};                    // 0xFF: not a lead byte
  std::vector<std::vector<std::uint16_t>> widePages;  // deduplicated, 256 entries each
  std::uint8_t widePageIndex[256] = {};               // high byte of the unit -> its page
};

// Dedup: returns the index of `page` in `pages`, adding it when new.
size_t PageIndex(std::vector<std::vector<std::uint16_t>>& pages,
                 const std::vector<std::uint16_t>& page) {
  for (size_t i = 0; i < pages.size(); ++i)
    if (pages[i] == page) return i;
  pages.push_back(page);
  return pages.size() - 1;
}

bool Build(Tables& t) {
  for (unsigned b = 0; b < 256; ++b) {
    unsigned char byte = static_cast<unsigned char>(b);
    std::u16string w = Decode(&byte, 1);
    if (w.size() != 1) return Fail("single byte gives other than one unit", b);
    t.single[b] = w[0];
  }
  // Every two-byte sequence: one unit back means the first byte leads a pair with the second;
  // two units back must be the two single-byte decodings.
  for (unsigned lead = 0; lead < 256; ++lead) {
    std::vector<std::uint16_t> page(256, kNoPair);
    bool isLead = false;
    for (unsigned trail = 0; trail < 256; ++trail) {
      unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
      std::u16string w = Decode(pair, 2);
      if (w.size() == 1) {
        if (w[0] == kNoPair) return Fail("a pair decodes to U+0000", lead << 8 | trail);
        page[trail] = w[0];
        isLead = true;
      } else if (w.size() != 2 || w[0] != t.single[lead] || w[1] != t.single[trail]) {
        return Fail("two bytes decode unlike their single bytes", lead << 8 | trail);
      }
    }
    t.leadPage[lead] = 0xFF;
    if (isLead) {
      size_t index = PageIndex(t.pairPages, page);
      if (index >= 0xFF) return Fail("too many lead-byte pages", lead);
      t.leadPage[lead] = static_cast<std::uint8_t>(index);
    }
  }
  // Every BMP code unit, surrogates included, alone: one byte, or a lead byte and a trail byte.
  for (unsigned high = 0; high < 256; ++high) {
    std::vector<std::uint16_t> entries;
    for (unsigned low = 0; low < 256; ++low) {
      unsigned unit = high << 8 | low;
      std::string bytes = Encode(static_cast<wchar_t>(unit));
      if (bytes.size() == 1) {
        entries.push_back(static_cast<unsigned char>(bytes[0]));
      } else if (bytes.size() == 2 && static_cast<unsigned char>(bytes[0]) != 0) {
        entries.push_back(static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                                     static_cast<unsigned char>(bytes[1])));
      } else {
        return Fail("code unit encodes to other than one or two bytes", unit);
      }
    }
    size_t index = PageIndex(t.widePages, entries);
    if (index > 0xFF) return Fail("too many code-unit pages", high);
    t.widePageIndex[high] = static_cast<std::uint8_t>(index);
  }
  return true;
}

// Sixteen entries a line: line k of a page holds the entries 0xk0-0xkF.
template <typename T>
void WriteArray(FILE* out, const T* values, size_t count, int digits, const char* indent) {
  for (size_t i = 0; i < count; ++i) {
    if (i % 16 == 0) std::fprintf(out, "%s", indent);
    std::fprintf(out, "0x%0*X,%s", digits, static_cast<unsigned>(values[i]),
                 (i % 16 == 15 || i + 1 == count) ? "\n" : " ");
  }
}

void WritePages(FILE* out, const std::vector<std::vector<std::uint16_t>>& pages) {
  for (size_t i = 0; i < pages.size(); ++i) {
    std::fprintf(out, "  {  // %zu\n", i);
    WriteArray(out, pages[i].data(), pages[i].size(), 4, "    ");
    std::fprintf(out, "  },\n");
  }
}

void Write(FILE* out, const Tables& t) {
  std::fprintf(out,
               "// Generated by tools/gen_cp932_tables.cpp from MultiByteToWideChar(932, 0) and\n"
               "// WideCharToMultiByte(932, 0, ..., NULL, NULL). Do not edit: regenerate as\n"
               "// tools/README.md says.\n\n");
  std::fprintf(out, "// Byte -> UTF-16 unit, for a byte that does not start a pair.\n");
  std::fprintf(out, "constexpr char16_t kCp932Single[256] = {\n");
  WriteArray(out, t.single, 256, 4, "    ");
  std::fprintf(out, "};\n\n");

  std::fprintf(out, "// Byte -> its page in kCp932Pairs, or kCp932NotLead.\n");
  std::fprintf(out, "constexpr std::uint8_t kCp932NotLead = 0xFF;\n");
  std::fprintf(out, "constexpr std::uint8_t kCp932LeadPage[256] = {\n");
  WriteArray(out, t.leadPage, 256, 2, "    ");
  std::fprintf(out, "};\n\n");

  std::fprintf(out,
               "// A lead byte's page, indexed by the byte after it: the pair's UTF-16 unit, or 0\n"
               "// when the two bytes do not pair (the lead byte then decodes alone).\n");
  std::fprintf(out, "constexpr char16_t kCp932Pairs[%zu][256] = {\n", t.pairPages.size());
  WritePages(out, t.pairPages);
  std::fprintf(out, "};\n\n");

  std::fprintf(out, "// High byte of a UTF-16 unit -> its page in kWideToCp932Pages.\n");
  std::fprintf(out, "constexpr std::uint8_t kWideToCp932PageIndex[256] = {\n");
  WriteArray(out, t.widePageIndex, 256, 2, "    ");
  std::fprintf(out, "};\n\n");
  std::fprintf(out,
               "// Indexed by the low byte: one byte (<= 0xFF) or lead byte << 8 | trail byte.\n");
  std::fprintf(out, "constexpr std::uint16_t kWideToCp932Pages[%zu][256] = {\n",
               t.widePages.size());
  WritePages(out, t.widePages);
  std::fprintf(out, "};\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_cp932_tables OUTPUT-FILE\n");
    return 2;
  }
  Tables tables;
  if (!Build(tables)) return 1;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::fprintf(stderr, "gen_cp932_tables: cannot write %s\n", argv[1]);
    return 1;
  }
  Write(out, tables);
  if (std::fclose(out) != 0) return 1;
  size_t bytes = sizeof tables.single + sizeof tables.leadPage + tables.pairPages.size() * 512 +
                 sizeof tables.widePageIndex + tables.widePages.size() * 512;
  std::printf("%s: %zu distinct lead-byte pages, %zu distinct code-unit pages, %zu bytes\n",
              argv[1], tables.pairPages.size(), tables.widePages.size(), bytes);
  return 0;
}
