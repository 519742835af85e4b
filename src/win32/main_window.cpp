#include "win32/main_window.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "win32/pictures.h"
#include "win32/resource_ids.h"
#include "win32/wide_text.h"

namespace quillet::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"Quillet";
constexpr wchar_t kPageClass[] = L"QuilletPage";

// Control IDs start above the dialog manager's IDOK and IDCANCEL, so Enter and
// Escape reach no control.
constexpr int kFirstControlId = 1000;

// The code box shows source code: a fixed-pitch face at the window's size.
constexpr wchar_t kCodeFace[] = L"Courier New";

COLORREF ToColorRef(std::uint32_t bgr) { return static_cast<COLORREF>(bgr & 0xFFFFFF); }

std::uint32_t FromColorRef(COLORREF colour) { return static_cast<std::uint32_t>(colour); }

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK) ||
         (message >= 0x00AB && message <= 0x00AD);  // WM_NCXBUTTONDOWN .. WM_NCXBUTTONDBLCLK
}

// The window text of any window, as UTF-8.
std::string WindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return Narrow(text);
}

std::wstring WideWindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hwnd) {
  RECT rect{};
  ::GetWindowRect(hwnd, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The frame of the page of step N.
std::string PageFrameName(int page) { return "fraStep" + std::to_string(page); }

HFONT MakeFont(const wchar_t* face, double points, bool bold, int dpi) {
  const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
  return ::CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, face);
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, WindowOptions options)
    : instance_(instance), options_(options) {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof(classes);
  classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&classes);
  RegisterClasses();

  // Everything is laid out in twips, turned into pixels by the screen's
  // logical DPI (the manifest declares the program DPI-aware, so the system
  // reports the real one and does not stretch the window's bitmap).
  HDC screen = ::GetDC(nullptr);
  dpi_x_ = std::max(::GetDeviceCaps(screen, LOGPIXELSX), 1);
  dpi_y_ = std::max(::GetDeviceCaps(screen, LOGPIXELSY), 1);
  ::ReleaseDC(nullptr, screen);
  twips_per_pixel_x_ = TwipsPerPixel(dpi_x_);
  twips_per_pixel_y_ = TwipsPerPixel(dpi_y_);

  // A fixed layout: the window can be moved and minimised, not resized or maximised.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  ::CreateWindowExW(0, kWindowClass, Widen(kWindowCaption).c_str(), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, ToPixelsX(kWindowOuterWidth), ToPixelsY(kWindowOuterHeight),
                    nullptr, nullptr, instance_, this);
  if (hwnd_ == nullptr) return;
  big_icon_ = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(QUILLET_ICON_ID),
                                              IMAGE_ICON, ::GetSystemMetrics(SM_CXICON),
                                              ::GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  small_icon_ = static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(QUILLET_ICON_ID),
                                                IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                                                ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (big_icon_) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big_icon_));
  if (small_icon_) {
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
  }
  CreateControls();
}

MainWindow::~MainWindow() {
  if (hwnd_ != nullptr) ::DestroyWindow(hwnd_);
  for (Control& control : controls_) {
    if (control.picture) ::DeleteObject(control.picture);
  }
  for (auto& [role, font] : fonts_) ::DeleteObject(font);
  if (code_font_) ::DeleteObject(code_font_);
  if (bold_list_font_) ::DeleteObject(bold_list_font_);
  for (auto& [colour, brush] : brushes_) ::DeleteObject(brush);
  if (row_images_) ::ImageList_Destroy(row_images_);
  if (measure_dc_) ::DeleteDC(measure_dc_);
  if (big_icon_) ::DestroyIcon(big_icon_);
  if (small_icon_) ::DestroyIcon(small_icon_);
}

void MainWindow::RegisterClasses() {
  WNDCLASSEXW window_class{};
  if (!::GetClassInfoExW(instance_, kWindowClass, &window_class)) {
    window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &MainWindow::WindowProc;
    window_class.hInstance = instance_;
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    ::RegisterClassExW(&window_class);
  }
  WNDCLASSEXW page_class{};
  if (!::GetClassInfoExW(instance_, kPageClass, &page_class)) {
    page_class = {};
    page_class.cbSize = sizeof(page_class);
    page_class.lpfnWndProc = &MainWindow::PageProc;
    page_class.hInstance = instance_;
    page_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    page_class.lpszClassName = kPageClass;
    ::RegisterClassExW(&page_class);
  }
}

HFONT MainWindow::Font(FontRole role) {
  // Made when first needed: the about page's faces only when it is shown.
  HFONT& font = fonts_[role];
  if (font == nullptr) {
    const FontSpec spec = FontOf(role);
    font = MakeFont(Widen(spec.face).c_str(), spec.points, spec.bold, dpi_y_);
  }
  return font;
}

HFONT MainWindow::CodeFont() {
  if (code_font_ == nullptr) {
    code_font_ = MakeFont(kCodeFace, FontOf(FontRole::kDefault).points, false, dpi_y_);
  }
  return code_font_;
}

HFONT MainWindow::BoldListFont() {
  if (bold_list_font_ == nullptr) {
    const FontSpec window_font = FontOf(FontRole::kDefault);
    bold_list_font_ = MakeFont(Widen(window_font.face).c_str(), window_font.points, true, dpi_y_);
  }
  return bold_list_font_;
}

void MainWindow::CreateControls() {
  const auto specs = FormControls();
  controls_.reserve(specs.size());
  for (const ControlSpec& spec : specs) {
    Control control;
    control.spec = &spec;
    control.back_colour = spec.back_colour;
    control.text = Widen(spec.caption);
    control.enabled = spec.enabled;
    control.visible = spec.visible;
    control.checked = spec.checked;
    if (spec.page != 0) {
      const auto page = by_name_.find(PageFrameName(spec.page));
      control.parent = page == by_name_.end() ? kNoParent : page->second;
    } else {
      control.parent = kNoParent;
    }
    by_name_[spec.name] = controls_.size();
    controls_.push_back(control);
  }
  // The step buttons and the marker strip now; a page and its controls when
  // it is first shown, since making windows nobody may look at would slow the
  // start (Wine makes a child window in about a millisecond).
  MakeControlsOf(kNoParent);
}

// Of two controls on one parent, the later one in the form lies in front.
// Windows puts a new child window at the bottom of its siblings (which is why
// a dialog's first control is on top), so going through the form backwards
// gives that order at no cost; should a system do otherwise, the order is
// set. (The tab order is the form's own, see MoveFocus, not the z-order.)
void MainWindow::MakeControlsOf(std::size_t parent) {
  HWND last_made = nullptr;  // the first in the form, made last
  HWND front = nullptr;      // the last in the form, made first
  for (std::size_t index = controls_.size(); index-- > 0;) {
    Control& control = controls_[index];
    if (control.parent != parent || control.hwnd != nullptr) continue;
    // Pages come one by one (MakeHandle); they lie beside the step buttons.
    if (control.spec->kind == ControlKind::kPage) continue;
    if (HWND hwnd = CreateControl(control)) {
      by_handle_[hwnd] = index;
      if (front == nullptr) front = hwnd;
      last_made = hwnd;
    }
  }
  if (front == nullptr || front == last_made) return;
  HWND parent_window = parent == kNoParent ? hwnd_ : controls_[parent].hwnd;
  if (::GetWindow(parent_window, GW_CHILD) == front) return;
  for (const Control& control : controls_) {
    if (control.parent == parent && control.hwnd) {
      ::SetWindowPos(control.hwnd, HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
  }
}

void MainWindow::MakeHandle(Control& control) {
  if (control.hwnd != nullptr || hwnd_ == nullptr) return;
  if (control.spec->kind == ControlKind::kPage) {
    const auto index = static_cast<std::size_t>(&control - &controls_[0]);
    if (HWND hwnd = CreateControl(control)) by_handle_[hwnd] = index;
  } else if (control.parent == kNoParent) {
    MakeControlsOf(kNoParent);
  } else {
    MakeHandle(controls_[control.parent]);
    MakeControlsOf(control.parent);
  }
}

HWND MainWindow::CreateControl(Control& control) {
  const ControlSpec& spec = *control.spec;
  const std::size_t index = static_cast<std::size_t>(&control - &controls_[0]);
  HWND parent = control.parent == kNoParent ? hwnd_ : controls_[control.parent].hwnd;
  if (parent == nullptr) return nullptr;
  PixelRect rect = TwipsToPixels(spec.rect, twips_per_pixel_x_, twips_per_pixel_y_);

  // Made with the state the view has kept for it so far.
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (control.visible) style |= WS_VISIBLE;
  if (!control.enabled) style |= WS_DISABLED;
  DWORD extended_style = 0;
  const wchar_t* window_class = L"STATIC";
  switch (spec.kind) {
    case ControlKind::kPage:
      window_class = kPageClass;
      style |= WS_CLIPCHILDREN;
      // The dialog manager tabs and finds mnemonics inside the page.
      extended_style = WS_EX_CONTROLPARENT;
      break;
    case ControlKind::kStepButton:
      window_class = L"BUTTON";
      style |= BS_OWNERDRAW | WS_TABSTOP;
      break;
    case ControlKind::kMarker:
      // No SS_NOTIFY: the strip lets clicks through to the button under it.
      style |= SS_LEFT;
      break;
    case ControlKind::kButton:
      window_class = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::kLabel:
    case ControlKind::kPicture:
      style |= SS_OWNERDRAW;
      break;
    case ControlKind::kTextBox:
      window_class = L"EDIT";
      style |= ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
      extended_style = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kTextArea:
      window_class = L"EDIT";
      style |= ES_LEFT | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
      extended_style = WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kCheckBox:
      window_class = L"BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case ControlKind::kRule:
      style |= SS_LEFT;
      rect.height = 1;  // one pixel, on any screen
      break;
    case ControlKind::kStatusList:
      window_class = WC_LISTVIEWW;
      style |= LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | WS_TABSTOP;
      extended_style = WS_EX_CLIENTEDGE;
      break;
  }

  HWND hwnd = ::CreateWindowExW(
      extended_style, window_class, control.text.c_str(), style, rect.left, rect.top, rect.width,
      rect.height, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kFirstControlId + index)),
      instance_, spec.kind == ControlKind::kPage ? this : nullptr);
  if (hwnd == nullptr) return nullptr;
  control.hwnd = hwnd;

  control.font = spec.name == "txtCode" ? CodeFont() : Font(spec.font);
  ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(control.font), FALSE);
  switch (spec.kind) {
    case ControlKind::kCheckBox:
      ::SendMessageW(hwnd, BM_SETCHECK, control.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case ControlKind::kTextArea:
      ::SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);  // no limit but memory
      // A text longer than the default limit was kept for it: set it again.
      if (control.text.size() > 30000) ::SetWindowTextW(hwnd, control.text.c_str());
      break;
    case ControlKind::kLabel:
      AutoSizeLabel(control);
      break;
    case ControlKind::kStatusList:
      SetUpStatusList(control);
      ShowStatusRows(0);
      break;
    default:
      break;
  }
  control.text.clear();  // the window holds it from now on
  return hwnd;
}

// The row images: 16 x 16 at 96 DPI, larger in step with the DPI; made with
// the first row, as an empty list shows none. Icons carry their alpha channel
// unambiguously on every Windows from XP on.
void MainWindow::MakeRowImages(HWND list) {
  if (row_images_ != nullptr) return;
  const int size = ::MulDiv(kRowImageSize, dpi_y_, 96);
  row_images_ = ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 2, 0);
  for (const int picture : {QUILLET_CHECK_PICTURE, QUILLET_CROSS_PICTURE}) {
    HICON icon = nullptr;
    if (std::optional<RasterImage> image = LoadPicture(instance_, picture, size, size)) {
      icon = CreateAlphaIcon(*image);
    }
    if (icon) {
      ::ImageList_AddIcon(row_images_, icon);
      ::DestroyIcon(icon);
    } else {
      // Keeps the image numbers right even without the picture.
      HICON blank = ::CreateIcon(instance_, 1, 1, 1, 1, std::array<BYTE, 4>{0xFF}.data(),
                                 std::array<BYTE, 4>{0}.data());
      ::ImageList_AddIcon(row_images_, blank);
      if (blank) ::DestroyIcon(blank);
    }
  }
  ListView_SetImageList(list, row_images_, LVSIL_SMALL);
}

void MainWindow::SetUpStatusList(Control& control) {
  HWND list = control.hwnd;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_LABELTIP);

  int column = 0;
  for (const ColumnSpec& spec : kStatusColumns) {
    std::wstring header = Widen(spec.header);
    LVCOLUMNW item{};
    item.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    item.cx = ToPixelsX(static_cast<float>(spec.width));
    item.pszText = header.data();
    item.iSubItem = column;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                   reinterpret_cast<LPARAM>(&item));
    ++column;
  }
}

// An auto-sized label keeps its Left and Top and takes the size of its text; a
// height the form fixes stays. A label of fixed size whose caption is wider
// grows to the right as far as the text needs, so a caption is never cut short
// where the face is wider than the one the layout was made with.
void MainWindow::AutoSizeLabel(Control& control) {
  const ControlSpec& spec = *control.spec;
  // One memory DC measures every label: cheaper than a window's DC each time.
  if (measure_dc_ == nullptr) measure_dc_ = ::CreateCompatibleDC(nullptr);
  HDC dc = measure_dc_;
  HGDIOBJ old_font = ::SelectObject(dc, control.font);
  const std::wstring text = WideWindowText(control.hwnd);
  RECT extent{0, 0, 0, 0};
  ::DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &extent, DT_CALCRECT | DT_NOPREFIX);
  // With a TrueType face (standing in for the bitmap one where that is
  // missing) the ink of the last letter may reach past its advance, by its
  // overhang or by a pixel of smoothing; the label takes that in, so no
  // letter is cut. A bitmap face draws exactly within its advance.
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ABC last{};
  if (!text.empty() && (metrics.tmPitchAndFamily & TMPF_TRUETYPE) &&
      ::GetCharABCWidthsW(dc, text.back(), text.back(), &last)) {
    extent.right += std::max(1, -last.abcC);
  }
  ::SelectObject(dc, old_font);
  if (text.empty()) extent.right = 0;

  const RECT now = RectInParent(control.hwnd);
  int width = now.right - now.left;
  int height = now.bottom - now.top;
  if (spec.auto_size) {
    width = extent.right;
    if (spec.rect.height == 0) height = extent.bottom;
  } else if (extent.right > width && spec.align == TextAlign::kLeft) {
    width = extent.right;
  } else {
    return;
  }
  ::SetWindowPos(control.hwnd, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Window procedures ------------------------------------------------------

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    for (Control& control : self->controls_) control.hwnd = nullptr;
    self->by_handle_.clear();
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

// A page passes its controls' notifications to the window, and paints itself
// in its back colour.
LRESULT CALLBACK MainWindow::PageProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return self->HandleMessage(message, wparam, lparam);
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
      // Themed buttons and check boxes ask their parent for the background too.
      HDC dc = reinterpret_cast<HDC>(wparam);
      RECT client{};
      ::GetClientRect(hwnd, &client);
      const Control* page = self->FindByHandle(hwnd);
      ::FillRect(dc, &client, self->Brush(page ? page->back_colour : kPageColour));
      return 1;
    }
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(wparam, lparam);
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      if (FindByHandle(reinterpret_cast<HWND>(lparam)) != nullptr) {
        return OnControlColour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
      }
      break;
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return TRUE;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        HWND focus = ::GetFocus();
        if (focus && ::IsChild(hwnd_, focus)) last_focus_ = focus;
      } else if (OnActivate()) {
        return 0;
      }
      break;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_QUERYENDSESSION:
      // Logging off under a running modification would cut it short and leave
      // the package half done; the system asks again once the user has seen why.
      return busy_ ? FALSE : TRUE;
    case WM_ENDSESSION:
      // The session ends without the window being destroyed: the close
      // sequence (saving the remembered folders) runs now.
      if (wparam && events_ != nullptr) events_->Destroyed();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd_, message, wparam, lparam);
}

// ---- Message handlers -------------------------------------------------------

LRESULT MainWindow::OnCommand(WPARAM wparam, LPARAM lparam) {
  const Control* control = FindByHandle(reinterpret_cast<HWND>(lparam));
  if (control == nullptr || events_ == nullptr) return 0;
  // A switched-off control does nothing, however its notification came about
  // (a BM_CLICK sent to it, say).
  if (!::IsWindowEnabled(control->hwnd)) return 0;
  const UINT code = HIWORD(wparam);
  switch (control->spec->kind) {
    case ControlKind::kButton:
    case ControlKind::kStepButton:
    case ControlKind::kCheckBox:
      if (code == BN_CLICKED) events_->Click(control->spec->name);
      break;
    case ControlKind::kTextBox:
      if (code == EN_CHANGE) events_->TextChanged(control->spec->name);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT MainWindow::OnNotify(const NMHDR& header) {
  const Control* control = FindByHandle(header.hwndFrom);
  if (control == nullptr || control->spec->kind != ControlKind::kStatusList) return 0;
  switch (header.code) {
    case NM_CUSTOMDRAW:
      return OnListCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
    case LVN_GETINFOTIPW:
      OnListInfoTip(*reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&header)));
      return 0;
    default:
      return 0;
  }
}

LRESULT MainWindow::OnControlColour(HDC dc, HWND hwnd) {
  const Control* control = FindByHandle(hwnd);
  std::uint32_t back = control->back_colour;
  const std::uint32_t text = control->spec->text_colour;
  switch (control->spec->kind) {
    case ControlKind::kTextBox:
    case ControlKind::kTextArea:
      if (back == kSystemColour) back = FromColorRef(::GetSysColor(COLOR_WINDOW));
      ::SetTextColor(dc,
                     text == kSystemColour ? ::GetSysColor(COLOR_WINDOWTEXT) : ToColorRef(text));
      break;
    case ControlKind::kCheckBox:
    case ControlKind::kButton:
      // A button's corners and a check box's text lie on the page.
      if (back == kSystemColour && control->parent != kNoParent) {
        back = controls_[control->parent].back_colour;
      }
      if (back == kSystemColour) back = FromColorRef(::GetSysColor(COLOR_BTNFACE));
      if (text != kSystemColour) ::SetTextColor(dc, ToColorRef(text));
      break;
    default:
      if (back == kSystemColour) back = FromColorRef(::GetSysColor(COLOR_BTNFACE));
      break;
  }
  ::SetBkColor(dc, ToColorRef(back));
  return reinterpret_cast<LRESULT>(Brush(back));
}

void MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
  Control* control = FindByHandle(item.hwndItem);
  if (control == nullptr) return;
  switch (control->spec->kind) {
    case ControlKind::kStepButton:
      DrawStepButton(item, *control);
      break;
    case ControlKind::kLabel:
      DrawLabel(item, *control);
      break;
    case ControlKind::kPicture:
      PaintBackdrop(item.hDC, static_cast<std::size_t>(control - &controls_[0]), item.rcItem);
      DrawPicture(item.hDC, *control, 0, 0);
      break;
    default:
      break;
  }
}

bool MainWindow::OnSetCursor() {
  if (!busy_) return false;
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  return true;
}

// Dialog-like focus: coming back to the window returns the focus to the control
// that had it, or to the first in the tab order.
bool MainWindow::OnActivate() {
  HWND target = last_focus_ && ::IsWindow(last_focus_) && ::IsWindowVisible(last_focus_) &&
                        ::IsWindowEnabled(last_focus_)
                    ? last_focus_
                    : nullptr;
  if (target == nullptr) {
    for (const std::string_view name : TabOrder()) {
      HWND candidate = HandleIfMade(name);
      if (candidate && ::IsWindowVisible(candidate) && ::IsWindowEnabled(candidate)) {
        target = candidate;
        break;
      }
    }
  }
  if (target == nullptr) return false;
  ::SetFocus(target);
  return true;
}

void MainWindow::OnClose() {
  if (events_ != nullptr && !events_->CloseRequested()) return;
  ::DestroyWindow(hwnd_);
}

void MainWindow::OnDestroy() {
  if (events_ != nullptr) events_->Destroyed();
  if (options_.quit_when_destroyed) ::PostQuitMessage(0);
}

// ---- Drawing ----------------------------------------------------------------

// A command button in graphical style: its back colour with a raised 3-D edge
// (sunken while pressed), the caption centred and wrapped at spaces.
void MainWindow::DrawStepButton(const DRAWITEMSTRUCT& item, const Control& control) {
  HDC dc = item.hDC;
  RECT bounds = item.rcItem;
  ::FillRect(dc, &bounds, Brush(control.back_colour));
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  ::DrawEdge(dc, &bounds, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);

  const std::wstring caption = WideWindowText(item.hwndItem);
  RECT area = bounds;
  ::InflateRect(&area, -2, -2);
  if (pressed) ::OffsetRect(&area, 1, 1);
  HGDIOBJ old_font = ::SelectObject(dc, control.font);

  // A word wider than the button ("Quillet" in a wide face) is drawn in a
  // smaller size rather than cut off at both edges: a step smaller at a time,
  // since a face's width does not shrink exactly with its height.
  auto longest_word = [&caption, dc] {
    int longest = 0;
    for (std::size_t start = 0; start < caption.size();) {
      std::size_t end = caption.find(L' ', start);
      if (end == std::wstring::npos) end = caption.size();
      // Measured as DrawText lays it out, which is what decides the breaks.
      RECT extent{0, 0, 0, 0};
      ::DrawTextW(dc, caption.c_str() + start, static_cast<int>(end - start), &extent,
                  DT_CALCRECT | DT_SINGLELINE);
      longest = std::max<int>(longest, extent.right);
      start = end + 1;
    }
    return longest;
  };
  HFONT smaller = nullptr;
  // A pixel spare on each side: a smoothed face's ink reaches past its advance,
  // and a line that fills the width exactly may be broken inside the word.
  const int available = area.right - area.left - 2;
  if (available > 0 && longest_word() > available) {
    LOGFONTW description{};
    ::GetObjectW(control.font, sizeof(description), &description);
    description.lfWidth = 0;
    for (int height = std::abs(description.lfHeight) - 1; height >= 6; --height) {
      description.lfHeight = description.lfHeight < 0 ? -height : height;
      HFONT candidate = ::CreateFontIndirectW(&description);
      if (candidate == nullptr) break;
      ::SelectObject(dc, candidate);
      if (smaller) ::DeleteObject(smaller);
      smaller = candidate;
      if (longest_word() <= available) break;
    }
  }

  UINT flags = DT_CENTER | DT_WORDBREAK;
  if (item.itemState & ODS_NOACCEL) flags |= DT_HIDEPREFIX;
  RECT measured = area;
  ::DrawTextW(dc, caption.c_str(), -1, &measured, flags | DT_CALCRECT);
  const int spare = (area.bottom - area.top) - (measured.bottom - measured.top);
  if (spare > 0) area.top += spare / 2;
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc,
                 ::GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  ::DrawTextW(dc, caption.c_str(), -1, &area, flags);

  ::SelectObject(dc, old_font);
  if (smaller) ::DeleteObject(smaller);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = bounds;
    ::InflateRect(&focus, -4, -4);
    ::DrawFocusRect(dc, &focus);
  }
}

// Labels are drawn transparent, so a picture behind one shows around its text.
void MainWindow::DrawLabel(const DRAWITEMSTRUCT& item, const Control& control) {
  HDC dc = item.hDC;
  PaintBackdrop(dc, static_cast<std::size_t>(&control - &controls_[0]), item.rcItem);
  HGDIOBJ old_font = ::SelectObject(dc, control.font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ToColorRef(TextColour(control.spec->name)));
  UINT flags = DT_NOPREFIX | DT_WORDBREAK;
  switch (control.spec->align) {
    case TextAlign::kRight:
      flags |= DT_RIGHT;
      break;
    case TextAlign::kCentre:
      flags |= DT_CENTER;
      break;
    case TextAlign::kLeft:
      flags |= DT_LEFT;
      break;
  }
  RECT area = item.rcItem;
  const std::wstring text = WideWindowText(item.hwndItem);
  ::DrawTextW(dc, text.c_str(), -1, &area, flags);
  ::SelectObject(dc, old_font);
}

void MainWindow::DrawPicture(HDC dc, Control& picture, int x, int y) {
  const ControlSpec& spec = *picture.spec;
  RECT client{};
  ::GetClientRect(picture.hwnd, &client);
  int width = client.right;
  int height = client.bottom;
  if (!spec.stretched) {
    // At its own size: the drawing's size at 96 DPI, in step with the DPI.
    if (const auto natural = PictureNaturalSize(instance_, spec.picture)) {
      width = ::MulDiv(natural->width, dpi_x_, 96);
      height = ::MulDiv(natural->height, dpi_y_, 96);
    }
  }
  if (!picture.picture_tried) {
    // Made on first use, so pictures of pages nobody opens cost nothing.
    picture.picture_tried = true;
    if (auto image = LoadPicture(instance_, spec.picture, width, height)) {
      picture.picture = CreatePremultipliedBitmap(*image);
    }
  }
  if (picture.picture == nullptr) return;
  HDC source = ::CreateCompatibleDC(dc);
  HGDIOBJ old_bitmap = ::SelectObject(source, picture.picture);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ::GdiAlphaBlend(dc, x, y, width, height, source, 0, 0, width, height, blend);
  ::SelectObject(source, old_bitmap);
  ::DeleteDC(source);
}

void MainWindow::PaintBackdrop(HDC dc, std::size_t index, const RECT& area) {
  const Control& control = controls_[index];
  std::uint32_t colour =
      control.parent == kNoParent ? kSystemColour : controls_[control.parent].back_colour;
  if (colour == kSystemColour) colour = FromColorRef(::GetSysColor(COLOR_BTNFACE));
  ::FillRect(dc, &area, Brush(colour));
  const RECT mine = RectInParent(control.hwnd);
  for (std::size_t below = 0; below < index; ++below) {
    Control& other = controls_[below];
    if (other.parent != control.parent || other.spec->kind != ControlKind::kPicture ||
        other.hwnd == nullptr || !(::GetWindowLongW(other.hwnd, GWL_STYLE) & WS_VISIBLE)) {
      continue;
    }
    const RECT theirs = RectInParent(other.hwnd);
    RECT overlap{};
    if (::IntersectRect(&overlap, &mine, &theirs)) {
      DrawPicture(dc, other, theirs.left - mine.left, theirs.top - mine.top);
    }
  }
}

// The action column in bold and the row's colour; the values in the list's
// own font and colour.
LRESULT MainWindow::OnListCustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const std::size_t row = draw.nmcd.dwItemSpec;
      if (row >= rows_.size()) return CDRF_DODEFAULT;
      if (draw.iSubItem == 0) {
        draw.clrText = ToColorRef(rows_[row].colour);
        ::SelectObject(draw.nmcd.hdc, BoldListFont());
      } else {
        draw.clrText = ::GetSysColor(COLOR_WINDOWTEXT);
        ::SelectObject(draw.nmcd.hdc, Font(FontRole::kDefault));
      }
      return CDRF_NEWFONT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

// The tool tip of a row is its message (none when empty); of a value, the value.
void MainWindow::OnListInfoTip(NMLVGETINFOTIPW& tip) {
  if (tip.pszText == nullptr || tip.cchTextMax <= 0) return;
  tip.pszText[0] = L'\0';
  if (tip.iItem < 0 || static_cast<std::size_t>(tip.iItem) >= rows_.size()) return;
  const StatusRow& row = rows_[static_cast<std::size_t>(tip.iItem)];
  const std::string& text =
      tip.iSubItem == 1 ? row.value1 : (tip.iSubItem == 2 ? row.value2 : row.message);
  const std::wstring wide = Widen(text);
  const std::size_t count = std::min<std::size_t>(wide.size(), tip.cchTextMax - 1);
  std::copy_n(wide.c_str(), count, tip.pszText);
  tip.pszText[count] = L'\0';
}

void MainWindow::ShowStatusRows(std::size_t from) {
  const Control* list = Find("lvwStatus");
  if (list == nullptr || list->hwnd == nullptr) return;  // shown when it is made
  if (from < rows_.size()) MakeRowImages(list->hwnd);
  for (std::size_t i = from; i < rows_.size(); ++i) {
    const StatusRow& row = rows_[i];
    std::wstring action = Widen(row.action);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(i);
    item.pszText = action.data();
    item.iImage = row.check_mark ? 0 : 1;
    const auto at = static_cast<int>(
        ::SendMessageW(list->hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) continue;
    int sub_item = 1;
    for (const std::string* value : {&row.value1, &row.value2}) {
      std::wstring text = Widen(*value);
      LVITEMW sub{};
      sub.iSubItem = sub_item++;
      sub.pszText = text.data();
      ::SendMessageW(list->hwnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(at),
                     reinterpret_cast<LPARAM>(&sub));
    }
  }
}

// ---- Keyboard ---------------------------------------------------------------

bool MainWindow::PreTranslateMessage(MSG& message) {
  if (hwnd_ == nullptr || (message.hwnd != hwnd_ && !::IsChild(hwnd_, message.hwnd))) {
    return false;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && ::GetKeyState(VK_CONTROL) >= 0 &&
      ::GetKeyState(VK_MENU) >= 0) {
    MoveFocus(::GetKeyState(VK_SHIFT) >= 0);
    return true;
  }
  return ::IsDialogMessageW(hwnd_, &message) != FALSE;
}

// The next (or previous) control of the tab order that can take the focus:
// shown, on the page in front, and enabled. An edit box is entered with its
// text selected, as in a dialog.
void MainWindow::MoveFocus(bool forward) {
  const auto order = TabOrder();
  const int count = static_cast<int>(order.size());
  if (count == 0) return;
  HWND focus = ::GetFocus();
  int current = -1;
  for (int i = 0; i < count; ++i) {
    HWND candidate = HandleIfMade(order[static_cast<std::size_t>(i)]);
    if (candidate && (candidate == focus || ::IsChild(candidate, focus))) current = i;
  }
  for (int step = 1; step <= count; ++step) {
    int next = 0;
    if (current < 0) {
      next = forward ? step - 1 : count - step;
    } else {
      next = ((current + (forward ? step : -step)) % count + count) % count;
    }
    HWND candidate = HandleIfMade(order[static_cast<std::size_t>(next)]);
    if (candidate == nullptr || !::IsWindowVisible(candidate) || !::IsWindowEnabled(candidate)) {
      continue;
    }
    ::SetFocus(candidate);
    const Control* control = FindByHandle(candidate);
    if (control && control->spec->kind == ControlKind::kTextBox) {
      ::SendMessageW(candidate, EM_SETSEL, 0, -1);
    }
    return;
  }
}

// ---- The view ---------------------------------------------------------------

HWND MainWindow::ControlHandle(std::string_view name) {
  if (name == "frmMain") return hwnd_;
  Control* control = Find(name);
  if (control == nullptr) return nullptr;
  MakeHandle(*control);
  return control->hwnd;
}

HWND MainWindow::HandleIfMade(std::string_view name) const {
  const Control* control = Find(name);
  return control ? control->hwnd : nullptr;
}

std::string_view MainWindow::ControlName(HWND control) const {
  const auto found = by_handle_.find(control);
  return found == by_handle_.end() ? std::string_view() : controls_[found->second].spec->name;
}

void MainWindow::SetText(std::string_view name, const std::string& text) {
  Control* control = Find(name);
  if (control == nullptr) return;
  if (control->hwnd == nullptr) {
    control->text = Widen(text);
    return;
  }
  ::SetWindowTextW(control->hwnd, Widen(text).c_str());
  if (control->spec->kind == ControlKind::kLabel) {
    AutoSizeLabel(*control);
    ::InvalidateRect(control->hwnd, nullptr, TRUE);
  }
}

std::string MainWindow::Text(std::string_view name) const {
  const Control* control = Find(name);
  if (control == nullptr) return {};
  return control->hwnd ? WindowText(control->hwnd) : Narrow(control->text);
}

void MainWindow::SetEnabled(std::string_view name, bool enabled) {
  Control* control = Find(name);
  if (control == nullptr) return;
  if (control->hwnd == nullptr) {
    control->enabled = enabled;
    return;
  }
  ::EnableWindow(control->hwnd, enabled ? TRUE : FALSE);
  // Owner-drawn labels change their text colour.
  ::InvalidateRect(control->hwnd, nullptr, TRUE);
}

bool MainWindow::IsEnabled(std::string_view name) const {
  const Control* control = Find(name);
  if (control == nullptr) return false;
  // The control's own state: a window is disabled only by its WS_DISABLED.
  return control->hwnd ? ::IsWindowEnabled(control->hwnd) != FALSE : control->enabled;
}

void MainWindow::SetBackColour(std::string_view name, std::uint32_t bgr) {
  Control* control = Find(name);
  if (control == nullptr) return;
  control->back_colour = bgr;
  if (control->hwnd) ::InvalidateRect(control->hwnd, nullptr, TRUE);
}

std::uint32_t MainWindow::BackColour(std::string_view name) const {
  const Control* control = Find(name);
  return control ? control->back_colour : kSystemColour;
}

std::uint32_t MainWindow::TextColour(std::string_view name) const {
  const Control* control = Find(name);
  if (control == nullptr) return kSystemColour;
  if (control->spec->kind == ControlKind::kLabel && !IsEnabled(name)) {
    // Switched-off labels in a grey that stays readable on the page colour.
    return kGreyTextColour;
  }
  if (control->spec->text_colour != kSystemColour) return control->spec->text_colour;
  return FromColorRef(::GetSysColor(COLOR_WINDOWTEXT));
}

HFONT MainWindow::ControlFont(std::string_view name) {
  Control* control = Find(name);
  if (control == nullptr) return nullptr;
  return control->spec->name == "txtCode" ? CodeFont() : Font(control->spec->font);
}

void MainWindow::SetVisible(std::string_view name, bool visible) {
  Control* control = Find(name);
  if (control == nullptr) return;
  // A page is filled with its controls before it is first shown.
  if (visible && control->spec->kind == ControlKind::kPage) {
    MakeHandle(*control);
    MakeControlsOf(static_cast<std::size_t>(control - &controls_[0]));
  }
  if (control->hwnd == nullptr) {
    control->visible = visible;
    return;
  }
  ::ShowWindow(control->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool MainWindow::IsVisible(std::string_view name) const {
  const Control* control = Find(name);
  if (control == nullptr) return false;
  // Its own shown state, whether or not its page or the window is on screen.
  return control->hwnd ? (::GetWindowLongW(control->hwnd, GWL_STYLE) & WS_VISIBLE) != 0
                       : control->visible;
}

void MainWindow::BringToFront(std::string_view name) {
  HWND hwnd = ControlHandle(name);
  if (hwnd == nullptr) return;
  ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TwipsRect MainWindow::Rect(std::string_view name) const {
  // Every rectangle asked for is of a window-level control (the pages, the
  // step buttons), which always exist; another that is not made yet is where
  // the form puts it.
  const Control* control = Find(name);
  if (control == nullptr) return {};
  if (control->hwnd == nullptr) return control->spec->rect;
  const RECT rect = RectInParent(control->hwnd);
  return PixelsToTwips({rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top},
                       twips_per_pixel_x_, twips_per_pixel_y_);
}

void MainWindow::SetRect(std::string_view name, const MarkerRect& twips) {
  HWND hwnd = ControlHandle(name);
  if (hwnd == nullptr) return;
  ::MoveWindow(hwnd, ToPixelsX(twips.left), ToPixelsY(twips.top), ToPixelsX(twips.width),
               ToPixelsY(twips.height), TRUE);
}

void MainWindow::SetChecked(std::string_view name, bool checked) {
  Control* control = Find(name);
  if (control == nullptr) return;
  if (control->hwnd == nullptr) {
    control->checked = checked;
    return;
  }
  ::SendMessageW(control->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool MainWindow::IsChecked(std::string_view name) const {
  const Control* control = Find(name);
  if (control == nullptr) return false;
  if (control->hwnd == nullptr) return control->checked;
  return ::SendMessageW(control->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::FocusAndSelectAll(std::string_view name) {
  if (HWND hwnd = ControlHandle(name)) {
    ::SetFocus(hwnd);
    ::SendMessageW(hwnd, EM_SETSEL, 0, -1);
  }
}

void MainWindow::StatusRowsChanged(const StatusLog& log, int appended_row) {
  const Control* list = Find("lvwStatus");
  const std::size_t shown = rows_.size();
  rows_ = log.Rows();
  if (list == nullptr || list->hwnd == nullptr) return;
  if (appended_row < 0 || static_cast<std::size_t>(appended_row) != shown) {
    ::SendMessageW(list->hwnd, LVM_DELETEALLITEMS, 0, 0);
    ShowStatusRows(0);
    return;
  }
  ShowStatusRows(shown);
}

void MainWindow::SelectStatusRow(int row) {
  HWND list = ControlHandle("lvwStatus");
  if (list == nullptr || row < 0) return;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&state));
  ::SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

// The size given is the outer size, frame included; the system's frame for
// this style (AdjustWindowRectEx) is what remains for the client area.
void MainWindow::SetOuterSize(int width_twips, int height_twips) {
  if (hwnd_ == nullptr) return;
  ::SetWindowPos(hwnd_, nullptr, 0, 0, ToPixelsX(static_cast<float>(width_twips)),
                 ToPixelsY(static_cast<float>(height_twips)),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::SetBusy(bool busy) {
  if (busy == busy_) return;
  if (busy) {
    busy_ = true;
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return;
  }
  // Clicks and keys that reached the queue while the work ran without pumping
  // are dropped too, so none of them takes effect after it.
  DropQueuedInput();
  busy_ = false;
  POINT at{};
  ::GetCursorPos(&at);
  HWND under = ::WindowFromPoint(at);
  if (under && (under == hwnd_ || ::IsChild(hwnd_, under))) {
    const LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                   MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
  }
}

// Paints, timers and everything else are handled. While busy, the user's
// clicks and keys are dropped, not queued; Escape and a close (the close box,
// Alt+F4) are passed on, so the user can ask to stop.
void MainWindow::PumpEvents() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the message loop, which ends once the work is done.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (busy_ && IsUserInput(message.message)) {
      HandleInputWhileBusy(message);
      continue;
    }
    if (!busy_ && PreTranslateMessage(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void MainWindow::HandleInputWhileBusy(const MSG& message) {
  const bool ours = hwnd_ && (message.hwnd == hwnd_ || ::IsChild(hwnd_, message.hwnd));
  if (!ours) return;
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
    if (events_) events_->EscapePressed();
    return;
  }
  if (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4) {
    ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    return;
  }
  // The caption's buttons: the close box asks to close (WM_CLOSE); the window
  // can be moved and minimised while the command runs.
  if (message.message >= WM_NCMOUSEMOVE && message.message <= WM_NCMBUTTONDBLCLK) {
    ::DispatchMessageW(&message);
  }
}

void MainWindow::DropQueuedInput() {
  MSG message;
  const std::pair<UINT, UINT> ranges[] = {{WM_KEYFIRST, WM_KEYLAST},
                                          {WM_MOUSEFIRST, WM_MOUSELAST},
                                          {WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK},
                                          {0x00AB, 0x00AD}};
  for (const auto& [first, last] : ranges) {
    while (::PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) {
      // PeekMessage hands out WM_QUIT whatever the range asked for.
      if (message.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
    }
  }
}

// Closes as the user's close does, asking the page logic first; posted, so
// the window never goes away under the handler that asked.
void MainWindow::Close() {
  if (hwnd_ != nullptr) ::PostMessageW(hwnd_, WM_CLOSE, 0, 0);
}

// ---- Helpers ----------------------------------------------------------------

MainWindow::Control* MainWindow::Find(std::string_view name) {
  const auto found = by_name_.find(name);
  return found == by_name_.end() ? nullptr : &controls_[found->second];
}

const MainWindow::Control* MainWindow::Find(std::string_view name) const {
  const auto found = by_name_.find(name);
  return found == by_name_.end() ? nullptr : &controls_[found->second];
}

MainWindow::Control* MainWindow::FindByHandle(HWND hwnd) {
  const auto found = by_handle_.find(hwnd);
  return found == by_handle_.end() ? nullptr : &controls_[found->second];
}

HBRUSH MainWindow::Brush(std::uint32_t bgr) {
  auto found = brushes_.find(bgr);
  if (found != brushes_.end()) return found->second;
  HBRUSH brush = ::CreateSolidBrush(ToColorRef(bgr));
  brushes_[bgr] = brush;
  return brush;
}

int MainWindow::ToPixelsX(float twips) const { return TwipsToPixels(twips, twips_per_pixel_x_); }

int MainWindow::ToPixelsY(float twips) const { return TwipsToPixels(twips, twips_per_pixel_y_); }

int RunMessageLoop(MainWindow& window) {
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window.PreTranslateMessage(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

}  // namespace quillet::win32
