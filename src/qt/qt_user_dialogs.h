// The real dialogs behind UserDialogs: QFileDialog for the file-open dialog and
// QMessageBox for the warning and the OK-only box, all modal over the main window.
#pragma once

#include <QString>

#include "wizard/user_dialogs.h"

class QWidget;

namespace quillet {

class QtUserDialogs : public UserDialogs {
 public:
  explicit QtUserDialogs(QWidget* parent = nullptr) : parent_(parent) {}

  // The parent of every dialog; the main window sets itself once it exists.
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override;
  bool AskYesNoWarning(const std::string& title, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text, bool yes_is_default) override;
  void ShowMessage(const std::string& caption, const std::string& text) override;

 private:
  QWidget* parent_;
  // Where the previous file dialog ended, so that a request without an initial
  // folder opens there again, as the common dialog does.
  QString last_directory_;
};

// Turns a "Description|pattern|Description|pattern" filter into Qt's
// "Description (pattern);;Description (pattern)" form. A description that
// already names its pattern in parentheses is kept as it stands.
QString ToQtNameFilters(const std::string& filter);

// The text of a message box: CR LF line breaks become the "\n" Qt lays out.
QString ToDialogText(const std::string& text);

}  // namespace quillet
