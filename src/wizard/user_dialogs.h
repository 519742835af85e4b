// The one seam through which the window reaches the person: the file-open
// dialog, the Yes/No warning, the Yes/No question and the OK-only message box.
// Each window wraps its toolkit's own (QFileDialog and QMessageBox in Qt);
// tests hand in a scripted one that records what was asked and answers as told.
#pragma once

#include <optional>
#include <string>

namespace quillet {

struct OpenFileRequest {
  std::string file_name;  // preset file name
  std::string filter;     // "Description|pattern|Description|pattern"
  std::string title;
  // Set only when the row remembers a folder; otherwise the dialog opens where
  // its previous use left it.
  std::optional<std::string> initial_directory;
};

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // Shows the modal file-open dialog. Returns the chosen path with the
  // platform's native separators (the name may be of a file that does not
  // exist), or nothing when the user cancelled.
  virtual std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) = 0;

  // Shows a Yes/No box with the warning icon and No as the default button.
  // True when the user answered Yes.
  virtual bool AskYesNoWarning(const std::string& title, const std::string& text) = 0;

  // Shows a Yes/No box with the question icon, captioned `caption`; Yes is the
  // default button when `yes_is_default`. True when the user answered Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text,
                        bool yes_is_default) = 0;

  // Shows a message box with an OK button only.
  virtual void ShowMessage(const std::string& caption, const std::string& text) = 0;
};

}  // namespace quillet
