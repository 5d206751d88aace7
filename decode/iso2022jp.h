// Decodes 7-bit ISO-2022-JP mail text to Shift_JIS (code page 932).
#pragma once
#include <string>
#include <string_view>

namespace vellum {

// Appends the decoded bytes of `source` to `output`. Starts in single-byte mode; JIS X 0208
// pairs are converted arithmetically (so vendor characters such as circled digits survive
// through code page 932); invalid pairs vanish; unknown escapes are data.
void DecodeIso2022Jp(std::string_view source, std::string& output);

// DecodeIso2022Jp into `ansi` (overwritten) and, in the same pass, what codepage::Cp932ToUtf8
// makes of it into `utf8` (overwritten). False, `utf8` left alone, where that reading needs the
// decoded text as a whole (a byte from 0x80 on between escapes may pair with the next) or the
// text is long; the caller then converts `ansi` itself.
bool DecodeIso2022JpWithUtf8(std::string_view source, std::string& ansi, std::string& utf8);

}  // namespace vellum
