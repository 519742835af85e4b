// An error as the window reports it to the user: a description and a number,
// shown in an OK-only box as the description, one space and the number in
// decimal. The "Browse" handlers use it for anything that goes wrong between
// showing the file dialog and updating the page.
#pragma once

#include <exception>
#include <string>

namespace quillet {

// Numbers given to errors that carry no system error code of their own, as
// the numbers of the matching run-time errors.
inline constexpr int kUnexpectedErrorNumber = 5;   // "Invalid procedure call or argument"
inline constexpr int kOutOfMemoryErrorNumber = 7;  // "Out of memory"

struct ErrorReport {
  std::string description;
  int number = 0;
};

// The description and number of a caught exception: a std::system_error (and
// so a filesystem error) carries the OS's description and its own code; running
// out of memory is "Out of memory", 7; any other std::exception keeps its text
// with number 5; anything else is "Unexpected error", 5.
ErrorReport ReportOf(const std::exception_ptr& error);

// The text of the error box: the description, one space, the number in decimal.
std::string ErrorBoxText(const ErrorReport& error);

}  // namespace quillet
