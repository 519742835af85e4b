#include "win32/main_window.h"

// After windows.h (main_window.h), which it builds on: the roles of screen readers' objects.
#include <oleacc.h>

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
// Where a control keeps its own window procedure while ControlProc is in front of it.
constexpr wchar_t kOwnProcedure[] = L"Quillet.OwnProcedure";

// Control IDs start above the dialog manager's IDOK and IDCANCEL, so Enter and
// Escape reach no control.
constexpr int kFirstControlId = 1000;

// Sent to a per-monitor aware window when its DPI changes: its wparam holds
// the new DPI, its lparam the suggested window rectangle. (The headers name
// it only for Windows 7 and later.)
constexpr UINT kDpiChangedMessage = 0x02E0;

// The step buttons' raised edges in the classic greys, whatever colours the
// desktop gives its own 3-D edges: a dark scheme's would vanish beside the
// light grey and lavender of the buttons.
constexpr std::uint32_t kEdgeHighlight = 0xFFFFFF;
constexpr std::uint32_t kEdgeLight = 0xDFDFDF;
constexpr std::uint32_t kEdgeShadow = 0x808080;
constexpr std::uint32_t kEdgeDarkShadow = 0x000000;

// A check box's box at 96 DPI (the same in the classic look and in themes),
// and the room between it and the text.
constexpr int kCheckBoxSize = 13;
constexpr int kCheckBoxGap = 4;
// The room a push button's caption needs on each side at 96 DPI: the raised
// edge and a pixel of air.
constexpr int kButtonEdge = 3;

COLORREF ToColorRef(std::uint32_t bgr) { return static_cast<COLORREF>(bgr & 0xFFFFFF); }

std::uint32_t FromColorRef(COLORREF colour) { return static_cast<std::uint32_t>(colour); }

bool IsUserInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK) ||
         (message >= 0x00AB && message <= 0x00AD);  // WM_NCXBUTTONDOWN .. WM_NCXBUTTONDBLCLK
}

std::wstring WideWindowText(HWND hwnd) {
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

// The window text of any window, as UTF-8.
std::string WindowText(HWND hwnd) { return Narrow(WideWindowText(hwnd)); }

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

// The DPI of the screen the window is on. Windows 10 (1607 and later) tells
// it per window and Windows 8.1 per screen, where the program is aware of
// each screen's DPI; before them every screen has the system's.
int WindowDpi(HWND hwnd, int system_dpi) {
  using PerWindow = UINT(WINAPI*)(HWND);
  static const auto per_window = reinterpret_cast<PerWindow>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (per_window != nullptr) {
    const UINT dpi = per_window(hwnd);
    return dpi > 0 ? static_cast<int>(dpi) : system_dpi;
  }
  using PerScreen = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto per_screen = [] {
    HMODULE library = ::LoadLibraryW(L"shcore.dll");
    return library ? reinterpret_cast<PerScreen>(
                         reinterpret_cast<void*>(::GetProcAddress(library, "GetDpiForMonitor")))
                   : nullptr;
  }();
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (per_screen != nullptr &&
      SUCCEEDED(per_screen(::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), kEffectiveDpi,
                           &dpi_x, &dpi_y)) &&
      dpi_x > 0) {
    return static_cast<int>(dpi_x);
  }
  return system_dpi;
}

// One colour along one edge of a rectangle, a pixel wide.
void FillLine(HDC dc, int left, int top, int right, int bottom, std::uint32_t bgr) {
  const RECT line{left, top, right, bottom};
  ::SetBkColor(dc, ToColorRef(bgr));
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &line, nullptr, 0, nullptr);
}

// A 3-D edge two pixels deep, as DrawEdge draws EDGE_RAISED (EDGE_SUNKEN when
// pressed), in fixed colours.
void DrawClassicEdge(HDC dc, const RECT& bounds, bool sunken) {
  struct Ring {
    std::uint32_t top_left;
    std::uint32_t bottom_right;
  };
  const Ring outer = sunken ? Ring{kEdgeShadow, kEdgeHighlight} : Ring{kEdgeLight, kEdgeDarkShadow};
  const Ring inner = sunken ? Ring{kEdgeDarkShadow, kEdgeLight} : Ring{kEdgeHighlight, kEdgeShadow};
  RECT r = bounds;
  for (const Ring& ring : {outer, inner}) {
    if (r.right - r.left < 2 || r.bottom - r.top < 2) return;
    FillLine(dc, r.left, r.top, r.right - 1, r.top + 1, ring.top_left);
    FillLine(dc, r.left, r.top, r.left + 1, r.bottom - 1, ring.top_left);
    FillLine(dc, r.left, r.bottom - 1, r.right, r.bottom, ring.bottom_right);
    FillLine(dc, r.right - 1, r.top, r.right, r.bottom, ring.bottom_right);
    ::InflateRect(&r, -1, -1);
  }
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, WindowOptions options)
    : instance_(instance), options_(options) {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof(classes);
  classes.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&classes);
  RegisterClasses();

  wchar_t face[LF_FACESIZE] = {};
  const DWORD face_length = ::GetEnvironmentVariableW(L"QUILLET_FONT", face, LF_FACESIZE);
  if (face_length > 0 && face_length < LF_FACESIZE) face_override_ = face;

  // Everything is laid out in twips, turned into pixels by the logical DPI:
  // the system's first, then the screen's the window lands on (the manifest
  // declares the program aware of each screen's DPI, so the system reports
  // the real one and does not stretch the window's bitmap).
  HDC screen = ::GetDC(nullptr);
  SetDpi(std::max(::GetDeviceCaps(screen, LOGPIXELSX), 1),
         std::max(::GetDeviceCaps(screen, LOGPIXELSY), 1));
  ::ReleaseDC(nullptr, screen);

  // A fixed layout: the window can be moved and minimised, not resized or maximised.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  ::CreateWindowExW(0, kWindowClass, Widen(kWindowCaption).c_str(), style, CW_USEDEFAULT,
                    CW_USEDEFAULT, ToPixelsX(kWindowOuterWidth), ToPixelsY(kWindowOuterHeight),
                    nullptr, nullptr, instance_, this);
  if (hwnd_ == nullptr) return;
  if (const int dpi = WindowDpi(hwnd_, dpi_y_); dpi != dpi_y_) {
    SetDpi(dpi, dpi);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, ToPixelsX(kWindowOuterWidth),
                   ToPixelsY(kWindowOuterHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
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
    // No class brush: the client area is painted in kClientColour (WM_ERASEBKGND).
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

void MainWindow::SetDpi(int dpi_x, int dpi_y) {
  dpi_x_ = dpi_x;
  dpi_y_ = dpi_y;
  twips_per_pixel_x_ = TwipsPerPixel(dpi_x_);
  twips_per_pixel_y_ = TwipsPerPixel(dpi_y_);
}

HFONT MainWindow::Font(FontRole role) {
  // Made when first needed: the about page's faces only when it is shown.
  HFONT& font = fonts_[role];
  if (font == nullptr) {
    const FontSpec spec = FontOf(role);
    const std::wstring face = face_override_.empty() ? Widen(spec.face) : face_override_;
    font = MakeFont(face.c_str(), spec.points, spec.bold, dpi_y_);
  }
  return font;
}

HFONT MainWindow::BoldListFont() {
  if (bold_list_font_ == nullptr) {
    const FontSpec window_font = FontOf(FontRole::kDefault);
    const std::wstring face = face_override_.empty() ? Widen(window_font.face) : face_override_;
    bold_list_font_ = MakeFont(face.c_str(), window_font.points, true, dpi_y_);
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
    control.accessible_name = Widen(AccessibleNameOf(spec));
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
// Then each label that names a box goes just in front of it, as a dialog's
// label comes just before its box: screen readers name a box by the label
// there.
void MainWindow::MakeControlsOf(std::size_t parent) {
  HWND last_made = nullptr;  // the first in the form, made last
  HWND front = nullptr;      // the last in the form, made first
  for (std::size_t index = controls_.size(); index-- > 0;) {
    Control& control = controls_[index];
    if (control.parent != parent || control.hwnd != nullptr) continue;
    // Pages come one by one (MakeHandle); they lie beside the step buttons.
    if (control.spec->kind == ControlKind::kPage) continue;
    if (HWND hwnd = CreateControl(control)) {
      if (front == nullptr) front = hwnd;
      last_made = hwnd;
    }
  }
  if (front == nullptr) return;
  HWND parent_window = parent == kNoParent ? hwnd_ : controls_[parent].hwnd;
  if (front != last_made && ::GetWindow(parent_window, GW_CHILD) != front) {
    for (const Control& control : controls_) {
      if (control.parent == parent && control.hwnd) {
        ::SetWindowPos(control.hwnd, HWND_TOP, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
      }
    }
  }
  for (Control& box : controls_) {
    if (box.parent != parent || box.hwnd == nullptr || box.spec->labelled_by.empty()) continue;
    Control* label = Find(box.spec->labelled_by);
    if (label == nullptr || label->hwnd == nullptr) continue;
    HWND above = ::GetWindow(box.hwnd, GW_HWNDPREV);
    if (above != label->hwnd) {
      ::SetWindowPos(label->hwnd, above ? above : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    CutOverlaps(*label);
  }
}

void MainWindow::MakeHandle(Control& control) {
  if (control.hwnd != nullptr || hwnd_ == nullptr) return;
  if (control.spec->kind == ControlKind::kPage) {
    CreateControl(control);
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
  control.font = Font(spec.font);
  // A label, the check box and a push button are made where their text puts
  // them, so they are not moved (and their neighbours not redrawn) right after.
  const bool placed_by_text = spec.kind == ControlKind::kLabel ||
                              spec.kind == ControlKind::kCheckBox ||
                              spec.kind == ControlKind::kButton;
  const PixelRect rect =
      placed_by_text ? TextControlPlace(control, control.text) : PlacedRect(control);

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
      // Text statics, as screen readers expect a box's label to be; the
      // window paints them (ControlProc), transparent over the pictures.
      style |= SS_NOPREFIX | (spec.align == TextAlign::kRight    ? SS_RIGHT
                              : spec.align == TextAlign::kCentre ? SS_CENTER
                                                                 : SS_LEFT);
      break;
    case ControlKind::kPicture:
      style |= SS_OWNERDRAW;
      break;
    case ControlKind::kTextBox:
      window_class = L"EDIT";
      style |= ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP;
      // A path box takes no typing, but the focus, selection and copying.
      if (spec.read_only) style |= ES_READONLY;
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
  by_handle_[hwnd] = index;
  if (spec.kind != ControlKind::kPage) {
    // The window's procedure goes in front of the control's own. ControlProc
    // finds the own one in the control's record; the window property keeps it
    // for a message that comes when the record cannot be found (reading a
    // property is a round trip to the server under Wine, too slow for every
    // message).
    control.own_procedure = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetPropW(hwnd, kOwnProcedure, reinterpret_cast<HANDLE>(control.own_procedure));
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow::ControlProc));
  }

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

// The list on the white the table gives it, its values in black, whatever the
// desktop's window colours; the columns as the table sizes them; and tool
// tips that keep a message's line breaks.
void MainWindow::SetUpStatusList(Control& control) {
  HWND list = control.hwnd;
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_LABELTIP);
  const COLORREF back = ToColorRef(control.back_colour);
  ListView_SetBkColor(list, back);
  ListView_SetTextBkColor(list, back);
  ListView_SetTextColor(list, ToColorRef(TextColour(control.spec->name)));

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
  if (HWND tips = ListView_GetToolTips(list)) {
    // A width makes the tool tip break lines where the text does (CR LF).
    ::SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, ::MulDiv(600, dpi_x_, 96));
  }
}

void MainWindow::SetColumnWidths(HWND list) {
  int column = 0;
  for (const ColumnSpec& spec : kStatusColumns) {
    ListView_SetColumnWidth(list, column++, ToPixelsX(static_cast<float>(spec.width)));
  }
}

PixelRect MainWindow::PlacedRect(const Control& control) const {
  PixelRect rect = TwipsToPixels(control.spec->rect, twips_per_pixel_x_, twips_per_pixel_y_);
  if (control.spec->kind == ControlKind::kRule) rect.height = 1;  // one pixel, on any screen
  return rect;
}

SIZE MainWindow::TextRoom(const Control& control, const std::wstring& text) {
  // One memory DC measures every text: cheaper than a window's DC each time.
  if (measure_dc_ == nullptr) measure_dc_ = ::CreateCompatibleDC(nullptr);
  HDC dc = measure_dc_;
  HGDIOBJ old_font = ::SelectObject(dc, control.font);
  const ControlKind kind = control.spec->kind;
  // A label shows "&" as it is; a button's and the check box's mark their mnemonic.
  const UINT prefix = kind == ControlKind::kLabel ? DT_NOPREFIX : 0;
  RECT extent{0, 0, 0, 0};
  ::DrawTextW(dc, text.empty() ? L" " : text.c_str(), -1, &extent,
              DT_CALCRECT | DT_SINGLELINE | prefix);
  // With a TrueType face (standing in for the bitmap one where that is
  // missing) the ink of the last letter may reach past its advance, by its
  // overhang or by a pixel of smoothing; the room takes that in, so no
  // letter is cut. A bitmap face draws exactly within its advance.
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ABC last{};
  if (!text.empty() && (metrics.tmPitchAndFamily & TMPF_TRUETYPE) &&
      ::GetCharABCWidthsW(dc, text.back(), text.back(), &last)) {
    extent.right += std::max(1, -last.abcC);
  }
  ::SelectObject(dc, old_font);
  SIZE room{text.empty() ? 0 : extent.right, extent.bottom};
  switch (kind) {
    case ControlKind::kCheckBox: {
      const int box = ::MulDiv(kCheckBoxSize, dpi_x_, 96);
      room.cx += box + ::MulDiv(kCheckBoxGap, dpi_x_, 96);
      room.cy = std::max<LONG>(room.cy, box);
      break;
    }
    case ControlKind::kButton:
      room.cx += 2 * ::MulDiv(kButtonEdge, dpi_x_, 96);
      room.cy += 2 * ::MulDiv(kButtonEdge, dpi_y_, 96);
      break;
    default:
      break;
  }
  return room;
}

// Labels, the check box and buttons take their table rectangles, grown (or,
// auto-sized labels, fitted) to the room their text needs in the face the
// window found: away from the box a label names, so nothing is cut short or
// runs under its neighbour in a face wider than the named one.
PixelRect MainWindow::TextControlPlace(const Control& control, const std::wstring& text) {
  const ControlSpec& spec = *control.spec;
  const PixelRect table = PlacedRect(control);
  const SIZE room = TextRoom(control, text);
  int text_height = room.cy;
  // An auto-sized label keeps a height the table fixes, if its text fits.
  if (spec.kind == ControlKind::kLabel && spec.rect.height != 0) {
    text_height = std::max(text_height, table.height);
  }
  return TextControlRect(spec, table, room.cx, text_height);
}

void MainWindow::PlaceTextControl(Control& control) {
  if (control.hwnd == nullptr) return;
  const ControlSpec& spec = *control.spec;
  const PixelRect placed = TextControlPlace(control, WideWindowText(control.hwnd));
  ::SetWindowPos(control.hwnd, nullptr, placed.left, placed.top, placed.width, placed.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  if (spec.kind == ControlKind::kLabel) CutOverlaps(control);
}

void MainWindow::CutOverlaps(Control& label) {
  if (label.hwnd == nullptr) return;
  const Control* box = nullptr;
  for (const Control& candidate : controls_) {
    if (candidate.spec->labelled_by == label.spec->name) box = &candidate;
  }
  if (box == nullptr || box->hwnd == nullptr) return;
  const RECT mine = RectInParent(label.hwnd);
  const RECT theirs = RectInParent(box->hwnd);
  RECT overlap{};
  if (!::IntersectRect(&overlap, &mine, &theirs)) {
    ::SetWindowRgn(label.hwnd, nullptr, FALSE);
    return;
  }
  // In the label's own coordinates; the system owns the region from here on.
  HRGN region = ::CreateRectRgn(0, 0, mine.right - mine.left, mine.bottom - mine.top);
  HRGN cut = ::CreateRectRgn(overlap.left - mine.left, overlap.top - mine.top,
                             overlap.right - mine.left, overlap.bottom - mine.top);
  ::CombineRgn(region, region, cut, RGN_DIFF);
  ::DeleteObject(cut);
  if (::SetWindowRgn(label.hwnd, region, FALSE) == 0) ::DeleteObject(region);
}

// ---- Another DPI --------------------------------------------------------------

void MainWindow::ChangeDpi(int dpi, const RECT* suggested) {
  if (hwnd_ == nullptr || dpi <= 0) return;
  // The step button the marker strip lies against, to lay it there again.
  std::string_view marked;
  if (const Control* marker = Find("txtEdge"); marker && marker->hwnd) {
    const RECT strip = RectInParent(marker->hwnd);
    const POINT middle{(strip.left + strip.right) / 2, (strip.top + strip.bottom) / 2};
    for (int step = 1; step <= kStepCount; ++step) {
      const HWND button = HandleIfMade(StepButtonName(step));
      const RECT bounds = button ? RectInParent(button) : RECT{};
      if (button && ::PtInRect(&bounds, middle)) marked = StepButtonName(step);
    }
  }

  SetDpi(dpi, dpi);
  std::map<FontRole, HFONT> old_fonts;
  old_fonts.swap(fonts_);
  HFONT old_bold_font = bold_list_font_;
  bold_list_font_ = nullptr;
  HIMAGELIST old_row_images = row_images_;
  row_images_ = nullptr;

  for (Control& control : controls_) {
    // The pages and the marker strip where the page logic put them, below.
    if (control.hwnd == nullptr || control.moved) continue;
    control.font = Font(control.spec->font);
    ::SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(control.font), FALSE);
    if (control.picture) ::DeleteObject(control.picture);
    control.picture = nullptr;  // drawn again, from the raster for this DPI
    control.picture_tried = false;
    control.picture_size = {0, 0};
    const PixelRect rect = PlacedRect(control);
    ::SetWindowPos(control.hwnd, nullptr, rect.left, rect.top, rect.width, rect.height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    switch (control.spec->kind) {
      case ControlKind::kLabel:
      case ControlKind::kCheckBox:
      case ControlKind::kButton:
        PlaceTextControl(control);
        break;
      case ControlKind::kStatusList:
        SetColumnWidths(control.hwnd);
        if (old_row_images) MakeRowImages(control.hwnd);
        break;
      default:
        break;
    }
  }
  // The page logic put a page beside the step buttons, its left edge at
  // cmdStep1's width, and the marker over the pressed button's edge: the same
  // again for the new pixel size (twips kept from the old one would land a
  // pixel off).
  const int buttons_width = Rect(StepButtonName(1)).width;
  for (Control& page : controls_) {
    if (page.hwnd == nullptr || !page.moved || page.spec->kind != ControlKind::kPage) continue;
    SetRect(page.spec->name, MarkerRect{static_cast<float>(buttons_width), 0.0f,
                                        static_cast<float>(page.spec->rect.width),
                                        static_cast<float>(page.spec->rect.height)});
  }
  if (!marked.empty()) {
    SetRect("txtEdge", StepMarkerRect(Rect(marked), twips_per_pixel_x_, twips_per_pixel_y_));
  }
  for (auto& [role, font] : old_fonts) ::DeleteObject(font);
  if (old_bold_font) ::DeleteObject(old_bold_font);
  if (old_row_images) ::ImageList_Destroy(old_row_images);

  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (suggested == nullptr) flags |= SWP_NOMOVE;
  ::SetWindowPos(hwnd_, nullptr, suggested ? suggested->left : 0, suggested ? suggested->top : 0,
                 ToPixelsX(static_cast<float>(outer_width_twips_)),
                 ToPixelsY(static_cast<float>(outer_height_twips_)), flags);
  ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
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

LRESULT CALLBACK MainWindow::ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = reinterpret_cast<MainWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  Control* control = self ? self->FindByHandle(hwnd) : nullptr;
  const auto own = control && control->own_procedure
                       ? control->own_procedure
                       : reinterpret_cast<WNDPROC>(::GetPropW(hwnd, kOwnProcedure));
  if (own == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    // The control goes back to its own procedure for its last message.
    ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(own));
    ::RemovePropW(hwnd, kOwnProcedure);
    return ::CallWindowProcW(own, hwnd, message, wparam, lparam);
  }
  if (control != nullptr) {
    if (const std::optional<LRESULT> answer =
            self->HandleControlMessage(*control, message, wparam, lparam)) {
      return *answer;
    }
  }
  return ::CallWindowProcW(own, hwnd, message, wparam, lparam);
}

std::optional<LRESULT> MainWindow::HandleControlMessage(Control& control, UINT message,
                                                        WPARAM wparam, LPARAM lparam) {
  HWND hwnd = control.hwnd;
  switch (message) {
    case WM_GETOBJECT:
      if (const LRESULT answer = AnswerGetObject(hwnd, wparam, lparam)) return answer;
      return std::nullopt;
    case kAccessibleQueryMessage:
      AnswerAccessibleQuery(control, *reinterpret_cast<AccessibleQuery*>(lparam));
      return 0;
    default:
      break;
  }
  const ControlKind kind = control.spec->kind;
  if (kind == ControlKind::kLabel) {
    // A static paints itself when its text or state changes; here the window
    // paints it instead, when it is next drawn.
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(hwnd, &paint);
        DrawLabel(dc, control);
        ::EndPaint(hwnd, &paint);
        return 0;
      }
      case WM_PRINTCLIENT:
        DrawLabel(reinterpret_cast<HDC>(wparam), control);
        return 0;
      case WM_ERASEBKGND:
        return 1;
      case WM_ENABLE:
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
      case WM_SETTEXT: {
        const LRESULT result = ::DefWindowProcW(hwnd, message, wparam, lparam);
        ::InvalidateRect(hwnd, nullptr, FALSE);
        return result;
      }
      default:
        return std::nullopt;
    }
  }
  if (kind == ControlKind::kTextBox && !::IsWindowEnabled(hwnd)) {
    // A switched-off edit box draws its text in the desktop's grey, which on
    // a dark scheme may not read on the table's grey; here it is the window's.
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = ::BeginPaint(hwnd, &paint);
        DrawSwitchedOffBox(dc, control);
        ::EndPaint(hwnd, &paint);
        return 0;
      }
      case WM_PRINTCLIENT:
        DrawSwitchedOffBox(reinterpret_cast<HDC>(wparam), control);
        return 0;
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
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
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT: {
      // Where the frame leaves the client area larger than the pages, the
      // page colour goes on, not a band of the desktop's grey.
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      ::FillRect(reinterpret_cast<HDC>(wparam), &client, Brush(kClientColour));
      return 1;
    }
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
    case kDpiChangedMessage:
      ChangeDpi(HIWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
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

// The background the table gives a control, and a text colour that reads on
// it (TextColour), whatever colours the desktop gives its own controls.
LRESULT MainWindow::OnControlColour(HDC dc, HWND hwnd) {
  const Control* control = FindByHandle(hwnd);
  const ControlSpec& spec = *control->spec;
  std::uint32_t back = control->back_colour;
  switch (spec.kind) {
    case ControlKind::kTextBox:
    case ControlKind::kTextArea:
      if (back == kSystemColour) back = FromColorRef(::GetSysColor(COLOR_WINDOW));
      ::SetTextColor(dc, ToColorRef(TextColour(spec.name)));
      break;
    case ControlKind::kCheckBox:
    case ControlKind::kButton:
      // A button's corners and a check box's text lie on the page.
      if (back == kSystemColour && control->parent != kNoParent) {
        back = controls_[control->parent].back_colour;
      }
      if (back == kSystemColour) back = FromColorRef(::GetSysColor(COLOR_BTNFACE));
      if (TextColourOf(spec) != kSystemColour)
        ::SetTextColor(dc, ToColorRef(TextColour(spec.name)));
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
// (sunken while pressed), the caption centred and wrapped at spaces, in the
// table's colours whatever the desktop's.
void MainWindow::DrawStepButton(const DRAWITEMSTRUCT& item, const Control& control) {
  HDC dc = item.hDC;
  RECT bounds = item.rcItem;
  ::FillRect(dc, &bounds, Brush(control.back_colour));
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  DrawClassicEdge(dc, bounds, pressed);

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
  ::SetTextColor(dc, ToColorRef(TextColour(control.spec->name)));
  ::DrawTextW(dc, caption.c_str(), -1, &area, flags);

  ::SelectObject(dc, old_font);
  if (smaller) ::DeleteObject(smaller);
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT focus = bounds;
    ::InflateRect(&focus, -4, -4);
    // The dotted rectangle inverts what lies under it, so it shows on the
    // button's colours; it draws with the text and background colours.
    ::SetTextColor(dc, ToColorRef(kBlackTextColour));
    ::SetBkColor(dc, ToColorRef(control.back_colour));
    ::DrawFocusRect(dc, &focus);
  }
}

// Labels are drawn transparent, so a picture behind one shows around its text.
void MainWindow::DrawLabel(HDC dc, const Control& control) {
  RECT area{};
  ::GetClientRect(control.hwnd, &area);
  PaintBackdrop(dc, static_cast<std::size_t>(&control - &controls_[0]), area);
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
  const std::wstring text = WideWindowText(control.hwnd);
  ::DrawTextW(dc, text.c_str(), -1, &area, flags);
  ::SelectObject(dc, old_font);
}

// What the edit box would draw, in the grey of switched-off text on the box's
// back colour: the text from its first shown character, where it puts it.
void MainWindow::DrawSwitchedOffBox(HDC dc, const Control& control) {
  RECT client{};
  ::GetClientRect(control.hwnd, &client);
  std::uint32_t back = control.back_colour;
  if (back == kSystemColour) back = FromColorRef(::GetSysColor(COLOR_BTNFACE));
  ::FillRect(dc, &client, Brush(back));
  RECT format{};
  ::SendMessageW(control.hwnd, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  // For a single-line box: the index of the first character shown.
  const auto first =
      static_cast<std::size_t>(::SendMessageW(control.hwnd, EM_GETFIRSTVISIBLELINE, 0, 0));
  const std::wstring text = WideWindowText(control.hwnd);
  if (first >= text.size()) return;
  HGDIOBJ old_font = ::SelectObject(dc, control.font);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ToColorRef(TextColour(control.spec->name)));
  ::DrawTextW(dc, text.c_str() + first, static_cast<int>(text.size() - first), &format,
              DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP);
  ::SelectObject(dc, old_font);
}

void MainWindow::AnswerAccessibleQuery(const Control& control, AccessibleQuery& query) const {
  const ControlSpec& spec = *control.spec;
  const bool self = query.child == 0;
  switch (query.item) {
    case AccessibleQuery::Item::kName:
      // Decoration has no name; the others the table's (or the page logic's).
      if (self && (IsDecorative(spec) || !control.accessible_name.empty())) {
        query.text = IsDecorative(spec) ? std::wstring() : control.accessible_name;
        query.answered = true;
      } else if (spec.kind == ControlKind::kStatusList && query.child > 0 &&
                 static_cast<std::size_t>(query.child) <= rows_.size()) {
        // A row by its action, as the list shows it.
        query.text = Widen(rows_[static_cast<std::size_t>(query.child) - 1].action);
        query.answered = true;
      }
      break;
    case AccessibleQuery::Item::kDescription:
      if (self && !spec.accessible_description.empty()) {
        query.text = Widen(spec.accessible_description);
        query.answered = true;
      } else if (spec.kind == ControlKind::kStatusList && query.child > 0 &&
                 static_cast<std::size_t>(query.child) <= rows_.size()) {
        // A row's outcome, which the list shows by colour and image only.
        query.text = Widen(StatusRowDescription(rows_[static_cast<std::size_t>(query.child) - 1]));
        query.answered = true;
      }
      break;
    case AccessibleQuery::Item::kRole:
      if (self && spec.kind == ControlKind::kPicture) {
        query.role = ROLE_SYSTEM_GRAPHIC;
        query.answered = true;
      } else if (self && spec.kind == ControlKind::kRule) {
        query.role = ROLE_SYSTEM_SEPARATOR;
        query.answered = true;
      }
      break;
  }
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
    // Made on first use, so pictures of pages nobody opens cost nothing; from
    // the smallest raster (100, 150 or 200 %) that covers the size for the DPI.
    picture.picture_tried = true;
    if (auto image = LoadPicture(instance_, spec.picture, width, height)) {
      picture.picture = CreatePremultipliedBitmap(*image);
      picture.picture_size = {width, height};
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
// own font and black on its white, except on a selected row, which the list
// draws in the selection's colours.
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
        const bool selected = ListView_GetItemState(draw.nmcd.hdr.hwndFrom, static_cast<int>(row),
                                                    LVIS_SELECTED) != 0;
        if (!selected) draw.clrText = ToColorRef(TextColour("lvwStatus"));
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
  if (message.message == WM_KEYDOWN) {
    const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
    const bool alt = ::GetKeyState(VK_MENU) < 0;
    const bool shift = ::GetKeyState(VK_SHIFT) < 0;
    // Held down, a key repeats; each of these acts once per press.
    const bool repeat = (message.lParam & (1L << 30)) != 0;
    if (ctrl && !alt) {
      std::optional<WindowEvents::StepKey> key;
      if (message.wParam == VK_TAB) key = WindowEvents::StepKey::kTab;
      if (message.wParam == VK_NEXT) key = WindowEvents::StepKey::kPageDown;
      if (message.wParam == VK_PRIOR) key = WindowEvents::StepKey::kPageUp;
      if (key) {
        if (!repeat && events_ != nullptr) events_->StepKeyPressed(*key, shift);
        return true;
      }
    }
    if (message.wParam == VK_TAB && !ctrl && !alt) {
      MoveFocus(!shift);
      return true;
    }
    // The dialog manager gives Enter to a dialog's default button only; here
    // it presses the focused button, as in a dialog whose buttons take the
    // default as they get the focus.
    if (message.wParam == VK_RETURN && !ctrl && !alt && !shift) {
      if (Control* button = FocusedButton()) {
        if (!repeat) {
          ::SendMessageW(::GetParent(button->hwnd), WM_COMMAND,
                         MAKEWPARAM(::GetDlgCtrlID(button->hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(button->hwnd));
        }
        return true;
      }
    }
  }
  return ::IsDialogMessageW(hwnd_, &message) != FALSE;
}

MainWindow::Control* MainWindow::FocusedButton() {
  Control* control = FindByHandle(::GetFocus());
  if (control == nullptr || !::IsWindowEnabled(control->hwnd)) return nullptr;
  const ControlKind kind = control->spec->kind;
  return kind == ControlKind::kButton || kind == ControlKind::kStepButton ? control : nullptr;
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
  // A new text may need more room than the last one (the about page's lines).
  if (control->spec->kind == ControlKind::kLabel) PlaceTextControl(*control);
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
  // The window draws labels and switched-off boxes: their text changes colour.
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
  const ControlSpec& spec = *control->spec;
  const std::uint32_t fixed = TextColourOf(spec);
  if (fixed != kSystemColour) {
    // Switched off, in a grey that stays distinct on the page colour and on
    // the grey of a switched-off box.
    return IsEnabled(name) ? fixed : kGreyTextColour;
  }
  // Where the table leaves the background to the desktop, its text colour too.
  const bool button = spec.kind == ControlKind::kButton || spec.kind == ControlKind::kStepButton;
  return FromColorRef(::GetSysColor(button ? COLOR_BTNTEXT : COLOR_WINDOWTEXT));
}

HFONT MainWindow::ControlFont(std::string_view name) {
  Control* control = Find(name);
  return control == nullptr ? nullptr : Font(control->spec->font);
}

SIZE MainWindow::PictureSize(std::string_view name) const {
  const Control* control = Find(name);
  return control == nullptr ? SIZE{0, 0} : control->picture_size;
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
  Find(name)->moved = true;  // placed again for another DPI (ChangeDpi)
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
  outer_width_twips_ = width_twips;
  outer_height_twips_ = height_twips;
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

void MainWindow::SetAccessibleName(std::string_view name, const std::string& spoken) {
  Control* control = Find(name);
  if (control == nullptr) return;
  std::wstring wide = Widen(spoken);
  if (wide == control->accessible_name) return;
  control->accessible_name = std::move(wide);
  if (control->hwnd != nullptr) AnnounceNameChange(control->hwnd);
}

void MainWindow::SetFocus(std::string_view name) {
  if (HWND hwnd = ControlHandle(name)) ::SetFocus(hwnd);
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
