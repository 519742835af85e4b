// The tool's one window, frmMain, in plain Win32: every control of the form
// table (wizard/form.h) made as a system control (push button, edit box,
// static text, check box, list view), placed in twips through the screen's
// logical DPI, and reachable by its control name. It implements the view that
// the page logic drives and passes the user's clicks and typing on.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "status/status_log.h"
#include "wizard/form.h"
#include "wizard/view.h"

namespace quillet::win32 {

// What the window tells the page logic.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // A button, step button or check box was clicked (with the mouse, the
  // keyboard or its mnemonic); a check box has already changed its state.
  virtual void Click(std::string_view control) = 0;
  // A text box's text changed, typed or set.
  virtual void TextChanged(std::string_view control) = 0;
  // The user (or the system, or Close) asked to close the window: its close
  // box, Alt+F4, the system menu. True lets it close now.
  virtual bool CloseRequested() = 0;
  // Escape was pressed while the window was busy.
  virtual void EscapePressed() = 0;
  // The window is being destroyed, or the session ends with it still open;
  // the last event (it may come twice: at the session's end and then at the
  // window's destruction).
  virtual void Destroyed() = 0;
};

struct WindowOptions {
  // Posts WM_QUIT when the window is destroyed (the program's window does;
  // tests that make many windows do not).
  bool quit_when_destroyed = true;
};

class MainWindow final : public WizardView {
 public:
  // Registers the window classes, creates the window hidden with every control
  // of the form in its start state, and sizes it to the form's outer size.
  explicit MainWindow(HINSTANCE instance, WindowOptions options = {});
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  HWND Handle() const { return hwnd_; }
  // The control of that name ("frmMain" is the window itself); nullptr when
  // there is none (or it is gone). A control of a page not shown yet is made
  // now, with its page's other controls.
  HWND ControlHandle(std::string_view name);
  // The control name of a window of this one; empty for any other window.
  std::string_view ControlName(HWND control) const;

  // Where clicks and typing go; nullptr drops them.
  void SetEvents(WindowEvents* events) { events_ = events; }

  // The screen's logical DPI the window was laid out for.
  int DpiX() const { return dpi_x_; }
  int DpiY() const { return dpi_y_; }

  bool IsBusy() const { return busy_; }

  // Handles keyboard navigation for a message of this window's thread: Tab
  // and Shift+Tab follow the form's tab order, and the dialog keys
  // (mnemonics, arrows) work as in a dialog. True when the message was used.
  bool PreTranslateMessage(MSG& message);

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

  // The back colour last set (or the form's), as a Windows colour value.
  std::uint32_t BackColour(std::string_view control) const;
  // The text colour a control draws with now (labels: grey when disabled).
  std::uint32_t TextColour(std::string_view control) const;
  // The rows the status list shows.
  const std::vector<StatusRow>& StatusRows() const { return rows_; }
  // The font a control uses.
  HFONT ControlFont(std::string_view control);

 private:
  struct Control {
    const ControlSpec* spec = nullptr;
    HWND hwnd = nullptr;
    std::size_t parent = 0;  // index of its page; kNoParent for window-level controls
    std::uint32_t back_colour = kSystemColour;
    HFONT font = nullptr;
    HBITMAP picture = nullptr;  // made when first drawn
    bool picture_tried = false;
    // The control's state until its window is made (its page's first showing);
    // then the window holds it.
    std::wstring text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
  };
  static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void RegisterClasses();
  HFONT Font(FontRole role);
  HFONT CodeFont();
  HFONT BoldListFont();
  void CreateControls();
  // Makes the controls of a page (kNoParent: the window-level ones) that are not made yet.
  void MakeControlsOf(std::size_t parent);
  // Makes the control's window, with its page's other controls, if not made yet.
  void MakeHandle(Control& control);
  HWND CreateControl(Control& control);
  void SetUpStatusList(Control& control);
  void MakeRowImages(HWND list);
  void AutoSizeLabel(Control& control);

  // Message handlers.
  LRESULT OnCommand(WPARAM wparam, LPARAM lparam);
  LRESULT OnNotify(const NMHDR& header);
  LRESULT OnControlColour(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  bool OnSetCursor();
  bool OnActivate();
  void OnClose();
  void OnDestroy();

  void DrawStepButton(const DRAWITEMSTRUCT& item, const Control& control);
  void DrawLabel(const DRAWITEMSTRUCT& item, const Control& control);
  void DrawPicture(HDC dc, Control& picture, int x, int y);
  // Paints what lies behind a control on its page: the page colour and the
  // pictures below it, so labels and pictures look transparent.
  void PaintBackdrop(HDC dc, std::size_t index, const RECT& area);
  LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw);
  void OnListInfoTip(NMLVGETINFOTIPW& tip);
  void ShowStatusRows(std::size_t from);

  void MoveFocus(bool forward);
  void DropQueuedInput();
  // While busy: Escape and a close request are passed on; other input is dropped.
  void HandleInputWhileBusy(const MSG& message);

  // The control's window if it is made; never makes it.
  HWND HandleIfMade(std::string_view name) const;
  Control* Find(std::string_view name);
  const Control* Find(std::string_view name) const;
  Control* FindByHandle(HWND hwnd);
  HBRUSH Brush(std::uint32_t bgr);
  int ToPixelsX(float twips) const;
  int ToPixelsY(float twips) const;

  HINSTANCE instance_;
  WindowOptions options_;
  HWND hwnd_ = nullptr;
  WindowEvents* events_ = nullptr;

  int dpi_x_ = 96;
  int dpi_y_ = 96;
  float twips_per_pixel_x_ = 15.0f;
  float twips_per_pixel_y_ = 15.0f;

  std::vector<Control> controls_;  // in form order
  std::unordered_map<std::string_view, std::size_t> by_name_;
  std::unordered_map<HWND, std::size_t> by_handle_;
  std::map<FontRole, HFONT> fonts_;
  HFONT code_font_ = nullptr;
  HFONT bold_list_font_ = nullptr;
  std::map<std::uint32_t, HBRUSH> brushes_;
  HIMAGELIST row_images_ = nullptr;
  HDC measure_dc_ = nullptr;  // measures the labels' texts
  HICON big_icon_ = nullptr;
  HICON small_icon_ = nullptr;

  std::vector<StatusRow> rows_;
  HWND last_focus_ = nullptr;  // restored when the window is activated again
  bool busy_ = false;
};

// Runs the message loop until WM_QUIT, with the window's keyboard navigation;
// returns the quit code.
int RunMessageLoop(MainWindow& window);

}  // namespace quillet::win32
