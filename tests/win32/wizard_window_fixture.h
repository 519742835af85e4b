// The Win32 window as Quillet.exe puts it together: a view over the page
// logic, with the scripted dialogs and a fresh folder per test for the
// settings file and the package copies. Driven through its controls.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "util/tool_state.h"
#include "win32/main_window.h"
#include "win32/wide_text.h"
#include "win32/wizard_events.h"
#include "wizard/scripted_dialogs.h"
#include "wizard/wizard.h"

namespace quillet::win32::testing {

class WizardWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() /
              ("quillet-window-" + std::to_string(::GetCurrentProcessId()) + "-" +
               std::to_string(++counter_));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    window_ = std::make_unique<MainWindow>(::GetModuleHandleW(nullptr),
                                           WindowOptions{.quit_when_destroyed = false});
    ASSERT_NE(window_->Handle(), nullptr);
    dialogs_.is_busy = [this] { return window_->IsBusy(); };
    wizard_ = std::make_unique<Wizard>(state_, *window_, dialogs_);
    events_ = std::make_unique<WizardEvents>(*wizard_);
    window_->SetEvents(events_.get());
    wizard_->Form_Load(Folder());
    ::SetWindowPos(window_->Handle(), nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(window_->Handle(), SW_SHOW);
    ::UpdateWindow(window_->Handle());
    Pump();
  }

  void TearDown() override {
    if (window_) window_->SetEvents(nullptr);
    events_.reset();
    wizard_.reset();
    window_.reset();
    Pump();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (window_ && window_->PreTranslateMessage(message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }

  // The test's own folder, without a trailing separator.
  std::string Folder() const { return folder_.string(); }

  HWND Control(std::string_view name) const { return window_->ControlHandle(name); }

  // A click as the user makes it: only on an enabled, shown control.
  void Click(std::string_view name) {
    HWND control = Control(name);
    ASSERT_NE(control, nullptr) << name;
    ASSERT_TRUE(::IsWindowVisible(control)) << name << " is not shown";
    ASSERT_TRUE(::IsWindowEnabled(control)) << name << " is switched off";
    ::SendMessageW(control, BM_CLICK, 0, 0);
    Pump();
  }

  // Types text into a box, one character at a time, at its end.
  void Type(std::string_view name, const std::wstring& text) {
    HWND box = Control(name);
    ::SetFocus(box);
    ::SendMessageW(box, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    for (const wchar_t character : text) ::SendMessageW(box, WM_CHAR, character, 1);
    Pump();
  }

  // The colour a box asks its page for, as the system asks while painting it.
  COLORREF BoxColour(std::string_view name) {
    HWND box = Control(name);
    HDC dc = ::CreateCompatibleDC(nullptr);
    const UINT message = (::GetWindowLongW(box, GWL_STYLE) & ES_READONLY) || !::IsWindowEnabled(box)
                             ? WM_CTLCOLORSTATIC
                             : WM_CTLCOLOREDIT;
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageW(
        ::GetParent(box), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
    ::DeleteDC(dc);
    LOGBRUSH description{};
    ::GetObjectW(brush, sizeof(description), &description);
    return description.lbColor;
  }

  // A control's rectangle in its parent's client area, in pixels.
 public:
  static RECT RectInParent(HWND hwnd) {
    RECT rect{};
    ::GetWindowRect(hwnd, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

 protected:
  std::filesystem::path folder_;
  ToolState state_;
  quillet::testing::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<Wizard> wizard_;
  std::unique_ptr<WizardEvents> events_;

 private:
  static inline int counter_ = 0;
};

}  // namespace quillet::win32::testing
