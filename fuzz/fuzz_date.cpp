// NormaliseDate and MonthNumber on any line, against a second reading written another way
// (fields cut by std::getline, months looked up in one string).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_checks.h"
#include "util/date.h"

namespace {

using vellum::fuzz::GetlineFields;

std::string Month(std::string_view name) {
    constexpr std::string_view kNames = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const std::size_t at = name.size() == 3 ? kNames.find(name) : std::string_view::npos;
    if (at == std::string_view::npos || at % 3 != 0) return {};
    const std::size_t number = at / 3 + 1;
    return {static_cast<char>('0' + number / 10), static_cast<char>('0' + number % 10)};
}

std::string AtLeastTwo(std::string text) {
    return text.size() >= 2 ? text : std::string(2 - text.size(), '0') + text;
}

std::optional<vellum::SentDate> Expected(std::string_view line) {
    std::vector<std::string> f;
    if (line.find(',') == std::string_view::npos) {
        f = GetlineFields(line, ' ');
        if (f.size() < 6) return std::nullopt;
    } else {
        if (line.find("Date:") != 0) return std::nullopt;
        const std::vector<std::string> parts = GetlineFields(line, ',');
        if (parts.size() < 2) return std::nullopt;
        f = GetlineFields(parts[1], ' ');
        if (f.size() < 5) return std::nullopt;
    }
    vellum::SentDate date;
    date.sentDate = f[3] + "/" + AtLeastTwo(Month(f[2])) + "/" + AtLeastTwo(f[1]);
    date.sentDateTime = date.sentDate + " " + f[4];
    return date;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line = vellum::fuzz::Bytes(data, size);
    const std::optional<vellum::SentDate> date = vellum::NormaliseDate(line);
    const std::optional<vellum::SentDate> expected = Expected(line);
    FUZZ_CHECK(date.has_value() == expected.has_value());
    if (date) {
        FUZZ_CHECK(date->sentDate == expected->sentDate);
        FUZZ_CHECK(date->sentDateTime == expected->sentDateTime);
        FUZZ_CHECK(date->sentDateTime.compare(0, date->sentDate.size() + 1, date->sentDate + " ") == 0);
    }
    FUZZ_CHECK(vellum::MonthNumber(line) == Month(line));
    return 0;
}
