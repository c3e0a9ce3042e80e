// The one exception type of the program: it carries the fixed message that the error box shows.
#pragma once

#include <stdexcept>
#include <string>

namespace slovo {

// Messages are cp1251 bytes, like every text inside the program.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The central error box appends a full stop when the last character sorts above "."
// (so "...!" and "..." stay as they are, Cyrillic letters get one).
inline std::string errorBoxText(std::string message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        message += '.';
    return message;
}

} // namespace slovo
