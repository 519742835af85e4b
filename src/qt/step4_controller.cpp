#include "qt/step4_controller.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <exception>
#include <new>
#include <system_error>

#include "qt/twips.h"
#include "qt/window_controls.h"
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

// While a run is busy: the wait cursor, and every click, key and wheel turn
// meant for the tool's windows is dropped rather than queued, so nothing the
// user does during the run (a second "Make Modifications" click above all)
// takes effect after it, and the window does not close under the run. Paused
// while the run asks the user something.
class BusyRun : public QObject {
 public:
  BusyRun() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~BusyRun() override {
    // Input that reached the queue while the run worked without pumping events
    // is dropped here too, before the filter goes.
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }
  BusyRun(const BusyRun&) = delete;
  BusyRun& operator=(const BusyRun&) = delete;

  // The normal cursor and input back for as long as the returned object lives.
  class Pause {
   public:
    explicit Pause(BusyRun& run) : run_(run) {
      run_.paused_ = true;
      QApplication::restoreOverrideCursor();
    }
    ~Pause() {
      QApplication::setOverrideCursor(Qt::WaitCursor);
      run_.paused_ = false;
    }
    Pause(const Pause&) = delete;
    Pause& operator=(const Pause&) = delete;

   private:
    BusyRun& run_;
  };

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (paused_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        return true;
      case QEvent::Close:
        // The window stays open until the run has finished with the package.
        event->ignore();
        return true;
      default:
        return QObject::eventFilter(watched, event);
    }
  }

 private:
  bool paused_ = false;
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
  RunShowingErrors([&] {
    // A cancelled dialog hands back the preset name, and the steps run with it.
    inf_path_ = dialogs_.GetOpenFileName(request).value_or(request.file_name);
    // A path without a folder (nothing chosen yet) must not erase the folder
    // the next dialog, and the next start, would open in.
    if (std::string folder = InfFolderToRemember(inf_path_); !folder.empty()) {
      state_.LastInfDir = std::move(folder);
    }
    txtDPackage_->setText(QString::fromStdString(inf_path_));
    DetectProcessors(inf_path_);
  });
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
  RunShowingErrors([&] {
    path = dialogs_.GetOpenFileName(request).value_or(request.file_name);
    if (std::string chosen_folder = LauncherFolderToRemember(path); !chosen_folder.empty()) {
      folder = std::move(chosen_folder);
    }
    rows_[row].box->setText(QString::fromStdString(path));
  });
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

void Step4Controller::RunShowingErrors(const std::function<void()>& steps) {
  try {
    steps();
  } catch (const std::system_error& error) {
    ShowError(error.what(), error.code().value());
  } catch (const std::bad_alloc& error) {
    ShowError(error.what(), kOutOfMemoryErrorNumber);
  } catch (const std::exception& error) {
    ShowError(error.what(), kUnexpectedErrorNumber);
  }
}

void Step4Controller::cmdAuto_Click() { DoSteps(); }

void Step4Controller::DoSteps() {
  BusyRun busy;
  ModificationHooks hooks;
  hooks.ask_yes_no_warning = [this, &busy](const std::string& title, const std::string& text) {
    BusyRun::Pause pause(busy);
    return dialogs_.AskYesNoWarning(title, text);
  };
  // Keeps the window painting while the command runs; BusyRun drops the input.
  hooks.while_command_runs = [] {
    QCoreApplication::processEvents();
    return false;
  };
  hooks.show_message = [this, &busy](const std::string& text) {
    BusyRun::Pause pause(busy);
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
