// The document export against the prefix's real registry and COM. The word processor itself
// cannot exist here, so its automation server is a TEST DOUBLE (tests/win32/word_double): a
// small in-process server that this test registers under "word.application" for its own run and
// removes again, and that logs every call it gets. Without a registration the export fails with
// the fixed message.
#include "editor/win32/doc_export.h"

#include "common/error.h"
#include "common/win32/text.h"
#include "editor/core/editor_table.h"
#include "game/core/word_base.h"
#include "tests/e2e/driver.h"
#include "tests/win32/word_double/registration.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace slovo {
namespace {

using Cells = std::vector<std::vector<std::string>>;

using word_double::progIdKnown;
using word_double::Registration;
using word_double::removeRegistration;

// The double's steering variables for one case; all cleared again afterwards.
class Steering {
public:
    Steering(const std::wstring& fail, const std::wstring& message, const std::wstring& kind, const std::wstring& quitFails = L"")
    {
        set(word_double::kFailVariable, fail);
        set(word_double::kFailMessageVariable, message);
        set(word_double::kFailKindVariable, kind);
        set(word_double::kQuitFailVariable, quitFails);
    }
    ~Steering()
    {
        for (const wchar_t* name : {word_double::kFailVariable, word_double::kFailMessageVariable, word_double::kFailKindVariable,
                                    word_double::kQuitFailVariable})
            SetEnvironmentVariableW(name, nullptr);
    }
    Steering(const Steering&) = delete;
    Steering& operator=(const Steering&) = delete;

private:
    static void set(const wchar_t* name, const std::wstring& value) { SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str()); }
};

std::wstring doubleDll()
{
    const char* dll = std::getenv("SLOVO_WORD_DOUBLE");
    return e2e::windowsPath(dll ? dll : "WordDouble.dll");
}

std::string tempPath(const std::string& name)
{
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    return tk::narrow(dir) + name;
}

std::wstring fromUtf8(const std::string& bytes)
{
    std::wstring out(bytes.size(), L'\0');
    out.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                                        static_cast<int>(out.size()))));
    return out;
}

std::string fileText(const std::string& path)
{
    const HANDLE f = CreateFileW(tk::wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "(no file)";
    std::string bytes(static_cast<size_t>(GetFileSize(f, nullptr)), '\0');
    DWORD n = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(f);
    bytes.resize(n);
    return tk::narrow(fromUtf8(bytes));
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        out.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
}

// One export through the double: its error (or "(no error)") and its log.
struct ExportRun {
    std::string error;
    std::vector<std::string> log;
};

ExportRun exportThroughDouble(const Cells& cells, const std::string& path)
{
    const std::string logPath = tempPath("slovo_word_double.log");
    DeleteFileW(tk::wide(logPath).c_str());
    SetEnvironmentVariableW(word_double::kLogVariable, tk::wide(logPath).c_str());
    ExportRun run{"(no error)", {}};
    try {
        exportTableToWord(cells, path);
    } catch (const Error& e) {
        run.error = e.what();
    }
    SetEnvironmentVariableW(word_double::kLogVariable, nullptr);
    // No log at all when the server never started.
    if (GetFileAttributesW(tk::wide(logPath).c_str()) != INVALID_FILE_ATTRIBUTES)
        run.log = lines(fileText(logPath));
    return run;
}

std::string joined(const std::vector<std::string>& log)
{
    std::string out;
    for (const std::string& line : log)
        out += "    " + line + "\n";
    return out;
}

// The first line where the log leaves the expected sequence, and the whole log when asked.
std::string difference(const std::vector<std::string>& actual, const std::vector<std::string>& expected, bool wholeLog = true)
{
    size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        ++i;
    if (i == actual.size() && i == expected.size())
        return "";
    return "line " + std::to_string(i + 1) + ": expected \"" + (i < expected.size() ? expected[i] : "(end)") + "\", got \""
           + (i < actual.size() ? actual[i] : "(end)") + "\"" + (wholeLog ? "\nthe server's log:\n" + joined(actual) : "");
}

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// The editor's table over the built-in base: the header row with its empty top-left cell, then
// the 93 numbered pairs.
Cells editorTable()
{
    std::vector<std::string> words, hints;
    for (const BuiltinEntry& e : builtinBase()) {
        words.emplace_back(e.word);
        hints.emplace_back(e.hint);
    }
    tk::GridModel table = makeEditorTable();
    fillTable(table, words, hints);
    return table.cells();
}

// The calls the export makes, as the double numbers the objects it hands out: the document, its
// range 0..0, a table of every row and column at that range, each cell's text inserted after
// its content, the save under the path, the quit, and every object released.
std::vector<std::string> expectedCalls(const Cells& cells, const std::string& path)
{
    const size_t rows = cells.size(), cols = cells.empty() ? 0 : cells[0].size();
    std::vector<std::string> calls{
        "CreateInstance -> Application#1",
        "Application#1.Documents -> Documents#2",
        "Documents#2.Add() -> Document#3",
        "Document#3.Range(0, 0) -> Range#4",
        "Document#3.Tables -> Tables#5",
        "Tables#5.Add(Range#4, " + std::to_string(rows) + ", " + std::to_string(cols) + ") -> Table#6",
    };
    int serial = 6;
    for (size_t r = 1; r <= rows; ++r) {
        for (size_t k = 1; k <= cols; ++k) {
            const std::string cell = "Cell#" + std::to_string(++serial), range = "Range#" + std::to_string(++serial);
            calls.push_back("Table#6.Cell(" + std::to_string(r) + ", " + std::to_string(k) + ") -> " + cell);
            calls.push_back(cell + ".Range -> " + range);
            calls.push_back(range + ".InsertAfter(" + quoted(cells[r - 1][k - 1]) + ")");
        }
    }
    calls.push_back("Document#3.SaveAs(" + quoted(path) + ")");
    calls.push_back("Application#1.Quit()");
    calls.push_back("Application#1 released, 0 objects left");
    return calls;
}

// What the double writes on SaveAs: each row, cells separated by tabs.
std::string savedTable(const Cells& cells)
{
    std::string out;
    for (const auto& row : cells) {
        for (size_t k = 0; k < row.size(); ++k)
            out += (k ? "\t" : "") + row[k];
        out += "\n";
    }
    return out;
}

bool fileExists(const std::string& path)
{
    return GetFileAttributesW(tk::wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(DocExport, WithoutAWorkingServerFailsWithTheFixedMessageAndWritesNothing)
{
    const Cells header{{"", " Слово", " Подсказка"}};
    Cells full = header;
    full.push_back({"1", "КОРИЦА", "ПРЯНОСТЬ"});
    const std::wstring missingDll = e2e::windowsPath(tempPath("no-such-word-double.dll"));
    struct Case {
        const char* what;
        bool registered;
        std::wstring server;
        std::wstring fail;
        Cells cells;
        std::string path;
    };
    const std::vector<Case> cases{
        {"nothing registered", false, L"", L"", full, tempPath("slovo_export.doc")},
        {"nothing registered, header only", false, L"", L"", header, tempPath("slovo_header.doc")},
        {"nothing registered, no rows at all", false, L"", L"", {}, tempPath("slovo_empty.doc")},
        {"nothing registered, Cyrillic file name", false, L"", L"", full, tempPath("экспорт.doc")},
        {"the ProgID's class has no server", true, L"", L"", full, tempPath("slovo_export.doc")},
        {"the server's library is missing", true, missingDll, L"", full, tempPath("slovo_export.doc")},
        {"the server refuses to start", true, doubleDll(), L"CreateInstance", full, tempPath("slovo_export.doc")},
    };
    for (const Case& c : cases) {
        removeRegistration();
        std::unique_ptr<Registration> registration;
        if (c.registered) {
            registration = std::make_unique<Registration>(c.server);
            ASSERT_TRUE(registration->ok()) << c.what;
        } else {
            ASSERT_FALSE(progIdKnown()) << c.what << ": the prefix must know no word processor";
        }
        const Steering steering(c.fail, L"", L"");
        DeleteFileW(tk::wide(c.path).c_str());
        const ExportRun run = exportThroughDouble(c.cells, c.path);
        EXPECT_EQ(run.error, "Word OLE server not found") << c.what;
        EXPECT_FALSE(fileExists(c.path)) << c.what << ": " << c.path;
        const std::vector<std::string> refused{"CreateInstance -> fails"};
        EXPECT_EQ(run.log, c.fail.empty() ? std::vector<std::string>{} : refused) << c.what << "\n" << joined(run.log);
    }
    EXPECT_FALSE(progIdKnown()) << "the registration is removed again";
}

TEST(DocExport, TheWholeCallSequenceForTheEditorsTable)
{
    const Registration registration(doubleDll());
    ASSERT_TRUE(registration.ok());
    const Steering steering(L"", L"", L"");
    const Cells full = editorTable();
    ASSERT_EQ(full.size(), 94u);
    ASSERT_EQ(full[0].size(), 3u);
    ASSERT_EQ(full[0][0], "") << "the top-left cell is empty";
    struct Case {
        const char* what;
        Cells cells;
        std::string path;
    };
    const std::vector<Case> cases{
        {"94 rows of 3 columns", full, tempPath("slovo_export.doc")},
        {"the header row alone", Cells(full.begin(), full.begin() + 1), tempPath("slovo_header.doc")},
        {"quotes, a line break and Latin letters", {{"", " Слово", " Подсказка"}, {"1", "ABC\"D", "два\r\nряда \\ и \"кавычки\""}},
         tempPath("slovo_odd.doc")},
        {"a Cyrillic path", full, tempPath("экспорт базы.doc")},
    };
    for (const Case& c : cases) {
        DeleteFileW(tk::wide(c.path).c_str());
        const ExportRun run = exportThroughDouble(c.cells, c.path);
        EXPECT_EQ(run.error, "(no error)") << c.what;
        std::vector<std::string> expected = expectedCalls(c.cells, c.path);
        // The double writes a line break in an argument as \r and \n, so each log entry is one line.
        for (std::string& line : expected) {
            for (const auto& [raw, shown] : {std::pair<std::string, std::string>{"\r", "\\r"}, {"\n", "\\n"}}) {
                for (size_t at = line.find(raw); at != std::string::npos; at = line.find(raw, at + shown.size()))
                    line.replace(at, raw.size(), shown);
            }
        }
        const std::string diff = difference(run.log, expected);
        EXPECT_TRUE(diff.empty()) << c.what << ": " << diff;
        const std::string saved = difference(lines(fileText(c.path)), lines(savedTable(c.cells)), false);
        EXPECT_TRUE(saved.empty()) << c.what << ": the document saved under the chosen path, " << saved;
        DeleteFileW(tk::wide(c.path).c_str());
    }
}

TEST(DocExport, AFailingStepIsFollowedByQuitAndItsMessageReachesTheErrorBox)
{
    const Registration registration(doubleDll());
    ASSERT_TRUE(registration.ok());
    const Cells full = editorTable();
    const std::vector<std::string> sequence = expectedCalls(full, tempPath("slovo_fail.doc"));
    const std::wstring message = L"Документ заблокирован другим пользователем";
    struct Case {
        const wchar_t* fail;  // the step that fails
        const wchar_t* kind;  // how it fails
        size_t callsBefore;   // log lines of the sequence before the failing call
        std::string expected; // the error the export raises
    };
    const std::string serverMessage = tk::narrow(message);
    const size_t cellsEnd = sequence.size() - 3;
    const std::vector<Case> cases{
        {L"Application.Documents", L"exception", 1, serverMessage},
        {L"Documents.Add", L"exception", 2, serverMessage},
        {L"Document.Range", L"exception", 3, serverMessage},
        {L"Tables.Add", L"exception", 5, serverMessage},
        {L"Table.Cell#4", L"exception", 6 + 3 * 3, serverMessage},
        {L"Range.InsertAfter#200", L"exception", 6 + 3 * 199 + 2, serverMessage},
        {L"Document.SaveAs", L"exception", cellsEnd, serverMessage},
        {L"Tables.Add", L"deferred", 5, serverMessage},
        {L"Document.SaveAs", L"deferred", cellsEnd, serverMessage},
        // Without a description the status code's own text, with the code.
        {L"Tables.Add", L"code", 5, "(0x80070005)"},
        {L"Document.SaveAs", L"hresult", cellsEnd, "(0x80070005)"},
    };
    for (const Case& c : cases) {
        const std::string what = tk::narrow(c.fail) + " failing by " + tk::narrow(c.kind);
        const Steering steering(c.fail, message, c.kind);
        const std::string path = tempPath("slovo_fail.doc");
        DeleteFileW(tk::wide(path).c_str());
        const ExportRun run = exportThroughDouble(full, path);
        if (c.expected.front() == '(') {
            EXPECT_NE(run.error.find(c.expected), std::string::npos) << what << ": " << run.error;
            EXPECT_NE(run.error, c.expected) << what << ": the code alone, without its text";
        } else {
            EXPECT_EQ(run.error, c.expected) << what;
            EXPECT_EQ(errorBoxText(run.error), c.expected + ".") << what << ": the error box's text";
        }
        if (run.log.size() < c.callsBefore + 3) {
            ADD_FAILURE() << what << ": the log is too short\n" << joined(run.log);
            continue;
        }
        const std::vector<std::string> before(run.log.begin(), run.log.begin() + static_cast<long>(c.callsBefore));
        const std::string diff = difference(before, std::vector<std::string>(sequence.begin(), sequence.begin() + static_cast<long>(c.callsBefore)));
        EXPECT_TRUE(diff.empty()) << what << ": " << diff;
        const std::string failed = run.log[c.callsBefore];
        const std::string marker = " -> fails: " + serverMessage;
        EXPECT_TRUE(failed.size() > marker.size() && failed.compare(failed.size() - marker.size(), marker.size(), marker) == 0)
            << what << ": " << failed;
        const std::vector<std::string> tail(run.log.begin() + static_cast<long>(c.callsBefore) + 1, run.log.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"Application#1.Quit()", "Application#1 released, 0 objects left"}))
            << what << ": nothing after the failure but the quit\n" << joined(run.log);
        EXPECT_FALSE(fileExists(path)) << what;
    }
}

TEST(DocExport, AQuitThatFailsNeitherHidesTheStepsMessageNorFailsASuccessfulExport)
{
    const Registration registration(doubleDll());
    ASSERT_TRUE(registration.ok());
    const Cells cells{{"", " Слово", " Подсказка"}, {"1", "КОРИЦА", "ПРЯНОСТЬ"}};
    const std::string path = tempPath("slovo_quit.doc");
    struct Case {
        const wchar_t* fail;
        std::string error;
        bool saved;
    };
    const std::vector<Case> cases{
        {L"Tables.Add", "Таблица не добавлена", false},
        {L"", "(no error)", true},
    };
    for (const Case& c : cases) {
        const Steering steering(c.fail, L"Таблица не добавлена", L"exception", L"Завершение отклонено");
        DeleteFileW(tk::wide(path).c_str());
        const ExportRun run = exportThroughDouble(cells, path);
        EXPECT_EQ(run.error, c.error) << tk::narrow(c.fail);
        EXPECT_EQ(fileExists(path), c.saved) << tk::narrow(c.fail);
        ASSERT_GE(run.log.size(), 2u);
        EXPECT_EQ(run.log[run.log.size() - 2], "Application#1.Quit() -> fails: Завершение отклонено") << joined(run.log);
        EXPECT_EQ(run.log.back(), "Application#1 released, 0 objects left") << "the server is dropped after all";
        DeleteFileW(tk::wide(path).c_str());
    }
}

} // namespace
} // namespace slovo
