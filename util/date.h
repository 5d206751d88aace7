// Turns a "Date:" header line into the document's fixed numeric date forms.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

struct SentDate {
    std::string sentDate;      // year/month/day, e.g. 2020/02/04
    std::string sentDateTime;  // sentDate, a blank and the time, e.g. 2020/02/04 18:15:00
};

// "Jan" -> "01" ... "Dec" -> "12"; anything else (other case, blanks, full names) -> "".
std::string MonthNumber(std::string_view name);

// Reads a line holding "Date:"; nothing when the line does not have the expected field counts.
std::optional<SentDate> NormaliseDate(std::string_view line);

}  // namespace vellum
