#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "qt/twips.h"
#include "status/status_log.h"
#include "util/tool_state.h"
#include "wizard/form.h"
#include "wizard/user_dialogs.h"
#include "wizard/view.h"
#include "wizard/wizard.h"

namespace quillet {

class PictureBox;
class StatusListModel;
class StatusView;

// The face and size of a font role of the form table as this system has it:
// the named face, or the closest installed one (QUILLET_FONT, when set, names
// the face to use instead of all of them).
QFont WindowFont(FontRole role);

// The tool's one window, frmMain, in Qt: a view over the page logic. Its
// controls are built from the form table, each carrying its control name as
// object name (the tests find them by it); their clicks and text changes go to
// the Wizard, which drives them back through the WizardView calls.
class MainWindow : public QMainWindow, public WizardView {
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
  // The page logic behind the window.
  Wizard& wizard() { return wizard_; }
  // The rows of the Step 4 status list.
  StatusLog& statusLog() { return wizard_.Log(); }
  // The full path of the chosen INF; empty until the first INF "Browse".
  const std::string& InfPath() const { return wizard_.InfPath(); }
  // Runs "Make Modifications" on the chosen package.
  void DoSteps() { wizard_.DoSteps(); }

  // A rectangle given in twips, in this window's logical pixels.
  QRect ToPixels(const TwipsRect& rect) const;
  // The control of that name; nullptr when there is none.
  QWidget* Control(std::string_view name) const;

  // WizardView.
  void SetText(std::string_view control, const std::string& text) override;
  std::string Text(std::string_view control) const override;
  void SetEnabled(std::string_view control, bool enabled) override;
  bool IsEnabled(std::string_view control) const override;
  void SetBackColour(std::string_view control, std::uint32_t bgr) override;
  void SetVisible(std::string_view control, bool visible) override;
  bool IsVisible(std::string_view control) const override;
  void BringToFront(std::string_view control) override;
  TwipsRect Rect(std::string_view control) const override;
  void SetRect(std::string_view control, const MarkerRect& twips) override;
  float TwipsPerPixelX() const override { return twips_per_pixel_x_; }
  float TwipsPerPixelY() const override { return twips_per_pixel_y_; }
  void SetChecked(std::string_view control, bool checked) override;
  bool IsChecked(std::string_view control) const override;
  void FocusAndSelectAll(std::string_view control) override;
  void StatusRowsChanged(const StatusLog& log, int appended_row) override;
  void SelectStatusRow(int row) override;
  void SetOuterSize(int width_twips, int height_twips) override;
  void SetBusy(bool busy) override;
  void PumpEvents() override;
  void Close() override;
  void SetAccessibleName(std::string_view control, const std::string& name) override;
  void SetFocus(std::string_view control) override;

  // Renders the pictures again for that device pixel ratio (those shown
  // before for another one); done when the window comes to another screen.
  void RedrawPictures(qreal ratio);

 protected:
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  // Asks the page logic first: during a run the close waits for its end.
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class BusyFilter;

  QWidget* MakeControl(const ControlSpec& spec, QWidget* parent);
  void ConnectEvents(const ControlSpec& spec, QWidget* control);
  void SetTabOrder();
  void AddStepKeys();
  // Places a label, the check box or a push button from its table rectangle
  // and the room its text needs in the window's face (TextControlRect).
  void PlaceTextControl(const ControlSpec& spec, QWidget* control);
  // Places the text controls of page N (1 to 5) once, when the page is first
  // shown: measuring text loads the faces and sizes it uses, which the pages
  // nobody opens need not pay for at start-up. Until then they keep their
  // table rectangles.
  void FitPage(int page);
  // The control of that name, which must exist.
  QWidget* Find(std::string_view name) const;
  // Sizes the client area so that the outer window, frame included, has the
  // size set at load; called again once the platform knows its frame.
  void FitOuterSize();

  ToolState& state_;
  UserDialogs& dialogs_;
  Wizard wizard_;

  QFont fonts_[4];  // by FontRole
  float twips_per_pixel_x_ = 15.0f;
  float twips_per_pixel_y_ = 15.0f;
  QSize outer_size_;       // in pixels, frame included
  QMargins fitted_frame_;  // the frame the client size was last fitted to

  std::map<std::string, QWidget*, std::less<>> controls_;
  StatusView* status_view_ = nullptr;
  StatusListModel* status_model_ = nullptr;
  std::unique_ptr<BusyFilter> busy_filter_;  // set while busy
  bool screen_watched_ = false;
  bool icon_queued_ = false;
  std::array<bool, kStepCount + 1> page_fitted_{};  // by page number
  std::vector<PictureBox*> pictures_;               // children of the pages
};

}  // namespace quillet
