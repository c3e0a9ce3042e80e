// The updater's command-line splitting, argument checks and component kinds.
#include "webupdate/upd/core/updater_args.h"

#include <limits>

namespace upd {

namespace {

bool blank(wchar_t c) { return c == L' ' || c == L'\t'; }

wchar_t upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - 32) : c; }

bool equalNoCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

std::wstring_view extension(std::wstring_view path)
{
    const std::size_t dot = path.rfind(L'.');
    return dot == std::wstring_view::npos ? std::wstring_view{} : path.substr(dot);
}

} // namespace

std::vector<std::wstring> splitCommandLine(std::wstring_view line)
{
    std::vector<std::wstring> args;
    std::size_t i = 0;
    // The program name: quoted up to the next quote, or up to the first blank.
    std::wstring prog;
    if (i < line.size() && line[i] == L'"') {
        ++i;
        while (i < line.size() && line[i] != L'"')
            prog += line[i++];
        if (i < line.size())
            ++i;
    } else {
        while (i < line.size() && !blank(line[i]))
            prog += line[i++];
    }
    args.push_back(prog);
    while (true) {
        while (i < line.size() && blank(line[i]))
            ++i;
        if (i >= line.size())
            break;
        std::wstring arg;
        bool quoted = false;
        while (i < line.size() && (quoted || !blank(line[i]))) {
            std::size_t slashes = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++slashes;
                ++i;
            }
            if (i < line.size() && line[i] == L'"') {
                arg.append(slashes / 2, L'\\');
                if (slashes % 2 == 1) {
                    arg += L'"';
                    ++i;
                } else if (quoted && i + 1 < line.size() && line[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg.append(slashes, L'\\');
                if (i < line.size() && (quoted || !blank(line[i])))
                    arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

std::wstring quoteArgument(std::wstring_view arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring_view::npos)
        return std::wstring(arg);
    std::wstring out = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        out += c;
    }
    out.append(2 * slashes, L'\\');
    return out + L"\"";
}

std::vector<std::wstring> componentList(std::wstring_view appcomps)
{
    std::vector<std::wstring> out;
    std::wstring name;
    bool quoted = false;
    for (std::size_t i = 0; i <= appcomps.size(); ++i) {
        const wchar_t c = i < appcomps.size() ? appcomps[i] : L' ';
        if (c == L'"') {
            quoted = !quoted;
        } else if ((blank(c) || c == L',' || c == L';') && !quoted) {
            if (!name.empty())
                out.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    return out;
}

std::optional<std::int32_t> parseProcessId(std::wstring_view text)
{
    bool negative = false;
    if (!text.empty() && (text[0] == L'-' || text[0] == L'+')) {
        negative = text[0] == L'-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            return std::nullopt;
        value = value * 10 + (c - L'0');
        if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

ComponentKind classify(std::wstring_view path)
{
    std::wstring up(path);
    for (wchar_t& c : up)
        c = upper(c);
    const std::size_t first = up.find(L"_NEW");
    if (up.size() >= 4 && first == up.size() - 4)
        return ComponentKind::replacement;
    if (equalNoCase(extension(path), L".PAT"))
        return ComponentKind::patch;
    if (equalNoCase(extension(path), L".CAB"))
        return ComponentKind::cabinet;
    return ComponentKind::compressed;
}

std::wstring replacementTarget(std::wstring_view path)
{
    return std::wstring(path.substr(0, path.size() >= 4 ? path.size() - 4 : 0));
}

std::wstring patchTarget(std::wstring_view path)
{
    return std::wstring(path.substr(0, path.size() - extension(path).size())) + L".EXE";
}

std::optional<Plan> makePlan(const std::vector<std::wstring>& argv)
{
    if (argv.size() < 2)
        return std::nullopt;
    const auto pid = parseProcessId(argv[1]);
    if (!pid)
        return std::nullopt;
    Plan plan;
    plan.processId = static_cast<std::uint32_t>(*pid);
    if (argv.size() > 2 && argv[2] != L"null")
        plan.restart = argv[2];
    for (std::size_t i = 3; i < argv.size(); ++i)
        plan.components.push_back(argv[i]);
    return plan;
}

} // namespace upd
