// The status bar clock's text: "h:nn:ss am/pm" on a 12-hour clock.
#pragma once

#include <string>

namespace tk {

std::string clockText(int hour24, int minute, int second);

} // namespace tk
