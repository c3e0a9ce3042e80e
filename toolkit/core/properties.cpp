// Lookups in property tables.
#include "toolkit/core/properties.h"

namespace tk {

namespace {
bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}
} // namespace

PropInfo* Persistent::findProperty(const std::string& name)
{
    for (auto& p : properties())
        if (sameName(p.name, name))
            return &p;
    return nullptr;
}

int64_t enumValueOf(const std::vector<std::string>& names, const std::string& name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (sameName(names[i], name))
            return static_cast<int64_t>(i);
    return -1;
}

} // namespace tk
