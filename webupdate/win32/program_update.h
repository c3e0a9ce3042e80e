// The program's own configuration of its web update client (the editor's WebUpdate1).
#pragma once

#include "webupdate/win32/web_update.h"

namespace wu {

// The control file on the program's update server, "/update/slovolovka.INF".
std::string programUpdateUrl();

// HTTP, dial-up prompt when offline, no download questions, remembered values under
// HKEY_CURRENT_USER\slovolovka\slovolovka, patches on, cabinets off, byte checksums.
void configureProgramUpdate(TWebUpdate& update);

} // namespace wu
