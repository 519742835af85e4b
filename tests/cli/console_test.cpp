#include "cli/console.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;

std::string CurrentFolder() {
  const std::u8string text = fs::current_path().u8string();
  return std::string(text.begin(), text.end());
}

TEST(ConsoleTest, AbsolutePaths) {
  const std::string here = CurrentFolder();
  struct Case {
    std::string given;
    std::string absolute;
  };
#ifdef _WIN32
  const std::string drive = here.substr(0, 2);
  const Case cases[] = {
      {"C:\\Pkg\\Project1.inf", "C:\\Pkg\\Project1.inf"},
      // Windows' own reading: "/" is a separator, "." and ".." resolved.
      {"C:/Pkg/./sub/../Project1.inf", "C:\\Pkg\\Project1.inf"},
      {"\\\\server\\share\\Pkg\\a.inf", "\\\\server\\share\\Pkg\\a.inf"},
      {"a.inf", here + (here.back() == '\\' ? "" : "\\") + "a.inf"},
      {"\\Pkg\\a.inf", drive + "\\Pkg\\a.inf"},
  };
#else
  const Case cases[] = {
      {"/pkg/Project1.inf", "/pkg/Project1.inf"},
      {"/pkg/./x//Project1.inf", "/pkg/x/Project1.inf"},
      // ".." stays: a link may stand before it.
      {"/pkg/link/../Project1.inf", "/pkg/link/../Project1.inf"},
      {"a.inf", here + "/a.inf"},
      {"./sub/a b.inf", here + "/sub/a b.inf"},
      {"sub/", here + "/sub/"},
      {"/", "/"},
      {"\\not\\a\\separator.inf", here + "/\\not\\a\\separator.inf"},
  };
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(AbsolutePath(c.given), c.absolute);
  }
}

#ifndef _WIN32
// The first Ctrl+C only asks for a stop; a second one ends the program as the
// signal does by default. Tried in a child process, which the second one ends.
TEST(ConsoleTest, FirstCtrlCAsksSecondEnds) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ProcessConsole console;
      if (console.Get().stop_requested()) ::_exit(3);
      std::raise(signal_number);
      if (!console.Get().stop_requested()) ::_exit(4);
      std::raise(signal_number);
      ::_exit(5);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signal_number);
  }
}
#endif

}  // namespace
}  // namespace quillet::cli
