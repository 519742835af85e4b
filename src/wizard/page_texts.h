// The fixed texts of the wizard's pages: the guidance boxes of Steps 1 to 4 and
// the about page's version line and licence agreement. Plain text without Qt, so
// it can be checked without a window. Lines are joined with CR LF.
#pragma once

#include <string>

namespace quillet {

// The guidance text of each step: its lines joined with CR LF, with no line
// break after the last line.
std::string GetStep1Text();
std::string GetStep2Text();
std::string GetStep3Text();
std::string GetStep4Text();

// The licence agreement: every one of its 110 lines preceded by CR LF, so the
// text starts with a line break and has none at its end.
std::string BuildLicenseText();

// "Version: " and the program's major.minor.revision in plain decimal.
std::string VersionCaption();

}  // namespace quillet
