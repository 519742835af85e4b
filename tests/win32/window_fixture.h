// A Win32 window per test, driven in-process as a user would: messages to
// its controls, the keyboard through the window's own navigation, and the
// events it passes on recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "util/tool_state.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"
#include "wizard/scripted_dialogs.h"
#include "wizard/wizard.h"

namespace quillet::win32::testing {

// Records what the window passes on; closes only when allowed.
class RecordedEvents : public WindowEvents {
 public:
  void Click(std::string_view control) override { clicks.emplace_back(control); }
  void TextChanged(std::string_view control) override { changes.emplace_back(control); }
  bool CloseRequested() override {
    ++close_requests;
    return allow_close;
  }
  void EscapePressed() override { ++escapes; }
  void Destroyed() override { destroyed = true; }

  std::vector<std::string> clicks;
  std::vector<std::string> changes;
  int close_requests = 0;
  int escapes = 0;
  bool allow_close = true;
  bool destroyed = false;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = std::make_unique<MainWindow>(::GetModuleHandleW(nullptr),
                                           WindowOptions{.quit_when_destroyed = false});
    ASSERT_NE(window_->Handle(), nullptr);
    window_->SetEvents(&events_);
    // At the screen's corner, whole on the virtual screen, so its pixels can
    // be read back however many windows came before.
    ::SetWindowPos(window_->Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(window_->Handle(), SW_SHOW);
    ::UpdateWindow(window_->Handle());
    Pump();
  }
  void TearDown() override {
    navigator_.reset();
    window_.reset();
    Pump();
  }

  // Brings a step's page forward as its step button does, through the page
  // logic's own navigation; the window's events stay recorded here.
  void ShowPage(int step) {
    if (!navigator_) {
      navigator_ = std::make_unique<Wizard>(navigator_state_, *window_, navigator_dialogs_);
    }
    navigator_->Click(StepButtonName(step));
    Pump();
  }

  // Handles every pending message as the program's message loop would.
  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (window_ && window_->PreTranslateMessage(message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }

  HWND Control(std::string_view name) const { return window_->ControlHandle(name); }

  // The control's rectangle in its parent's client area, in pixels.
  static RECT RectInParent(HWND hwnd) {
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  static std::string WindowText(HWND hwnd) {
    wchar_t buffer[4096] = {};
    ::GetWindowTextW(hwnd, buffer, 4096);
    return Narrow(buffer);
  }

  // A key press as it reaches the message loop (the window's navigation first).
  void PressKey(HWND target, UINT key, bool alt = false) {
    MSG message{};
    message.hwnd = target;
    message.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    message.wParam = key;
    message.lParam = alt ? (1 << 29) : 0;
    if (!window_->PreTranslateMessage(message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    Pump();
  }

  // A character typed with Alt held (mnemonics), as it reaches the message loop.
  void TypeAltChar(HWND target, wchar_t character) {
    MSG message{};
    message.hwnd = target;
    message.message = WM_SYSCHAR;
    message.wParam = character;
    message.lParam = 1 << 29;
    if (!window_->PreTranslateMessage(message)) ::DispatchMessageW(&message);
    Pump();
  }

  // Holds Shift down (or lets it go) for the keys that follow.
  static void HoldShift(bool down) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
  }

  RecordedEvents events_;
  std::unique_ptr<MainWindow> window_;

 private:
  ToolState navigator_state_;
  quillet::testing::ScriptedDialogs navigator_dialogs_;
  std::unique_ptr<Wizard> navigator_;  // goes before the window it drives
};

}  // namespace quillet::win32::testing
