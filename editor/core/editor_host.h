// What the editor needs of the window that hosts it: the word lists and BaseKind, the base files,
// the host's activation and start-up routines, its host panel and the downloaded base file.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace slovo {

// A cell of the downloaded base file other than a word or a hint.
struct DownloadedCell {
    int column = 0, row = 0;
    std::string text;
};

// The downloaded base file as its reader gives it: the table's counts (header row and number
// column included), the column widths it names, the word and hint columns of the data rows, and
// its other cells, each in file order.
struct DownloadedBase {
    int columns = 0, rows = 0;
    std::vector<std::pair<int, int>> widths; // column, width in pixels
    std::vector<std::string> words, hints;
    std::vector<DownloadedCell> cells;
};

class EditorHost {
public:
    virtual ~EditorHost() = default;

    virtual const std::vector<std::string>& words() const = 0; // List4
    virtual const std::vector<std::string>& hints() const = 0; // List3
    virtual int baseKind() const = 0;
    virtual void setBaseKind(int kind) = 0;
    // Whether the updated base's words file exists.
    virtual bool updatedBaseExists() = 0;

    // List3, List4, List1 and List2 cleared; the columns become List4 and List3, List1 and List2
    // their copies.
    virtual void takeTable(std::vector<std::string> words, std::vector<std::string> hints) = 0;
    // List4 to the words file, then List3 to the hints file of the pair of `kind` (0 standard,
    // 1 updated). Throws the file error; the hints file is not written after a failed words file.
    virtual void writeBase(int kind) = 0;
    // The lists cleared, then the pair of `kind` read into List4 and List3, List2 and List1 their
    // copies. Throws the file error; what was read before it stays.
    virtual void loadBase(int kind) = 0;

    virtual bool downloadExists() = 0;
    virtual void deleteDownload() = 0;
    // Throws the reader's error: "Cannot open file " or "File contains no data or corrupt file "
    // followed by the path.
    virtual DownloadedBase readDownload() = 0;
    // The updated base became the base in use: "База" enabled, BaseKind 1, updateb disabled and
    // standart enabled.
    virtual void updatedBaseTaken() = 0;

    virtual void formActivate() = 0; // starts a new puzzle from the lists
    virtual void formCreate() = 0;   // prepares and reloads the standard base
    virtual void hideEditor() = 0;   // hides the host panel
    // Lets the editor at that address go; called once its own handler has returned.
    virtual void destroyEditor(const void* editor) = 0;
    virtual void terminate() = 0;
};

} // namespace slovo
