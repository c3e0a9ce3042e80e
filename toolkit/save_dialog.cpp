// The standard file-save dialog.
#include "toolkit/save_dialog.h"

#include "common/win32/text.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace tk {

std::string myDocuments()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return narrow(path);
}

std::optional<std::string> SaveDialog::Execute(HWND owner) const
{
    // "a|b|c|d" becomes "a\0b\0c\0d\0\0".
    std::wstring filter = wide(Filter);
    for (wchar_t& ch : filter)
        if (ch == L'|')
            ch = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring proposed = wide(FileName);
    proposed.copy(file.data(), std::min(proposed.size(), file.size() - 1));
    const std::wstring title = wide(Title);
    const std::wstring initial = wide(InitialDir.empty() ? myDocuments() : InitialDir);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = initial.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&ofn))
        return std::nullopt;
    return narrow(file.data());
}

} // namespace tk
