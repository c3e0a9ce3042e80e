// Core tests of the updater's rules: command-line splitting, argument 1, component kinds, the
// component list both sides share.
#include "webupdate/upd/core/updater_args.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::string show(const std::vector<std::wstring>& v)
{
    std::string s;
    for (const auto& a : v)
        s += "[" + std::string(a.begin(), a.end()) + "]";
    return s;
}

TEST(UpdaterArgsTest, SplitsLikeThePlatform)
{
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> want;
    } cases[] = {
        {L"upd.exe 1234 null C:\\a\\prog.exe_new", {L"upd.exe", L"1234", L"null", L"C:\\a\\prog.exe_new"}},
        {L"\"C:\\t mp\\upd.exe\" 1 \"C:\\p\\app.exe -x\" c", {L"C:\\t mp\\upd.exe", L"1", L"C:\\p\\app.exe -x", L"c"}},
        {L"u  a\t\tb ", {L"u", L"a", L"b"}},
        {L"u a\\\\\"b c\"", {L"u", L"a\\b c"}},
        {L"u a\\\"b", {L"u", L"a\"b"}},
        {L"u \"a\"\"b\"", {L"u", L"a\"b"}},
        {L"u a\\b\\", {L"u", L"a\\b\\"}},
        {L"u \"\"", {L"u", L""}},
        {L"", {L""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(show(upd::splitCommandLine(c.line)), show(c.want)) << std::string(c.line, c.line + wcslen(c.line));
}

TEST(UpdaterArgsTest, PlanNeedsANumber)
{
    EXPECT_FALSE(upd::makePlan({L"upd.exe"}));
    EXPECT_FALSE(upd::makePlan({L"upd.exe", L""}));
    EXPECT_FALSE(upd::makePlan({L"upd.exe", L"abc", L"null"}));
    EXPECT_FALSE(upd::makePlan({L"upd.exe", L"12a"}));
    EXPECT_FALSE(upd::makePlan({L"upd.exe", L"99999999999"}));
    const auto p = upd::makePlan({L"upd.exe", L"1234", L"null", L"C:\\a\\prog.exe_new"});
    ASSERT_TRUE(p);
    EXPECT_EQ(p->processId, 1234u);
    EXPECT_TRUE(p->restart.empty());
    ASSERT_EQ(p->components.size(), 1u);
    const auto q = upd::makePlan({L"upd.exe", L"5", L"C:\\app.exe -x"});
    ASSERT_TRUE(q);
    EXPECT_EQ(q->restart, L"C:\\app.exe -x");
    EXPECT_TRUE(q->components.empty());
    EXPECT_EQ(upd::makePlan({L"upd.exe", L"-50"}).value().processId, static_cast<std::uint32_t>(-50)) << "a signed 32-bit number";
}

TEST(UpdaterArgsTest, ComponentKinds)
{
    using K = upd::ComponentKind;
    struct Case {
        const wchar_t* path;
        K kind;
    } cases[] = {{L"C:\\a\\prog.exe_new", K::replacement}, {L"C:\\a\\PROG.EXE_NEW", K::replacement},
                 {L"C:\\a\\x_new.exe_new", K::compressed}, {L"C:\\a\\prog.PAT", K::patch},
                 {L"C:\\a\\prog.pat", K::patch},           {L"C:\\a\\data.cab", K::cabinet},
                 {L"C:\\a\\prog.ex_", K::compressed},      {L"C:\\a.pat\\prog", K::compressed},
                 {L"_NEW", K::replacement},                {L"", K::compressed}};
    for (const auto& c : cases)
        EXPECT_EQ(static_cast<int>(upd::classify(c.path)), static_cast<int>(c.kind))
            << std::string(c.path, c.path + wcslen(c.path));
    EXPECT_EQ(upd::replacementTarget(L"C:\\a\\prog.exe_new"), L"C:\\a\\prog.exe");
    EXPECT_EQ(upd::patchTarget(L"C:\\a\\prog.PAT"), L"C:\\a\\prog.EXE");
}

TEST(UpdaterArgsTest, ComponentListReachesTheUpdaterWhole)
{
    // The client's list, each name quoted as an argument of its own behind a program path with a
    // blank: the updater's plan holds the same names.
    struct Case {
        const wchar_t* appcomps;
        std::vector<std::wstring> want;
    } cases[] = {{L"a.exe_new b.dll_new", {L"a.exe_new", L"b.dll_new"}},
                 {L"a.exe_new,b.dll_new;;c.ex_", {L"a.exe_new", L"b.dll_new", L"c.ex_"}},
                 {L"\"C:\\my files\\a.exe_new\";C:\\x\\", {L"C:\\my files\\a.exe_new", L"C:\\x\\"}},
                 {L" , ", {}}};
    for (const auto& c : cases) {
        const auto names = upd::componentList(c.appcomps);
        EXPECT_EQ(show(names), show(c.want));
        std::wstring line = L"\"C:\\Users\\A B\\Temp\\upd.exe\" 12 \"C:\\p\\app.exe -x\"";
        for (const auto& n : names)
            line += L" " + upd::quoteArgument(n);
        const auto plan = upd::makePlan(upd::splitCommandLine(line));
        ASSERT_TRUE(plan) << show({line});
        EXPECT_EQ(show(plan->components), show(c.want)) << show({line});
        EXPECT_EQ(plan->restart, L"C:\\p\\app.exe -x");
    }
}

TEST(UpdaterArgsTest, RandomLinesNeverFail)
{
    std::mt19937 rng(3);
    for (int i = 0; i < 3000; ++i) {
        std::wstring s(rng() % 60, L' ');
        for (wchar_t& c : s)
            c = L"\"\\ a1\t_N"[rng() % 8];
        const auto args = upd::splitCommandLine(s);
        ASSERT_FALSE(args.empty());
        upd::makePlan(args);
        for (const auto& a : args)
            upd::classify(a);
    }
}

} // namespace
