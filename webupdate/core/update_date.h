// Dates and times of the control file and of the remembered last update, read by a format.
#pragma once

#include <compare>
#include <optional>
#include <string_view>

namespace wu {

struct Date {
    int year = 1980;
    int month = 1;
    int day = 1;
    auto operator<=>(const Date&) const = default;
};

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0; }
    auto operator<=>(const TimeOfDay&) const = default;
};

// A moment compares by date, then time; the default is 1 January 1980, 00:00, which is also
// what a missing or unreadable remembered date counts as.
struct Moment {
    Date date;
    TimeOfDay time;
    auto operator<=>(const Moment&) const = default;
};

// True when `moment` lies more than one day after `now`, the local clock: no real update carries
// such a date yet, and a remembered one would hold every later update back.
bool beyondOneDay(const Moment& moment, const Moment& now);

// The order of day, month and year comes from the format's letters d, m (or M) and y; the fields
// stand between single separators. With separator '\0' any run of non-digits separates (for the
// system's own short date format, whose separators may differ). Years below 100 are 2000 + year
// below 50, else 1900 + year. The date must exist.
std::optional<Date> parseDate(std::string_view text, std::string_view format, char separator);

// Hours, minutes and optional seconds in that order (the order every time format keeps), then an
// optional AM or PM after a blank. With separator '\0' any run of non-digits separates.
std::optional<TimeOfDay> parseTime(std::string_view text, char separator);

} // namespace wu
