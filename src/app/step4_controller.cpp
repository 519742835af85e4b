#include "app/step4_controller.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>
#include <new>
#include <system_error>

#include "app/twips.h"
#include "app/window_controls.h"
#include "package/modification_run.h"

namespace quillet {

namespace {

template <typename Control>
Control* FindControl(QWidget* window, const char* name) {
  Control* control = window->findChild<Control*>(QString::fromLatin1(name));
  Q_ASSERT_X(control != nullptr, "Step4Controller", name);
  return control;
}

std::string BoxText(const QLineEdit* box) {
  return box ? box->text().toStdString() : std::string();
}

// The wait cursor for as long as it lives, whatever way the run ends.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The normal cursor back while the user is asked something inside a busy run.
class CursorPause {
 public:
  CursorPause() { QApplication::restoreOverrideCursor(); }
  ~CursorPause() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  CursorPause(const CursorPause&) = delete;
  CursorPause& operator=(const CursorPause&) = delete;
};

}  // namespace

Step4Controller::Step4Controller(QWidget* frmMain, ToolState& state, UserDialogs& dialogs,
                                 StatusLog& log)
    : QObject(frmMain), frmMain_(frmMain), state_(state), dialogs_(dialogs), log_(log) {
  txtDPackage_ = FindControl<QLineEdit>(frmMain_, "txtDPackage");
  cmdDPackage_ = FindControl<QPushButton>(frmMain_, "cmdDPackage");
  cmdAuto_ = FindControl<QPushButton>(frmMain_, "cmdAuto");
  const char* names[kLauncherRowCount][3] = {{"lblWrapper", "txtWrapper", "cmdWrapperBrowse"},
                                             {"lblWrapper2", "txtWrapper2", "cmdWrapperBrowse2"},
                                             {"lblWrapper3", "txtWrapper3", "cmdWrapperBrowse3"}};
  for (int row = 0; row < kLauncherRowCount; ++row) {
    rows_[row].label = FindControl<QLabel>(frmMain_, names[row][0]);
    rows_[row].box = FindControl<QLineEdit>(frmMain_, names[row][1]);
    rows_[row].button = FindControl<QPushButton>(frmMain_, names[row][2]);
  }

  if (cmdDPackage_) {
    connect(cmdDPackage_, &QPushButton::clicked, this, &Step4Controller::cmdDPackage_Click);
  }
  void (Step4Controller::*handlers[kLauncherRowCount])() = {
      &Step4Controller::cmdWrapperBrowse_Click, &Step4Controller::cmdWrapperBrowse2_Click,
      &Step4Controller::cmdWrapperBrowse3_Click};
  for (int row = 0; row < kLauncherRowCount; ++row) {
    if (rows_[row].button) connect(rows_[row].button, &QPushButton::clicked, this, handlers[row]);
  }
  if (cmdAuto_) connect(cmdAuto_, &QPushButton::clicked, this, &Step4Controller::cmdAuto_Click);
}

void Step4Controller::cmdDPackage_Click() {
  OpenFileRequest request;
  request.file_name = inf_path_;
  request.filter = kInfDialogFilter;
  request.title = kInfDialogTitle;
  request.initial_directory = DialogFolder(state_.LastInfDir);
  try {
    // A cancelled dialog hands back the preset name, and the steps run with it.
    inf_path_ = dialogs_.GetOpenFileName(request).value_or(request.file_name);
    // A path without a folder (nothing chosen yet) must not erase the folder
    // the next dialog, and the next start, would open in.
    if (std::string folder = InfFolderToRemember(inf_path_); !folder.empty()) {
      state_.LastInfDir = std::move(folder);
    }
    txtDPackage_->setText(QString::fromStdString(inf_path_));
    DetectProcessors(inf_path_);
  } catch (const std::system_error& error) {
    ShowError(error.what(), error.code().value());
  } catch (const std::bad_alloc& error) {
    ShowError(error.what(), kOutOfMemoryErrorNumber);
  } catch (const std::exception& error) {
    ShowError(error.what(), kUnexpectedErrorNumber);
  }
  UpdateMakeModifications();
}

void Step4Controller::cmdWrapperBrowse_Click() { BrowseLauncher(kMipsRow); }
void Step4Controller::cmdWrapperBrowse2_Click() { BrowseLauncher(kSh3Row); }
void Step4Controller::cmdWrapperBrowse3_Click() { BrowseLauncher(kArmRow); }

void Step4Controller::BrowseLauncher(int row) {
  std::string& path = LauncherPath(row);
  std::string& folder = LauncherFolder(row);
  OpenFileRequest request;
  request.file_name = path;
  request.filter = kLauncherDialogFilter;
  request.title = kLauncherDialogTitles[row];
  request.initial_directory = DialogFolder(folder);
  try {
    path = dialogs_.GetOpenFileName(request).value_or(request.file_name);
    if (std::string chosen_folder = LauncherFolderToRemember(path); !chosen_folder.empty()) {
      folder = std::move(chosen_folder);
    }
    rows_[row].box->setText(QString::fromStdString(path));
  } catch (const std::system_error& error) {
    ShowError(error.what(), error.code().value());
  } catch (const std::bad_alloc& error) {
    ShowError(error.what(), kOutOfMemoryErrorNumber);
  } catch (const std::exception& error) {
    ShowError(error.what(), kUnexpectedErrorNumber);
  }
  UpdateMakeModifications();
}

void Step4Controller::DetectProcessors(const std::string& inf_path) {
  for (int row = 0; row < kLauncherRowCount; ++row) SetRowEnabled(row, false);
  const auto needed = quillet::DetectProcessors(state_, inf_path);
  for (int row = 0; row < kLauncherRowCount; ++row) {
    if (needed[row]) SetRowEnabled(row, true);
  }
}

void Step4Controller::SetRowEnabled(int row, bool enabled) {
  // The box's text and the stored launcher path stay as they are either way.
  LauncherRow& controls = rows_[row];
  controls.box->setEnabled(enabled);
  SetBoxBackColour(controls.box, enabled ? kEnabledBoxColour : kDisabledBoxColour);
  controls.button->setEnabled(enabled);
  controls.label->setEnabled(enabled);
}

bool Step4Controller::IsReadyToModify() const {
  std::array<LauncherRowInput, kLauncherRowCount> rows;
  for (int row = 0; row < kLauncherRowCount; ++row) {
    rows[row] = {rows_[row].box->isEnabledTo(frmMain_), BoxText(rows_[row].box)};
  }
  return quillet::IsReadyToModify(BoxText(txtDPackage_), rows);
}

void Step4Controller::UpdateMakeModifications() { cmdAuto_->setEnabled(IsReadyToModify()); }

void Step4Controller::ShowError(const std::string& description, int number) {
  dialogs_.ShowMessage(kMessageCaption, description + " " + std::to_string(number));
}

void Step4Controller::cmdAuto_Click() { DoSteps(); }

void Step4Controller::DoSteps() {
  BusyCursor busy;
  ModificationHooks hooks;
  hooks.ask_yes_no_warning = [this](const std::string& title, const std::string& text) {
    CursorPause pause;
    return dialogs_.AskYesNoWarning(title, text);
  };
  hooks.while_command_runs = [] {
    // Repaint and keep the window alive, but leave clicks and keys alone: the
    // run is not done yet.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  };
  hooks.show_message = [this](const std::string& text) {
    CursorPause pause;
    dialogs_.ShowMessage(kMessageCaption, text);
  };
  RunModification(state_, inf_path_, log_, hooks);
}

std::string& Step4Controller::LauncherPath(int row) {
  switch (row) {
    case kMipsRow:
      return state_.MipsLauncherPath;
    case kSh3Row:
      return state_.Sh3LauncherPath;
    default:
      return state_.ArmLauncherPath;
  }
}

std::string& Step4Controller::LauncherFolder(int row) {
  switch (row) {
    case kMipsRow:
      return state_.LastMipsDir;
    case kSh3Row:
      return state_.LastSh3Dir;
    default:
      return state_.LastArmDir;
  }
}

}  // namespace quillet
