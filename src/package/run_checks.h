// The checks a modification run makes before its first change, and the texts
// that tell the user what to fix. A run that cannot succeed changes nothing.
#pragma once

#include <string>

#include "util/tool_state.h"

namespace quillet {

// Why the run cannot do any good on this package, as the text shown to the
// user in an OK-only box: the INF cannot be read or cannot be rewritten, no
// processor is present, a present processor has no launcher or one that cannot
// be read, readme.txt is missing, unreadable or holds no command, or a folder
// or file that the run writes, replaces or deletes cannot be written. The first
// problem found, in that order; empty when the run can start. Changes nothing.
std::string WhyRunCannotStart(const ToolState& state, const std::string& inf_path);

// The texts of the refusals; `reason` is the OS's own. Folders end in the
// platform's separator.
std::string InfCannotBeReadText(const std::string& inf_path, const std::string& reason);
std::string InfCannotBeChangedText(const std::string& inf_path, const std::string& reason);
std::string ReadmeCannotBeReadText(const std::string& readme_path, const std::string& reason);
std::string ReadmeHoldsNoCommandText(const std::string& readme_path);
std::string LauncherCannotBeReadText(const std::string& family, const std::string& launcher_path,
                                     const std::string& processor, const std::string& reason);
std::string DiskFolderCannotBeWrittenText(const std::string& folder, const std::string& reason);
std::string ProcessorFolderCannotBeWrittenText(const std::string& folder,
                                               const std::string& processor,
                                               const std::string& reason);
// `what_the_run_does`: "replaces", "deletes", "moves into CD1".
std::string FileCannotBeChangedText(const std::string& path, const std::string& what_the_run_does,
                                    const std::string& reason);

// The OS's reason without a final point (Windows ends its texts with one), so
// that it can stand inside a sentence.
std::string ReasonInSentence(const std::string& reason);

}  // namespace quillet
