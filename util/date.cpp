#include "util/date.h"

#include <array>

#include "util/strings.h"

namespace vellum {
namespace {

// Right-aligned in a field at least two wide, filled with "0"; never cut.
std::string PadTwo(std::string value) {
    while (value.size() < 2) value.insert(value.begin(), '0');
    return value;
}

}  // namespace

std::string MonthNumber(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static constexpr std::array<std::string_view, 12> kNumbers = {
        "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"};
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (name == kMonths[i]) return std::string(kNumbers[i]);
    }
    return {};
}

std::optional<SentDate> NormaliseDate(std::string_view line) {
    const std::size_t p = line.find("Date:");
    std::string day, monthName, year, time;
    if (line.find(',') == std::string_view::npos) {
        // "Date: 4 Feb 2020 18:15:00 +0900": the zone must be there but is not used.
        const std::vector<std::string> v = SplitByChar(line, ' ', 6);
        if (v.size() < 6) return std::nullopt;
        day = v[1], monthName = v[2], year = v[3], time = v[4];
    } else {
        // "Date: Tue, 4 Feb 2020 18:15:00 +0900": only a line that starts with the header.
        if (p != 0) return std::nullopt;
        const std::vector<std::string> parts = SplitByChar(line, ',', 2);
        if (parts.size() < 2) return std::nullopt;
        const std::vector<std::string> w = SplitByChar(parts[1], ' ', 5);
        if (w.size() < 5) return std::nullopt;
        day = w[1], monthName = w[2], year = w[3], time = w[4];
    }
    SentDate date;
    date.sentDate = year + "/" + PadTwo(MonthNumber(monthName)) + "/" + PadTwo(day);
    date.sentDateTime = date.sentDate + " " + time;
    return date;
}

}  // namespace vellum
