#include "decode/iso2022jp.h"

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

// JIS X 0208 row/cell to Shift_JIS, arithmetically, so every row maps, vendor rows included:
// the lead byte from j1 (t + 0x81, or t + 0xC1 past 0x9F, t = (j1 - 0x21) / 2), the trail byte
// from j2 and whether j1 is odd. Looked up rather than computed: odd and even rows alternate at
// random in Japanese text. Zero marks a byte outside 0x21-0x7E.
struct ShiftJisTables {
    unsigned char lead[256];
    unsigned char trail[2][256];
};
constexpr ShiftJisTables MakeShiftJisTables() {
    ShiftJisTables t{};
    for (unsigned j = 0x21; j <= 0x7e; ++j) {
        const unsigned r = (j - 0x21) >> 1;
        t.lead[j] = static_cast<unsigned char>(r + 0x81 + (r >= 0x1f ? 0x40 : 0));
        t.trail[0][j] = static_cast<unsigned char>(j + 0x7e);
        t.trail[1][j] = static_cast<unsigned char>(j + (j >= 0x60 ? 0x20 : 0x1f));
    }
    return t;
}
constexpr ShiftJisTables kShiftJis = MakeShiftJisTables();

// Decodes `source` into the room at `out`, as long as the source; returns the end.
char* DecodeInto(std::string_view source, char* out) {
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
            // Zero bytes are rare: the run is copied in one piece between them.
            while (pos < runEnd) {
                const void* zero = std::memchr(source.data() + pos, '\0', runEnd - pos);
                const std::size_t pieceEnd =
                    zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - source.data()) : runEnd;
                std::memcpy(out, source.data() + pos, pieceEnd - pos);
                out += pieceEnd - pos;
                pos = pieceEnd + (zero != nullptr ? 1 : 0);
            }
            continue;
        }
        // Double-byte text: pairs up to the next ESC that starts a pair.
        do {
            const unsigned j1 = static_cast<unsigned char>(source[pos]);
            const unsigned j2 = pos + 1 < source.size() ? static_cast<unsigned char>(source[pos + 1]) : 0u;
            pos += 2;
            const unsigned char s1 = kShiftJis.lead[j1];
            const unsigned char s2 = kShiftJis.trail[j1 & 1u][j2];
            if (s1 == 0 || s2 == 0) continue;  // invalid pairs (outside 0x21-0x7E) vanish
            *out++ = static_cast<char>(s1);
            *out++ = static_cast<char>(s2);
        } while (pos < source.size() && source[pos] != '\x1b');
    }
    return out;
}

}  // namespace

void DecodeIso2022Jp(std::string_view source, std::string& output) {
    // Never longer than the source: escapes vanish, a pair gives a pair, a byte at most a byte.
    // A line is decoded on the stack and appended, as growing the output would zero-fill that
    // room first; longer text goes into such room and is cut to size.
    constexpr std::size_t kLine = 1024;
    if (source.size() <= kLine) {
        char buffer[kLine];
        output.append(buffer, static_cast<std::size_t>(DecodeInto(source, buffer) - buffer));
        return;
    }
    const std::size_t start = output.size();
    output.resize(start + source.size());
    output.resize(static_cast<std::size_t>(DecodeInto(source, output.data() + start) - output.data()));
}

}  // namespace vellum
