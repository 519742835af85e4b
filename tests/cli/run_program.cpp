#include "run_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;
#endif

namespace quillet::cli::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path OutputFile(const char* what) {
  std::random_device random;
  return fs::temp_directory_path() /
         ("quillet-cli-test-" + std::to_string(random()) + std::to_string(random()) + "." + what);
}

#ifdef _WIN32
std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int size =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
  return wide;
}

// One argument quoted so that CommandLineToArgvW gives it back unchanged:
// backslashes double only before a quote or the closing quote.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

HANDLE InheritableFile(const fs::path& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

}  // namespace

std::string QuilletModifyPath() {
  std::string path = QUILLET_MODIFY_EXE;
#ifdef _WIN32
  // Built on Linux and run under Wine: a path from the root of the file system
  // is a path on the current drive, which maps the root.
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

#ifdef _WIN32
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const ProgramOptions& options) {
  ProgramResult result;
  const fs::path out_path = OutputFile("out");
  const fs::path err_path = OutputFile("err");
  HANDLE in = InheritableFile(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = InheritableFile(out_path, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = InheritableFile(err_path, GENERIC_WRITE, CREATE_ALWAYS);
  std::wstring command_line = Quoted(Widen(program));
  for (const std::string& argument : arguments) command_line += L" " + Quoted(Widen(argument));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const std::wstring folder = Widen(options.working_directory);
  const BOOL started =
      ::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  const DWORD start_error = ::GetLastError();
  ::CloseHandle(in);
  ::CloseHandle(out);
  ::CloseHandle(err);
  if (started) {
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    result.exit_code = static_cast<int>(code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
  } else {
    ADD_FAILURE() << "could not start " << program << ": error " << start_error;
  }
  result.out = ReadAll(out_path);
  result.err = ReadAll(err_path);
  std::error_code ignored;
  fs::remove(out_path, ignored);
  fs::remove(err_path, ignored);
  return result;
}
#else
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const ProgramOptions& options) {
  ProgramResult result;
  const fs::path out_path = OutputFile("out");
  const fs::path err_path = OutputFile("err");

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  int terminal = -1;
  int gone_pipe = -1;
  if (options.out_is_terminal) {
    terminal = ::posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(terminal, 0) << std::strerror(errno);
    ::grantpt(terminal);
    ::unlockpt(terminal);
    posix_spawn_file_actions_addopen(&actions, 1, ::ptsname(terminal), O_WRONLY | O_NOCTTY, 0);
  } else if (options.out_reader_gone) {
    int ends[2] = {-1, -1};
    EXPECT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    gone_pipe = ends[1];
    posix_spawn_file_actions_adddup2(&actions, gone_pipe, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
  }
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0600);
  if (!options.working_directory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, options.working_directory.c_str());
  }

  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    bool replaced = false;
    for (const std::string& added : options.environment) {
      replaced =
          replaced || text.substr(0, text.find('=') + 1) == added.substr(0, added.find('=') + 1);
    }
    if (!replaced) environment.push_back(text);
  }
  environment.insert(environment.end(), options.environment.begin(), options.environment.end());
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  std::vector<std::string> argv_text = {program};
  argv_text.insert(argv_text.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& argument : argv_text) argv.push_back(argument.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  const int spawn_error =
      ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (gone_pipe >= 0) ::close(gone_pipe);
  if (spawn_error != 0) {
    ADD_FAILURE() << "could not start " << program << ": " << std::strerror(spawn_error);
  } else {
    if (terminal >= 0) {
      // Read while it writes: a terminal holds only a few kilobytes. Reading
      // fails (EIO) once the program's side is closed.
      char buffer[4096];
      for (;;) {
        const ssize_t got = ::read(terminal, buffer, sizeof buffer);
        if (got > 0) {
          result.out.append(buffer, static_cast<std::size_t>(got));
        } else if (got < 0 && errno == EINTR) {
          continue;
        } else {
          break;
        }
      }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  if (terminal >= 0) {
    ::close(terminal);
  } else {
    result.out = ReadAll(out_path);
  }
  result.err = ReadAll(err_path);
  std::error_code ignored;
  fs::remove(out_path, ignored);
  fs::remove(err_path, ignored);
  return result;
}
#endif

}  // namespace quillet::cli::testing
