// What a window shows, read back from its surface: its client area's pixels
// as Windows colour values (0x00BBGGRR), the contrast of its text there, and
// the room a control's text takes.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "wizard/units.h"

namespace quillet::win32::testing {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgr;  // row by row from the top

  std::uint32_t At(int x, int y) const {
    return bgr[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
               static_cast<std::size_t>(x)];
  }
};

// The client area of a window as drawn now: the whole window is painted
// first, so what is pending reaches the surface.
inline Pixels Capture(HWND hwnd) {
  ::RedrawWindow(::GetAncestor(hwnd, GA_ROOT), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  ::GetClientRect(hwnd, &client);
  Pixels pixels;
  pixels.width = client.right;
  pixels.height = client.bottom;
  if (pixels.width <= 0 || pixels.height <= 0) return pixels;
  HDC source = ::GetDC(hwnd);
  HDC memory = ::CreateCompatibleDC(source);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = pixels.width;
  info.bmiHeader.biHeight = -pixels.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, pixels.width, pixels.height, source, 0, 0, SRCCOPY);
  ::GdiFlush();
  const auto* bgrx = static_cast<const std::uint8_t*>(bits);
  pixels.bgr.resize(static_cast<std::size_t>(pixels.width) * pixels.height);
  for (std::size_t i = 0; i < pixels.bgr.size(); ++i) {
    // A DIB keeps blue, green, red; a colour value is 0x00BBGGRR.
    pixels.bgr[i] = (static_cast<std::uint32_t>(bgrx[i * 4]) << 16) |
                    (static_cast<std::uint32_t>(bgrx[i * 4 + 1]) << 8) | bgrx[i * 4 + 2];
  }
  ::SelectObject(memory, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(hwnd, source);
  return pixels;
}

// Text as drawn: the colour that covers most of an area is its background;
// the ink is the pixel that stands out most from it.
struct DrawnContrast {
  std::uint32_t background = 0;
  std::uint32_t ink = 0;
  double ratio = 1.0;

  std::string Describe() const {
    char text[96];
    std::snprintf(text, sizeof(text), "ink %06X on %06X: %.2f", static_cast<unsigned>(ink),
                  static_cast<unsigned>(background), ratio);
    return text;
  }
};

inline DrawnContrast Measure(const Pixels& pixels, RECT area) {
  area.left = std::max<LONG>(area.left, 0);
  area.top = std::max<LONG>(area.top, 0);
  area.right = std::min<LONG>(area.right, pixels.width);
  area.bottom = std::min<LONG>(area.bottom, pixels.height);
  std::map<std::uint32_t, int> counts;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) ++counts[pixels.At(x, y)];
  }
  DrawnContrast measured;
  int most = 0;
  for (const auto& [colour, count] : counts) {
    if (count > most) {
      most = count;
      measured.background = colour;
    }
  }
  for (const auto& [colour, count] : counts) {
    const double ratio = ContrastRatio(colour, measured.background);
    if (ratio > measured.ratio) {
      measured.ratio = ratio;
      measured.ink = colour;
    }
  }
  return measured;
}

inline DrawnContrast Measure(HWND hwnd) {
  const Pixels pixels = Capture(hwnd);
  return Measure(pixels, RECT{0, 0, pixels.width, pixels.height});
}

// True when some pixel of the area has exactly that colour.
inline bool Shows(const Pixels& pixels, std::uint32_t colour) {
  for (const std::uint32_t pixel : pixels.bgr) {
    if (pixel == colour) return true;
  }
  return false;
}

// The colours a control is given when it asks its parent (WM_CTLCOLOR*), as
// the system asks while painting it: the text and background colours set
// into the DC and the brush's colour.
struct AskedColours {
  std::uint32_t text = 0;
  std::uint32_t background = 0;
  std::uint32_t brush = 0;
};

inline AskedColours AskColours(HWND control, UINT message) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  ::SetBkColor(dc, RGB(1, 2, 3));
  ::SetTextColor(dc, RGB(4, 5, 6));
  const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(::GetParent(control), message,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(control)));
  LOGBRUSH description{};
  ::GetObjectW(brush, sizeof(description), &description);
  AskedColours colours{::GetTextColor(dc), ::GetBkColor(dc), description.lbColor};
  ::DeleteDC(dc);
  return colours;
}

// The size of a control's text in its own font, in pixels; with a TrueType
// face the ink of the last letter that may reach past its advance too.
inline SIZE TextExtent(HWND hwnd, bool prefix) {
  HDC dc = ::GetDC(hwnd);
  HGDIOBJ old_font =
      ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)));
  wchar_t text[512] = {};
  ::GetWindowTextW(hwnd, text, 512);
  RECT extent{0, 0, 0, 0};
  ::DrawTextW(dc, text[0] ? text : L" ", -1, &extent,
              DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
  const std::size_t length = std::wcslen(text);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  ABC last{};
  if (length > 0 && (metrics.tmPitchAndFamily & TMPF_TRUETYPE) &&
      ::GetCharABCWidthsW(dc, text[length - 1], text[length - 1], &last)) {
    extent.right += std::max(1, -last.abcC);
  }
  ::SelectObject(dc, old_font);
  ::ReleaseDC(hwnd, dc);
  return {text[0] == L'\0' ? 0 : extent.right, extent.bottom};
}

// Sets a dark desktop's colours for the whole (Wine) session while it lives,
// as a dark or high-contrast scheme does, and puts the earlier ones back.
class DarkDesktop {
 public:
  DarkDesktop() {
    for (const Entry& entry : kDark) {
      elements_.push_back(entry.element);
      dark_.push_back(entry.colour);
      saved_.push_back(::GetSysColor(entry.element));
    }
    ::SetSysColors(static_cast<int>(elements_.size()), elements_.data(), dark_.data());
  }
  ~DarkDesktop() {
    ::SetSysColors(static_cast<int>(elements_.size()), elements_.data(), saved_.data());
  }
  DarkDesktop(const DarkDesktop&) = delete;
  DarkDesktop& operator=(const DarkDesktop&) = delete;

  // The dark scheme's grey text, unlike the window's own grey.
  static constexpr COLORREF kGreyText = 0x5A5A5A;

 private:
  struct Entry {
    int element;
    COLORREF colour;
  };
  static constexpr Entry kDark[] = {
      {COLOR_WINDOW, 0x202020},    {COLOR_WINDOWTEXT, 0xF0F0F0},    {COLOR_BTNFACE, 0x353535},
      {COLOR_BTNTEXT, 0xF0F0F0},   {COLOR_3DHILIGHT, 0x505050},     {COLOR_3DLIGHT, 0x454545},
      {COLOR_3DSHADOW, 0x1A1A1A},  {COLOR_3DDKSHADOW, 0x101010},    {COLOR_GRAYTEXT, kGreyText},
      {COLOR_HIGHLIGHT, 0x7A4A10}, {COLOR_HIGHLIGHTTEXT, 0xFFFFFF}, {COLOR_INFOBK, 0x2A2A2A},
      {COLOR_INFOTEXT, 0xF0F0F0},  {COLOR_MENU, 0x2A2A2A},          {COLOR_MENUTEXT, 0xF0F0F0},
  };
  std::vector<int> elements_;
  std::vector<COLORREF> dark_;
  std::vector<COLORREF> saved_;
};

}  // namespace quillet::win32::testing
