// The Step 4 page's behaviour: the four "Browse" buttons that choose the INF
// and the launchers, the launcher rows that the INF's processors switch on and
// off, the "Make Modifications" button and the run behind it.
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <string>

#include "wizard/user_dialogs.h"
#include "package/package_inspection.h"
#include "status/status_log.h"
#include "util/tool_state.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace quillet {

// Dialog titles and filters of the four "Browse" buttons.
inline constexpr const char* kInfDialogTitle = "eVB Distribution INF file to modify";
inline constexpr const char* kInfDialogFilter = "INF Files (*.inf)|*.inf|Show All (*.*)|*.*";
inline constexpr const char* kLauncherDialogFilter = "EXE Files (*.exe)|*.exe|Show All (*.*)|*.*";
inline constexpr const char* kLauncherDialogTitles[kLauncherRowCount] = {
    "eVC Wrapper for the MIPS processor:", "eVC Wrapper for the SH3 processor:",
    "eVC Wrapper for the ARM processor:"};

// The caption of the tool's message boxes.
inline constexpr const char* kMessageCaption = "Quillet";

// The number shown with an error that carries no system error code.
inline constexpr int kUnexpectedErrorNumber = 5;  // "invalid procedure call"
inline constexpr int kOutOfMemoryErrorNumber = 7;

class Step4Controller : public QObject {
  Q_OBJECT

 public:
  // Finds the Step 4 controls among frmMain's children by their control names
  // and connects the buttons. frmMain, state, dialogs and log must outlive it.
  Step4Controller(QWidget* frmMain, ToolState& state, UserDialogs& dialogs, StatusLog& log);

  // The full path of the chosen INF; empty until the first INF "Browse".
  const std::string& InfPath() const { return inf_path_; }

  // Runs the modification on the chosen package with a busy cursor; the window
  // keeps painting while the CAB command runs but takes no user input.
  void DoSteps();

 public slots:
  void cmdDPackage_Click();
  void cmdWrapperBrowse_Click();
  void cmdWrapperBrowse2_Click();
  void cmdWrapperBrowse3_Click();
  void cmdAuto_Click();

 private:
  struct LauncherRow {
    QLabel* label = nullptr;
    QLineEdit* box = nullptr;
    QPushButton* button = nullptr;
  };

  void BrowseLauncher(int row);
  // Inspects the INF and switches the launcher rows to match.
  void DetectProcessors(const std::string& inf_path);
  void SetRowEnabled(int row, bool enabled);
  bool IsReadyToModify() const;
  void UpdateMakeModifications();
  // The OK-only box: the error's description, a space and its number.
  void ShowError(const std::string& description, int number);
  // Runs a handler's steps; an error skips the rest of them and is shown.
  void RunShowingErrors(const std::function<void()>& steps);

  std::string& LauncherPath(int row);
  std::string& LauncherFolder(int row);

  QWidget* frmMain_;
  ToolState& state_;
  UserDialogs& dialogs_;
  StatusLog& log_;
  std::string inf_path_;

  QLineEdit* txtDPackage_ = nullptr;
  QPushButton* cmdDPackage_ = nullptr;
  QPushButton* cmdAuto_ = nullptr;
  std::array<LauncherRow, kLauncherRowCount> rows_{};
};

}  // namespace quillet
