// Quillet.exe: the Win32 window over the page logic.
#include "win32/main_window.h"
#include "win32/startup_probe.h"
#include "win32/win32_user_dialogs.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/, int show) {
  quillet::win32::MainWindow window(instance);
  if (window.Handle() == nullptr) return 1;
  quillet::win32::Win32UserDialogs dialogs(window.Handle());
  ::ShowWindow(window.Handle(), show);
  ::UpdateWindow(window.Handle());
  quillet::win32::QuitAfterFirstPaintIfAsked(window.Handle());
  return quillet::win32::RunMessageLoop(window);
}
