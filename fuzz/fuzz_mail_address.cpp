// ExtractMailAddress on any field. Short fields are compared with the two ECMAScript regular
// expressions it stands for; every result must be a piece of the field.
#include <cstddef>
#include <cstdint>
#include <regex>
#include <string>

#include "fuzz/fuzz_checks.h"
#include "util/mail_address.h"

namespace {

constexpr std::string_view kAddressPattern =
    R"re((?:(?:[^<>()\[\].,;:\s@\"]+(?:\.[^<>()\[\].,;:\s@\"]+)*)|\".+\")@(?:(?:[^<>()\[\].,;:\s@\"]+\.)+[^<>()\[\].,;:\s@\"]{2,}))re";
static_assert(kAddressPattern.size() == 121);

// The regex engine recurses per byte: only short fields go through it.
constexpr std::size_t kRegexLimit = 200;

std::string RegexExtract(const std::string& field) {
    static const std::regex bracket("<.*?>", std::regex::ECMAScript);
    static const std::regex address(kAddressPattern.begin(), kAddressPattern.end(), std::regex::ECMAScript);
    std::smatch match;
    std::string subject = std::regex_search(field, match, bracket) ? match.str(0) : field;
    subject = subject.substr(0, subject.find('\0'));
    return std::regex_search(subject, match, address) ? match.str(0) : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string field(vellum::fuzz::Bytes(data, size));
    const std::string address = vellum::ExtractMailAddress(field);
    FUZZ_CHECK(field.find(address) != std::string::npos);
    FUZZ_CHECK(address.empty() || address.find('@') != std::string::npos);
    FUZZ_CHECK(address.find('\0') == std::string::npos);
    if (size < kRegexLimit) FUZZ_CHECK(address == RegexExtract(field));
    return 0;
}
