#pragma once

#include <QMainWindow>
#include <array>
#include <string>

#include "qt/twips.h"
#include "wizard/user_dialogs.h"
#include "status/status_log.h"
#include "util/tool_state.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeView;

namespace quillet {

class StepButton;
class Step4Controller;

// The tool's one window, frmMain: a column of five step buttons down the left
// edge and one page per step beside them. Every control carries its control
// name as object name, so the pages' code (and the tests) find them by name.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its load sequence; the settings file lives
  // beside the program.
  MainWindow(ToolState& state, UserDialogs& dialogs, QWidget* parent = nullptr);
  // The same with the settings file in `program_directory` (tests use a
  // temporary folder so they never touch the real one).
  MainWindow(ToolState& state, UserDialogs& dialogs, const std::string& program_directory,
             QWidget* parent = nullptr);
  // Saves the remembered folders, once.
  ~MainWindow() override;

  ToolState& toolState() { return state_; }
  UserDialogs& userDialogs() { return dialogs_; }
  // The rows of the Step 4 status list.
  StatusLog& statusLog() { return status_log_; }
  // The full path of the chosen INF; empty until the first INF "Browse".
  const std::string& InfPath() const;
  // Runs "Make Modifications" on the chosen package.
  void DoSteps();

  // The screen's pixel size in twips, horizontally and vertically.
  float TwipsPerPixelX() const { return twips_per_pixel_x_; }
  float TwipsPerPixelY() const { return twips_per_pixel_y_; }
  // A rectangle given in twips, in this window's logical pixels.
  QRect ToPixels(const TwipsRect& rect) const;

  // Returns every step button and page to the idle state: buttons in the idle
  // colour, pages hidden, the marker strip in the page colour.
  void ResetSteps();
  // Lays the marker strip over the right edge of `button`.
  void PlaceStepMarker(QPushButton* button);

 public slots:
  void cmdStep1_Click();
  void cmdStep2_Click();
  void cmdStep3_Click();
  void cmdStep4_Click();
  void cmdStep5_Click();
  void cmdLicense_Click();
  void txtAppName_Change();
  void chkSame_Click();
  void cmdSubstitute_Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BuildWindowControls(QWidget* client);
  void BuildStep1Page();
  void BuildStep2Page();
  void BuildStep3Page();
  void BuildStep4Page();
  void BuildStep5Page();
  void BuildPageHead(QFrame* page, const char* title_name, const char* title, const char* text_name,
                     const char* rule_name);
  void SetTabOrder();
  void Form_Load(const std::string& program_directory);

  // The page-showing sequence shared by the five step buttons (step 1 to 5).
  void ShowStep(int step);
  void RefreshAboutPage();
  void FillLicenseText();
  // Sizes the client area so that the outer window, frame included, has the
  // size set at load; called again once the platform knows its frame.
  void FitOuterSize();

  ToolState& state_;
  UserDialogs& dialogs_;
  StatusLog status_log_;
  Step4Controller* step4_ = nullptr;  // the Step 4 page's buttons

  float twips_per_pixel_x_ = 15.0f;
  float twips_per_pixel_y_ = 15.0f;
  QSize outer_size_;       // in pixels, frame included
  QMargins fitted_frame_;  // the frame the client size was last fitted to

  std::array<StepButton*, 6> step_buttons_{};  // 1 to 5
  std::array<QFrame*, 6> pages_{};             // 1 to 5
  QFrame* txtEdge_ = nullptr;
  std::array<QPlainTextEdit*, 5> guidance_boxes_{};  // 1 to 4

  QLineEdit* txtAppName_ = nullptr;
  QLineEdit* txtWrapperName_ = nullptr;
  QLabel* Label7_ = nullptr;
  QCheckBox* chkSame_ = nullptr;
  QPushButton* cmdSubstitute_ = nullptr;
  QPlainTextEdit* txtCode_ = nullptr;

  QLabel* lblVersion_ = nullptr;
  QLabel* lblCopyright_ = nullptr;
  QPlainTextEdit* txtLicense_ = nullptr;
  QPushButton* cmdLicense_ = nullptr;
};

}  // namespace quillet
