// Core tests of the web update client: control file, dates, versions, prefixes, the safety rules.
#include "webupdate/core/control_file.h"
#include "webupdate/core/prefixes.h"
#include "webupdate/core/remote_policy.h"
#include "webupdate/core/update_date.h"
#include "webupdate/core/version_check.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace wu;

TEST(ControlFileTest, NamesWithoutCaseTrimmedValuesNumbers)
{
    const auto f = ControlFile::parse("; comment\r\n[Update]\r\n;date=1/1/1999\r\n  DATE =  25/12/2002  \r\nnewsize=0x10\r\n"
                                      "newsize=99\r\nbad=12x\r\nneg=-5\r\nhex=0xFFFFFFFF\r\n[files]\ncount = 2\n"
                                      "noequals\n[broken\nkey=v\n");
    struct Case {
        const char* section;
        const char* key;
        const char* want;
    } cases[] = {{"update", "date", "25/12/2002"}, {"UPDATE", "Date", "25/12/2002"}, {"files", "COUNT", "2"},
                 {"files", "missing", ""},         {"nosection", "date", ""},         {"files", "key", "v"},
                 {"update", ";date", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(f.value(c.section, c.key), c.want) << c.section << "/" << c.key;
    EXPECT_EQ(f.number("update", "newsize", 0), 16) << "first occurrence wins";
    EXPECT_EQ(f.number("update", "bad", 7), 7);
    EXPECT_EQ(f.number("update", "neg", 7), -5);
    EXPECT_EQ(f.number("update", "hex", 7), -1);
    EXPECT_EQ(f.number("update", "missing", -1), -1);
}

TEST(ControlFileTest, NumberedSectionsAreThoseTheFileHolds)
{
    const auto f = ControlFile::parse("[file2]\nurl=b\n[FILE10]\n[file1]\n[file01]\n[file3x]\n[file]\n"
                                      "[file-4]\n[file99999999999]\n[file2147483647]\n[other5]\n[item7]\n"
                                      "[file18446744073709551617]\n");
    struct Case {
        std::int32_t last;
        std::vector<std::int32_t> want;
    } cases[] = {{2147483647, {1, 2, 10, 2147483647}}, {9, {1, 2}}, {0, {}}, {-5, {}}};
    for (const auto& c : cases)
        EXPECT_EQ(f.numberedSections("File", c.last), c.want) << c.last;
}

TEST(ControlFileTest, Numbers)
{
    struct Case {
        const char* text;
        std::int32_t want;
    } cases[] = {{"0", 0},           {"42", 42},        {"+3", 3},       {"-2147483648", -2147483647 - 1},
                 {"2147483648", 99}, {"0x", 99},        {"0x1G", 99},    {"0x123456789", 99},
                 {"", 99},           {"-", 99},         {" 12 ", 12},    {"0X1f", 31},
                 {"1e3", 99},        {"99999999999", 99}, {"19", 19}};
    for (const auto& c : cases)
        EXPECT_EQ(parseNumber(c.text, 99), c.want) << '"' << c.text << '"';
}

TEST(ControlFileTest, RandomAndTruncatedInputNeverFail)
{
    const std::string good = "[update]\ndate=25/12/2002\ntime=10:00\n[files]\ncount=1\n[file1]\nurl=http://a/b.txt\n";
    for (std::size_t n = 0; n <= good.size(); ++n)
        ControlFile::parse(good.substr(0, n)).value("file1", "url");
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        std::string s(rng() % 200, '\0');
        for (char& c : s)
            c = "[]=\n\r ;ax0"[rng() % 11];
        const auto f = ControlFile::parse(s);
        (void)f.number("a", "a", 0);
        parseNumber(s, 0);
        parseDate(s, "dd/mm/yyyy", '/');
        parseTime(s, ':');
        parseVersion(s);
        safeFileName(s);
        insideDirectory(s, "C:\\Windows\\data");
    }
}

TEST(DateTest, ParsesByFormat)
{
    struct Case {
        const char* text;
        const char* format;
        char sep;
        bool ok;
        Date want;
    } cases[] = {
        {"25/12/2002", "dd/mm/yyyy", '/', true, {2002, 12, 25}},
        {"1/2/2003", "dd/mm/yyyy", '/', true, {2003, 2, 1}},
        {"12/25/2002", "M/d/yyyy", '\0', true, {2002, 12, 25}},
        {"2002-12-25", "yyyy-MM-dd", '\0', true, {2002, 12, 25}},
        {"25.12.02", "dd.MM.yy", '\0', true, {2002, 12, 25}},
        {"25/12/99", "dd/mm/yy", '/', true, {1999, 12, 25}},
        {"25/12/49", "dd/mm/yy", '/', true, {2049, 12, 25}},
        {"25/12/50", "dd/mm/yy", '/', true, {1950, 12, 25}},
        {"25/12/100 ", "dd/mm/yyyy", '/', true, {100, 12, 25}},
        {"0/12/2002", "dd/mm/yyyy", '/', false, {}},
        {"29/02/2004", "dd/mm/yyyy", '/', true, {2004, 2, 29}},
        {"29/02/2003", "dd/mm/yyyy", '/', false, {}},
        {"32/12/2002", "dd/mm/yyyy", '/', false, {}},
        {"25-12-2002", "dd/mm/yyyy", '/', false, {}},
        {"25/12", "dd/mm/yyyy", '/', false, {}},
        {"", "dd/mm/yyyy", '/', false, {}},
        {"aa/bb/cccc", "dd/mm/yyyy", '/', false, {}},
    };
    for (const auto& c : cases) {
        const auto d = parseDate(c.text, c.format, c.sep);
        ASSERT_EQ(d.has_value(), c.ok) << c.text;
        if (d) {
            EXPECT_TRUE(*d == c.want) << c.text << " -> " << d->year << "-" << d->month << "-" << d->day;
        }
    }
}

TEST(DateTest, ParsesTimes)
{
    struct Case {
        const char* text;
        char sep;
        bool ok;
        TimeOfDay want;
    } cases[] = {{"10:00", ':', true, {10, 0, 0}},      {"23:59:59", ':', true, {23, 59, 59}},
                 {"10:00:00 AM", '\0', true, {10, 0, 0}}, {"12:30:00 AM", '\0', true, {0, 30, 0}},
                 {"1:05:00 PM", '\0', true, {13, 5, 0}},  {"24:00", ':', false, {}},
                 {"10", ':', false, {}},                  {"10.00", ':', false, {}},
                 {"13:00 PM", '\0', false, {}},           {"", ':', false, {}},
                 {"10:30 PM", ':', true, {22, 30, 0}}};
    for (const auto& c : cases) {
        const auto t = parseTime(c.text, c.sep);
        ASSERT_EQ(t.has_value(), c.ok) << c.text;
        if (t) {
            EXPECT_TRUE(*t == c.want) << c.text << " -> " << t->hour << ":" << t->minute << ":" << t->second;
        }
    }
    EXPECT_TRUE((Moment{{2002, 12, 25}, {10, 0, 0}}) > Moment{}) << "the default is 1 January 1980";
    EXPECT_TRUE(Moment{} == (Moment{{1980, 1, 1}, {0, 0, 0}}));
    EXPECT_TRUE((Moment{{2002, 12, 25}, {10, 0, 0}}) > (Moment{{2002, 12, 25}, {9, 59, 0}}));
    EXPECT_TRUE(TimeOfDay{}.isMidnight());
    for (const TimeOfDay& t : {TimeOfDay{1, 0, 0}, TimeOfDay{0, 1, 0}, TimeOfDay{0, 0, 1}})
        EXPECT_FALSE(t.isMidnight()) << t.hour << ":" << t.minute << ":" << t.second;
}

TEST(DateTest, BeyondOneDayOfTheClock)
{
    const Moment now{{2026, 12, 31}, {12, 0, 0}};
    struct Case {
        Moment moment;
        bool beyond;
    } cases[] = {{{{2027, 1, 1}, {12, 0, 0}}, false}, {{{2027, 1, 1}, {12, 0, 1}}, true},
                 {{{9999, 12, 31}, {}}, true},         {{{2026, 12, 31}, {23, 59, 59}}, false},
                 {{}, false},                           {{{2028, 2, 29}, {}}, true}};
    for (const auto& c : cases)
        EXPECT_EQ(beyondOneDay(c.moment, now), c.beyond)
            << c.moment.date.year << "-" << c.moment.date.month << "-" << c.moment.date.day;
    EXPECT_TRUE(beyondOneDay(Moment{{2024, 3, 1}, {0, 0, 1}}, Moment{{2024, 2, 28}, {23, 59, 59}}))
        << "29 February lies between";
}

class FakeLocal : public LocalFile {
public:
    FakeLocal(std::int64_t size, std::optional<FileVersion> version, std::int32_t sum)
        : size_(size), version_(version), sum_(sum)
    {
    }
    std::int64_t size() override { return size_; }
    std::optional<FileVersion> version() override { return version_; }
    std::int32_t checksum() override { return sum_; }

private:
    std::int64_t size_;
    std::optional<FileVersion> version_;
    std::int32_t sum_;
};

TEST(VersionTest, Decisions)
{
    const FileVersion v1204{(1 << 16) | 2, 4};
    struct Case {
        const char* name;
        const char* newVersion;
        const char* local;
        std::int32_t newSize;
        std::int32_t newSum;
        FakeLocal file;
        bool want;
    } cases[] = {
        {"nothing asked", "", "x.exe", 0, -1, {0, std::nullopt, -1}, true},
        {"no local file named", "1.0.0.0", "", 0, -1, {0, std::nullopt, -1}, true},
        {"1.2.0.5 over 1.2.0.4", "1.2.0.5", "x.exe", 0, -1, {10, v1204, 5}, true},
        {"1.2.0.4 equal", "1.2.0.4", "x.exe", 0, -1, {10, v1204, 5}, false},
        {"1.2.0.3 older", "1.2.0.3", "x.exe", 0, -1, {10, v1204, 5}, false},
        {"1,3,0,0 commas", "1,3,0,0", "x.exe", 0, -1, {10, v1204, 5}, true},
        {"1.3 two numbers", "1.3", "x.exe", 0, -1, {10, v1204, 5}, false},
        {"against no version resource", "0.0.0.0", "x.exe", 0, -1, {10, std::nullopt, 5}, true},
        {"newsize, missing local", "", "x.exe", 100, -1, {0, std::nullopt, -1}, false},
        {"newsize differs", "", "x.exe", 100, -1, {99, std::nullopt, -1}, true},
        {"newsize equal", "", "x.exe", 100, -1, {100, std::nullopt, -1}, false},
        {"checksum differs", "", "x.exe", 0, 17, {100, std::nullopt, 16}, true},
        {"checksum equal", "", "x.exe", 0, 16, {100, std::nullopt, 16}, false},
        {"size rules over checksum", "", "x.exe", 100, 17, {100, std::nullopt, 16}, false},
        {"junk version", "1.2.x.4", "x.exe", 0, -1, {10, v1204, 5}, false},
        {"newsize, local of one byte", "", "x.exe", 100, -1, {1, std::nullopt, -1}, true},
        {"lower half all ones over none", "0.0.65535.65535", "x.exe", 0, -1, {10, std::nullopt, 5}, true},
        {"upper half all ones over none", "65535.65535.0.0", "x.exe", 0, -1, {10, std::nullopt, 5}, true},
    };
    for (auto& c : cases)
        EXPECT_EQ(isNewVersion(c.newVersion, c.local, c.newSize, c.newSum, c.file), c.want) << c.name;
}

TEST(VersionTest, ParsingAndChecksums)
{
    const auto v = parseVersion("1.2.0.5");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->high, 65538);
    EXPECT_EQ(v->low, 5);
    EXPECT_FALSE(parseVersion("1.2,0.5")) << "with a comma the separator is the comma";
    EXPECT_FALSE(parseVersion(""));
    EXPECT_EQ(addToChecksum(checksumStart, ""), 0xFFFFFFFFu);
    EXPECT_EQ(addToChecksum(checksumStart, "\x01\xFF"), 0xFFu) << "bytes count as 0..255";
    EXPECT_EQ(crc32Finish(addToCrc32(crc32Start, "123456789")), 0xCBF43926u);
}

TEST(PrefixTest, Conversion)
{
    const PrefixLookup lookup = [](const std::string& name) -> std::optional<std::string> {
        if (name == "WIN")
            return std::string("C:\\Windows\\");
        if (name == "APP")
            return std::string("D:\\");
        if (name == "TMP")
            return std::string("C:\\Temp");
        if (name == "PF")
            return std::string("C:\\Program Files\\");
        if (name == "LOOP")
            return std::string("{LOOP}");
        return std::nullopt;
    };
    struct Case {
        const char* text;
        const char* want;
    } cases[] = {{"{WIN}\\data\\", "C:\\Windows\\data\\"},
                 {"{win}\\data", "C:\\Windows\\data"},
                 {"{Win}{TMP}", "C:\\WindowsC:\\Temp"},
                 {"{APP}\\x.exe", "D:\\.\\x.exe"},
                 {"{PF}\\Game", "C:\\Program Files\\Game"},
                 {"{XYZ}\\a", "{XYZ}\\a"},
                 {"{XYZ}{WIN}", "{XYZ}C:\\Windows"},
                 {"{WIN", "{WIN"},
                 {"no prefix", "no prefix"},
                 {"{LOOP}", "{LOOP}"}};
    for (const auto& c : cases)
        EXPECT_EQ(convertPrefixes(c.text, lookup), c.want) << c.text;
    std::string many, want;
    for (int i = 0; i < 64; ++i) {
        many += "{TMP}";
        want += "C:\\Temp";
    }
    EXPECT_EQ(convertPrefixes(many + "{TMP}", lookup), want + "{TMP}") << "64 replacements at most";
}

TEST(PolicyTest, Channels)
{
    EXPECT_EQ(channelOf(Transport::http, "https://h/a.INF"), Channel::trusted);
    EXPECT_EQ(channelOf(Transport::http, "HTTPS://h/a.INF"), Channel::trusted);
    EXPECT_EQ(channelOf(Transport::http, "http://h/a.INF"), Channel::plain);
    EXPECT_EQ(channelOf(Transport::ftp, "https://h/a.INF"), Channel::plain);
    EXPECT_EQ(channelOf(Transport::file, "C:\\a.INF"), Channel::trusted);
    for (Action a : {Action::htmlDialog, Action::runBefore, Action::runAfter, Action::whatsNew, Action::redirect,
                     Action::showUrl, Action::appUpdate, Action::cabinet, Action::patch}) {
        EXPECT_FALSE(allowed(a, Channel::plain)) << refusedText(a);
        EXPECT_TRUE(allowed(a, Channel::trusted)) << refusedText(a);
    }
}

TEST(PolicyTest, InsideDataDirectory)
{
    const char* base = "C:\\Windows\\data";
    struct Case {
        const char* dir;
        bool want;
    } cases[] = {{"C:\\Windows\\data\\", true},        {"c:\\WINDOWS\\DATA", true},
                 {"C:\\Windows\\data\\sub\\", true},   {"C:/Windows/data/", true},
                 {"C:\\Windows\\\\data\\", true},      {"C:\\Windows\\", false},
                 {"C:\\Windows\\system32\\", false},   {"C:\\Windows\\data\\..\\system32\\", false},
                 {"C:\\Windows\\data.\\", false},      {"C:\\Windows\\data \\", false},
                 {"C:\\Windows\\data:x\\", false},     {"C:\\Windows\\dataX\\", false},
                 {"\\\\?\\C:\\Windows\\data\\", false}, {"\\\\server\\Windows\\data\\", false},
                 {"Windows\\data\\", false},           {"", false},
                 {"D:\\Windows\\data\\", false},       {"C:\\Windows\\data\\.\\", false},
                 {"\\\\C:\\Windows\\data\\", false}};
    for (const auto& c : cases)
        EXPECT_EQ(insideDirectory(c.dir, base), c.want) << c.dir;
    EXPECT_TRUE(insideDirectory("z:\\data\\", "Z:\\data")) << "drive letters a to z";
    EXPECT_FALSE(insideDirectory("1:\\data\\", "1:\\data")) << "and only letters";
}

TEST(PolicyTest, FileNames)
{
    struct Case {
        const char* url;
        bool safe;
    } cases[] = {{"http://h/update/slovolovka.txt", true}, {"http://h/a/b.exe_new", true},
                 {"http://h/a/", false},                   {"http://h/a/..", false},
                 {"http://h/a/..\\..\\x.txt", false},       {"http://h/a/C:x.txt", false},
                 {"http://h/a/b.txt:stream", false},        {"http://h/a/CON", false},
                 {"http://h/a/nul.txt", false},             {"http://h/a/com1", false},
                 {"http://h/a/LPT9.log", false},            {"http://h/a/CONOUT$", false},
                 {"http://h/a/con .txt", false},            {"http://h/a/console.txt", true},
                 {"http://h/a/com10", true},                {"http://h/a/x.txt.", false},
                 {"http://h/a/x?y=1", false},               {"http://h/a/x\x01y", false},
                 {"http://h/a/...", false},                 {"http://h/a/x..y.txt", false}};
    for (const auto& c : cases)
        EXPECT_EQ(safeFileName(lastPathPart(c.url)), c.safe) << c.url;
    EXPECT_EQ(lastPathPart("http://h/update/slovolovka.INF"), "slovolovka.INF");
}

} // namespace
