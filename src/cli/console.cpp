#include "cli/console.h"

namespace quillet::cli {

std::string_view AnsiStyle(TextStyle style) {
  switch (style) {
    case TextStyle::kGreen:
      return "\x1b[1;32m";
    case TextStyle::kRed:
      return "\x1b[1;31m";
    case TextStyle::kBlue:
      // The bright blue: the dark one is hard to read on a black terminal.
      return "\x1b[1;94m";
    case TextStyle::kBold:
      return "\x1b[1m";
    case TextStyle::kPlain:
      break;
  }
  return "\x1b[0m";
}

}  // namespace quillet::cli
