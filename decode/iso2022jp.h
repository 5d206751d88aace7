// Decodes 7-bit ISO-2022-JP mail text to Shift_JIS (code page 932).
#pragma once
#include <string>
#include <string_view>

namespace vellum {

// Appends the decoded bytes of `source` to `output`. Starts in single-byte mode; JIS X 0208
// pairs are converted arithmetically (so vendor characters such as circled digits survive
// through code page 932); invalid pairs vanish; unknown escapes are data.
void DecodeIso2022Jp(std::string_view source, std::string& output);

}  // namespace vellum
