#include "win32/win32_user_dialogs.h"

#include <string>
#include <system_error>
#include <vector>

#include "win32/wide_text.h"

namespace quillet::win32 {
namespace {

// The common dialog's extended error codes, as the file dialog's errors.
class CommonDialogCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "common dialog"; }
  std::string message(int code) const override {
    switch (code) {
      case FNERR_INVALIDFILENAME:
        return "The file name is not valid.";
      case FNERR_BUFFERTOOSMALL:
        return "The file name is too long.";
      case CDERR_MEMALLOCFAILURE:
      case CDERR_MEMLOCKFAILURE:
        return "Out of memory.";
      default:
        return "The file dialog could not be shown.";
    }
  }
};

const std::error_category& CommonDialogErrors() {
  static const CommonDialogCategory category;
  return category;
}

// The longest path a wide-character path can be, and its NUL.
constexpr std::size_t kFileBufferSize = 32768;

// The common dialog library is loaded when the file dialog is first wanted,
// not at start-up: the program starts faster without it and what it pulls in.
struct CommonDialogs {
  decltype(&::GetOpenFileNameW) get_open_file_name = nullptr;
  decltype(&::CommDlgExtendedError) extended_error = nullptr;
};

const CommonDialogs& LoadCommonDialogs() {
  static const CommonDialogs functions = [] {
    CommonDialogs loaded;
    if (HMODULE library = ::LoadLibraryW(L"comdlg32.dll")) {
      loaded.get_open_file_name = reinterpret_cast<decltype(&::GetOpenFileNameW)>(
          reinterpret_cast<void*>(::GetProcAddress(library, "GetOpenFileNameW")));
      loaded.extended_error = reinterpret_cast<decltype(&::CommDlgExtendedError)>(
          reinterpret_cast<void*>(::GetProcAddress(library, "CommDlgExtendedError")));
    }
    return loaded;
  }();
  return functions;
}

}  // namespace

UINT QuestionBoxStyle(bool yes_is_default) {
  return MB_YESNO | MB_ICONQUESTION | (yes_is_default ? MB_DEFBUTTON1 : MB_DEFBUTTON2);
}

std::optional<std::string> Win32UserDialogs::GetOpenFileName(const OpenFileRequest& request) {
  const CommonDialogs& dialogs = LoadCommonDialogs();
  if (dialogs.get_open_file_name == nullptr || dialogs.extended_error == nullptr) {
    throw std::system_error(static_cast<int>(::GetLastError()), std::system_category());
  }
  const std::wstring filter = FileDialogFilter(request.filter);
  const std::wstring title = Widen(request.title);
  const std::wstring folder = request.initial_directory ? Widen(*request.initial_directory) : L"";
  std::wstring preset = Widen(request.file_name);
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::vector<wchar_t> file(kFileBufferSize, L'\0');
    preset.copy(file.data(), std::min(preset.size(), file.size() - 1));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    // Without a folder of its own, the dialog opens where its last use left it.
    dialog.lpstrInitialDir = request.initial_directory ? folder.c_str() : nullptr;
    dialog.Flags = kOpenFileFlags;
    if (dialogs.get_open_file_name(&dialog)) return Narrow(file.data());
    const DWORD error = dialogs.extended_error();
    if (error == 0) return std::nullopt;  // cancelled
    // A preset name the dialog refuses (a character no file name may hold)
    // must not keep the user from choosing: open it once more without.
    if (error == FNERR_INVALIDFILENAME && !preset.empty()) {
      preset.clear();
      continue;
    }
    throw std::system_error(static_cast<int>(error), CommonDialogErrors());
  }
  return std::nullopt;
}

bool Win32UserDialogs::AskYesNoWarning(const std::string& title, const std::string& text) {
  return ::MessageBoxW(owner_, Widen(text).c_str(), Widen(title).c_str(), kWarningBoxStyle) ==
         IDYES;
}

bool Win32UserDialogs::AskYesNo(const std::string& caption, const std::string& text,
                                bool yes_is_default) {
  return ::MessageBoxW(owner_, Widen(text).c_str(), Widen(caption).c_str(),
                       QuestionBoxStyle(yes_is_default)) == IDYES;
}

void Win32UserDialogs::ShowMessage(const std::string& caption, const std::string& text) {
  ::MessageBoxW(owner_, Widen(text).c_str(), Widen(caption).c_str(), kMessageBoxStyle);
}

}  // namespace quillet::win32
