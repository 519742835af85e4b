// A unified diff of two versions of a text file, line by line, that `patch`
// applies byte for byte: every line keeps its own line end (CR LF, LF, a lone
// CR inside a line), and a last line without one is marked as diff marks it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillet::cli {

// The lines of text, each with its line end: a line ends after "\n", so a CR
// before it belongs to the line. The last line may have no line end.
std::vector<std::string_view> SplitLinesKeepingEnds(std::string_view text);

// The unified diff that turns `before` into `after`, with `context` unchanged
// lines around each change, headed "--- label" and "+++ label"; empty when
// the texts are equal. The header and hunk lines end in "\n"; the file's lines
// are written with their own line ends.
std::string UnifiedDiff(std::string_view before, std::string_view after, const std::string& label,
                        int context = 3);

}  // namespace quillet::cli
