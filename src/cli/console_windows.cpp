#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdlib>

#include "cli/console.h"

namespace quillet::cli {
namespace {

volatile LONG g_stop_requests = 0;

// The first Ctrl+C or Ctrl+Break asks for a stop; the run stops the CAB command
// and then puts the package back as asked. A second one is left to the system,
// which ends the program as usual.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  return ::InterlockedIncrement(&g_stop_requests) == 1 ? TRUE : FALSE;
}

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size,
                        nullptr, nullptr);
  return utf8;
}

bool ColourWanted() {
  const char* no_colour = std::getenv("NO_COLOR");
  return no_colour == nullptr || *no_colour == '\0';
}

// A standard handle: a console gets UTF-16 through WriteConsoleW, so every
// character shows whatever the console's code page; a file or pipe gets the
// UTF-8 bytes. Colours through the console's text attributes, which every
// Windows from XP on has (escape sequences came only with Windows 10).
class HandleOutputStream : public OutputStream {
 public:
  explicit HandleOutputStream(DWORD which) : handle_(::GetStdHandle(which)) {
    DWORD mode = 0;
    console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE &&
               ::GetConsoleMode(handle_, &mode) != 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (console_ && ::GetConsoleScreenBufferInfo(handle_, &info)) {
      original_attributes_ = info.wAttributes;
      colour_ = ColourWanted();
    }
  }

  ~HandleOutputStream() override {
    if (colour_) ::SetConsoleTextAttribute(handle_, original_attributes_);
  }

  void Write(std::string_view utf8) override {
    if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE || utf8.empty()) return;
    if (console_) {
      const std::wstring wide = Widen(utf8);
      // Old consoles refuse long writes; pieces never split a surrogate pair.
      constexpr std::size_t kPiece = 8192;
      std::size_t at = 0;
      while (at < wide.size()) {
        std::size_t count = std::min(kPiece, wide.size() - at);
        if (at + count < wide.size() && IS_HIGH_SURROGATE(wide[at + count - 1])) --count;
        DWORD written = 0;
        if (!::WriteConsoleW(handle_, wide.data() + at, static_cast<DWORD>(count), &written,
                             nullptr) ||
            written == 0) {
          return;
        }
        at += written;
      }
      return;
    }
    while (!utf8.empty()) {
      DWORD written = 0;
      if (!::WriteFile(handle_, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr) ||
          written == 0) {
        return;
      }
      utf8.remove_prefix(written);
    }
  }

  bool ShowsColour() const override { return colour_; }

  void SetStyle(TextStyle style) override {
    if (!colour_) return;
    // The background stays as the user has it.
    const WORD background = original_attributes_ & 0xF0;
    WORD attributes = original_attributes_;
    switch (style) {
      case TextStyle::kGreen:
        attributes = background | FOREGROUND_GREEN | FOREGROUND_INTENSITY;
        break;
      case TextStyle::kRed:
        attributes = background | FOREGROUND_RED | FOREGROUND_INTENSITY;
        break;
      case TextStyle::kBlue:
        attributes = background | FOREGROUND_BLUE | FOREGROUND_INTENSITY;
        break;
      case TextStyle::kBold:
        attributes = original_attributes_ | FOREGROUND_INTENSITY;
        break;
      case TextStyle::kPlain:
        break;
    }
    ::SetConsoleTextAttribute(handle_, attributes);
  }

 private:
  HANDLE handle_;
  bool console_ = false;
  bool colour_ = false;
  WORD original_attributes_ = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;
};

}  // namespace

std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Narrow(wide[i]));
  ::LocalFree(wide);
  return arguments;
}

struct ProcessConsole::Streams {
  HandleOutputStream out{STD_OUTPUT_HANDLE};
  HandleOutputStream err{STD_ERROR_HANDLE};
};

ProcessConsole::ProcessConsole() : streams_(std::make_unique<Streams>()) {
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  console_.out = &streams_->out;
  console_.err = &streams_->err;
  console_.stop_requested = [] { return g_stop_requests != 0; };
}

ProcessConsole::~ProcessConsole() { ::SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

Console& ProcessConsole::Get() { return console_; }

std::string AbsolutePath(const std::string& path) {
  const std::wstring wide = Widen(path);
  DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  size = ::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr);
  if (size == 0 || size >= full.size()) return path;
  full.resize(size);
  return Narrow(full);
}

}  // namespace quillet::cli
