// Quillet.exe: the Win32 window as a view over the page logic.
#include "platform/platform.h"
#include "util/tool_state.h"
#include "win32/main_window.h"
#include "win32/startup_probe.h"
#include "win32/win32_user_dialogs.h"
#include "win32/wizard_events.h"
#include "wizard/wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*command_line*/, int show) {
  using namespace quillet;
  win32::MainWindow window(instance);
  if (window.Handle() == nullptr) return 1;
  win32::Win32UserDialogs dialogs(window.Handle());
  ToolState state;
  Wizard wizard(state, window, dialogs);
  win32::WizardEvents events(wizard);
  window.SetEvents(&events);
  // Davure.ini beside the program, or in the user's own settings folder where
  // the program's folder cannot be written (InitToolState decides).
  wizard.Form_Load(platform::ProgramDirectory());

  ::ShowWindow(window.Handle(), show);
  ::UpdateWindow(window.Handle());
  win32::QuitAfterFirstPaintIfAsked(window.Handle());
  const int exit_code = win32::RunMessageLoop(window);
  // The window ends first (Form_Terminate has run); nothing may reach the
  // page logic once it is gone.
  window.SetEvents(nullptr);
  return exit_code;
}
