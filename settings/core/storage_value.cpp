// Settings value conversions, with the runtime's standard parses and formats.
#include "settings/core/storage_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace rs {

int32_t StorageValue::int32At(size_t offset) const
{
    uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | payload[offset + i];
    return static_cast<int32_t>(u);
}

int64_t StorageValue::int64() const
{
    uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | payload[i];
    return static_cast<int64_t>(u);
}

double StorageValue::real() const
{
    const uint64_t u = static_cast<uint64_t>(int64());
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

void StorageValue::setInt32At(size_t offset, int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        payload[offset + i] = static_cast<uint8_t>(u >> (8 * i));
}

void StorageValue::setInt64(int64_t v)
{
    const auto u = static_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i)
        payload[i] = static_cast<uint8_t>(u >> (8 * i));
}

void StorageValue::setReal(double v)
{
    uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    setInt64(static_cast<int64_t>(u));
}

namespace {

[[noreturn]] void notInteger(const std::string& text)
{
    throw slovo::Error("'" + text + "' is not a valid integer value");
}

[[noreturn]] void notFloat(const std::string& text)
{
    throw slovo::Error("'" + text + "' is not a valid floating point value");
}

// Nearest integer with halves to even, as the runtime rounds; nullopt-like flag when it does not fit.
bool roundToInt64(double v, int64_t& out)
{
    if (!std::isfinite(v) || v >= 9.2233720368547758e18 || v < -9.2233720368547758e18)
        return false;
    out = static_cast<int64_t>(std::nearbyint(v));
    return true;
}

int64_t roundCurrency(int64_t scaled)
{
    int64_t q = scaled / 10000;
    const int64_t r = scaled % 10000;
    const int64_t ar = r < 0 ? -r : r;
    if (ar > 5000 || (ar == 5000 && (q % 2 != 0)))
        q += r < 0 ? -1 : 1;
    return q;
}

std::string currencyText(int64_t scaled, char separator)
{
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    uint64_t frac = magnitude % 10000;
    if (frac) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(frac));
        std::string f = digits;
        while (!f.empty() && f.back() == '0')
            f.pop_back();
        text += separator;
        text += f;
    }
    return text;
}

// Civil date of a day count since 1970-01-01.
void civilFromDays(int64_t z, int& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yy + (m <= 2));
}

std::string applyPicture(const std::string& picture, int year, unsigned month, unsigned day, int hour, int minute, int second)
{
    std::string out;
    for (size_t i = 0; i < picture.size();) {
        const char c = picture[i];
        size_t n = 1;
        while (i + n < picture.size() && picture[i + n] == c)
            ++n;
        char buf[16];
        switch (c) {
        case 'd': std::snprintf(buf, sizeof buf, n >= 2 ? "%02u" : "%u", day); out += buf; break;
        case 'M': std::snprintf(buf, sizeof buf, n >= 2 ? "%02u" : "%u", month); out += buf; break;
        case 'y':
            if (n <= 2)
                std::snprintf(buf, sizeof buf, n == 2 ? "%02d" : "%d", ((year % 100) + 100) % 100);
            else
                std::snprintf(buf, sizeof buf, "%d", year);
            out += buf;
            break;
        case 'h': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", hour % 12 == 0 ? 12 : hour % 12); out += buf; break;
        case 'H': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", hour); out += buf; break;
        case 'm': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", minute); out += buf; break;
        case 's': std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", second); out += buf; break;
        case 't': out += n >= 2 ? (hour < 12 ? "AM" : "PM") : (hour < 12 ? "A" : "P"); break;
        case '\'': {
            const size_t end = picture.find('\'', i + 1);
            out += picture.substr(i + 1, (end == std::string::npos ? picture.size() : end) - i - 1);
            i = end == std::string::npos ? picture.size() : end + 1;
            continue;
        }
        default: out.append(n, c); break;
        }
        i += n;
    }
    return out;
}

} // namespace

int64_t parseInteger(const std::string& text, bool wide64)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    }
    if (i >= text.size())
        notInteger(text);
    const uint64_t limit = wide64 ? (negative ? 9223372036854775808ull : 9223372036854775807ull)
                                  : (negative ? 2147483648ull : 2147483647ull);
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            notInteger(text);
        if (value > (limit - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base))
            notInteger(text);
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

double parseFloat(const std::string& text, const FormatSettings& fs)
{
    size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    std::string c;
    size_t i = b;
    if (i < e && (text[i] == '+' || text[i] == '-'))
        c += text[i++];
    bool digits = false;
    while (i < e && text[i] >= '0' && text[i] <= '9') {
        c += text[i++];
        digits = true;
    }
    if (i < e && text[i] == fs.decimalSeparator) {
        c += '.';
        ++i;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            c += text[i++];
            digits = true;
        }
    }
    if (!digits)
        notFloat(text);
    if (i < e && (text[i] == 'e' || text[i] == 'E')) {
        c += 'e';
        ++i;
        if (i < e && (text[i] == '+' || text[i] == '-'))
            c += text[i++];
        bool expDigits = false;
        while (i < e && text[i] >= '0' && text[i] <= '9') {
            c += text[i++];
            expDigits = true;
        }
        if (!expDigits)
            notFloat(text);
    }
    if (i != e)
        notFloat(text);
    const double v = std::strtod(c.c_str(), nullptr);
    if (!std::isfinite(v))
        notFloat(text);
    return v;
}

std::string formatFloat(double v, const FormatSettings& fs, int digits)
{
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v > 0 ? "INF" : "-INF";
    if (v == 0)
        return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", digits - 1, v);
    // Near the largest double the rounded text would read back as an overflow: step its last
    // digit towards zero so that every stored value has a text that converts back.
    if (!std::isfinite(std::strtod(buf, nullptr))) {
        for (char* d = std::strchr(buf, 'e') - 1; d >= buf; --d) {
            if (*d < '0' || *d > '9')
                continue;
            if (*d != '0') {
                --*d;
                break;
            }
            *d = '9';
        }
    }
    // buf: [-]d.dddde[+-]xx
    std::string s = buf;
    const bool negative = s[0] == '-';
    if (negative)
        s.erase(0, 1);
    const size_t ePos = s.find('e');
    const int exponent = std::atoi(s.c_str() + ePos + 1);
    std::string mantissa = s.substr(0, 1) + s.substr(2, ePos - 2);
    while (mantissa.size() > 1 && mantissa.back() == '0')
        mantissa.pop_back();
    std::string out;
    if (exponent >= digits || std::fabs(v) < 0.00001) {
        out = mantissa.substr(0, 1);
        if (mantissa.size() > 1) {
            out += fs.decimalSeparator;
            out += mantissa.substr(1);
        }
        out += "E" + std::to_string(exponent);
    } else if (exponent < 0) {
        out = "0";
        out += fs.decimalSeparator;
        out += std::string(static_cast<size_t>(-exponent - 1), '0') + mantissa;
    } else {
        const size_t whole = static_cast<size_t>(exponent) + 1;
        if (mantissa.size() <= whole) {
            out = mantissa + std::string(whole - mantissa.size(), '0');
        } else {
            out = mantissa.substr(0, whole);
            out += fs.decimalSeparator;
            out += mantissa.substr(whole);
        }
    }
    return negative ? "-" + out : out;
}

std::string formatDateTime(double days, const FormatSettings& fs)
{
    if (!std::isfinite(days) || std::fabs(days) > 3e6)
        return formatFloat(days, fs);
    const double whole = std::trunc(days);
    double frac = std::fabs(days - whole);
    int64_t ms = static_cast<int64_t>(std::llround(frac * 86400000.0));
    int64_t dayNumber = static_cast<int64_t>(whole);
    if (ms >= 86400000) {
        ms -= 86400000;
        dayNumber += days < 0 ? -1 : 1;
    }
    int y;
    unsigned m, d;
    civilFromDays(dayNumber - 25569, y, m, d);
    const int hour = static_cast<int>(ms / 3600000), minute = static_cast<int>(ms / 60000 % 60),
              second = static_cast<int>(ms / 1000 % 60);
    std::string text = applyPicture(fs.shortDate, y, m, d, hour, minute, second);
    if (ms != 0)
        text += " " + applyPicture(fs.longTime, y, m, d, hour, minute, second);
    return text;
}

void TrsKeyValueWrapper::cannotRead(const char* typeWord)
{
    throw TrsException(std::string("TrsStorage get key value error: Can't read value as ") + typeWord + " type.");
}

std::string TrsKeyValueWrapper::AsString() const
{
    const StorageValue& v = *current_;
    switch (v.type) {
    case vtEmpty: return {};
    case vtString:
    case vtBinary: return v.bytes;
    case vtInteger: return std::to_string(v.int32At(0));
    case vtFloat: return formatFloat(v.real(), fs_);
    case vtCurrency: return currencyText(v.int64(), fs_.decimalSeparator);
    case vtDateTime: return formatDateTime(v.real(), fs_);
    case vtBoolean: return v.int32At(0) ? "True" : "False";
    case vtPair: return "(" + std::to_string(v.int32At(0)) + "," + std::to_string(v.int32At(4)) + ")";
    case vtInt64: return std::to_string(v.int64());
    default: cannotRead("string");
    }
}

int32_t TrsKeyValueWrapper::AsInteger() const
{
    const StorageValue& v = *current_;
    int64_t r = 0;
    switch (v.type) {
    case vtEmpty: return 0;
    case vtString: return static_cast<int32_t>(parseInteger(v.bytes, false));
    case vtInteger: return v.int32At(0);
    case vtFloat:
    case vtDateTime:
        if (!roundToInt64(v.real(), r))
            cannotRead("integer");
        return static_cast<int32_t>(static_cast<uint32_t>(r));
    case vtCurrency: return static_cast<int32_t>(static_cast<uint32_t>(roundCurrency(v.int64())));
    case vtBoolean: return v.int32At(0) ? 1 : 0;
    case vtInt64: return static_cast<int32_t>(static_cast<uint32_t>(v.int64()));
    default: cannotRead("integer");
    }
}

int64_t TrsKeyValueWrapper::AsInt64() const
{
    const StorageValue& v = *current_;
    int64_t r = 0;
    switch (v.type) {
    case vtEmpty: return 0;
    case vtString: return parseInteger(v.bytes, true);
    case vtInteger: return v.int32At(0);
    case vtFloat:
        if (!roundToInt64(v.real(), r))
            cannotRead("Int64");
        return r;
    case vtCurrency: return roundCurrency(v.int64());
    case vtInt64: return v.int64();
    default: cannotRead("Int64");
    }
}

double TrsKeyValueWrapper::AsFloat() const
{
    const StorageValue& v = *current_;
    switch (v.type) {
    case vtEmpty: return 0;
    case vtString: return parseFloat(v.bytes, fs_);
    case vtInteger: return v.int32At(0);
    case vtFloat: return v.real();
    case vtCurrency: return static_cast<double>(v.int64()) / 10000.0;
    case vtInt64: return static_cast<double>(v.int64());
    default: cannotRead("float");
    }
}

Variant TrsKeyValueWrapper::AsVariant() const
{
    const StorageValue& v = *current_;
    switch (v.type) {
    case vtString:
    case vtBinary: return Variant::ofString(v.bytes);
    case vtInteger: return Variant::ofInteger(v.int32At(0));
    case vtFloat: return Variant::ofDouble(v.real());
    case vtCurrency: return Variant::ofCurrency(v.int64());
    case vtDateTime: return Variant::ofDate(v.real());
    case vtBoolean: return Variant::ofBoolean(v.int32At(0) != 0);
    default: return Variant::unassigned();
    }
}

void TrsKeyValueWrapper::release()
{
    // The whole payload is cleared, so an integer's upper four bytes are zero as the type says.
    current_->bytes.clear();
    current_->bytes.shrink_to_fit();
    current_->payload.fill(0);
}

void TrsKeyValueWrapper::SetString(const std::string& text)
{
    release();
    current_->type = vtString;
    current_->bytes = text;
}

void TrsKeyValueWrapper::SetBinary(const std::string& bytes)
{
    release();
    current_->type = vtBinary;
    current_->bytes = bytes;
}

void TrsKeyValueWrapper::SetInteger(int32_t v)
{
    release();
    current_->type = vtInteger;
    current_->setInt32At(0, v);
}

void TrsKeyValueWrapper::SetFloat(double v)
{
    release();
    current_->type = vtFloat;
    current_->setReal(v);
}

void TrsKeyValueWrapper::SetInt64(int64_t v)
{
    release();
    current_->type = vtInt64;
    current_->setInt64(v);
}

void TrsKeyValueWrapper::SetVariant(const Variant& v)
{
    switch (v.kind) {
    case Variant::Kind::Unassigned:
    case Variant::Kind::Null:
        release();
        current_->type = vtEmpty;
        break;
    case Variant::Kind::SmallInt:
    case Variant::Kind::Integer:
    case Variant::Kind::Byte: SetInteger(static_cast<int32_t>(v.integer)); break;
    case Variant::Kind::Single:
    case Variant::Kind::Double: SetFloat(v.real); break;
    case Variant::Kind::Currency:
        release();
        current_->type = vtCurrency;
        current_->setInt64(v.integer);
        break;
    case Variant::Kind::Date:
        release();
        current_->type = vtDateTime;
        current_->setReal(v.real);
        break;
    case Variant::Kind::Boolean:
        release();
        current_->type = vtBoolean;
        current_->setInt32At(0, v.integer ? 1 : 0);
        break;
    // Kinds the table leaves open take their nearest listed type.
    case Variant::Kind::Int64: SetInt64(v.integer); break;
    case Variant::Kind::String:
    case Variant::Kind::WideString: SetString(v.text); break;
    }
}

void TrsKeyValueWrapper::CopyValue(StorageValue& target) const
{
    if (&target == current_)
        return;
    target.bytes.clear();
    target = *current_;
}

} // namespace rs
