#pragma once

#include <string>

// The user's account as the per-user files need it: shared by the settings store and the
// device history, which both keep private files under the user's home.

// $HOME when set, else the password database's home directory, else /tmp.
std::string HomeDirectory();
// The login name (reentrant: several threads record at once), else $USER, else "".
std::string UserName();
// An XDG base directory: the variable when it holds an absolute path, else home + fallback
// (".config", ".local/share").
std::string XdgDirectory(const char* variable, const char* fallbackUnderHome);
// mkdir -p of dir, every created level private to the user. 0, or the errno of the first
// level that could not be made (its path in failed).
int MakeDirectories(const std::string& dir, std::string* failed = nullptr);
