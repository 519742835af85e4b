// The dialog seam in Win32: the common file-open dialog (GetOpenFileNameW)
// and message boxes (MessageBoxW), owned by the main window.
#pragma once

#include <windows.h>
// After windows.h, which they build on.
#include <cderr.h>
#include <commdlg.h>
// The dialog seam's method shares its name with the Win32 macro for
// GetOpenFileNameA/W; the method keeps its name here.
#undef GetOpenFileName

#include "wizard/user_dialogs.h"

namespace quillet::win32 {

// Message box styles: the warning (Yes/No, exclamation icon, No the default:
// 0x134), the question (Yes/No, question icon, Yes or No the default) and the
// OK-only message (no icon).
inline constexpr UINT kWarningBoxStyle = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;
UINT QuestionBoxStyle(bool yes_is_default);
inline constexpr UINT kMessageBoxStyle = MB_OK;

// The flags of the file-open dialog: Explorer style, resizable, no read-only
// check box, and nothing that refuses a typed name of a file that does not exist.
inline constexpr DWORD kOpenFileFlags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY;

class Win32UserDialogs : public UserDialogs {
 public:
  explicit Win32UserDialogs(HWND owner = nullptr) : owner_(owner) {}
  void SetOwner(HWND owner) { owner_ = owner; }

  // Throws std::system_error when the dialog cannot be shown at all.
  std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override;
  bool AskYesNoWarning(const std::string& title, const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text, bool yes_is_default) override;
  void ShowMessage(const std::string& caption, const std::string& text) override;

 private:
  HWND owner_;
};

}  // namespace quillet::win32
