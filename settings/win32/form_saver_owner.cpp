// Window placement and platform facts for the settings.
#include "settings/win32/form_saver_owner.h"

#include "toolkit/application.h"
#include "common/win32/text.h"

#include <shlobj.h>

namespace rs {

bool FormSaverOwner::windowExists() const
{
    return form_.handle() && IsWindow(form_.handle());
}

std::function<void()>* FormSaverOwner::eventSlot(OwnerEvent event)
{
    switch (event) {
    case OwnerEvent::Activate: return &form_.onActivate;
    case OwnerEvent::Show: return &form_.onShow;
    case OwnerEvent::Close: return &form_.onClose;
    case OwnerEvent::Destroy: return &form_.onDestroy;
    default: return nullptr;
    }
}

WindowPlacementRecord FormSaverOwner::getPlacement()
{
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(form_.handle(), &wp);
    return {static_cast<int32_t>(wp.flags), static_cast<int32_t>(wp.showCmd), wp.ptMinPosition.x, wp.ptMinPosition.y,
            wp.ptMaxPosition.x, wp.ptMaxPosition.y, wp.rcNormalPosition.left, wp.rcNormalPosition.top,
            wp.rcNormalPosition.right, wp.rcNormalPosition.bottom};
}

void FormSaverOwner::setPlacement(const WindowPlacementRecord& p)
{
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    wp.flags = static_cast<UINT>(p.flags);
    wp.showCmd = static_cast<UINT>(p.showCmd);
    wp.ptMinPosition = {p.minX, p.minY};
    wp.ptMaxPosition = {p.maxX, p.maxY};
    // The form has a fixed size of its own at its DPI: a size kept from a run at another DPI
    // would cut its layout, so only the place comes back.
    RECT now{};
    GetWindowRect(form_.handle(), &now);
    wp.rcNormalPosition = {p.left, p.top, p.left + (now.right - now.left), p.top + (now.bottom - now.top)};
    SetWindowPlacement(form_.handle(), &wp);
}

bool FormSaverOwner::isVisible()
{
    return IsWindowVisible(form_.handle()) != FALSE;
}

bool FormSaverOwner::applicationIconic()
{
    tk::Application& app = tk::Application::instance();
    return app.mainWindow() == form_.handle() && IsIconic(app.handle());
}

void FormSaverOwner::setWindowState(int state)
{
    form_.setWindowState(state == 1 ? tk::wsMinimized : tk::wsNormal);
}

void FormSaverOwner::postMaximize()
{
    PostMessageW(form_.handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
}

void FormSaverOwner::updateAndRepaint()
{
    RedrawWindow(form_.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

PlatformDirs platformDirs(FileDir used)
{
    PlatformDirs dirs;
    wchar_t buffer[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, buffer, MAX_PATH))
        dirs.programPath = tk::narrow(buffer);
    if (GetWindowsDirectoryW(buffer, MAX_PATH))
        dirs.windowsDir = tk::narrow(buffer);
    if (used == FileDir::fdUserProfile && SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        dirs.appDataDir = tk::narrow(buffer);
    return dirs;
}

FormatSettings localeFormatSettings()
{
    FormatSettings fs;
    wchar_t buffer[80];
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 80) && buffer[0] && buffer[0] < 128)
        fs.decimalSeparator = static_cast<char>(buffer[0]);
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, buffer, 80))
        fs.shortDate = tk::narrow(buffer);
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, buffer, 80))
        fs.longTime = tk::narrow(buffer);
    return fs;
}

} // namespace rs
