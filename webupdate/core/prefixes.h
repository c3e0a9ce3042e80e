// Prefix conversion of control-file paths: {WIN}, {APP}, {TMP} and {PF} become directories.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace wu {

// Gives the directory of an upper-cased prefix name, or none when the name is not known.
using PrefixLookup = std::function<std::optional<std::string>(const std::string& upperName)>;

// A directory as it replaces its prefix: no trailing backslash, but a bare drive root keeps its
// backslash and gains a full stop ("C:\" -> "C:\."), so "{WIN}\data" stays on the root.
std::string prefixDirectory(std::string directory);

// Scans from the left for "{" and the next "}"; a known name is replaced with its braces and the
// scan resumes at the start of the inserted text, an unknown one is left in place. Replacements
// stop after a bound, so a directory whose own name holds a prefix cannot loop for ever.
std::string convertPrefixes(std::string text, const PrefixLookup& lookup);

} // namespace wu
