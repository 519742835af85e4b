// The C++ source of the launcher ("eVC wrapper") that Step 2 shows for
// copying into an eMbedded Visual C++ project.
#pragma once

#include <string>

namespace quillet {

// The launcher source for an application file ("MyApp.vb") and a launcher file
// ("MyApp.exe"): 50 lines joined with CR LF, with no line end after the last
// line. The names are inserted exactly as given, without trimming or escaping.
// The launcher file name is a Windows name: only "\" separates its folders,
// whatever the platform the tool runs on.
std::string BuildStubSource(const std::string& app_file_name,
                            const std::string& launcher_file_name);

}  // namespace quillet
