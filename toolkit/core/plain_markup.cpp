// Plain-text reading of markup.
#include "toolkit/core/plain_markup.h"

namespace tk {

std::string stripMarkup(const std::string& markup, bool* bold)
{
    std::string out;
    bool inTag = false;
    std::string tag;
    for (char c : markup) {
        if (inTag) {
            if (c == '>') {
                inTag = false;
                if (bold && (tag == "B" || tag == "b"))
                    *bold = true;
            } else {
                tag += c;
            }
        } else if (c == '<') {
            inTag = true;
            tag.clear();
        } else {
            out += c;
        }
    }
    return out;
}

std::string plainHint(const std::string& markup)
{
    std::string withBreaks;
    for (size_t i = 0; i < markup.size(); ++i) {
        if (markup.compare(i, 4, "<BR>") == 0 || markup.compare(i, 4, "<br>") == 0) {
            withBreaks += "\r\n";
            i += 3;
        } else {
            withBreaks += markup[i];
        }
    }
    std::string plain = stripMarkup(withBreaks);
    const size_t first = plain.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : plain.substr(first);
}

} // namespace tk
