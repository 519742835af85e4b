// The Windows half of running the CAB rebuild command.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillet::platform {
namespace {

std::wstring Widen(std::string_view utf8) {
  std::wstring wide;
  if (utf8.empty()) return wide;
  const int length = static_cast<int>(utf8.size());
  const int needed = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (needed <= 0) return wide;
  wide.resize(static_cast<std::size_t>(needed));
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(), needed);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  std::string utf8;
  if (wide.empty()) return utf8;
  const int length = static_cast<int>(wide.size());
  const int needed =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return utf8;
  utf8.resize(static_cast<std::size_t>(needed));
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
  return utf8;
}

// The system's description of a Win32 error code, as UTF-8, without the line
// break that FormatMessage ends it with.
std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length > 0 && buffer != nullptr) text.assign(buffer, length);
  if (buffer != nullptr) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "Windows error " + std::to_string(code);
  return Narrow(text);
}

// Closes a handle when it goes out of scope.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) ::CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

CommandResult RunCommand(const std::string& command, const std::string& working_directory,
                         const CommandCallbacks& callbacks) {
  const std::function<bool()>& while_waiting = callbacks.while_waiting;
  CommandResult result;
  // The interpreter is taken from the system folder by its full path, so that a
  // "cmd.exe" lying in the program's or the package's folder is never started.
  std::wstring interpreter(MAX_PATH, L'\0');
  const UINT system_length =
      ::GetSystemDirectoryW(interpreter.data(), static_cast<UINT>(interpreter.size()));
  if (system_length == 0 || system_length >= interpreter.size()) {
    result.error = SystemMessage(::GetLastError());
    return result;
  }
  interpreter.resize(system_length);
  interpreter += L"\\cmd.exe";

  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring command_line = L"cmd.exe /C " + Widen(command);
  const std::wstring folder = Widen(working_directory);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(interpreter.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, folder.empty() ? nullptr : folder.c_str(),
                        &startup, &process)) {
    result.error = SystemMessage(::GetLastError());
    return result;
  }
  Handle process_handle(process.hProcess);
  Handle thread_handle(process.hThread);
  result.started = true;

  // Short waits, so that the window can repaint between them; the first
  // repaint comes at once, however quickly the command ends.
  if (while_waiting) while_waiting();
  const DWORD step = while_waiting ? 20 : INFINITE;
  for (;;) {
    const DWORD waited = ::WaitForSingleObject(process_handle.get(), step);
    if (waited == WAIT_OBJECT_0) break;
    if (waited != WAIT_TIMEOUT) {
      result.error = SystemMessage(::GetLastError());
      return result;
    }
    while_waiting();
  }
  DWORD exit_code = 0;
  if (!::GetExitCodeProcess(process_handle.get(), &exit_code)) {
    result.error = SystemMessage(::GetLastError());
    return result;
  }
  result.exit_code = static_cast<int>(exit_code);
  return result;
}

}  // namespace quillet::platform
