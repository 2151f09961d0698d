// Desktop entries (.desktop files) start the application they describe,
// the way the desktop's menu does, instead of being opened as a document.
#pragma once

#include <string>

namespace sorvel {

// True when the name ends in ".desktop".
bool isDesktopEntry(const std::string& path);

// What a desktop entry describes: an application, a link (its URL= in
// *url), another kind (a folder entry, no Type=), or nothing at all (not a
// key file with a [Desktop Entry] group).
enum class DesktopEntryType { Application, Link, Other, Invalid };
DesktopEntryType desktopEntryType(const std::string& path, std::string* url = nullptr);

// Starts the entry's application through GIO: its Exec line with the field
// codes expanded (no files are handed over), Path= as the working folder,
// Terminal= honoured. The application is not our child, so nothing is left
// to reap, and the call does not wait for it. False, with the reason in
// *error, when the file is no launchable entry or the start failed.
bool launchDesktopEntry(const std::string& path, std::string* error = nullptr);

}  // namespace sorvel
