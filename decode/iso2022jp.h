// Decodes 7-bit ISO-2022-JP mail text to Shift_JIS (code page 932).
#pragma once
#include <string>
#include <string_view>

namespace vellum {

// Appends the decoded bytes of `source` to `output`. Starts in single-byte mode; JIS X 0208
// pairs are converted arithmetically (so vendor characters such as circled digits survive
// through code page 932); invalid pairs vanish; unknown escapes are data.
void DecodeIso2022Jp(std::string_view source, std::string& output);

// What codepage::Cp932ToUtf8 makes of DecodeIso2022Jp(source), decoded in one pass: a view of
// `room`, a buffer the caller keeps for it. False where that reading needs the decoded text as a
// whole (a byte from 0x80 on between escapes may pair with the next) or the text is longer than
// a line; the caller then decodes and converts in two steps.
bool DecodeIso2022JpToUtf8(std::string_view source, std::string& room, std::string_view& utf8);

}  // namespace vellum
