// The status log: one row per action outcome of a modification run, shown by
// the window's status list. Qt-free, so the actions and their tests need no
// window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillet {

// Status codes of a row.
inline constexpr int kStatusSuccess = 1;      // green
inline constexpr int kStatusFailure = 2;      // red
inline constexpr int kStatusInformation = 3;  // blue: the command row

// Windows colour values (0x00BBGGRR).
inline constexpr std::uint32_t kColourGreen = 0x00FF00;
inline constexpr std::uint32_t kColourRed = 0x0000FF;
inline constexpr std::uint32_t kColourBlue = 0xFF0000;
inline constexpr std::uint32_t kColourBlack = 0x000000;

// The text colour of a status: 1 green, 2 red, 3 blue, anything else black.
std::uint32_t StatusColour(int status);

struct StatusRow {
  std::string action;  // main text, bold, in `colour`
  std::string value1;  // first sub-item; also its tool tip
  std::string value2;  // second sub-item; also its tool tip
  std::uint32_t colour = kColourBlack;
  std::string message;      // tool tip of the main text; empty for a success
  bool check_mark = false;  // image: check mark when true, X when false
  bool checked = true;
};

class StatusLog {
 public:
  // Called after every change: a row appended (with its index) or the list cleared (-1).
  using Listener = std::function<void(int appended_row)>;

  // Appends a row whose colour follows the status and whose image is the check
  // mark for a success or information row and the X otherwise.
  void LogAction(const std::string& action, const std::string& value1, const std::string& value2,
                 int status, const std::string& message);

  // Appends a row as given.
  void AddStatusRow(const std::string& action, const std::string& value1, const std::string& value2,
                    std::uint32_t colour, const std::string& message, bool check_mark);

  // Removes every row.
  void Clear();

  const std::vector<StatusRow>& Rows() const { return rows_; }
  void SetListener(Listener listener) { listener_ = std::move(listener); }

 private:
  std::vector<StatusRow> rows_;
  Listener listener_;
};

}  // namespace quillet
