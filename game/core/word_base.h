// The word base in use (the four lists and BaseKind), its files and the operations that load,
// refill, save and import it.
#pragma once

#include "common/file_system.h"
#include "game/core/word_file.h"

#include <array>
#include <cstdint>
#include <string>

namespace slovo {

struct BuiltinEntry {
    const char* word;
    const char* hint;
};
const std::array<BuiltinEntry, 93>& builtinBase();

// Where the five base files lie. The program uses the fixed paths; tests point elsewhere.
struct BasePaths {
    std::string directory;
    std::string stwords, sthints, words, hints, download;

    static BasePaths fixedWindows(); // "c:\Windows\data"
    static BasePaths under(const std::string& directory, char separator = '/');
};

struct WordBase {
    StringList List1; // hints of the remaining words
    StringList List2; // remaining words of the current pass
    StringList List3; // all hints
    StringList List4; // all words
    int32_t BaseKind = 0; // 0 standard base, 1 updated base

    WordBase(); // holds the built-in base

    // List2 becomes a copy of List4, then List1 a copy of List3.
    void refill();
};

StringList readWordFile(FileSystem& fs, const std::string& path);
void writeWordFile(FileSystem& fs, const std::string& path, const StringList& lines);

// Start-up preparation. Returns whether the updated base (words.txt) exists, so the caller can
// close the base menu when it does not. Throws "Невозможно создать директорию!" and the file
// errors; what was done before an error stays done.
bool prepareStartup(FileSystem& fs, WordBase& base, const BasePaths& paths);

// The three ways of loading a base; they differ only in what a failed read leaves behind.
void loadForBaseChoice(FileSystem& fs, WordBase& base, const std::string& words, const std::string& hints);
void loadForBaseMenu(FileSystem& fs, WordBase& base, const std::string& words, const std::string& hints);
void loadForEditor(FileSystem& fs, WordBase& base, const std::string& words, const std::string& hints);

// The editor's save: the table's columns become the base and are written to the pair of files
// that BaseKind names.
void saveBase(FileSystem& fs, WordBase& base, const BasePaths& paths, StringList words, StringList hints);

// The update import: slovolovka.txt becomes the updated base and is written to words.txt and
// hints.txt; BaseKind becomes 1.
void importUpdate(FileSystem& fs, WordBase& base, const BasePaths& paths);

} // namespace slovo
