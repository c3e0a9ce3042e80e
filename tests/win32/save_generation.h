// What one generation of the interrupted-save test writes, and the check that a file holds one
// generation whole.
#pragma once

#include "game/core/word_file.h"
#include "settings/core/rs02_format.h"
#include "settings/core/storage.h"

#include <string>

namespace slovo::test {

inline constexpr int kGenerationLines = 150000; // about 2 MB per word file
inline constexpr int kGenerationKeys = 3000;

inline StringList generationLines(long gen, char kind)
{
    StringList lines;
    lines.reserve(kGenerationLines + 1);
    const std::string tag = std::string(1, kind) + std::to_string(gen) + " ";
    for (int i = 0; i < kGenerationLines; ++i)
        lines.push_back(tag + std::to_string(i) + " СЛОВОЛОВКА");
    lines.push_back(tag + "END");
    return lines;
}

inline void fillGeneration(rs::TrsStorage& storage, long gen)
{
    for (int i = 0; i < kGenerationKeys; ++i)
        storage.WriteString("\\Gen\\K" + std::to_string(i), std::to_string(gen));
}

// The generation a word file holds whole, or -1.
inline long wholeWordFile(const std::string& bytes, char kind)
{
    const StringList lines = parseLines(bytes);
    if (lines.empty() || lines[0].empty() || lines[0][0] != kind)
        return -1;
    const long gen = std::atol(lines[0].c_str() + 1);
    return lines == generationLines(gen, kind) && bytes == formatLines(lines) ? gen : -1;
}

// The generation a settings file holds whole, or -1.
inline long wholeSettingsFile(const std::string& bytes)
{
    const rs::Rs02Tables t = rs::readRs02(bytes);
    if (!t.complete || t.keys.size() != static_cast<size_t>(kGenerationKeys) || t.sections.size() != 1)
        return -1;
    const std::string& first = t.keys[0].value.bytes;
    for (const auto& k : t.keys)
        if (k.value.type != rs::vtString || k.value.bytes != first)
            return -1;
    return std::atol(first.c_str());
}

} // namespace slovo::test
