// Fuzzes the update control file and the rules that read its values: a file built from the
// input's names and values gives back each first value, trimmed, under any case of its names;
// numbers, dates and times read back what was written; a version is never newer than itself nor
// newer both ways; prefix conversion stays bounded; accepted names and directories are safe; the
// file entries a run visits are those the file holds; a year ahead is beyond a day, a moment not.
#include "webupdate/core/control_file.h"
#include "webupdate/core/prefixes.h"
#include "webupdate/core/remote_policy.h"
#include "webupdate/core/update_date.h"
#include "webupdate/core/version_check.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> split(std::string_view s, char sep)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (true) {
        const size_t end = s.find(sep, start);
        out.emplace_back(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos)
            return out;
        start = end + 1;
    }
}

std::string trimmed(std::string s)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.back()))
        s.pop_back();
    size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    return s.substr(i);
}

std::string without(std::string s, std::string_view chars)
{
    std::string out;
    for (char c : s)
        if (chars.find(c) == std::string_view::npos)
            out += c;
    return out;
}

// The lower-case twin of a name: Latin and Cyrillic letters, Ё as ё.
std::string lowerCase(std::string s)
{
    for (char& ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDF))
            ch = static_cast<char>(c + 0x20);
        else if (c == 0xA8)
            ch = static_cast<char>(0xB8);
    }
    return s;
}

class Local : public wu::LocalFile {
public:
    std::optional<wu::FileVersion> v;
    std::int64_t size() override { return 1; }
    std::optional<wu::FileVersion> version() override { return v; }
    std::int32_t checksum() override { return 7; }
};

void checkControlFile(std::string_view input)
{
    (void)wu::ControlFile::parse(input);

    // Section, key and value triples at NULs, written with blanks around names and values.
    const auto tokens = split(input, '\0');
    std::string text;
    std::map<std::pair<std::string, std::string>, std::string> first;
    std::vector<std::pair<std::string, std::string>> names;
    for (size_t i = 0; i + 2 < tokens.size(); i += 3) {
        const std::string sec = trimmed(without(tokens[i], "\n]"));
        const std::string key = trimmed(without(tokens[i + 1], "\n="));
        const std::string val = without(tokens[i + 2], "\n");
        if (key.empty() || key[0] == ';' || key[0] == '[')
            continue;
        text += "[ " + sec + "\t]\r\n  " + key + " =" + val + " \r\n; a comment\n";
        first.emplace(std::pair(wu::upperCase(sec), wu::upperCase(key)), trimmed(val));
        names.emplace_back(sec, key);
    }
    const wu::ControlFile file = wu::ControlFile::parse(text);
    for (const auto& [sec, key] : names) {
        const std::string& want = first.at({wu::upperCase(sec), wu::upperCase(key)});
        FUZZ_CHECK(file.value(sec, key) == want, "value of [" + sec + "] " + key + ": " + file.value(sec, key));
        FUZZ_CHECK(file.value(lowerCase(sec), lowerCase(key)) == want, "value under lower-case names of " + key);
        FUZZ_CHECK(file.value(wu::upperCase(sec), wu::upperCase(key)) == want, "value under upper-case names of " + key);
        FUZZ_CHECK(file.number(sec, key, 5) == wu::parseNumber(want, 5), "number differs from its value's");
    }
    FUZZ_CHECK(file.value("no such\x01", "key").empty(), "a missing key is not empty");

    // The file entries a run visits: ascending, within the count, each a section the file holds.
    const std::int32_t count = file.number("files", "count", 0);
    const auto entries = file.numberedSections("file", count);
    std::set<std::string> held;
    for (const auto& [sec, key] : names)
        held.insert(wu::upperCase(sec));
    for (size_t i = 0; i < entries.size(); ++i) {
        FUZZ_CHECK(entries[i] >= 1 && entries[i] <= count && (i == 0 || entries[i - 1] < entries[i]),
                   "file entry " + std::to_string(entries[i]) + " out of order or beyond the count");
        FUZZ_CHECK(held.count("FILE" + std::to_string(entries[i])) == 1, "file entry the file does not hold");
    }
}

void checkNumbers(const uint8_t* data, size_t size)
{
    if (size < 4)
        return;
    std::int32_t v;
    std::memcpy(&v, data, 4);
    const auto dec = wu::tryParseNumber(" " + std::to_string(v) + "\t");
    FUZZ_CHECK(dec && *dec == v, "decimal does not read back: " + std::to_string(v));
    char hex[16];
    std::snprintf(hex, sizeof hex, data[0] & 1 ? "0x%X" : "0x%08x", static_cast<unsigned>(v));
    const auto h = wu::tryParseNumber(hex);
    FUZZ_CHECK(h && *h == v, std::string("hexadecimal does not read back: ") + hex);
    FUZZ_CHECK(!wu::tryParseNumber(std::to_string(std::int64_t{v} + (v < 0 ? -(std::int64_t{1} << 32) : (std::int64_t{1} << 32)))),
               "a number beyond 32 bits reads");
}

void checkDates(std::string_view input, const uint8_t* data, size_t size)
{
    const auto tokens = split(input, '|');
    const std::string format = tokens.size() > 1 ? tokens[1] : "dd.mm.yyyy";
    const char sep = tokens.size() > 2 && !tokens[2].empty() ? tokens[2][0] : '.';
    for (char s : {sep, '\0'}) {
        if (const auto d = wu::parseDate(tokens[0], format, s)) {
            static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
            FUZZ_CHECK(d->month >= 1 && d->month <= 12 && d->day >= 1 && d->day <= days[d->month - 1]
                           && d->year >= 100 && d->year <= 9999,
                       "an impossible date: " + std::to_string(d->year) + "-" + std::to_string(d->month) + "-"
                           + std::to_string(d->day));
            const bool leap = (d->year % 4 == 0 && d->year % 100 != 0) || d->year % 400 == 0;
            FUZZ_CHECK(!(d->month == 2 && d->day == 29 && !leap), "29 February of a common year");
        }
        if (const auto t = wu::parseTime(tokens[0], s))
            FUZZ_CHECK(t->hour >= 0 && t->hour <= 23 && t->minute >= 0 && t->minute <= 59 && t->second >= 0
                           && t->second <= 59,
                       "an impossible time");
    }
    if (size < 6)
        return;
    // A real date and time written in the format's order read back.
    const int year = 100 + (data[0] | data[1] << 8) % 9900, month = 1 + data[2] % 12;
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int day = 1 + data[3] % days[month - 1];
    static const char* const orders[] = {"dd.MM.yyyy", "yyyy-mm-dd", "M/d/yy", "mdy"};
    const std::string order = orders[data[4] % 4];
    std::string text;
    const char wsep = "./- "[data[5] % 4];
    std::string seen;
    for (char c : order) {
        const char l = static_cast<char>(c | 0x20);
        if ((l == 'd' || l == 'm' || l == 'y') && seen.find(l) == std::string::npos) {
            if (!seen.empty())
                text += wsep;
            seen += l;
            text += std::to_string(l == 'd' ? day : l == 'm' ? month : year);
        }
    }
    for (char s : {wsep, '\0'}) {
        const auto d = wu::parseDate(text, order, s);
        FUZZ_CHECK(d && d->year == year && d->month == month && d->day == day, "date does not read back: " + text);
    }
    // A day after a moment is not beyond it, a second more is, and never both ways.
    const wu::Moment moment{{year, month, day}, {data[0] % 24, data[1] % 60, data[2] % 60}};
    wu::Moment later = moment;
    later.date.year = year + 1;
    FUZZ_CHECK(!wu::beyondOneDay(moment, moment), "a moment beyond itself");
    FUZZ_CHECK(wu::beyondOneDay(later, moment) && !wu::beyondOneDay(moment, later), "a year later is not beyond");
    const int hour = data[0] % 24, minute = data[1] % 60, second = data[2] % 60;
    const std::string hms = std::to_string(hour) + ":" + std::to_string(minute) + ":" + std::to_string(second);
    const auto t = wu::parseTime(hms, ':');
    FUZZ_CHECK(t && t->hour == hour && t->minute == minute && t->second == second, "time does not read back: " + hms);
    const int h12 = hour % 12 == 0 ? 12 : hour % 12;
    const std::string ampm = std::to_string(h12) + "." + std::to_string(minute) + (hour < 12 ? " am" : " PM");
    const auto t2 = wu::parseTime(ampm, '.');
    FUZZ_CHECK(t2 && t2->hour == hour && t2->minute == minute && t2->second == 0, "12-hour time: " + ampm);
}

void checkVersions(std::string_view input, const uint8_t* data, size_t size)
{
    const auto tokens = split(input, '\n');
    const std::string a = tokens[0], b = tokens.size() > 1 ? tokens[1] : "1.0.0.0";
    const auto va = wu::parseVersion(a), vb = wu::parseVersion(b);
    Local local;
    if (va) {
        local.v = va;
        FUZZ_CHECK(!wu::isNewVersion(a, "x.exe", 0, -1, local), "a version is newer than itself: " + a);
        local.v = std::nullopt;
        FUZZ_CHECK(wu::isNewVersion(a, "x.exe", 0, -1, local) == (va->high > -1 || (va->high == -1 && va->low > -1)),
                   "a version against a file without one: " + a);
    }
    if (va && vb) {
        local.v = vb;
        const bool ab = wu::isNewVersion(a, "x.exe", 0, -1, local);
        local.v = va;
        const bool ba = wu::isNewVersion(b, "x.exe", 0, -1, local);
        FUZZ_CHECK(!(ab && ba), "each of two versions is newer than the other: " + a + " / " + b);
    }
    local.v = vb;
    FUZZ_CHECK(wu::isNewVersion(a, "", 0, -1, local), "no local file is not new");
    if (size >= 8) {
        std::uint16_t p[4];
        std::memcpy(p, data, sizeof p);
        const char s = data[0] & 1 ? ',' : '.';
        const std::string text = std::to_string(p[0]) + s + std::to_string(p[1]) + s + std::to_string(p[2]) + s
                                 + std::to_string(p[3]);
        const auto v = wu::parseVersion(text);
        FUZZ_CHECK(v && static_cast<std::uint32_t>(v->high) == (std::uint32_t{p[0]} << 16 | p[1])
                       && static_cast<std::uint32_t>(v->low) == (std::uint32_t{p[2]} << 16 | p[3]),
                   "version does not read back: " + text);
        FUZZ_CHECK(!wu::parseVersion(text.substr(0, text.rfind(s))), "three parts read as a version: " + text);
    }
}

void checkPrefixes(std::string_view input)
{
    // Directories for the names after the first line, "NAME=dir", which may hold prefixes again.
    const auto lines = split(input, '\n');
    std::map<std::string, std::string> dirs;
    size_t longest = 0;
    for (size_t i = 1; i < lines.size() && i < 16; ++i) {
        const size_t eq = lines[i].find('=');
        if (eq == std::string::npos)
            continue;
        dirs.emplace(wu::upperCase(lines[i].substr(0, eq)), lines[i].substr(eq + 1));
        longest = std::max(longest, lines[i].size());
    }
    int calls = 0;
    const std::string out = wu::convertPrefixes(lines[0], [&](const std::string& name) -> std::optional<std::string> {
        ++calls;
        FUZZ_CHECK(calls < 1 << 20, "prefix conversion does not end");
        FUZZ_CHECK(name == wu::upperCase(name), "a prefix name is not upper case: " + name);
        const auto it = dirs.find(name);
        return it == dirs.end() ? std::nullopt : std::optional(it->second);
    });
    FUZZ_CHECK(out.size() <= lines[0].size() + 64 * (longest + 2), "prefix conversion grows without bound");
    if (lines[0].find('{') == std::string::npos)
        FUZZ_CHECK(out == lines[0], "a text without prefixes changed");
    const std::string d = wu::prefixDirectory(lines[0]);
    FUZZ_CHECK(d.empty() || d.back() != '\\', "a prefix directory ends in a backslash: " + d);
}

bool separator(char c) { return c == '\\' || c == '/'; }

void checkPolicy(std::string_view input)
{
    const auto lines = split(input, '\n');
    const std::string name = lines[0];
    if (wu::safeFileName(name)) {
        FUZZ_CHECK(name.find_first_of("\\/:") == std::string::npos && name.find("..") == std::string::npos,
                   "an accepted name leaves its directory: " + name);
        std::string stem = wu::upperCase(name.substr(0, name.find('.')));
        while (!stem.empty() && stem.back() == ' ')
            stem.pop_back();
        for (const char* dev : {"CON", "PRN", "AUX", "NUL", "COM1", "COM9", "LPT1", "LPT9", "CONIN$", "CONOUT$"})
            FUZZ_CHECK(stem != dev, "an accepted name is a device: " + name);
    }
    const std::string base = lines.size() > 1 ? lines[1] : "C:\\Data";
    const std::string dir = lines.size() > 2 ? lines[2] : base + "\\" + name;
    if (wu::insideDirectory(dir, base)) {
        FUZZ_CHECK(!(dir.size() >= 2 && separator(dir[0]) && separator(dir[1])), "a UNC path is inside: " + dir);
        const auto parts = [](const std::string& p) {
            std::vector<std::string> out;
            for (auto& c : split(p, '\\'))
                for (auto& s : split(c, '/'))
                    if (!s.empty())
                        out.push_back(wu::upperCase(s));
            return out;
        };
        const auto d = parts(dir), b = parts(base);
        FUZZ_CHECK(!d.empty() && d[0].size() == 2 && d[0][1] == ':', "a relative path is inside: " + dir);
        FUZZ_CHECK(d.size() >= b.size() && std::equal(b.begin(), b.end(), d.begin()), dir + " is not beneath " + base);
        for (size_t i = 1; i < d.size(); ++i)
            FUZZ_CHECK(d[i] != "." && d[i] != ".." && d[i].find(':') == std::string::npos && d[i].back() != '.'
                           && d[i].back() != ' ',
                       "a component that may lead elsewhere is inside: " + dir);
    }
    if (wu::insideDirectory(base, base) && wu::safeFileName(name)) {
        FUZZ_CHECK(wu::insideDirectory(base + "\\" + name, base), "a safe name is not inside: " + name);
        FUZZ_CHECK(!wu::insideDirectory(base + "\\..\\" + name, base), "a way up is inside: " + name);
    }
    const std::string last = wu::lastPathPart(name);
    FUZZ_CHECK(last.find('/') == std::string::npos && name.ends_with(last), "last path part: " + last);
    FUZZ_CHECK(wu::channelOf(wu::Transport::ftp, name) == wu::Channel::plain, "FTP is trusted");
    FUZZ_CHECK(wu::channelOf(wu::Transport::http, name) == wu::Channel::trusted
                   == (wu::upperCase(name.substr(0, 8)) == "HTTPS://"),
               "HTTP trust of " + name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    checkControlFile(input);
    checkNumbers(data, size);
    checkDates(input, data, size);
    checkVersions(input, data, size);
    checkPrefixes(input);
    checkPolicy(input);
    return 0;
}
