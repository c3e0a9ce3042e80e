// What a control file may do depending on how it arrived, and which downloaded names are safe.
#pragma once

#include <string>
#include <string_view>

namespace wu {

// A control file over HTTPS (certificate checked) or from a local file is trusted; one over plain
// HTTP or FTP may have been forged on the way and is held to the safe subset.
enum class Channel { trusted, plain };

enum class Transport { ftp, http, file };
Channel channelOf(Transport transport, std::string_view controlUrl);

// The actions a plain control file may not take: each is skipped with its own status.
enum class Action {
    htmlDialog,   // "htmldlg"
    runBefore,    // "runbefore"
    runAfter,     // "runafter"
    whatsNew,     // "whatsnew" file
    redirect,     // "updateURL"
    showUrl,      // "showURL"
    appUpdate,    // "appupdate" with its component files and the restart
    cabinet,      // unpacking a downloaded cabinet
    patch,        // applying a downloaded patch through the patch tool
};
bool allowed(Action action, Channel channel);
// The status text of a skipped action, in the style of the other statuses.
std::string refusedText(Action action);

// True when `dir` is `base` or lies beneath it: case-insensitive, "/" read as "\", repeated
// backslashes folded; a path with "..", ".", a stream colon, trailing dots or blanks in a
// component, or a device or UNC prefix never counts as inside.
bool insideDirectory(std::string_view dir, std::string_view base);

// The URL's last path part, the name a download gets in its directory.
std::string lastPathPart(std::string_view url);

// A name that stays in its directory: not empty, no "\", "/", ":", no "..", no control or
// wildcard characters, no trailing dot or blank, not a device name (CON, NUL, COM1, ...).
bool safeFileName(std::string_view name);

} // namespace wu
