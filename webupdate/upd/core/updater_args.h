// The updater's rules: its command line and what each component file is, free of the platform.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace upd {

// Splits a whole command line by the platform's rules: blanks separate, double quotes group and
// are removed, 2n backslashes before a quote give n and the quote acts, 2n+1 give n and a literal
// quote, "" inside quotes is one literal quote. The program name (first) takes no escapes.
std::vector<std::wstring> splitCommandLine(std::wstring_view line);

// An argument written so that the platform's splitting gives it back whole.
std::wstring quoteArgument(std::wstring_view arg);

// The component files of a control file's "appcomps": separated by blanks, "," or ";", double
// quotes grouping a name with blanks. The client matches downloads against these names and hands
// each to the updater as an argument of its own, so both sides see the same files.
std::vector<std::wstring> componentList(std::wstring_view appcomps);

// Argument 1: a decimal 32-bit integer with an optional sign; anything else is none.
std::optional<std::int32_t> parseProcessId(std::wstring_view text);

enum class ComponentKind { replacement, patch, cabinet, compressed };
ComponentKind classify(std::wstring_view path);

// The file a replacement replaces (the name without "_NEW"), and the program a patch applies to.
std::wstring replacementTarget(std::wstring_view path);
std::wstring patchTarget(std::wstring_view path);

struct Plan {
    std::uint32_t processId = 0;
    std::wstring restart; // empty: nothing to start
    std::vector<std::wstring> components;
};
// Nothing at all to do when argument 1 is missing or not a number.
std::optional<Plan> makePlan(const std::vector<std::wstring>& argv);

} // namespace upd
