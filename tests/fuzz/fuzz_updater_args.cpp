// Fuzzes the updater's command line: arguments quoted by the platform's rules split back into
// themselves, splitting a split line's quoted form is stable, process ids read back, the plan
// takes its arguments in place, and the component kinds name their targets.
#include "webupdate/upd/core/updater_args.h"
#include "tests/fuzz/fuzz_util.h"

#include <cstdint>
#include <cstring>

namespace {

// The narrow form of a wide text for the messages (code units above 0xFF as '?').
std::string shown(std::wstring_view w)
{
    std::string s;
    for (wchar_t c : w)
        s += c < 0x100 ? static_cast<char>(c) : '?';
    return s;
}

std::wstring commandLine(const std::vector<std::wstring>& argv)
{
    std::wstring line = L"\"" + argv[0] + L"\"";
    for (size_t i = 1; i < argv.size(); ++i)
        line += L" " + upd::quoteArgument(argv[i]);
    return line;
}

// Bytes as code units; a few high bytes stand for code units beyond Latin-1.
std::wstring wide(std::string_view bytes)
{
    std::wstring w;
    for (unsigned char c : bytes)
        w += c >= 0xF0 ? static_cast<wchar_t>(0x400 + (c & 0x0F)) : static_cast<wchar_t>(c);
    return w;
}

bool sameNoCase(std::wstring_view a, std::wstring_view b)
{
    const auto up = [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; };
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (up(a[i]) != up(b[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::wstring line = wide(std::string_view(reinterpret_cast<const char*>(data), size));

    // Any line: a quoted program name holds no quote, and the arguments written back by the rules
    // split into the same (an unquoted program name keeps its quotes, which no quoting writes).
    auto args = upd::splitCommandLine(line);
    FUZZ_CHECK(!args.empty(), "no program name");
    if (!line.empty() && line[0] == L'"')
        FUZZ_CHECK(args[0].find(L'"') == std::wstring::npos, "a quote in the quoted program name: " + shown(args[0]));
    std::erase(args[0], L'"');
    const auto again = upd::splitCommandLine(commandLine(args));
    FUZZ_CHECK(again == args, "arguments do not split back: " + shown(line) + " -> " + shown(commandLine(args)));

    // Arguments at NULs (the first the program name, without quotes) quoted and split back.
    std::vector<std::wstring> argv;
    size_t start = 0;
    while (true) {
        const size_t end = line.find(L'\0', start);
        argv.push_back(line.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    std::erase(argv[0], L'"');
    const auto split = upd::splitCommandLine(commandLine(argv));
    FUZZ_CHECK(split == argv, "quoted arguments do not split back: " + shown(commandLine(argv)));

    // The component list: no empty name, no quote; each quoted argument splits back into itself,
    // so the updater sees the client's names.
    const auto names = upd::componentList(line);
    std::vector<std::wstring> handed{L"upd.exe"};
    for (const auto& n : names) {
        FUZZ_CHECK(!n.empty() && n.find(L'"') == std::wstring::npos, "component name " + shown(n));
        handed.push_back(n);
    }
    FUZZ_CHECK(upd::splitCommandLine(commandLine(handed)) == handed, "component names do not reach the updater");

    // The plan takes argument 1 as the process, 2 as the program to start unless "null", the rest in order.
    const auto plan = upd::makePlan(argv);
    const auto pid = argv.size() > 1 ? upd::parseProcessId(argv[1]) : std::nullopt;
    FUZZ_CHECK(plan.has_value() == pid.has_value(), "a plan without a process id, or none with one");
    if (plan) {
        FUZZ_CHECK(plan->processId == static_cast<std::uint32_t>(*pid), "process id of the plan");
        FUZZ_CHECK(plan->restart == (argv.size() > 2 && argv[2] != L"null" ? argv[2] : L""), "restart of the plan");
        FUZZ_CHECK(plan->components.size() == (argv.size() > 3 ? argv.size() - 3 : 0), "components of the plan");
        for (size_t i = 0; i < plan->components.size(); ++i)
            FUZZ_CHECK(plan->components[i] == argv[i + 3], "component out of place");
    }
    if (size >= 4) {
        std::int32_t v;
        std::memcpy(&v, data, 4);
        const auto back = upd::parseProcessId(std::to_wstring(v));
        FUZZ_CHECK(back && *back == v, "process id does not read back: " + std::to_string(v));
        FUZZ_CHECK(!upd::parseProcessId(std::to_wstring(std::int64_t{v} + (v < 0 ? -(std::int64_t{1} << 32) : std::int64_t{1} << 32))),
                   "a process id beyond 32 bits reads");
    }

    for (const auto& a : argv) {
        switch (upd::classify(a)) {
        case upd::ComponentKind::replacement: {
            const std::wstring target = upd::replacementTarget(a);
            FUZZ_CHECK(target.size() + 4 == a.size() && sameNoCase(a.substr(target.size()), L"_NEW")
                           && a.compare(0, target.size(), target) == 0,
                       "replacement target of " + shown(a));
            break;
        }
        case upd::ComponentKind::patch: {
            const std::wstring target = upd::patchTarget(a);
            FUZZ_CHECK(target.ends_with(L".EXE") && a.compare(0, target.size() - 4, target, 0, target.size() - 4) == 0
                           && sameNoCase(a.substr(target.size() - 4), L".PAT"),
                       "patch target of " + shown(a));
            break;
        }
        case upd::ComponentKind::cabinet:
            FUZZ_CHECK(a.size() >= 4 && sameNoCase(a.substr(a.size() - 4), L".CAB"), "cabinet " + shown(a));
            break;
        case upd::ComponentKind::compressed: {
            // "_NEW" at the end makes a replacement only where it occurs nowhere earlier.
            bool earlier = false;
            for (size_t i = 0; i + 4 < a.size(); ++i)
                earlier = earlier || sameNoCase(a.substr(i, 4), L"_NEW");
            FUZZ_CHECK(!(a.size() >= 4 && sameNoCase(a.substr(a.size() - 4), L"_NEW")) || earlier,
                       "a replacement taken as compressed: " + shown(a));
            FUZZ_CHECK(!(a.size() >= 4 && (sameNoCase(a.substr(a.size() - 4), L".PAT") || sameNoCase(a.substr(a.size() - 4), L".CAB"))),
                       "a patch or cabinet taken as compressed: " + shown(a));
            break;
        }
        }
    }
    return 0;
}
