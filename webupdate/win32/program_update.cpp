// The values this program gives its web update client.
#include "webupdate/win32/program_update.h"

namespace wu {

std::string programUpdateUrl()
{
    std::string host = SLOVO_UPDATE_HOST;
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    return host + "/update/slovolovka.INF";
}

void configureProgramUpdate(TWebUpdate& update)
{
    update.URL = programUpdateUrl();
    update.UpdateType = TUpdateType::httpUpdate;
    update.UpdateConnect = TUpdateConnect::wucConnectPrompt;
    update.UpdateUpdate = TUpdateUpdate::wuuSilent;
    update.DateFormat = "dd/mm/yyyy";
    update.DateSeparator = '/';
    update.TimeFormat = "hh:nn";
    update.TimeSeparator = ':';
    update.LastURLEntry = TLastURLEntry{true, "slovolovka", "slovolovka"};
    update.ApplyPatch = true;
    update.ExtractCAB = false;
    update.UseCRC32 = false;
    update.SignatureCheck = false;
    update.Signature = "WebUpdate";
    update.PostUpdateInfo.Enabled = false;
    update.Port = 21;
    update.FTPPassive = false;
}

} // namespace wu
