// The update server's content: the control file announces the base by date in a form a plain
// HTTP run carries out, and the base file it names is a grid cell base the game can play.
#include "game/core/grid_file.h"
#include "game/core/puzzle.h"
#include "game/core/word_base.h"
#include "tests/game/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace slovo {
namespace {

const std::string kServerDir = SLOVO_SERVER_DIR;
const std::string kControlFile = kServerDir + "/update/slovolovka.INF";

using Section = std::map<std::string, std::string>;
struct Ini {
    std::map<std::string, Section> sections;
    std::vector<std::string> problems;
};

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string trimmed(const std::string& s)
{
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos)
        return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Lines of a file whose every line must end in CR LF; a stray CR or LF is a problem.
std::vector<std::string> crlfLines(const std::string& bytes, std::vector<std::string>& problems)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            problems.push_back("no CR LF after the last line");
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        if (lines.back().find_first_of("\r\n") != std::string::npos)
            problems.push_back("lone CR or LF in line " + std::to_string(lines.size()));
        start = end + 2;
    }
    return lines;
}

// The INI layout the update client reads: names without regard to case, values trimmed.
Ini parseIni(const std::string& bytes)
{
    Ini ini;
    Section* current = nullptr;
    for (const std::string& line : crlfLines(bytes, ini.problems)) {
        if (line.empty())
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string name = lower(line.substr(1, line.size() - 2));
            if (ini.sections.count(name))
                ini.problems.push_back("section [" + name + "] twice");
            current = &ini.sections[name];
            continue;
        }
        const size_t eq = line.find('=');
        if (!current || eq == std::string::npos) {
            ini.problems.push_back("stray line: " + line);
            continue;
        }
        const std::string key = lower(trimmed(line.substr(0, eq)));
        if (!current->emplace(key, trimmed(line.substr(eq + 1))).second)
            ini.problems.push_back("key " + key + " twice");
    }
    return ini;
}

bool isDigits(const std::string& s, size_t n)
{
    return s.size() == n && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// "dd/mm/yyyy", a real calendar day after the client's default of 1 January 1980.
bool isUpdateDate(const std::string& s)
{
    if (s.size() != 10 || s[2] != '/' || s[5] != '/' || !isDigits(s.substr(0, 2), 2) || !isDigits(s.substr(3, 2), 2)
        || !isDigits(s.substr(6), 4))
        return false;
    const int d = std::stoi(s.substr(0, 2)), m = std::stoi(s.substr(3, 2)), y = std::stoi(s.substr(6));
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return y >= 1980 && m >= 1 && m <= 12 && d >= 1 && d <= days[m - 1] && !(y == 1980 && m == 1 && d == 1);
}

bool isUpdateTime(const std::string& s)
{
    return s.size() == 5 && s[2] == ':' && isDigits(s.substr(0, 2), 2) && isDigits(s.substr(3), 2)
        && std::stoi(s.substr(0, 2)) < 24 && std::stoi(s.substr(3)) < 60;
}

// The path part of an "http://host[:port]/path" address; empty when it is not one.
std::string httpPath(const std::string& url)
{
    const std::string scheme = "http://";
    if (lower(url.substr(0, scheme.size())) != scheme)
        return "";
    const size_t slash = url.find('/', scheme.size());
    return slash == std::string::npos || slash == scheme.size() ? "" : url.substr(slash);
}

// The base file's path on the served tree, as the control file's first file entry names it.
std::string baseFileOnServer()
{
    const Ini ini = parseIni(test::readAll(kControlFile));
    const auto file1 = ini.sections.find("file1");
    if (file1 == ini.sections.end() || !file1->second.count("url"))
        return "";
    return kServerDir + httpPath(file1->second.at("url"));
}

TEST(ServerControlFile, AnnouncesTheBaseByDateWithOnlyWhatPlainHttpCarriesOut)
{
    const std::string bytes = test::readAll(kControlFile);
    ASSERT_FALSE(bytes.empty()) << kControlFile;
    const Ini ini = parseIni(bytes);
    for (const std::string& p : ini.problems)
        ADD_FAILURE() << p;

    // Anything beyond these keys is an action a plain-HTTP run skips (commands, restarts,
    // redirections, pages), or a version test that could skip the base file.
    ASSERT_TRUE(ini.sections.count("files"));
    const std::string count = ini.sections.at("files").count("count") ? ini.sections.at("files").at("count") : "";
    ASSERT_TRUE(isDigits(count, count.size()) && !count.empty() && std::stoi(count) >= 1) << "count=" << count;
    std::map<std::string, std::set<std::string>> allowed = {
        {"update", {"date", "time"}},
        {"files", {"count"}},
    };
    for (int i = 1; i <= std::stoi(count); ++i)
        allowed["file" + std::to_string(i)] = {"url", "targetdir", "descr"};
    for (const auto& [name, keys] : ini.sections) {
        EXPECT_TRUE(allowed.count(name)) << "section [" << name << "]";
        for (const auto& [key, value] : keys)
            EXPECT_TRUE(allowed.count(name) && allowed.at(name).count(key)) << "[" << name << "] " << key << "=" << value;
    }

    // The date check finds the base; a parsed time keeps the whole-update version check out.
    ASSERT_TRUE(ini.sections.count("update"));
    const Section& update = ini.sections.at("update");
    EXPECT_TRUE(update.count("date") && isUpdateDate(update.at("date"))) << "date=" << (update.count("date") ? update.at("date") : "");
    EXPECT_TRUE(update.count("time") && isUpdateTime(update.at("time"))) << "time=" << (update.count("time") ? update.at("time") : "");

    // Exactly one entry brings slovolovka.txt into the data directory, which the import reads.
    int baseEntries = 0;
    for (int i = 1; i <= std::stoi(count); ++i) {
        const std::string name = "file" + std::to_string(i);
        ASSERT_TRUE(ini.sections.count(name)) << name;
        const Section& entry = ini.sections.at(name);
        const std::string url = entry.count("url") ? entry.at("url") : "";
        const std::string path = httpPath(url);
        EXPECT_FALSE(path.empty()) << name << " url=" << url;
        EXPECT_FALSE(test::readAll(kServerDir + path).empty()) << name << ": nothing served at " << path;
        if (lower(url.substr(url.find_last_of('/') + 1)) != "slovolovka.txt")
            continue;
        ++baseEntries;
        std::string dir = entry.count("targetdir") ? lower(entry.at("targetdir")) : "";
        if (!dir.empty() && dir.back() == '\\')
            dir.pop_back();
        EXPECT_EQ(dir, "c:\\windows\\data") << name;
    }
    EXPECT_EQ(baseEntries, 1);
}

TEST(ServerBaseFile, IsAGridCellBaseOfNewPlayableWordsWithShortCapitalHints)
{
    const std::string path = baseFileOnServer();
    ASSERT_FALSE(path.empty()) << "the control file names no base file";
    const std::string bytes = test::readAll(path);
    ASSERT_FALSE(bytes.empty()) << path;
    std::vector<std::string> lineProblems;
    crlfLines(bytes, lineProblems);
    for (const std::string& p : lineProblems)
        ADD_FAILURE() << path << ": " << p;

    const GridFile grid = parseGridFile(bytes, path);
    EXPECT_GE(grid.columns, 3);
    ASSERT_GE(grid.words.size(), 300u);
    ASSERT_EQ(grid.words.size(), grid.hints.size());

    std::set<char> buttons;
    for (int b = 1; b <= kLetterButtons; ++b)
        buttons.insert(letterOfButton(b));
    std::set<std::string> builtin;
    for (const BuiltinEntry& e : builtinBase())
        builtin.insert(e.word);

    std::map<std::string, size_t> firstRow;
    for (size_t i = 0; i < grid.words.size(); ++i) {
        const std::string& word = grid.words[i];
        const std::string& hint = grid.hints[i];
        const std::string where = "row " + std::to_string(i + 1) + " " + test::escaped(word);
        EXPECT_TRUE(word.size() >= 1 && word.size() <= static_cast<size_t>(kCells)) << where << ": " << word.size() << " letters";
        for (char c : word)
            EXPECT_TRUE(buttons.count(c)) << where << ": no button for " << test::escaped(std::string(1, c));
        EXPECT_TRUE(!hint.empty() && hint.size() <= 50) << where << ": hint of " << hint.size() << " characters";
        // The built-in style: capitals, Ё written as Е. In cp1251 а..я are 224..255, ё is 184, Ё 168.
        const bool capitals = std::none_of(hint.begin(), hint.end(), [](unsigned char c) {
            return c >= 224 || c == 184 || c == 168 || (c >= 'a' && c <= 'z');
        });
        EXPECT_TRUE(capitals) << where << ": hint " << test::escaped(hint);
        EXPECT_FALSE(builtin.count(word)) << where << ": in the built-in base";
        const auto [it, fresh] = firstRow.emplace(word, i + 1);
        EXPECT_TRUE(fresh) << where << ": also row " << it->second;
    }
}

} // namespace
} // namespace slovo
