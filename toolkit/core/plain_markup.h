// Markup shown as plain text, until the markup renderer draws it: tags dropped, <BR> as a line
// break in hints.
#pragma once

#include <string>

namespace tk {

// Text of a markup string with its tags removed; bold is set when a <B> tag occurs.
std::string stripMarkup(const std::string& markup, bool* bold = nullptr);

// Plain lines of a markup hint: <BR> breaks the line (CR LF), other tags are dropped and the
// blanks before the first word go.
std::string plainHint(const std::string& markup);

} // namespace tk
