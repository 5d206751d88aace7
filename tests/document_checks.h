// What every document must be, however damaged its input: strict UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF) whose line ends are all CR LF. Used by the limit tests and
// the fuzz targets.
#pragma once
#include <cstddef>
#include <string_view>

namespace vellum::test {

inline bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        std::size_t length;
        char32_t c;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xc2 && b <= 0xdf) {
            length = 2, c = b & 0x1fu;
        } else if (b >= 0xe0 && b <= 0xef) {
            length = 3, c = b & 0x0fu;
        } else if (b >= 0xf0 && b <= 0xf4) {
            length = 4, c = b & 0x07u;
        } else {
            return false;  // a continuation byte without lead, C0, C1, F5 to FF
        }
        if (bytes.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char t = static_cast<unsigned char>(bytes[i + k]);
            if ((t & 0xc0u) != 0x80u) return false;
            c = (c << 6) | (t & 0x3fu);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[length] || c > 0x10ffff || (c >= 0xd800 && c <= 0xdfff)) return false;
        i += length;
    }
    return true;
}

// Every LF directly preceded by a CR.
inline bool LineEndsAreCrLf(std::string_view bytes) {
    for (std::size_t lf = bytes.find('\n'); lf != std::string_view::npos; lf = bytes.find('\n', lf + 1)) {
        if (lf == 0 || bytes[lf - 1] != '\r') return false;
    }
    return true;
}

}  // namespace vellum::test
