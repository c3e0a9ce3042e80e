// The rules for control files that arrive over an insecure channel, and the file-name check.
#include "webupdate/core/remote_policy.h"

#include "webupdate/core/control_file.h"

#include <vector>

namespace wu {

Channel channelOf(Transport transport, std::string_view controlUrl)
{
    switch (transport) {
    case Transport::file:
        return Channel::trusted;
    case Transport::ftp:
        return Channel::plain;
    case Transport::http:
        break;
    }
    return upperCase(controlUrl.substr(0, 8)) == "HTTPS://" ? Channel::trusted : Channel::plain;
}

bool allowed(Action, Channel channel) { return channel == Channel::trusted; }

std::string refusedText(Action action)
{
    const char* what = "";
    switch (action) {
    case Action::htmlDialog: what = "HTML dialog"; break;
    case Action::runBefore: what = "run before"; break;
    case Action::runAfter: what = "run after"; break;
    case Action::whatsNew: what = "whatsnew"; break;
    case Action::redirect: what = "URL redirection"; break;
    case Action::showUrl: what = "URL show"; break;
    case Action::appUpdate: what = "application update"; break;
    case Action::cabinet: what = "CAB extraction"; break;
    case Action::patch: what = "patch"; break;
    }
    return std::string("Refused ") + what + " instruction over insecure connection";
}

namespace {

std::vector<std::string> components(std::string_view path, bool& ok)
{
    std::vector<std::string> out;
    std::string cur;
    ok = true;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            if (!cur.empty())
                out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty())
        out.push_back(cur);
    if (out.empty())
        ok = false;
    for (std::size_t i = 0; ok && i < out.size(); ++i) {
        const std::string& p = out[i];
        const bool drive = i == 0 && p.size() == 2 && p[1] == ':' &&
                           ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'));
        if (drive)
            continue;
        if (p.find(':') != std::string::npos || p.back() == '.' || p.back() == ' ' || p.find('?') != std::string::npos ||
            p.find('*') != std::string::npos)
            ok = false;
    }
    return out;
}

} // namespace

bool insideDirectory(std::string_view dir, std::string_view base)
{
    // A UNC or device path ("\\server", "\\?\", "\\.\") is never the data directory.
    if (dir.size() >= 2 && (dir[0] == '\\' || dir[0] == '/') && (dir[1] == '\\' || dir[1] == '/'))
        return false;
    bool okDir = false;
    bool okBase = false;
    const auto d = components(dir, okDir);
    const auto b = components(base, okBase);
    if (!okDir || !okBase || d.size() < b.size())
        return false;
    // Only absolute paths on a drive compare: a relative one depends on the current directory.
    if (d.front().size() != 2 || d.front()[1] != ':')
        return false;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (upperCase(d[i]) != upperCase(b[i]))
            return false;
    return true;
}

std::string lastPathPart(std::string_view url)
{
    const std::size_t slash = url.rfind('/');
    return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

bool safeFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.find("..") != std::string_view::npos)
        return false;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || std::string_view("\\/:*?\"<>|").find(ch) != std::string_view::npos)
            return false;
    }
    if (name.back() == '.' || name.back() == ' ')
        return false;
    // Devices answer to their name whatever extension follows it, and to trailing blanks.
    std::string stem = upperCase(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* dev : devices)
        if (stem == dev)
            return false;
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)) {
        const auto last = static_cast<unsigned char>(stem[3]);
        // COM0..COM9 and the superscript digits, which Windows also takes for ports.
        if ((last >= '0' && last <= '9') || last == 0xB9 || last == 0xB2 || last == 0xB3)
            return false;
    }
    return true;
}

} // namespace wu
