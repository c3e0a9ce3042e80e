// Typed settings values and TrsKeyValueWrapper, the accessor that converts between the types.
#pragma once

#include "common/error.h"
#include "settings/core/variant.h"

#include <array>
#include <cstdint>
#include <string>

namespace rs {

enum ValueType : uint16_t {
    vtEmpty = 0, vtString = 1, vtBinary = 2, vtInteger = 3, vtFloat = 4,
    vtCurrency = 5, vtDateTime = 6, vtBoolean = 7, vtPair = 8, vtInt64 = 9,
};

// A type code and its 8-byte payload; string and binary values own their bytes instead.
struct StorageValue {
    uint16_t type = vtEmpty;
    std::array<uint8_t, 8> payload{};
    std::string bytes;

    int32_t int32At(size_t offset) const;
    int64_t int64() const;
    double real() const;
    void setInt32At(size_t offset, int32_t v);
    void setInt64(int64_t v);
    void setReal(double v);
};

class TrsException : public slovo::Error {
public:
    using slovo::Error::Error;
};

// What the conversions take from the locale.
struct FormatSettings {
    char decimalSeparator = '.';
    // Windows date and time pictures ("d", "dd", "M", "MM", "yy", "yyyy", "h", "hh", "H", "HH",
    // "m", "mm", "s", "ss", "t", "tt", quoted text).
    std::string shortDate = "dd.MM.yyyy";
    std::string longTime = "H:mm:ss";
};

// The runtime's standard parses, raising their standard messages.
int64_t parseInteger(const std::string& text, bool wide64);
double parseFloat(const std::string& text, const FormatSettings& fs);
// General format, up to 15 significant digits.
std::string formatFloat(double v, const FormatSettings& fs, int digits = 15);
std::string formatDateTime(double days, const FormatSettings& fs);

class TrsKeyValueWrapper {
public:
    explicit TrsKeyValueWrapper(const FormatSettings& fs = FormatSettings()) : fs_(fs) {}

    void setCurrent(StorageValue* value) { current_ = value; }
    StorageValue* current() const { return current_; }
    void setFormatSettings(const FormatSettings& fs) { fs_ = fs; }
    const FormatSettings& formatSettings() const { return fs_; }

    std::string AsString() const;
    int32_t AsInteger() const;
    int64_t AsInt64() const;
    double AsFloat() const;
    Variant AsVariant() const;

    void SetString(const std::string& text);
    void SetBinary(const std::string& bytes);
    void SetInteger(int32_t v);
    void SetFloat(double v);
    void SetInt64(int64_t v);
    void SetVariant(const Variant& v);
    void CopyValue(StorageValue& target) const;

private:
    [[noreturn]] static void cannotRead(const char* typeWord);
    void release();

    StorageValue* current_ = nullptr;
    FormatSettings fs_;
};

} // namespace rs
