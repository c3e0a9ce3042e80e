// A small variant: the value kinds that settings values convert to and from.
#pragma once

#include <cstdint>
#include <string>

namespace rs {

struct Variant {
    enum class Kind { Unassigned, Null, SmallInt, Integer, Byte, Single, Double, Currency, Date, Boolean, String, Int64, WideString };
    Kind kind = Kind::Unassigned;
    int64_t integer = 0;   // SmallInt, Integer, Byte, Int64, Boolean (0/1), Currency (amount * 10000)
    double real = 0.0;     // Single, Double, Date
    std::string text;      // String

    static Variant unassigned() { return {}; }
    static Variant ofInteger(int32_t v) { Variant r; r.kind = Kind::Integer; r.integer = v; return r; }
    static Variant ofInt64(int64_t v) { Variant r; r.kind = Kind::Int64; r.integer = v; return r; }
    static Variant ofDouble(double v) { Variant r; r.kind = Kind::Double; r.real = v; return r; }
    static Variant ofDate(double v) { Variant r; r.kind = Kind::Date; r.real = v; return r; }
    static Variant ofCurrency(int64_t scaled) { Variant r; r.kind = Kind::Currency; r.integer = scaled; return r; }
    static Variant ofBoolean(bool v) { Variant r; r.kind = Kind::Boolean; r.integer = v ? 1 : 0; return r; }
    static Variant ofString(std::string v) { Variant r; r.kind = Kind::String; r.text = std::move(v); return r; }
};

} // namespace rs
