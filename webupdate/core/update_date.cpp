// Date and time parsing for the date check: numbers between separators in the format's order.
#include "webupdate/core/update_date.h"

#include <cstdint>
#include <string>
#include <vector>

namespace wu {

namespace {

// Splits text into digit fields; nullopt when a field is empty or not all digits.
std::optional<std::vector<int>> fields(std::string_view text, char separator)
{
    std::vector<int> out;
    std::size_t i = 0;
    while (true) {
        if (out.size() > 8)
            return std::nullopt;
        std::size_t start = i;
        long value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + (text[i] - '0');
            if (value > 1000000)
                return std::nullopt;
            ++i;
        }
        if (i == start)
            return std::nullopt;
        out.push_back(static_cast<int>(value));
        if (i == text.size())
            return out;
        if (separator == '\0') {
            while (i < text.size() && !(text[i] >= '0' && text[i] <= '9'))
                ++i;
            if (i == text.size())
                return out;
        } else if (text[i] == separator) {
            ++i;
        } else {
            return std::nullopt;
        }
    }
}

bool leapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<Date> parseDate(std::string_view text, std::string_view format, char separator)
{
    // Field order from the first occurrence of each letter; day, month, year when none is given.
    std::string order;
    for (char c : format) {
        const char l = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if ((l == 'd' || l == 'm' || l == 'y') && order.find(l) == std::string::npos)
            order += l;
    }
    if (order.size() != 3)
        order = "dmy";
    const auto parts = fields(trimBlanks(text), separator);
    if (!parts || parts->size() != 3)
        return std::nullopt;
    Date d;
    for (std::size_t i = 0; i < 3; ++i) {
        const int v = (*parts)[i];
        if (order[i] == 'd')
            d.day = v;
        else if (order[i] == 'm')
            d.month = v;
        else
            d.year = v;
    }
    if (d.year < 100)
        d.year += d.year < 50 ? 2000 : 1900;
    if (d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 || d.day > daysInMonth(d.year, d.month))
        return std::nullopt;
    return d;
}

std::optional<TimeOfDay> parseTime(std::string_view text, char separator)
{
    text = trimBlanks(text);
    int half = 0; // 1 for AM, 2 for PM
    if (text.size() >= 2) {
        const std::string_view tail = text.substr(text.size() - 2);
        const auto is = [&](const char* w) {
            return (tail[0] == w[0] || tail[0] == w[0] + 32) && (tail[1] == 'M' || tail[1] == 'm');
        };
        if (is("A"))
            half = 1;
        else if (is("P"))
            half = 2;
        if (half != 0)
            text = trimBlanks(text.substr(0, text.size() - 2));
    }
    const auto parts = fields(text, separator);
    if (!parts || parts->size() < 2 || parts->size() > 3)
        return std::nullopt;
    TimeOfDay t{(*parts)[0], (*parts)[1], parts->size() == 3 ? (*parts)[2] : 0};
    if (half != 0) {
        if (t.hour < 1 || t.hour > 12)
            return std::nullopt;
        t.hour = t.hour % 12 + (half == 2 ? 12 : 0);
    }
    if (t.hour > 23 || t.minute > 59 || t.second > 59)
        return std::nullopt;
    return t;
}

namespace {

// Seconds from 1 March of year 0 (proleptic Gregorian), for comparing moments a day apart.
std::int64_t secondsOf(const Moment& m)
{
    const std::int64_t y = m.date.month <= 2 ? m.date.year - 1 : m.date.year;
    const std::int64_t mp = (m.date.month + 9) % 12;
    const std::int64_t days = 365 * y + y / 4 - y / 100 + y / 400 + (153 * mp + 2) / 5 + m.date.day - 1;
    return days * 86400 + m.time.hour * 3600 + m.time.minute * 60 + m.time.second;
}

} // namespace

bool beyondOneDay(const Moment& moment, const Moment& now)
{
    return secondsOf(moment) - secondsOf(now) > 86400;
}

} // namespace wu
