// Prints a table of several pages to the default printer, here the private CUPS server's PDF
// printer; tests/print/cups-print-test.sh starts the server and reads the PDF that comes out.
#include "toolkit/print_preview.h"

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tk {
namespace {

using Cells = std::vector<std::vector<std::string>>;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The prefix's default printer for the test's length, put back as it was afterwards.
class DefaultPrinter {
public:
    explicit DefaultPrinter(const std::wstring& name) : old_(tk::defaultPrinter())
    {
        set_ = SetDefaultPrinterW(name.c_str()) != FALSE;
    }
    ~DefaultPrinter()
    {
        if (!set_)
            return;
        if (!old_.empty())
            SetDefaultPrinterW(old_.c_str());
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows", L"Device");
    }
    bool set() const { return set_; }

private:
    std::wstring old_;
    bool set_ = false;
};

// Row r carries the Latin mark Wnnn, so the PDF's reader can follow the rows' order.
Cells table(int dataRows)
{
    Cells cells{{"", " Слово", " Подсказка"}};
    char mark[8];
    for (int r = 1; r <= dataRows; ++r) {
        std::snprintf(mark, sizeof mark, "W%03d", r);
        cells.push_back({std::to_string(r), mark, "ПРЯНОСТЬ ИЗ КОРЫ"});
    }
    return cells;
}

TEST(CupsPrint, TableOfSeveralPagesGoesToTheDefaultPrinter)
{
    const std::string printer = env("SLOVO_PRINTER");
    const std::string expect = env("SLOVO_PRINT_EXPECT");
    ASSERT_FALSE(printer.empty() || expect.empty()) << "run by tests/print/cups-print-test.sh";
    const std::wstring name(printer.begin(), printer.end());
    const DefaultPrinter guard(name);
    ASSERT_TRUE(guard.set()) << "Wine does not know printer " << printer << ", error " << GetLastError();
    ASSERT_EQ(tk::defaultPrinter(), name);

    const Cells cells = table(120);
    const GdiPrintMeasurer measurer;
    const SIZE page = printablePageSize();
    const PrintLayout layout(cells, page.cx, page.cy, measurer);
    ASSERT_GE(layout.pageCount(), 2) << "page " << page.cx << "x" << page.cy;

    EXPECT_NO_THROW(printTable(cells));

    FILE* out = std::fopen(expect.c_str(), "w");
    ASSERT_NE(out, nullptr) << expect;
    std::fprintf(out, "%d %d\n", layout.pageCount(), 120);
    std::fclose(out);
}

} // namespace
} // namespace tk
