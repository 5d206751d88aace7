// Decodes 7-bit ISO-2022-JP mail text to Shift_JIS (code page 932).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace vellum {

// Appends the decoded bytes of `source` to `output`. Starts in single-byte mode; JIS X 0208
// pairs are converted arithmetically (so vendor characters such as circled digits survive
// through code page 932); invalid pairs vanish; unknown escapes are data.
void DecodeIso2022Jp(std::string_view source, std::string& output);

// Room for DecodeIso2022JpToUtf8: the UTF-8 of a line of up to kJisLineBytes bytes. A plain
// array, so that keeping one costs no filling.
inline constexpr std::size_t kJisLineBytes = 1024;
struct JisUtf8Room {
    char bytes[2 * kJisLineBytes + 16];
};

// What codepage::Cp932ToUtf8 makes of DecodeIso2022Jp(source), decoded in one pass into `room`
// and viewed by `utf8`. False where that reading needs the decoded text as a whole (a byte from
// 0x80 on between escapes may pair with the next) or the text is longer than kJisLineBytes; the
// caller then decodes and converts in two steps.
bool DecodeIso2022JpToUtf8(std::string_view source, JisUtf8Room& room, std::string_view& utf8);

}  // namespace vellum
