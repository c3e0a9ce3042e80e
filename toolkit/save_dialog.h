// The standard file-save dialog: title, proposed name, "description|pattern" filter, initial
// folder; no overwrite prompt and no default extension.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace tk {

struct SaveDialog {
    std::string Title;
    std::string FileName;
    std::string Filter;
    // Empty: the user's documents folder ("My Documents").
    std::string InitialDir;

    // The chosen path (cp1251), or nothing when the player cancels.
    std::optional<std::string> Execute(HWND owner) const;
};

// The user's documents folder.
std::string myDocuments();

} // namespace tk
