#pragma once

#include <string>

// Names derived from the program file's path: the application name (settings file, language
// module) and the privileged-mode marker beside it.

// The file name without its extension: /opt/q3/bin/q3config -> "q3config".
std::string ApplicationName(const std::string& programPath);
// The directory of the program file, without the trailing "/".
std::string ProgramDirectory(const std::string& programPath);
// The language module beside the program: <directory>/<application name><suffix>.
std::string LanguageModulePath(const std::string& programPath, const std::string& suffix);
// The program's path with ".adm" in place of its extension, or appended when the file name has
// none. Only the file name's own dot counts (a dot in a directory name or a leading dot of
// a hidden file is no extension).
std::string PrivilegeMarkerPath(const std::string& programPath);
// Whether the marker file exists.
bool PrivilegeMarkerPresent(const std::string& programPath);
