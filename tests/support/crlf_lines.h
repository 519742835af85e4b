// Splitting the tool's CR LF texts into lines, for tests that check them line by line.
#pragma once

#include <string>
#include <vector>

namespace quillet::testing_support {

// Splits at CR LF; a lone CR or LF stays inside its line, where a test sees it.
inline std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const auto pos = text.find("\r\n", start);
    if (pos == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, pos - start));
    start = pos + 2;
  }
}

}  // namespace quillet::testing_support
