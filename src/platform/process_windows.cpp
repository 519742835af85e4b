// The Windows half of running the CAB rebuild command.
//
// cmd.exe receives the command exactly as written: with /S, cmd.exe strips
// the first and the last quotation mark of what follows /C and nothing else,
// so the quotes we put around the command are the ones it strips. (Without /S
// it strips the command's own first and last quotes whenever the command
// starts with a quote and holds more than two, which breaks the usual
// "...\cabwiz.exe" "...\MyApp.inf" /cpu "..." "..." form.)
//
// The command's processes run in a job object with
// JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE: a stop terminates the job; when the
// interpreter ends, whatever it left running is ended with it; and since only
// this program holds the job's handle, the job dies with the program however
// it ends. Where this program is itself in a job that allows no nesting
// (Windows before 8), the command breaks away from it; where that is not
// allowed either, the command runs without a job, a stop ends the processes
// that descend from the interpreter, and nothing ends them should Quillet die.
//
// Standard input is the NUL device; standard output and error share one pipe
// that the wait loop reads with overlapped I/O, so a chatty command never
// blocks. Only those two handles are inherited (PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
// Windows Vista on, looked up at run time); on Windows XP every inheritable
// handle is, and the program makes none of its own inheritable.
#include "platform/windows_support.h"  // windows.h first: the headers below need it
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_output.h"
#include "platform/platform.h"

namespace quillet::platform {
namespace {

// The longest pause between two calls of while_waiting (the promise is 50 ms).
constexpr DWORD kCallbackIntervalMs = 20;
constexpr DWORD kPipeBufferBytes = 64 * 1024;
// How long the output may take to reach its end once the processes are gone.
constexpr DWORD kDrainLimitMs = 2000;

// Declared here rather than taken from the SDK headers, which hide them when
// the build targets Windows XP.
constexpr DWORD kExtendedStartupInfoPresent = 0x00080000;
constexpr DWORD_PTR kProcThreadAttributeHandleList = 0x00020002;
struct StartupInfoEx {
  STARTUPINFOW startup_info;
  void* attribute_list;
};
using InitializeListFunction = BOOL(WINAPI*)(void*, DWORD, DWORD, SIZE_T*);
using UpdateListFunction = BOOL(WINAPI*)(void*, DWORD, DWORD_PTR, void*, SIZE_T, void*, SIZE_T*);
using DeleteListFunction = void(WINAPI*)(void*);

// The folder to give cmd.exe as its current folder, or why there is none.
// cmd.exe cannot use a UNC folder: it says so on its console, which nobody
// sees, and runs the command in the Windows folder instead. Mapping a drive
// letter for it (pushd) would leave the letter mapped whenever the command is
// stopped, and would mean wrapping the command, which changes how cmd.exe
// reads it (its "%" signs, its exit code).
bool ShellFolder(const std::string& folder, std::wstring& shell_folder, std::string& error) {
  shell_folder = Widen(folder);
  // The long form of a drive path, "\\?\C:\...", is one cmd.exe does not take either.
  if (shell_folder.rfind(LR"(\\?\)", 0) == 0 && shell_folder.size() >= 6 &&
      shell_folder[5] == L':') {
    shell_folder.erase(0, 4);
  }
  const bool network = shell_folder.size() >= 2 &&
                       (shell_folder[0] == L'\\' || shell_folder[0] == L'/') &&
                       (shell_folder[1] == L'\\' || shell_folder[1] == L'/');
  if (!network) return true;
  error = "cmd.exe cannot run a command in the network folder " + folder +
          "; map the share to a drive letter and choose the INF file through that drive";
  return false;
}

// The interpreter by its full path in the system folder, so that a "cmd.exe"
// lying in the program's or the package's folder is never started.
bool InterpreterPath(std::wstring& path, std::string& error) {
  path.assign(MAX_PATH, L'\0');
  const UINT length = ::GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (length == 0 || length >= path.size()) {
    error = SystemMessage(::GetLastError());
    return false;
  }
  path.resize(length);
  path += L"\\cmd.exe";
  return true;
}

// A pipe for the command's output: the read end is this program's, for
// overlapped reads (which an anonymous pipe does not offer); the write end is
// inheritable, for the command.
DWORD MakeOutputPipe(Handle& read_end, Handle& write_end) {
  static LONG counter = 0;
  const std::wstring name =
      LR"(\\.\pipe\Quillet.command.)" + std::to_wstring(::GetCurrentProcessId()) + L"." +
      std::to_wstring(::InterlockedIncrement(&counter)) + L"." + std::to_wstring(::GetTickCount());
  read_end.Reset(::CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, kPipeBufferBytes, 0, nullptr));
  if (!read_end.valid()) return ::GetLastError();
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  // Read attributes as well, as an anonymous pipe's write end has them, for
  // programs that look at what their output is.
  write_end.Reset(::CreateFileW(name.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, 0, &inheritable,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!write_end.valid()) return ::GetLastError();
  return 0;
}

// The list of the handles the command may inherit, where the system has one.
class InheritList {
 public:
  InheritList(HANDLE first, HANDLE second) : handles_{first, second} {
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return;
    const auto initialize = reinterpret_cast<InitializeListFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "InitializeProcThreadAttributeList")));
    const auto update = reinterpret_cast<UpdateListFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "UpdateProcThreadAttribute")));
    delete_ = reinterpret_cast<DeleteListFunction>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "DeleteProcThreadAttributeList")));
    if (initialize == nullptr || update == nullptr || delete_ == nullptr) return;
    SIZE_T size = 0;
    initialize(nullptr, 1, 0, &size);
    if (size == 0) return;
    buffer_.resize(size);
    if (!initialize(buffer_.data(), 1, 0, &size)) return;
    initialized_ = true;
    listed_ = update(buffer_.data(), 0, kProcThreadAttributeHandleList, handles_, sizeof handles_,
                     nullptr, nullptr) != 0;
  }
  InheritList(const InheritList&) = delete;
  InheritList& operator=(const InheritList&) = delete;
  ~InheritList() {
    if (initialized_) delete_(buffer_.data());
  }
  // The attribute list for STARTUPINFOEX, or nullptr where there is none.
  void* get() { return listed_ ? buffer_.data() : nullptr; }

 private:
  HANDLE handles_[2];
  std::vector<unsigned char> buffer_;
  DeleteListFunction delete_ = nullptr;
  bool initialized_ = false;
  bool listed_ = false;
};

// Ends the processes that descend from `root` (the interpreter) and `root`
// itself: the stop where no job holds them. A process counts as a descendant
// only if it started after its parent, since process ids are reused.
void TerminateTree(HANDLE root, DWORD root_id) {
  struct Entry {
    DWORD id;
    DWORD parent;
  };
  std::vector<Entry> entries;
  Handle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.valid()) {
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
      entries.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
    }
  }
  auto created = [](HANDLE process) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    ::GetProcessTimes(process, &creation, &exit, &kernel, &user);
    return (static_cast<std::uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  };
  struct Found {
    DWORD id;
    std::uint64_t created;
  };
  std::vector<Found> tree{{root_id, created(root)}};
  for (std::size_t i = 0; i < tree.size(); ++i) {
    for (const Entry& entry : entries) {
      if (entry.parent != tree[i].id || entry.id == root_id) continue;
      HANDLE process =
          ::OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, entry.id);
      if (process == nullptr) continue;
      const std::uint64_t started = created(process);
      if (started >= tree[i].created) {
        tree.push_back({entry.id, started});
        ::TerminateProcess(process, 1);
      }
      ::CloseHandle(process);
    }
  }
  ::TerminateProcess(root, 1);
}

// The command's processes, and how they are ended.
class CommandProcesses {
 public:
  // Starts the interpreter suspended, puts it in a job and lets it run.
  bool Start(const std::wstring& interpreter, const std::wstring& command_line,
             const std::wstring& folder, HANDLE input, HANDLE output, std::string& error) {
    job_.Reset(::CreateJobObjectW(nullptr, nullptr));
    if (job_.valid()) {
      JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
      limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
      if (!::SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                     sizeof limits)) {
        job_.Close();
      }
    }
    InheritList inherit(input, output);
    StartupInfoEx startup{};
    startup.startup_info.cb = sizeof startup;
    startup.startup_info.dwFlags = STARTF_USESTDHANDLES;
    startup.startup_info.hStdInput = input;
    startup.startup_info.hStdOutput = output;
    startup.startup_info.hStdError = output;
    startup.attribute_list = inherit.get();
    if (startup.attribute_list == nullptr) startup.startup_info.cb = sizeof(STARTUPINFOW);
    const DWORD base_flags = CREATE_NO_WINDOW | CREATE_SUSPENDED |
                             (startup.attribute_list != nullptr ? kExtendedStartupInfoPresent : 0);

    // In its own job if it can be: nested in this program's job (Windows 8
    // on), else broken away from that job, else without a job.
    const DWORD attempts[] = {base_flags, base_flags | CREATE_BREAKAWAY_FROM_JOB, base_flags};
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (attempt == 2) job_.Close();
      // CreateProcessW may write into the command line, so it gets its own copy.
      std::wstring line = command_line;
      PROCESS_INFORMATION started{};
      if (!::CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, TRUE,
                            attempts[attempt], nullptr, folder.empty() ? nullptr : folder.c_str(),
                            &startup.startup_info, &started)) {
        const DWORD code = ::GetLastError();
        // Breaking away is refused when this program's job does not allow it.
        if (attempt == 1 && code == ERROR_ACCESS_DENIED) continue;
        error = SystemMessage(code);
        return false;
      }
      process_.Reset(started.hProcess);
      Handle thread(started.hThread);
      id_ = started.dwProcessId;
      if (job_.valid() && !::AssignProcessToJobObject(job_.get(), process_.get())) {
        // It has not run a single instruction: ending it is safe.
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), INFINITE);
        process_.Close();
        continue;
      }
      ::ResumeThread(thread.get());
      return true;
    }
    error = SystemMessage(ERROR_ACCESS_DENIED);
    return false;
  }

  HANDLE process() const { return process_.get(); }

  // Ends the interpreter, if it still runs, and everything it started.
  void EndAll() {
    if (job_.valid()) {
      ::TerminateJobObject(job_.get(), 1);
    } else {
      TerminateTree(process_.get(), id_);
    }
  }

 private:
  Handle job_;
  Handle process_;
  DWORD id_ = 0;
};

// Reads the output pipe with overlapped I/O: one read is kept pending, and its
// event tells the wait loop when data has come.
class OutputReader {
 public:
  OutputReader(HANDLE pipe, CommandOutput& output)
      : pipe_(pipe), output_(output), buffer_(kPipeBufferBytes) {
    event_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    overlapped_.hEvent = event_.get();
    open_ = event_.valid();
    Issue();
  }
  OutputReader(const OutputReader&) = delete;
  OutputReader& operator=(const OutputReader&) = delete;
  ~OutputReader() {
    if (pending_) {
      // The buffer and the OVERLAPPED must outlive the read they were given to.
      ::CancelIo(pipe_);
      DWORD got = 0;
      ::GetOverlappedResult(pipe_, &overlapped_, &got, TRUE);
    }
  }

  bool open() const { return open_; }
  // Signalled when the pending read has finished.
  HANDLE event() const { return event_.get(); }

  // Takes the finished read's data and starts the next read.
  void Collect() {
    if (!pending_) return;
    DWORD got = 0;
    const BOOL done = ::GetOverlappedResult(pipe_, &overlapped_, &got, FALSE);
    if (!done && ::GetLastError() == ERROR_IO_INCOMPLETE) return;
    pending_ = false;
    if (!done) {
      open_ = false;  // ERROR_BROKEN_PIPE: every writer has gone
      return;
    }
    output_.Add(std::string_view(buffer_.data(), got));
    Issue();
  }

 private:
  void Issue() {
    if (!open_) return;
    if (::ReadFile(pipe_, buffer_.data(), kPipeBufferBytes, nullptr, &overlapped_) ||
        ::GetLastError() == ERROR_IO_PENDING) {
      // Done at once or later, the event is signalled and Collect takes it.
      pending_ = true;
    } else {
      open_ = false;
    }
  }

  HANDLE pipe_;
  CommandOutput& output_;
  std::vector<char> buffer_;
  Handle event_;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
  bool open_ = false;
};

DWORD Since(DWORD tick) { return ::GetTickCount() - tick; }

}  // namespace

std::size_t WholeOutputCharacters(std::string_view bytes) {
  const UINT code_page = ::GetACP();
  if (code_page == CP_UTF8) return WholeUtf8Characters(bytes);
  CPINFO info{};
  if (!::GetCPInfo(code_page, &info) || info.MaxCharSize == 1) return bytes.size();
  // A lead byte is known only by reading from the start of a piece.
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (::IsDBCSLeadByteEx(code_page, static_cast<BYTE>(bytes[i]))) {
      if (i + 1 == bytes.size()) return i;
      i += 2;
    } else {
      ++i;
    }
  }
  return bytes.size();
}

std::string OutputToUtf8(std::string_view bytes) { return AnsiToUtf8(bytes); }

CommandResult RunCommand(const std::string& command, const std::string& working_directory,
                         const CommandCallbacks& callbacks) {
  CommandResult result;
  std::wstring interpreter;
  std::wstring folder;
  if (!InterpreterPath(interpreter, result.error) ||
      !ShellFolder(working_directory, folder, result.error)) {
    return result;
  }
  const std::wstring command_line = L"cmd.exe /S /C \"" + Widen(command) + L"\"";

  Handle output_read, output_write;
  if (const DWORD error = MakeOutputPipe(output_read, output_write); error != 0) {
    result.error = SystemMessage(error);
    return result;
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle null_input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inheritable, OPEN_EXISTING, 0, nullptr));
  if (!null_input.valid()) {
    result.error = SystemMessage(::GetLastError());
    return result;
  }

  CommandProcesses processes;
  if (!processes.Start(interpreter, command_line, folder, null_input.get(), output_write.get(),
                       result.error)) {
    return result;
  }
  // Only the command holds the write end now, so the pipe ends with it.
  output_write.Close();
  null_input.Close();
  result.started = true;

  CommandOutput output(callbacks.on_output);
  OutputReader reader(output_read.get(), output);
  bool stopping = false;
  DWORD last_call = 0;
  auto call_back = [&] {
    last_call = ::GetTickCount();
    if (callbacks.while_waiting() && !stopping) {
      stopping = true;
      processes.EndAll();
    }
  };
  // The first call comes at once, however quickly the command ends.
  if (callbacks.while_waiting) call_back();
  for (;;) {
    const HANDLE events[] = {processes.process(), reader.event()};
    const DWORD count = reader.open() ? 2 : 1;
    DWORD timeout = kCallbackIntervalMs;
    if (callbacks.while_waiting) timeout -= std::min(timeout, Since(last_call));
    const DWORD waited = ::WaitForMultipleObjects(count, events, FALSE, timeout);
    if (waited == WAIT_OBJECT_0) break;
    if (waited == WAIT_OBJECT_0 + 1) {
      reader.Collect();
    } else if (waited == WAIT_FAILED) {
      result.error = SystemMessage(::GetLastError());
      processes.EndAll();
      return result;
    }
    if (callbacks.while_waiting && Since(last_call) >= kCallbackIntervalMs) call_back();
  }

  DWORD exit_code = 0;
  const bool have_code = ::GetExitCodeProcess(processes.process(), &exit_code) != 0;
  const DWORD code_error = ::GetLastError();
  // Whatever the interpreter left running ends with it.
  processes.EndAll();
  const DWORD drain_start = ::GetTickCount();
  while (reader.open() && Since(drain_start) < kDrainLimitMs) {
    const DWORD waited = ::WaitForSingleObject(reader.event(), kCallbackIntervalMs);
    if (waited == WAIT_OBJECT_0) reader.Collect();
    if (waited == WAIT_FAILED) break;
    if (callbacks.while_waiting && Since(last_call) >= kCallbackIntervalMs) call_back();
  }
  output.Finish();
  result.output_tail = output.Tail(kCommandOutputTailBytes);

  if (stopping) {
    result.stopped = true;
  } else if (!have_code) {
    result.error = SystemMessage(code_error);
  } else {
    result.exit_code = static_cast<int>(exit_code);
  }
  return result;
}

}  // namespace quillet::platform
