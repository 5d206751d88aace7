#include "util/date.h"

#include <gtest/gtest.h>

namespace vellum {
namespace {

struct DateCase {
    std::string line;
    bool yields;
    std::string date, dateTime;
};

TEST(NormaliseDate, ReadsBothHeaderFormsAndRejectsShortOnes) {
    const DateCase cases[] = {
        {"Date: Tue, 4 Feb 2020 18:15:00 +0900", true, "2020/02/04", "2020/02/04 18:15:00"},
        {"Date: 4 Feb 2020 18:15:00 +0900", true, "2020/02/04", "2020/02/04 18:15:00"},
        {"Date: 4 Feb 2020 18:15:00", false, "", ""},  // no weekday, no zone: five fields
        {"Date: Tue, 4 Feb 2020 18:15:00", true, "2020/02/04", "2020/02/04 18:15:00"},
        {"Date: Fri, 14 Feb 2020 08:05:09 +0900", true, "2020/02/14", "2020/02/14 08:05:09"},
        {"Date: Tue, 4 feb 2020 18:15:00 +0900", true, "2020/00/04", "2020/00/04 18:15:00"},
        {"Date: Tue, 4 FEB 2020 18:15:00 +0900", true, "2020/00/04", "2020/00/04 18:15:00"},
        {"Date: Tue,  4 Feb 2020 18:15:00 +0900", true, "Feb/00/00", "Feb/00/00 2020"},  // two blanks shift
        {"Delivery-Date: 4 Feb 2020 18:15:00 +0900", true, "2020/02/04", "2020/02/04 18:15:00"},
        {"Delivery-Date: Tue, 4 Feb 2020 18:15:00 +0900", false, "", ""},  // comma path needs "Date:" first
        {"Date: 4 Feb 2020 18:15:00 +0900 (JST, Japan)", false, "", ""},
        {"Date: 4 Feb 20 18:15:00 +0900", true, "20/02/04", "20/02/04 18:15:00"},
        {"Date: Tue, 4 Feb 2020 18:15:00 +0900, extra", true, "2020/02/04", "2020/02/04 18:15:00"},
        {"Date: Tue,", false, "", ""},
        {"Date:,", false, "", ""},  // one empty part after the comma is dropped
        {"Date: Tue, 123 Dec 1999 1 2", true, "1999/12/123", "1999/12/123 1"},  // width is a minimum
    };
    for (const DateCase& c : cases) {
        const std::optional<SentDate> got = NormaliseDate(c.line);
        ASSERT_EQ(got.has_value(), c.yields) << c.line;
        if (!got) continue;
        EXPECT_EQ(got->sentDate, c.date) << c.line;
        EXPECT_EQ(got->sentDateTime, c.dateTime) << c.line;
    }
}

TEST(MonthNumber, MatchesOnlyTheExactAbbreviations) {
    const std::pair<std::string, std::string> cases[] = {
        {"Jan", "01"}, {"May", "05"}, {"Sep", "09"}, {"Dec", "12"}, {"", ""},
        {"Dec ", ""},  {"December", ""}, {"dec", ""}, {"1", ""},
    };
    for (const auto& [name, number] : cases) EXPECT_EQ(MonthNumber(name), number) << name;
}

}  // namespace
}  // namespace vellum
