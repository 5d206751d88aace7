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

// The end of the decoded bytes, and with UTF-8 whether each character reads alone.
struct Decoded {
    char* end;
    bool utf8Good;
};

// One pair of bytes below 0x80 each, written at `o`; the end of what was written. In UTF-8 an
// invalid pair finds nothing in the table.
template <bool kUtf8>
char* PutPair7(char* o, unsigned j1, unsigned j2) {
    if constexpr (kUtf8) {
        const codepage::JisUtf8::Entry& e = codepage::kJisUtf8.at[j1 << 7 | j2];
        std::memcpy(o, e.bytes, 4);
        return o + e.bytes[3];
    } else {
        const unsigned row = j1 - 0x21u, cell = j2 - 0x21u;
        if (row >= 94 || cell >= 94) return o;  // invalid pairs (outside 0x21-0x7E) vanish
        std::memcpy(o, codepage::kJisPairs.at[row * 94 + cell].shiftJis, 2);
        return o + 2;
    }
}

template <bool kUtf8>
char* PutPair(char* o, unsigned j1, unsigned j2) {
    return (j1 | j2) < 0x80 ? PutPair7<kUtf8>(o, j1, j2) : o;  // a byte from 0x80 on: invalid
}

// The pairs from s[pos] up to the next one that starts with an ESC, the first taken whatever it
// holds, written at `o`; moves `pos` past them and gives the end of what was written. A last
// byte without its partner pairs with a zero, which makes the pair invalid.
template <bool kUtf8>
char* DecodePairs(const char* s, std::size_t n, std::size_t& pos, char* o) {
    std::size_t p = pos;
    bool first = true;
#if defined(__SSE2__)
    // Sixteen bytes at a time: where the first ESC at a pair's start is, and whether any byte
    // has its high bit, comes from one compare each.
    for (; n - p >= 16; first = false) {
        const auto* b = reinterpret_cast<const unsigned char*>(s + p);
        unsigned stops = BytesEqual(s + p, kEsc, kEsc) & 0x5555u;
        if (first) stops &= ~1u;
        const std::size_t pairs = stops == 0 ? 8 : static_cast<std::size_t>(__builtin_ctz(stops)) / 2;
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b))));
        if ((high & ((1u << (2 * pairs)) - 1)) == 0) {
            for (std::size_t k = 0; k < pairs; ++k) o = PutPair7<kUtf8>(o, b[2 * k], b[2 * k + 1]);
        } else {
            for (std::size_t k = 0; k < pairs; ++k) o = PutPair<kUtf8>(o, b[2 * k], b[2 * k + 1]);
        }
        p += 2 * pairs;
        if (pairs < 8) {
            pos = p;
            return o;
        }
    }
#endif
    for (; first || (p < n && s[p] != kEsc); first = false) {
        o = PutPair<kUtf8>(o, static_cast<unsigned char>(s[p]), p + 1 < n ? static_cast<unsigned char>(s[p + 1]) : 0u);
        p += 2;
    }
    pos = p;
    return o;
}

// Single-byte text from s[pos] up to the next ESC after its first byte (an ESC that starts no
// sequence is data like any other byte), copied as it stands but for zero bytes, which are
// dropped; moves `pos` past it and gives the end of what was written. `high` collects the bits
// 0x80 of the bytes: from such a byte on, a byte may pair with the next in the code page.
char* CopySingles(const char* s, std::size_t n, std::size_t& pos, char* o, unsigned& high) {
    std::size_t p = pos;
    unsigned h = 0;
    const auto single = [&](char c) {
        if (c == '\0') return;
        *o++ = c;
        h |= static_cast<unsigned char>(c);
    };
    single(s[p++]);
    while (p < n) {
#if defined(__SSE2__)
        if (n - p >= 16) {
            // Sixteen bytes stored at once, kept up to the first ESC or zero byte.
            const unsigned stops = BytesEqual(s + p, kEsc, '\0');
            const unsigned kept = stops == 0 ? 16 : static_cast<unsigned>(__builtin_ctz(stops));
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), bytes);
            o += kept;
            if ((static_cast<unsigned>(_mm_movemask_epi8(bytes)) & ((1u << kept) - 1)) != 0) h |= 0x80u;
            p += kept;
            if (kept == 16) continue;
        }
#endif
        if (s[p] == kEsc) break;
        single(s[p++]);
    }
    pos = p;
    high |= h;
    return o;
}

// Decodes `source` into the room at `out`: the bytes themselves, room as long as the source, or
// with kUtf8 their UTF-8, room twice as long and sixteen bytes more.
template <bool kUtf8>
Decoded DecodeInto(std::string_view source, char* out) {
    const char* s = source.data();
    const std::size_t n = source.size();
    bool doubleByte = false;
    std::size_t pos = 0;
    char* o = out;
    unsigned high = 0;
    while (pos < n) {
        if (s[pos] == kEsc) {
            if (const std::size_t length = EscapeAt(source, pos, doubleByte); length != 0) {
                pos += length;
                continue;
            }
        }
        o = doubleByte ? DecodePairs<kUtf8>(s, n, pos, o) : CopySingles(s, n, pos, o, high);
    }
    return {o, kUtf8 && high < 0x80};
}

}  // namespace

void DecodeIso2022Jp(std::string_view source, std::string& output) {
    // Never longer than the source: escapes vanish, a pair gives a pair, a byte at most a byte.
    // A line is decoded on the stack and appended, as growing the output would zero-fill that
    // room first; longer text goes into such room and is cut to size.
    if (source.size() <= kJisLineBytes) {
        char buffer[kJisLineBytes];
        output.append(buffer, static_cast<std::size_t>(DecodeInto<false>(source, buffer).end - buffer));
        return;
    }
    const std::size_t start = output.size();
    output.resize(start + source.size());
    output.resize(static_cast<std::size_t>(DecodeInto<false>(source, output.data() + start).end - output.data()));
}

bool DecodeIso2022JpToUtf8(std::string_view source, JisUtf8Room& room, std::string_view& utf8) {
    if (source.size() > kJisLineBytes) return false;
    const Decoded decoded = DecodeInto<true>(source, room.bytes);
    utf8 = std::string_view(room.bytes, static_cast<std::size_t>(decoded.end - room.bytes));
    return decoded.utf8Good;
}

}  // namespace vellum
