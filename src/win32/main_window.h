// The tool's one window, frmMain, in plain Win32: every control of the form
// table (wizard/form.h) made as a system control (push button, edit box,
// static text, check box, list view), placed in twips through the DPI of the
// screen it is on, and reachable by its control name. It implements the view
// that the page logic drives and passes the user's clicks, keys and typing on.
// Its text reads on the colours the table fixes whatever the desktop's
// colours, and screen readers get the table's names for its controls.
#pragma once

#include <windows.h>
// After windows.h, which it builds on.
#include <commctrl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "status/status_log.h"
#include "win32/accessible_proxy.h"
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
  // Ctrl with Tab (Shift: backwards), Page Down or Page Up: to another step.
  enum class StepKey { kTab, kPageDown, kPageUp };
  virtual void StepKeyPressed(StepKey key, bool shift) = 0;
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

  // The logical DPI the window is laid out for: its screen's.
  int DpiX() const { return dpi_x_; }
  int DpiY() const { return dpi_y_; }

  bool IsBusy() const { return busy_; }

  // Handles keyboard navigation for a message of this window's thread: Tab
  // and Shift+Tab follow the form's tab order; Enter presses the focused
  // button (once, however long it is held), as Space does; Ctrl with Tab,
  // Page Down or Page Up goes to another step; the dialog keys (mnemonics,
  // arrows) work as in a dialog. True when the message was used.
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
  void SetAccessibleName(std::string_view control, const std::string& name) override;
  void SetFocus(std::string_view control) override;

  // The back colour last set (or the form's), as a Windows colour value.
  std::uint32_t BackColour(std::string_view control) const;
  // The text colour a control draws with now: the table's (TextColourOf)
  // where it fixes the background, grey there when switched off; the
  // desktop's elsewhere.
  std::uint32_t TextColour(std::string_view control) const;
  // The rows the status list shows.
  const std::vector<StatusRow>& StatusRows() const { return rows_; }
  // The font a control uses.
  HFONT ControlFont(std::string_view control);
  // The size in pixels of a picture as last drawn (0 x 0 before it is first drawn).
  SIZE PictureSize(std::string_view control) const;

  // Lays the window out again for another DPI (the screen's scale changed,
  // or the window moved to a screen with another one): every control, font,
  // column and picture, and the outer size, placed at `suggested`'s corner
  // (WM_DPICHANGED's rectangle; nullptr keeps the position).
  void ChangeDpi(int dpi, const RECT* suggested);

 private:
  struct Control {
    const ControlSpec* spec = nullptr;
    HWND hwnd = nullptr;
    std::size_t parent = 0;  // index of its page; kNoParent for window-level controls
    std::uint32_t back_colour = kSystemColour;
    HFONT font = nullptr;
    HBITMAP picture = nullptr;  // made when first drawn
    SIZE picture_size{0, 0};
    bool picture_tried = false;
    // What a screen reader calls it; empty: the system's name (its text).
    std::wstring accessible_name;
    // Placed by the page logic (SetRect): a page or the marker strip.
    bool moved = false;
    // The control's state until its window is made (its page's first showing);
    // then the window holds it.
    std::wstring text;
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    // The control's own window procedure, which ControlProc passes messages on to.
    WNDPROC own_procedure = nullptr;
  };
  static constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  // Every control's procedure in front of its own: screen readers' questions,
  // the labels' painting, and switched-off boxes' text.
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  // An answer where the window answers for the control; nothing where the
  // control's own procedure does.
  std::optional<LRESULT> HandleControlMessage(Control& control, UINT message, WPARAM wparam,
                                              LPARAM lparam);

  void RegisterClasses();
  HFONT Font(FontRole role);
  HFONT BoldListFont();
  // The window's DPI and pixel size in twips.
  void SetDpi(int dpi_x, int dpi_y);
  void CreateControls();
  // Makes the controls of a page (kNoParent: the window-level ones) that are not made yet.
  void MakeControlsOf(std::size_t parent);
  // Makes the control's window, with its page's other controls, if not made yet.
  void MakeHandle(Control& control);
  HWND CreateControl(Control& control);
  void SetUpStatusList(Control& control);
  void SetColumnWidths(HWND list);
  void MakeRowImages(HWND list);
  // Where a label, the check box or a push button goes: its table rectangle,
  // grown as `text` needs in the control's font (TextControlRect).
  PixelRect TextControlPlace(const Control& control, const std::wstring& text);
  // Places a made label, check box or push button for the text it holds now.
  void PlaceTextControl(Control& control);
  // What `text` needs in the control's font, in pixels: the text, and a check
  // box's box or a button's edges.
  SIZE TextRoom(const Control& control, const std::wstring& text);
  // A label lies just in front of the box it names, so that screen readers
  // find it there; where the two overlap, the overlap is cut out of the
  // label's window, so the box is drawn whole.
  void CutOverlaps(Control& label);
  // The control's table rectangle for the window's DPI.
  PixelRect PlacedRect(const Control& control) const;

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
  void DrawLabel(HDC dc, const Control& control);
  // A switched-off box's text in the grey of switched-off text.
  void DrawSwitchedOffBox(HDC dc, const Control& control);
  // What a control tells a screen reader in place of the system's answer.
  void AnswerAccessibleQuery(const Control& control, AccessibleQuery& query) const;
  void DrawPicture(HDC dc, Control& picture, int x, int y);
  // Paints what lies behind a control on its page: the page colour and the
  // pictures below it, so labels and pictures look transparent.
  void PaintBackdrop(HDC dc, std::size_t index, const RECT& area);
  LRESULT OnListCustomDraw(NMLVCUSTOMDRAW& draw);
  void OnListInfoTip(NMLVGETINFOTIPW& tip);
  void ShowStatusRows(std::size_t from);

  void MoveFocus(bool forward);
  // The enabled push button or step button that has the focus; nullptr when none has.
  Control* FocusedButton();
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
  HFONT bold_list_font_ = nullptr;
  // QUILLET_FONT: one face in place of every face the table names, to see
  // and test the window as a system with only that face shows it.
  std::wstring face_override_;
  int outer_width_twips_ = kWindowOuterWidth;
  int outer_height_twips_ = kWindowOuterHeight;
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
