// The file actions of a modification run: moving the rebuilt CAB files into the
// package's CD1 folder, copying each processor's launcher into its processor
// folder, and deleting the launcher's generic copy from the APP folder. Each
// logs its own rows; no failure stops an action or the run.
#pragma once

#include <string>

#include "status/status_log.h"
#include "util/tool_state.h"

namespace quillet {

inline constexpr const char* kMoveCabAction = "Move CAB";
inline constexpr const char* kCopyExeAction = "Copy EXE";
inline constexpr const char* kDeleteAction = "Delete";
inline constexpr const char* kDiskFolderName = "CD1";
inline constexpr const char* kAppFolderName = "APP";

// The one name under which the launcher is stored in the package and named in
// the INF: file name and extension of the launcher of the first present
// processor slot (base name + "." + extension). Empty when no slot is present.
std::string GetWrapperFileName(const ToolState& state);

// Moves, for each present slot in ascending order, D + B + "." + P + ".CAB" into
// D + "CD1" + separator, replacing a file of that name there, and logs one "Move
// CAB" row (source, destination). The source is deleted only after a good copy
// that is on the disk. A destination that is the source itself under another
// name (a link) is left alone with a red row that says so. A destination that
// is a symbolic link is followed: the file it points to is replaced.
void MoveCabFiles(const ToolState& state, const std::string& inf_path, StatusLog& log);

// Copies, for each present slot in ascending order, the slot's launcher to
// D + P + separator + GetWrapperFileName(), replacing a file of that name unless
// it is read-only, and logs one "Copy EXE" row (launcher, processor folder). A
// destination that is the launcher itself is left alone with a red row; a
// destination link is followed, as for "Move CAB".
void CopyWrapperExes(const ToolState& state, const std::string& inf_path, StatusLog& log);

// Deletes D + "APP" + separator + GetWrapperFileName() when it is a regular file
// that is not read-only, and logs one "Delete" row (file name, APP folder). A
// symbolic link there is deleted as a link, never what it points to, and the
// green row's message says so.
void DeleteAppFile(const ToolState& state, const std::string& inf_path, StatusLog& log);

}  // namespace quillet
