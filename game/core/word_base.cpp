// Word base lists and the operations that move them to and from the data directory.
#include "game/core/word_base.h"

#include "common/error.h"
#include "game/core/grid_file.h"

namespace slovo {

BasePaths BasePaths::fixedWindows()
{
    // The directory is tested and created in lower case, the files are named with a capital
    // drive letter; both are the same place.
    BasePaths p = under("C:\\Windows\\data", '\\');
    p.directory = "c:\\Windows\\data";
    return p;
}

BasePaths BasePaths::under(const std::string& directory, char separator)
{
    const std::string prefix = directory + separator;
    return BasePaths{directory,         prefix + "stwords.txt", prefix + "sthints.txt",
                     prefix + "words.txt", prefix + "hints.txt", prefix + "slovolovka.txt"};
}

WordBase::WordBase()
{
    const auto& entries = builtinBase();
    List4.reserve(entries.size());
    List3.reserve(entries.size());
    for (const auto& e : entries) {
        List4.emplace_back(e.word);
        List3.emplace_back(e.hint);
    }
    List2 = List4;
    List1 = List3;
}

void WordBase::refill()
{
    List2 = List4;
    List1 = List3;
}

StringList readWordFile(FileSystem& fs, const std::string& path)
{
    return parseLines(fs.readFile(path));
}

void writeWordFile(FileSystem& fs, const std::string& path, const StringList& lines)
{
    fs.writeFile(path, formatLines(lines));
}

bool prepareStartup(FileSystem& fs, WordBase& base, const BasePaths& paths)
{
    if (!fs.directoryExists(paths.directory) && !fs.createDirectory(paths.directory))
        throw Error("Невозможно создать директорию!");
    if (!fs.fileExists(paths.stwords)) {
        writeWordFile(fs, paths.stwords, base.List4);
        writeWordFile(fs, paths.sthints, base.List3);
    }
    if (fs.fileExists(paths.stwords)) {
        base.List4 = readWordFile(fs, paths.stwords);
        base.List3 = readWordFile(fs, paths.sthints);
        base.List2 = readWordFile(fs, paths.stwords);
        base.List1 = readWordFile(fs, paths.sthints);
    }
    return fs.fileExists(paths.words);
}

void loadForBaseChoice(FileSystem& fs, WordBase& base, const std::string& words, const std::string& hints)
{
    base.List1 = readWordFile(fs, hints);
    base.List2 = readWordFile(fs, words);
    base.List3 = readWordFile(fs, hints);
    base.List4 = readWordFile(fs, words);
}

void loadForBaseMenu(FileSystem& fs, WordBase& base, const std::string& words, const std::string& hints)
{
    base.List4.clear();
    base.List3.clear();
    base.List2.clear();
    base.List1.clear();
    base.List4 = readWordFile(fs, words);
    base.List3 = readWordFile(fs, hints);
    base.List2 = readWordFile(fs, words);
    base.List1 = readWordFile(fs, hints);
}

void loadForEditor(FileSystem& fs, WordBase& base, const std::string& words, const std::string& hints)
{
    base.List4.clear();
    base.List3.clear();
    base.List2.clear();
    base.List1.clear();
    base.List4 = readWordFile(fs, words);
    base.List3 = readWordFile(fs, hints);
    base.List2 = base.List4;
    base.List1 = base.List3;
}

void saveBase(FileSystem& fs, WordBase& base, const BasePaths& paths, StringList words, StringList hints)
{
    base.List4 = std::move(words);
    base.List3 = std::move(hints);
    base.refill();
    const bool updated = base.BaseKind == 1;
    writeWordFile(fs, updated ? paths.words : paths.stwords, base.List4);
    writeWordFile(fs, updated ? paths.hints : paths.sthints, base.List3);
}

void importUpdate(FileSystem& fs, WordBase& base, const BasePaths& paths)
{
    GridFile grid = parseGridFile(fs.readFile(paths.download), paths.download);
    base.List4 = std::move(grid.words);
    base.List3 = std::move(grid.hints);
    base.refill();
    writeWordFile(fs, paths.words, base.List4);
    writeWordFile(fs, paths.hints, base.List3);
    base.BaseKind = 1;
}

} // namespace slovo
