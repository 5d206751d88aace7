#include "decode/iso2022jp.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>

namespace vellum {
namespace {

struct Escape {
    std::string_view bytes;
    bool doubleByte;
};

// Tried in this order. A sequence counts only when at least one more byte follows it.
constexpr std::array<Escape, 6> kEscapes = {{
    {"\x1b$@", true},
    {"\x1b$B", true},
    {"\x1b(B", false},
    {"\x1b(J", false},
    {"\x1b$(D", true},
    {"\x1b&@\x1b$B", true},
}};

}  // namespace

void DecodeIso2022Jp(std::string_view source, std::string& output) {
    // Never longer than the source: escapes vanish, a pair gives a pair, a byte at most a byte.
    // Written through a pointer into that room, and cut to size at the end.
    const std::size_t start = output.size();
    output.resize(start + source.size());
    char* out = output.data() + start;
    bool doubleByte = false;
    std::size_t pos = 0;
    while (pos < source.size()) {
        if (source[pos] == '\x1b') {
            bool consumed = false;
            for (const Escape& e : kEscapes) {
                if (source.size() - pos > e.bytes.size() && source.substr(pos, e.bytes.size()) == e.bytes) {
                    doubleByte = e.doubleByte;
                    pos += e.bytes.size();
                    consumed = true;
                    break;
                }
            }
            if (consumed) continue;
        }
        if (!doubleByte) {
            // Single-byte text runs up to the next ESC: copied as it stands, zero bytes dropped.
            // An ESC that starts no sequence is data like any other byte.
            const void* esc = std::memchr(source.data() + pos + 1, '\x1b', source.size() - pos - 1);
            const std::size_t runEnd = esc != nullptr ? static_cast<std::size_t>(static_cast<const char*>(esc) - source.data())
                                                      : source.size();
            out = std::remove_copy(source.data() + pos, source.data() + runEnd, out, '\0');
            pos = runEnd;
            continue;
        }
        // Double-byte text: pairs up to the next ESC that starts a pair.
        do {
            const unsigned j1 = static_cast<unsigned char>(source[pos]);
            const unsigned j2 = pos + 1 < source.size() ? static_cast<unsigned char>(source[pos + 1]) : 0u;
            pos += 2;
            if (j1 - 0x21 > 0x5d || j2 - 0x21 > 0x5d) continue;  // invalid pairs (outside 0x21-0x7E) vanish
            // JIS X 0208 row/cell to Shift_JIS, arithmetically: every row, vendor rows included.
            // Without branches, since odd and even rows alternate at random in Japanese text:
            // s1 = t + 0x81, or t + 0xC1 past 0x9F; s2 = j2 + 0x7E for an even j1, for an odd one
            // j2 + 0x1F below 0x60 and j2 + 0x20 from 0x60 on.
            const unsigned t = (j1 - 0x21) >> 1;
            const unsigned odd = j1 & 1u;
            *out++ = static_cast<char>(t + 0x81 + (static_cast<unsigned>(t >= 0x1f) << 6));
            *out++ = static_cast<char>(j2 + 0x7e - odd * (0x5f - static_cast<unsigned>(j2 >= 0x60)));
        } while (pos < source.size() && source[pos] != '\x1b');
    }
    output.resize(static_cast<std::size_t>(out - output.data()));
}

}  // namespace vellum
