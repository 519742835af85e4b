// The POSIX half of running the CAB rebuild command.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/platform.h"

extern char** environ;

namespace quillet::platform {

CommandResult RunCommand(const std::string& command, const std::string& working_directory,
                         const CommandCallbacks& callbacks) {
  const std::function<bool()>& while_waiting = callbacks.while_waiting;
  CommandResult result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!working_directory.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());
  }
  std::string sh = "/bin/sh";
  std::string dash_c = "-c";
  std::string cmd = command;
  char* argv[] = {sh.data(), dash_c.data(), cmd.data(), nullptr};
  pid_t pid = 0;
  const int spawn_error = ::posix_spawn(&pid, sh.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawn_error != 0) {
    result.error = std::strerror(spawn_error);
    return result;
  }
  result.started = true;

  // The first repaint comes at once, however quickly the command ends.
  if (while_waiting) while_waiting();
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, while_waiting ? WNOHANG : 0);
    if (done == pid) break;
    if (done < 0) {
      if (errno == EINTR) continue;
      result.error = std::strerror(errno);
      return result;
    }
    while_waiting();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status)) {
    result.exit_code = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.exit_code = 128 + WTERMSIG(status);  // as a shell reports it
  }
  return result;
}

}  // namespace quillet::platform
