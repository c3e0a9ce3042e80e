// Clock text formatting, kept apart from the clock control so it can be tested natively.
#include "toolkit/core/clock_format.h"

#include <cstdio>

namespace tk {

std::string clockText(int hour24, int minute, int second)
{
    const int hour = hour24 % 12 == 0 ? 12 : hour24 % 12;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hour, minute % 60, second % 60, hour24 % 24 < 12 ? "am" : "pm");
    return buf;
}

} // namespace tk
