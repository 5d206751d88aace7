#include "decode/iso2022jp.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "decode/codepage.h"

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

// Where the decoded bytes go: `ansi`, and with kUtf8 also their UTF-8 at `utf8` as long as
// each character reads alone (`utf8Good`).
template <bool kUtf8>
struct Decoded {
    char* ansi;
    char* utf8 = nullptr;
    bool utf8Good = kUtf8;
};

// Decodes `source` into the room at `to.ansi`, as long as the source, and with kUtf8 into the
// room at `to.utf8`, twice as long and four bytes more.
template <bool kUtf8>
void DecodeInto(std::string_view source, Decoded<kUtf8>& to) {
    bool doubleByte = false;
    std::size_t pos = 0;
    char* out = to.ansi;
    char* utf8 = to.utf8;
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
                const std::size_t length = pieceEnd - pos;
                std::memcpy(out, source.data() + pos, length);
                if constexpr (kUtf8) {
                    // ASCII stands for itself in UTF-8 too; a byte from 0x80 on may pair with the next.
                    unsigned char high = 0;
                    for (std::size_t k = 0; k < length; ++k) high |= static_cast<unsigned char>(out[k]);
                    to.utf8Good &= high < 0x80;
                    std::memcpy(utf8, source.data() + pos, length);
                    utf8 += length;
                }
                out += length;
                pos = pieceEnd + (zero != nullptr ? 1 : 0);
            }
            continue;
        }
        // Double-byte text: pairs up to the next ESC that starts a pair.
        do {
            const unsigned row = static_cast<unsigned char>(source[pos]) - 0x21u;
            const unsigned cell = (pos + 1 < source.size() ? static_cast<unsigned char>(source[pos + 1]) : 0u) - 0x21u;
            pos += 2;
            if (row >= 94 || cell >= 94) continue;  // invalid pairs (outside 0x21-0x7E) vanish
            const codepage::JisPair& pair = codepage::kJisPairs.at[row * 94 + cell];
            std::memcpy(out, pair.shiftJis, 2);
            out += 2;
            if constexpr (kUtf8) {
                std::memcpy(utf8, pair.utf8, 4);
                utf8 += pair.utf8[3];
            }
        } while (pos < source.size() && source[pos] != '\x1b');
    }
    to.ansi = out;
    to.utf8 = utf8;
}

}  // namespace

void DecodeIso2022Jp(std::string_view source, std::string& output) {
    // Never longer than the source: escapes vanish, a pair gives a pair, a byte at most a byte.
    // A line is decoded on the stack and appended, as growing the output would zero-fill that
    // room first; longer text goes into such room and is cut to size.
    constexpr std::size_t kLine = 1024;
    if (source.size() <= kLine) {
        char buffer[kLine];
        Decoded<false> to{buffer};
        DecodeInto(source, to);
        output.append(buffer, static_cast<std::size_t>(to.ansi - buffer));
        return;
    }
    const std::size_t start = output.size();
    output.resize(start + source.size());
    Decoded<false> to{output.data() + start};
    DecodeInto(source, to);
    output.resize(static_cast<std::size_t>(to.ansi - output.data()));
}

bool DecodeIso2022JpWithUtf8(std::string_view source, std::string& ansi, std::string& utf8) {
    constexpr std::size_t kLine = 1024;
    ansi.clear();
    if (source.size() > kLine) {
        DecodeIso2022Jp(source, ansi);
        return false;
    }
    char ansiBuffer[kLine];
    char utf8Buffer[2 * kLine + 4];
    Decoded<true> to{ansiBuffer, utf8Buffer};
    DecodeInto(source, to);
    ansi.append(ansiBuffer, static_cast<std::size_t>(to.ansi - ansiBuffer));
    if (to.utf8Good) utf8.assign(utf8Buffer, static_cast<std::size_t>(to.utf8 - utf8Buffer));
    return to.utf8Good;
}

}  // namespace vellum
