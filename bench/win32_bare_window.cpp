// The yardstick for Quillet.exe's start-up: a bare Win32 window of the main
// window's outer size with one label and one button, in the window's font and
// with the same manifest (common controls 6, DPI-aware), that quits right after
// its first paint through the same hook as the real program.
// startup-windows.sh runs the two side by side under Wine.
#include <cmath>

#include "win32/startup_probe.h"

namespace {

LRESULT CALLBACK BareWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/, int show) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = BareWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"BareWindow";
  ::RegisterClassExW(&window_class);

  HDC screen = ::GetDC(nullptr);
  const int dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  auto pixels = [](int twips, int dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
  };

  HWND window = ::CreateWindowExW(0, L"BareWindow", L"Bare window",
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, pixels(8300, dpi_x),
                                  pixels(6450, dpi_y), nullptr, nullptr, instance, nullptr);
  HFONT font =
      ::CreateFontW(-static_cast<int>(std::lround(8.25 * dpi_y / 72.0)), 0, 0, 0, FW_NORMAL, FALSE,
                    FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"MS Sans Serif");
  HWND label = ::CreateWindowExW(0, L"STATIC", L"A label", WS_CHILD | WS_VISIBLE, 10, 10, 120, 16,
                                 window, nullptr, instance, nullptr);
  HWND button = ::CreateWindowExW(0, L"BUTTON", L"A button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10,
                                  40, 90, 25, window, nullptr, instance, nullptr);
  ::SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  ::ShowWindow(window, show);
  ::UpdateWindow(window);
  quillet::win32::QuitAfterFirstPaintIfAsked(window);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  ::DeleteObject(font);
  return 0;
}
