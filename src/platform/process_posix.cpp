// The POSIX half of running the CAB rebuild command.
//
// The command runs as `/bin/sh -c command` under a small guard process, a
// forked copy of this program that never execs and only makes system calls:
//
//   Quillet ── guard (own session; on Linux a child subreaper)
//                └── /bin/sh -c command (own process group) ── what it starts
//
// The guard holds the read end of a "lifeline" pipe whose only write end stays
// in Quillet. Quillet closes it to ask for a stop; when Quillet ends in any way
// (a crash, kill -9, a normal exit) the kernel closes it. Either way the guard
// sees the pipe end and ends the command's process group: SIGTERM, then SIGKILL
// after kStopGraceMs. When the shell ends by itself, the guard ends whatever
// it left running the same way, then exits with the shell's status, so the next
// action never meets a leftover process still writing in the package.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "platform/command_output.h"
#include "platform/platform.h"

extern char** environ;

namespace quillet::platform {
namespace {

// How long the command's processes get to end after SIGTERM before SIGKILL.
constexpr int kStopGraceMs = 2000;
// How long the guard waits for SIGKILL to take effect before it gives up.
constexpr int kKillWaitMs = 1000;
// The longest pause between two calls of while_waiting (the promise is 50 ms).
constexpr int kCallbackIntervalMs = 20;

// ---- Used between fork and exec (and in the guard): system calls only, no
// allocation, no locks, because the parent may have other threads. ----

long NowMs() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void SleepMs(int ms) { ::poll(nullptr, 0, ms); }

// Sends the errno value of a failed start to RunCommand, which reports it.
[[noreturn]] void ReportAndExit(int report_fd, int error) {
  while (::write(report_fd, &error, sizeof error) < 0 && errno == EINTR) {
  }
  ::_exit(127);
}

// Closes every descriptor from `first` on.
void CloseFrom(int first, long max_fd) {
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, static_cast<unsigned>(first), ~0u, 0u) == 0) return;
#endif
  for (long fd = first; fd < max_fd; ++fd) ::close(static_cast<int>(fd));
}

// Calls `each` for every direct child of this process (Linux: the children
// file of /proc, read with plain system calls). Orphans of the command are
// re-parented to the guard, a subreaper, so this reaches processes that left
// the command's process group.
template <typename Each>
void ForEachChild(Each each) {
#ifdef __linux__
  char path[64] = "/proc/self/task/";
  // The guard has one thread, whose id is its process id.
  char digits[24];
  int n = 0;
  for (long pid = ::getpid(); pid > 0 && n < 23; pid /= 10)
    digits[n++] = static_cast<char>('0' + pid % 10);
  std::size_t at = std::strlen(path);
  while (n > 0) path[at++] = digits[--n];
  const char* suffix = "/children";
  for (const char* s = suffix; *s != '\0'; ++s) path[at++] = *s;
  path[at] = '\0';
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  char buffer[4096];
  long value = 0;
  bool in_number = false;
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (buffer[i] >= '0' && buffer[i] <= '9') {
        value = value * 10 + (buffer[i] - '0');
        in_number = true;
      } else if (in_number) {
        each(static_cast<pid_t>(value));
        value = 0;
        in_number = false;
      }
    }
  }
  if (in_number) each(static_cast<pid_t>(value));
  ::close(fd);
#else
  (void)each;
#endif
}

// A descriptor that becomes readable when the process `pid` (a child) ends,
// or -1 where the system has none (Linux before 5.3, other systems).
int ProcessDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

struct GuardState {
  pid_t shell = -1;
  int shell_status = 0;
  bool shell_done = false;
};

// Reaps every child that has ended; true when no child is left at all.
bool ReapChildren(GuardState& state) {
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(-1, &status, WNOHANG);
    if (done > 0) {
      if (done == state.shell) {
        state.shell_status = status;
        state.shell_done = true;
      }
      continue;
    }
    if (done < 0 && errno == EINTR) continue;
    return done < 0 && errno == ECHILD;
  }
}

// True when nothing of the command is left: on Linux no descendant at all (the
// guard is their subreaper), elsewhere no member of its process group.
bool CommandGone(GuardState& state) {
  const bool no_children = ReapChildren(state);
#ifdef __linux__
  return no_children;
#else
  return state.shell_done && ::kill(-state.shell, 0) != 0 && errno == ESRCH;
#endif
}

void SignalCommand(const GuardState& state, int signal_number) {
  ::kill(-state.shell, signal_number);
  // A stopped process acts on SIGTERM only once it runs again.
  ::kill(-state.shell, SIGCONT);
  ForEachChild([&](pid_t child) {
    ::kill(child, signal_number);
    ::kill(child, SIGCONT);
  });
}

bool WaitUntilGone(GuardState& state, int limit_ms) {
  const long deadline = NowMs() + limit_ms;
  while (!CommandGone(state)) {
    if (NowMs() >= deadline) return false;
    SleepMs(10);
  }
  return true;
}

// Ends the command's process group and whatever else it left: asks first, then forces.
void EndCommand(GuardState& state) {
  if (CommandGone(state)) return;
  SignalCommand(state, SIGTERM);
  if (WaitUntilGone(state, kStopGraceMs)) return;
  // Orphans that SIGKILL makes are re-parented to the guard; a few rounds
  // reach them too.
  const long deadline = NowMs() + kKillWaitMs;
  do {
    SignalCommand(state, SIGKILL);
    if (WaitUntilGone(state, 50)) return;
  } while (NowMs() < deadline);
}

// Everything the two forked processes need, made before the fork.
struct StartPlan {
  const char* shell_path = nullptr;
  char* const* argv = nullptr;
  const char* folder = nullptr;  // nullptr: stay where the program is
  int null_fd = -1;
  int output_fd = -1;    // write end of the output pipe
  int lifeline_fd = -1;  // read end of the lifeline
  int report_fd = -1;    // write end of the start report
  long max_fd = 0;
};

// Gives every signal its default action (this program's handlers must not
// run in a forked copy) and, when `ignore_outside_signals`, ignores those meant
// for Quillet; then unblocks them all.
void ResetSignals(bool ignore_outside_signals) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int signal_number = 1; signal_number < NSIG; ++signal_number) {
    ::sigaction(signal_number, &action, nullptr);
  }
  if (ignore_outside_signals) {
    action.sa_handler = SIG_IGN;
    for (const int signal_number :
         {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE, SIGTSTP, SIGTTIN, SIGTTOU, SIGUSR1, SIGUSR2}) {
      ::sigaction(signal_number, &action, nullptr);
    }
  }
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
}

[[noreturn]] void RunShell(const StartPlan& plan, pid_t guard) {
  ::setpgid(0, 0);
#ifdef __linux__
  // Should the guard itself be killed, the shell goes with it.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != guard) ::_exit(127);
#else
  (void)guard;
#endif
  ResetSignals(false);
  // Every source descriptor is 3 or above, so the first three never clash.
  if (::dup2(plan.null_fd, 0) < 0 || ::dup2(plan.output_fd, 1) < 0 ||
      ::dup2(plan.output_fd, 2) < 0 || ::dup2(plan.report_fd, 3) < 0) {
    ReportAndExit(plan.report_fd, errno);
  }
  ::fcntl(3, F_SETFD, FD_CLOEXEC);  // closed by the exec: the sign of a good start
  CloseFrom(4, plan.max_fd);
  if (plan.folder != nullptr && ::chdir(plan.folder) != 0) ReportAndExit(3, errno);
  ::execve(plan.shell_path, plan.argv, environ);
  ReportAndExit(3, errno);
}

[[noreturn]] void RunGuard(const StartPlan& plan) {
  // Its own session: no controlling terminal for the command, and no Ctrl-C
  // or hang-up of Quillet's terminal reaching the guard.
  ::setsid();
#ifdef __linux__
  ::prctl(PR_SET_CHILD_SUBREAPER, 1);
#endif
  const pid_t guard = ::getpid();
  GuardState state;
  state.shell = ::fork();
  if (state.shell == 0) RunShell(plan, guard);
  if (state.shell < 0) ReportAndExit(plan.report_fd, errno);
  ::setpgid(state.shell, state.shell);  // either side may win the race; both set it

  // Only the lifeline stays open in the guard.
  ::dup2(plan.null_fd, 0);
  ::dup2(plan.null_fd, 1);
  ::dup2(plan.null_fd, 2);
  ::dup2(plan.lifeline_fd, 3);
  CloseFrom(4, plan.max_fd);
  // Signals meant for Quillet (a terminal's Ctrl-C, a session's SIGHUP or
  // SIGTERM) do not end the guard; only the lifeline does.
  ResetSignals(true);

  // Woken at once when the shell ends, where the system has process
  // descriptors; otherwise the wait looks every 20 ms.
  const int shell_fd = ProcessDescriptor(state.shell);
  for (;;) {
    struct pollfd events[2] = {{3, POLLIN, 0}, {shell_fd, POLLIN, 0}};
    const int ready = ::poll(events, 2, shell_fd >= 0 ? 1000 : 20);
    if (ready > 0 && events[0].revents != 0) {
      // Nobody writes to the lifeline: any event is its end.
      EndCommand(state);
      ::_exit(126);
    }
    ReapChildren(state);
    if (state.shell_done) {
      EndCommand(state);
      const int status = state.shell_status;
      ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
  }
}

// ---- Quillet's side. ----

// A descriptor moved to 3 or above, so that the child's dup2 onto 0, 1 and 2
// never overwrites one it still needs (a program started with a closed
// standard input hands out 0 first).
int Lifted(int fd) {
  if (fd < 0 || fd >= 3) return fd;
  const int lifted = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  const int error = errno;
  ::close(fd);
  errno = error;
  return lifted;
}

class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  int get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// A close-on-exec pipe whose two ends are 3 or above.
bool MakePipe(Descriptor& read_end, Descriptor& write_end) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return false;
  read_end.Reset(Lifted(ends[0]));
  write_end.Reset(Lifted(ends[1]));
  return read_end.get() >= 0 && write_end.get() >= 0;
}

enum class ReadOutcome { kRead, kNothing, kEnd };

// Reads one bufferful of what the output pipe holds. One at a time, so that a
// command that writes without pause still lets the wait loop call back.
ReadOutcome ReadSome(int fd, std::vector<char>& buffer, CommandOutput& output) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got > 0) {
      output.Add(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
      return ReadOutcome::kRead;
    }
    if (got == 0) return ReadOutcome::kEnd;
    if (errno == EINTR) continue;
    // Another error ends reading as the end of the pipe would.
    return errno == EAGAIN || errno == EWOULDBLOCK ? ReadOutcome::kNothing : ReadOutcome::kEnd;
  }
}

}  // namespace

std::size_t WholeOutputCharacters(std::string_view bytes) { return WholeUtf8Characters(bytes); }

std::string OutputToUtf8(std::string_view bytes) { return ValidUtf8(bytes); }

CommandResult RunCommand(const std::string& command, const std::string& working_directory,
                         const CommandCallbacks& callbacks) {
  CommandResult result;
  auto fail = [&result](int error) {
    result.error = std::strerror(error);
    return result;
  };

  Descriptor null_fd(Lifted(::open("/dev/null", O_RDWR | O_CLOEXEC)));
  if (null_fd.get() < 0) return fail(errno);
  Descriptor output_read, output_write, lifeline_read, lifeline_write, report_read, report_write;
  if (!MakePipe(output_read, output_write) || !MakePipe(lifeline_read, lifeline_write) ||
      !MakePipe(report_read, report_write)) {
    return fail(errno);
  }
  ::fcntl(output_read.get(), F_SETFL, ::fcntl(output_read.get(), F_GETFL) | O_NONBLOCK);

  std::string shell_path = "/bin/sh";
  std::string shell_name = "sh";
  std::string dash_c = "-c";
  std::string command_text = command;
  char* argv[] = {shell_name.data(), dash_c.data(), command_text.data(), nullptr};
  struct rlimit limit {};
  StartPlan plan;
  plan.shell_path = shell_path.c_str();
  plan.argv = argv;
  plan.folder = working_directory.empty() ? nullptr : working_directory.c_str();
  plan.null_fd = null_fd.get();
  plan.output_fd = output_write.get();
  plan.lifeline_fd = lifeline_read.get();
  plan.report_fd = report_write.get();
  plan.max_fd = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
                    ? static_cast<long>(limit.rlim_cur)
                    : 65536;

  // No signal handler of this program may run in the forked copy before it
  // has reset them.
  sigset_t all, previous;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  const pid_t guard = ::fork();
  if (guard == 0) RunGuard(plan);
  const int fork_error = errno;
  ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  if (guard < 0) return fail(fork_error);
  output_write.Close();
  lifeline_read.Close();
  report_write.Close();
  null_fd.Close();

  // The report pipe closes when the shell has been started (its end is
  // close-on-exec); an errno value before that says why it was not.
  int start_error = 0;
  ssize_t got = 0;
  do {
    got = ::read(report_read.get(), &start_error, sizeof start_error);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof start_error)) {
    lifeline_write.Close();
    while (::waitpid(guard, nullptr, 0) < 0 && errno == EINTR) {
    }
    return fail(start_error);
  }
  result.started = true;
  // Wakes the wait as soon as the guard ends (close-on-exec, as every pidfd).
  Descriptor guard_fd(ProcessDescriptor(guard));

  CommandOutput output(callbacks.on_output);
  std::vector<char> buffer(1 << 16);
  bool output_open = true;
  bool stopping = false;
  int status = 0;
  using Clock = std::chrono::steady_clock;
  auto next_call = Clock::now();
  for (;;) {
    if (callbacks.while_waiting && Clock::now() >= next_call) {
      // The first call comes at once, however quickly the command ends.
      const bool stop = callbacks.while_waiting();
      next_call = Clock::now() + std::chrono::milliseconds(kCallbackIntervalMs);
      if (stop && !stopping) {
        stopping = true;
        lifeline_write.Close();  // the guard ends the command
      }
    }
    const pid_t done = ::waitpid(guard, &status, WNOHANG);
    if (done == guard) break;
    if (done < 0 && errno != EINTR) {
      result.error = std::strerror(errno);
      return result;
    }
    int timeout_ms = kCallbackIntervalMs;
    if (callbacks.while_waiting) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(next_call - Clock::now());
      timeout_ms = static_cast<int>(std::max<long long>(0, left.count()));
    }
    // Negative descriptors are skipped by poll.
    struct pollfd events[2] = {{output_open ? output_read.get() : -1, POLLIN, 0},
                               {guard_fd.get(), POLLIN, 0}};
    if (::poll(events, 2, timeout_ms) > 0 && events[0].revents != 0) {
      output_open = ReadSome(output_read.get(), buffer, output) != ReadOutcome::kEnd;
    }
  }
  // The guard ends the whole command before it exits, so the pipe is at its
  // end or soon will be; a process that escaped the guard and holds it gets a
  // moment, not a wait.
  const auto drain_until = Clock::now() + std::chrono::milliseconds(100);
  while (output_open && Clock::now() < drain_until) {
    const ReadOutcome outcome = ReadSome(output_read.get(), buffer, output);
    if (outcome == ReadOutcome::kEnd) {
      output_open = false;
    } else if (outcome == ReadOutcome::kNothing) {
      struct pollfd readable {
        output_read.get(), POLLIN, 0
      };
      ::poll(&readable, 1, 10);
    }
  }
  output.Finish();
  result.output_tail = output.Tail(kCommandOutputTailBytes);

  if (stopping) {
    result.stopped = true;
  } else if (WIFEXITED(status)) {
    result.exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.exit_code = 128 + WTERMSIG(status);  // the guard itself was killed
  }
  return result;
}

}  // namespace quillet::platform
