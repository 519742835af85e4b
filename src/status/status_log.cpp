#include "status/status_log.h"

namespace quillet {

std::uint32_t StatusColour(int status) {
  switch (status) {
    case kStatusSuccess:
      return kColourGreen;
    case kStatusFailure:
      return kColourRed;
    case kStatusInformation:
      return kColourBlue;
    default:
      return kColourBlack;
  }
}

void StatusLog::LogAction(const std::string& action, const std::string& value1,
                          const std::string& value2, int status, const std::string& message) {
  // The image follows the status, so that a failed action shows the X the
  // guidance text promises and a successful one a check mark.
  const bool check_mark = status == kStatusSuccess || status == kStatusInformation;
  AddStatusRow(action, value1, value2, StatusColour(status), message, check_mark);
}

void StatusLog::AddStatusRow(const std::string& action, const std::string& value1,
                             const std::string& value2, std::uint32_t colour,
                             const std::string& message, bool check_mark) {
  rows_.push_back(StatusRow{action, value1, value2, colour, message, check_mark, true});
  if (listener_) listener_(static_cast<int>(rows_.size()) - 1);
}

void StatusLog::Clear() {
  rows_.clear();
  if (listener_) listener_(-1);
}

}  // namespace quillet
