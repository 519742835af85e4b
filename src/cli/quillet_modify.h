// quillet-modify: the Step 4 modification of an eVB distribution package from
// the command line, over the same core as the windows.
#pragma once

#include <string>
#include <vector>

#include "cli/console.h"
#include "status/status_log.h"

namespace quillet::cli {

inline constexpr int kExitSuccess = 0;  // every row succeeded (or help, version, source)
inline constexpr int kExitFailed = 1;   // a row failed, or the run stopped half-way
inline constexpr int kExitRefused = 2;  // nothing was changed: usage, checks, warning

// Runs the program with the arguments after its name, writing to the
// console's streams; returns the exit status. Never throws.
int RunQuilletModify(const std::vector<std::string>& arguments, Console& console);

// Writes one row as its line: the status word and the action (bold, in the
// status colour where the stream shows colours), then value 1, value 2 and the
// message when there is one, all separated by tabs.
void WriteRowLine(OutputStream& out, const StatusRow& row);

}  // namespace quillet::cli
