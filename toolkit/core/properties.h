// Published properties by name: a small table per class (name, kind, get, set, enumeration
// value names), so that the settings can keep chosen properties of any control.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tk {

enum class PropKind { Integer, Enumeration, Float, String, Set, Int64, Object };

class Persistent;

struct PropInfo {
    std::string name;
    PropKind kind = PropKind::Integer;
    std::vector<std::string> valueNames; // enumerations and the element type of sets
    std::function<int64_t()> getOrdinal;  // Integer, Enumeration, Set (bit pattern), Int64
    std::function<void(int64_t)> setOrdinal;
    std::function<double()> getFloat;
    std::function<void(double)> setFloat;
    std::function<std::string()> getString;
    std::function<void(const std::string&)> setString;
    std::function<Persistent*()> getObject;
};

class Persistent {
public:
    virtual ~Persistent() = default;
    virtual std::vector<PropInfo>& properties() = 0;
    // A component owned by this one, by name (compared without regard to a-z case).
    virtual Persistent* ownedComponent(const std::string& name) { (void)name; return nullptr; }
    virtual bool isComponent() const { return true; }
    virtual std::string componentName() const { return {}; }

    PropInfo* findProperty(const std::string& name);
};

// Index of a value name, without regard to a-z case; -1 when the type does not know it.
int64_t enumValueOf(const std::vector<std::string>& names, const std::string& name);

} // namespace tk
