// Where the settings file Davure.ini lives on Windows: beside the program, as
// it always has; where that folder cannot be written (a copy under Program
// Files, a read-only share), in the user's application-data folder instead.
#pragma once

#include <string>

namespace quillet::win32 {

// The user's own folder for the settings: %APPDATA%\Quillet (not created
// here); empty when the system names no application-data folder.
std::string UserSettingsFolder();

// The folder whose Davure.ini the program reads and writes: the user's folder
// when the file exists there (it was put there before, so it is read first);
// otherwise the program's folder when the file there can be written (or made);
// otherwise the user's folder, created when missing. An empty user folder
// leaves the program's folder.
std::string SettingsFolder(const std::string& program_folder, const std::string& user_folder);

}  // namespace quillet::win32
