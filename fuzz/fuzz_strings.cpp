// SplitByChar (whole, its first fields, the field around a byte) and ReplaceAll on any bytes.
// The first input byte is the delimiter and chooses the pattern length; the pattern and the
// subject follow.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "util/strings.h"

namespace {

using vellum::ReplaceAll;
using vellum::SplitByChar;

void CheckSplit(std::string_view text, char delimiter) {
    const std::vector<std::string> fields = SplitByChar(text, delimiter);
    const bool trailing = !text.empty() && text.back() == delimiter;
    const std::size_t delimiters = static_cast<std::size_t>(std::count(text.begin(), text.end(), delimiter));
    FUZZ_CHECK(fields.size() == delimiters + 1 - (trailing ? 1 : 0));
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        FUZZ_CHECK(fields[i].find(delimiter) == std::string::npos);
        if (i > 0) joined.push_back(delimiter);
        joined += fields[i];
    }
    // Joining gives the text back, but for the one delimiter at its end.
    FUZZ_CHECK(joined == (trailing ? text.substr(0, text.size() - 1) : text));

    // The first few fields alone, and the field around a byte, are those of the whole split.
    for (std::size_t count = 1; count <= 7; count += 3) {
        const std::vector<std::string> first = SplitByChar(text, delimiter, count);
        FUZZ_CHECK(first.size() == std::min(count, fields.size()));
        FUZZ_CHECK(std::equal(first.begin(), first.end(), fields.begin()));
    }
    std::size_t start = 0;
    for (const std::string& field : fields) {
        if (!field.empty()) {
            FUZZ_CHECK(vellum::FieldAt(text, delimiter, start) == field);
            FUZZ_CHECK(vellum::FieldAt(text, delimiter, start + field.size() - 1) == field);
        }
        start += field.size() + 1;
    }
}

// The operation as it is defined: replace the first occurrence, search again from the start.
std::string ReplaceLiterally(std::string subject, std::string_view pattern, std::string_view replacement) {
    if (pattern.empty()) return subject;
    for (std::size_t at = subject.find(pattern); at != std::string::npos; at = subject.find(pattern)) {
        subject.replace(at, pattern.size(), replacement);
    }
    return subject;
}

void CheckReplace(std::string_view subject, std::string_view pattern, std::string_view replacement) {
    std::string rewritten(subject);
    const std::string result = ReplaceAll(rewritten, pattern, replacement);
    FUZZ_CHECK(rewritten == result);
    FUZZ_CHECK(result == ReplaceLiterally(std::string(subject), pattern, replacement));
    if (pattern.empty()) {
        FUZZ_CHECK(result == subject);
    } else {
        FUZZ_CHECK(result.find(pattern) == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view input = vellum::fuzz::Bytes(data, size);
    CheckSplit(input.substr(1), input[0]);

    const std::size_t patternLength = std::min<std::size_t>(data[0] % 5, size - 1);
    const std::string_view pattern = input.substr(1, patternLength);
    const std::string_view subject = input.substr(1 + patternLength);
    CheckReplace(subject, pattern, "");  // the only kind of replacement the converter passes
    // Shorter replacements end as well, and may bring new occurrences together.
    if (!pattern.empty()) {
        CheckReplace(subject, pattern, pattern.substr(1));
        CheckReplace(subject, pattern, pattern.substr(0, pattern.size() - 1));
    }
    return 0;
}
