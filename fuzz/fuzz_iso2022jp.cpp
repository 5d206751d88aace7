// DecodeIso2022Jp on any bytes, and on well-formed double-byte text built from the input, whose
// Shift_JIS pairs must convert back to the JIS pairs they came from.
#include <cstddef>
#include <cstdint>
#include <string>

#include "decode/iso2022jp.h"
#include "fuzz/fuzz_checks.h"

namespace {

void CheckAnyInput(std::string_view source) {
    std::string output;
    vellum::DecodeIso2022Jp(source, output);
    // Escapes and invalid pairs vanish, single bytes stay single, a pair gives two bytes.
    FUZZ_CHECK(output.size() <= source.size());
    FUZZ_CHECK(output.find('\0') == std::string::npos);
    if (source.find('\x1b') == std::string_view::npos) {
        std::string withoutZeros;
        for (char c : source) {
            if (c != '\0') withoutZeros.push_back(c);
        }
        FUZZ_CHECK(output == withoutZeros);
    }
    std::string appended = "kept";
    vellum::DecodeIso2022Jp(source, appended);
    FUZZ_CHECK(appended == "kept" + output);
}

bool IsLeadByte(unsigned b) { return (b >= 0x81 && b <= 0x9f) || (b >= 0xe0 && b <= 0xef); }
bool IsTrailByte(unsigned b) { return b >= 0x40 && b <= 0xfc && b != 0x7f; }

// Shift_JIS to JIS X 0208 row and cell, the usual inverse.
void ToJis(unsigned s1, unsigned s2, unsigned& j1, unsigned& j2) {
    const unsigned t = s1 <= 0x9f ? s1 - 0x81 : s1 - 0xc1;
    if (s2 >= 0x9f) {
        j1 = 2 * t + 0x22;
        j2 = s2 - 0x7e;
    } else {
        j1 = 2 * t + 0x21;
        j2 = s2 < 0x80 ? s2 - 0x1f : s2 - 0x20;
    }
}

void CheckRoundTrip(std::string_view input) {
    std::string jis;
    for (char c : input) jis.push_back(static_cast<char>(0x21 + static_cast<unsigned char>(c) % 94));
    if (jis.size() % 2 != 0) jis.pop_back();
    std::string output;
    vellum::DecodeIso2022Jp("\x1b$B" + jis + "\x1b(BA", output);
    FUZZ_CHECK(output.size() == jis.size() + 1);
    FUZZ_CHECK(output.back() == 'A');
    for (std::size_t i = 0; i + 1 < output.size(); i += 2) {
        const unsigned s1 = static_cast<unsigned char>(output[i]);
        const unsigned s2 = static_cast<unsigned char>(output[i + 1]);
        FUZZ_CHECK(IsLeadByte(s1));
        FUZZ_CHECK(IsTrailByte(s2));
        unsigned j1 = 0, j2 = 0;
        ToJis(s1, s2, j1, j2);
        FUZZ_CHECK(j1 == static_cast<unsigned char>(jis[i]));
        FUZZ_CHECK(j2 == static_cast<unsigned char>(jis[i + 1]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = vellum::fuzz::Bytes(data, size);
    CheckAnyInput(input);
    CheckRoundTrip(input);
    return 0;
}
