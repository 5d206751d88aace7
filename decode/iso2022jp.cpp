#include "decode/iso2022jp.h"

#include <cstddef>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "decode/codepage.h"
#include "util/byte_search.h"

namespace vellum {
namespace {

constexpr char kEsc = '\x1b';

// The length of the escape sequence at `pos` (an ESC), setting the mode it selects; 0 when none
// starts there. A sequence counts only when at least one more byte follows it. The sequences:
// ESC $ @, ESC $ B, ESC $ ( D and ESC & @ ESC $ B select pairs; ESC ( B and ESC ( J single bytes.
std::size_t EscapeAt(std::string_view s, std::size_t pos, bool& doubleByte) {
    const std::size_t left = s.size() - pos;
    if (left <= 3) return 0;
    const char a = s[pos + 1], b = s[pos + 2];
    if (a == '$' && (b == '@' || b == 'B')) {
        doubleByte = true;
        return 3;
    }
    if (a == '(' && (b == 'B' || b == 'J')) {
        doubleByte = false;
        return 3;
    }
    if (left > 4 && a == '$' && b == '(' && s[pos + 3] == 'D') {
        doubleByte = true;
        return 4;
    }
    if (left > 6 && a == '&' && b == '@' && s.substr(pos + 3, 3) == "\x1b$B") {
        doubleByte = true;
        return 6;
    }
    return 0;
}

// Where the decoded bytes go: with kUtf8 their UTF-8 at `utf8`, good as long as each character
// reads alone (`utf8Good`); else the bytes themselves at `ansi`.
template <bool kUtf8>
struct Decoded {
    char* ansi = nullptr;
    char* utf8 = nullptr;
    bool utf8Good = kUtf8;
};

// Decodes `source` into the room at `to.ansi`, as long as the source, or with kUtf8 into the
// room at `to.utf8`, twice as long and sixteen bytes more.
template <bool kUtf8>
void DecodeInto(std::string_view source, Decoded<kUtf8>& to) {
    const char* s = source.data();
    const std::size_t n = source.size();
    bool doubleByte = false;
    std::size_t pos = 0;
    char* out = to.ansi;
    char* utf8 = to.utf8;
    unsigned high = 0;  // the bits 0x80 of the single bytes: from there on a byte may pair with the next
    const auto pair = [&](unsigned j1, unsigned j2) {
        const unsigned row = j1 - 0x21u, cell = j2 - 0x21u;
        if (row >= 94 || cell >= 94) return;  // invalid pairs (outside 0x21-0x7E) vanish
        const codepage::JisPair& p = codepage::kJisPairs.at[row * 94 + cell];
        if constexpr (kUtf8) {
            std::memcpy(utf8, p.utf8, 4);
            utf8 += p.utf8[3];
        } else {
            std::memcpy(out, p.shiftJis, 2);
            out += 2;
        }
    };
    const auto single = [&](char c) {
        if (c == '\0') return;  // zero bytes are dropped
        if constexpr (kUtf8) {
            *utf8++ = c;
            high |= static_cast<unsigned char>(c);
        } else {
            *out++ = c;
        }
    };
    while (pos < n) {
        if (s[pos] == kEsc) {
            if (const std::size_t length = EscapeAt(source, pos, doubleByte); length != 0) {
                pos += length;
                continue;
            }
        }
        if (!doubleByte) {
            // Single-byte text up to the next ESC after its first byte (an ESC that starts no
            // sequence is data like any other byte), copied as it stands.
            single(s[pos++]);
            while (pos < n) {
#if defined(__SSE2__)
                if (n - pos >= 16) {
                    // Sixteen bytes stored at once, kept up to the first ESC or zero byte.
                    const unsigned stops = BytesEqual(s + pos, kEsc, '\0');
                    const unsigned kept = stops == 0 ? 16 : static_cast<unsigned>(__builtin_ctz(stops));
                    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + pos));
                    if constexpr (kUtf8) {
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(utf8), bytes);
                        utf8 += kept;
                        if ((static_cast<unsigned>(_mm_movemask_epi8(bytes)) & ((1u << kept) - 1)) != 0) high |= 0x80u;
                    } else {
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
                        out += kept;
                    }
                    pos += kept;
                    if (kept == 16) continue;
                }
#endif
                if (s[pos] == kEsc) break;
                single(s[pos++]);
            }
            continue;
        }
        // Pairs up to the next ESC that starts a pair; the first pair is taken whatever it holds.
        for (bool first = true; first || (pos < n && s[pos] != kEsc); first = false) {
#if defined(__SSE2__)
            if (n - pos >= 16 && BytesEqual(s + pos, kEsc, kEsc) == 0) {
                for (std::size_t k = 0; k < 16; k += 2) {
                    pair(static_cast<unsigned char>(s[pos + k]), static_cast<unsigned char>(s[pos + k + 1]));
                }
                pos += 16;
                continue;
            }
#endif
            pair(static_cast<unsigned char>(s[pos]), pos + 1 < n ? static_cast<unsigned char>(s[pos + 1]) : 0u);
            pos += 2;
        }
    }
    to.ansi = out;
    to.utf8 = utf8;
    if constexpr (kUtf8) to.utf8Good = high < 0x80;
}

}  // namespace

void DecodeIso2022Jp(std::string_view source, std::string& output) {
    // Never longer than the source: escapes vanish, a pair gives a pair, a byte at most a byte.
    // A line is decoded on the stack and appended, as growing the output would zero-fill that
    // room first; longer text goes into such room and is cut to size.
    if (source.size() <= kJisLineBytes) {
        char buffer[kJisLineBytes];
        Decoded<false> to;
        to.ansi = buffer;
        DecodeInto(source, to);
        output.append(buffer, static_cast<std::size_t>(to.ansi - buffer));
        return;
    }
    const std::size_t start = output.size();
    output.resize(start + source.size());
    Decoded<false> to;
    to.ansi = output.data() + start;
    DecodeInto(source, to);
    output.resize(static_cast<std::size_t>(to.ansi - output.data()));
}

bool DecodeIso2022JpToUtf8(std::string_view source, JisUtf8Room& room, std::string_view& utf8) {
    if (source.size() > kJisLineBytes) return false;
    Decoded<true> to;
    to.utf8 = room.bytes;
    DecodeInto(source, to);
    utf8 = std::string_view(room.bytes, static_cast<std::size_t>(to.utf8 - room.bytes));
    return to.utf8Good;
}

}  // namespace vellum
