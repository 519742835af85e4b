#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_output.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

using testing::Join;
using testing::PathOf;
using testing::ReadFile;
using testing::Utf8Of;

// An error text is the OS's own sentence: present, on one line, without the line
// break that some system calls end their messages with.
void ExpectErrorText(const std::string& error) {
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
}

// Text with every CR LF and lone CR turned into LF, so that cmd.exe's and the
// shell's output compare alike.
std::string WithLf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out.push_back('\n');
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// The line end that echo writes.
#ifdef _WIN32
const std::string kEchoLineEnd = "\r\n";
#else
const std::string kEchoLineEnd = "\n";
#endif

// Polls `done` until it holds or `limit` has passed.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// True when the process with that id has ended (a zombie that nobody reaps
// counts as ended: it runs no more).
bool ProcessGone(long pid) {
#ifdef _WIN32
  HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return true;
  const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  ::CloseHandle(process);
  return ended;
#else
  if (::kill(static_cast<pid_t>(pid), 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const auto close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z';
#endif
}

class ProcessTest : public testing::TempFolderTest {
 protected:
  // The process ids that the command's processes left in the test folder,
  // one "<id>.pid" file each.
  std::vector<long> LeftIds() const {
    std::vector<long> ids;
    for (const auto& entry : fs::directory_iterator(PathOf(folder_))) {
      if (entry.path().extension() == ".pid")
        ids.push_back(std::stol(entry.path().stem().string()));
    }
    return ids;
  }
};

#ifdef _WIN32
constexpr LONGLONG kMarkedFileSize = 12345;

// ---- The test program doubles as a child process for the Windows tests: the
// helper test below does what QUILLET_HELPER_MODE says and is skipped in an
// ordinary run. ----

std::string Environment(const char* name) {
  wchar_t buffer[32768];
  const std::wstring wide_name(name, name + std::strlen(name));
  const DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), buffer, 32768);
  if (length == 0 || length >= 32768) return {};
  return Utf8Of(fs::path(std::wstring(buffer, length)));
}

void SetEnvironment(const char* name, const std::string& value) {
  const std::wstring wide_name(name, name + std::strlen(name));
  ::SetEnvironmentVariableW(wide_name.c_str(),
                            value.empty() ? nullptr : PathOf(value).wstring().c_str());
}

std::string ThisProgram() {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
  return Utf8Of(fs::path(std::wstring(buffer, length)));
}

// The command line that starts this program as a helper.
std::string HelperCommand() {
  return "\"" + ThisProgram() + "\" --gtest_filter=ProcessHelper.ActsAsTold";
}

TEST(ProcessHelper, ActsAsTold) {
  const std::string mode = Environment("QUILLET_HELPER_MODE");
  const std::string folder = Environment("QUILLET_HELPER_FOLDER");
  if (mode.empty()) GTEST_SKIP() << "only a child process of the process tests";
  const std::string id = std::to_string(::GetCurrentProcessId());
  if (mode == "sleep") {
    std::ofstream(PathOf(Join(folder, id + ".pid"))) << id;
    ::Sleep(60000);
  } else if (mode == "handle") {
    // Does the parent's handle value name its file here too? The file's size
    // tells it apart from an unrelated handle that has the same value.
    const auto value =
        static_cast<std::uintptr_t>(std::stoull(Environment("QUILLET_HELPER_HANDLE")));
    LARGE_INTEGER size{};
    const bool open =
        ::GetFileSizeEx(reinterpret_cast<HANDLE>(value), &size) && size.QuadPart == kMarkedFileSize;
    std::ofstream(PathOf(Join(folder, "handle.txt"))) << (open ? "inherited" : "not inherited");
  } else if (mode == "run") {
    // Runs a command and waits; the test ends this process from outside.
    SetEnvironment("QUILLET_HELPER_MODE", "sleep");
    std::ofstream(PathOf(Join(folder, "runner.started"))) << id;
    RunCommand(Environment("QUILLET_HELPER_COMMAND"), folder);
  }
  std::exit(0);
}

// Sets the helper's instructions for the commands a test runs, and clears them after.
class HelperEnvironment {
 public:
  HelperEnvironment(const std::string& mode, const std::string& folder) {
    SetEnvironment("QUILLET_HELPER_MODE", mode);
    SetEnvironment("QUILLET_HELPER_FOLDER", folder);
  }
  ~HelperEnvironment() {
    for (const char* name : {"QUILLET_HELPER_MODE", "QUILLET_HELPER_FOLDER",
                             "QUILLET_HELPER_HANDLE", "QUILLET_HELPER_COMMAND"}) {
      SetEnvironment(name, "");
    }
  }
};
#endif

TEST_F(ProcessTest, CommandRunsInTheWorkingFolderAndItsExitCodeIsRead) {
  // The working folder has a space, parentheses and a non-Latin character.
  const std::string package = PathIn("Pkg (4K) \xCE\xA9");
  fs::create_directory(PathOf(package));
  int calls = 0;
  const CommandResult made = RunCommand("echo made>made.txt", package,
                                        {.while_waiting = [&calls] { return ++calls < 0; }});
  ASSERT_TRUE(made.started) << made.error;
  EXPECT_EQ(made.exit_code, 0);
  EXPECT_FALSE(made.stopped);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(ReadFile(Join(package, "made.txt")).substr(0, 4), "made");

  // The command text reaches the interpreter whole, characters outside the code
  // page included; the folder may end in its separator, as a package folder does.
  const CommandResult named =
      RunCommand("echo made>\"made \xCE\xA9.txt\"", package + kPathSeparator,
                 {.while_waiting = [] { return false; }});
  ASSERT_TRUE(named.started) << named.error;
  EXPECT_EQ(named.exit_code, 0);
  EXPECT_EQ(ReadFile(Join(package, "made \xCE\xA9.txt")).substr(0, 4), "made");

  struct Case {
    const char* command;
    int exit_code;
  };
  const Case cases[] = {{"exit 3", 3}, {"exit 0", 0}, {"exit 255", 255}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const CommandResult result = RunCommand(c.command, package);  // no callback: plain wait
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exit_code, c.exit_code);
  }
}

TEST_F(ProcessTest, CommandInAMissingFolderDoesNotStart) {
  const CommandResult result =
      RunCommand("echo made>made.txt", PathIn("gone"), {.while_waiting = [] { return false; }});
  EXPECT_FALSE(result.started);
  ExpectErrorText(result.error);
  EXPECT_FALSE(fs::exists(PathOf(PathIn("gone"))));
  EXPECT_FALSE(fs::exists(PathOf(PathIn("made.txt"))));
}

TEST_F(ProcessTest, ArgumentsReachTheProgramExactlyAsWritten) {
  // The usual CAB Wizard command: a quoted program path with spaces, then
  // quoted arguments with spaces and parentheses; one more with "&" inside
  // its quotes.
  const std::string tools = PathIn("Windows CE Tools (x86)");
  fs::create_directory(PathOf(tools));
#ifdef _WIN32
  const std::string program = Join(tools, "cabwiz.bat");
  std::string script = "@echo off\r\n";
  for (const char* n : {"1", "2", "3", "4", "5", "6"}) {
    script += std::string(">>\"%~dp0args.txt\" echo [%") + n + "]\r\n";
  }
  WriteFile(program, script + "exit /b 4\r\n");
  const std::string inf = "C:\\Pkg\\MyApp.inf";
#else
  const std::string program = Join(tools, "cabwiz.sh");
  WriteFile(program,
            "for a in \"$@\"; do printf '[\"%s\"]\\n' \"$a\" >>\"$(dirname \"$0\")/args.txt\"; "
            "done\nexit 4\n");
  fs::permissions(PathOf(program), fs::perms::owner_all);
  const std::string inf = "/Pkg/MyApp.inf";
#endif
  const std::string command = "\"" + program + "\" \"" + inf +
                              "\" /cpu \"Mips 4000 (4K) v3.00\" \"Arm 1100 (4K) v3.00\" "
                              "\"R&D (beta)\"";
  const CommandResult result = RunCommand(command, folder_);
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.exit_code, 4) << result.output_tail;
#ifdef _WIN32
  // A batch file's unused parameter is empty; the script lists only what it got.
  const std::string expected_cpu = "[/cpu]\n";
  const std::string unused = "[]\n";
#else
  const std::string expected_cpu = "[\"/cpu\"]\n";
  const std::string unused;
#endif
  EXPECT_EQ(WithLf(ReadFile(Join(tools, "args.txt"))),
            "[\"" + inf + "\"]\n" + expected_cpu +
                "[\"Mips 4000 (4K) v3.00\"]\n[\"Arm 1100 (4K) v3.00\"]\n[\"R&D (beta)\"]\n" +
                unused);

#ifdef _WIN32
  // "%" signs reach the interpreter, which leaves alone what names no variable.
  const CommandResult percent =
      RunCommand(">percent.txt echo 50% \"100%\" %QUILLET_NOT_A_VARIABLE%", folder_);
  ASSERT_TRUE(percent.started) << percent.error;
  EXPECT_EQ(WithLf(ReadFile(PathIn("percent.txt"))), "50% \"100%\" %QUILLET_NOT_A_VARIABLE%\n");
#endif
}

TEST_F(ProcessTest, OutputIsPassedOnAsItComesAndItsLastLinesKept) {
  std::string passed;
  const CommandResult result =
      RunCommand("echo first&& echo second>&2&& echo third&& exit 5", folder_,
                 {.on_output = [&](std::string_view chunk) { passed += chunk; }});
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.exit_code, 5);
  EXPECT_EQ(WithLf(passed), "first\nsecond\nthird\n");
  EXPECT_EQ(result.output_tail, passed);
}

TEST_F(ProcessTest, ChattyCommandNeverBlocksAndOnlyItsTailIsKept) {
  // Far more than a pipe holds, on both streams, and no reader but Quillet.
  std::string lines;
  for (int i = 0; i < 4000; ++i) {
    lines += "line " + std::to_string(i) + " of a command that has a lot to say\n";
  }
  WriteFile(PathIn("lines.txt"), lines);
  std::string warnings;
  for (int i = 0; i < 1000; ++i) warnings += "warning " + std::to_string(i) + "\n";
  WriteFile(PathIn("warnings.txt"), warnings);
#ifdef _WIN32
  const std::string command = "type lines.txt& type warnings.txt 1>&2& echo last& exit 1";
#else
  const std::string command = "cat lines.txt; cat warnings.txt >&2; echo last; exit 1";
#endif
  std::size_t passed = 0;
  int calls = 0;
  auto longest_pause = Clock::duration::zero();
  auto last_call = Clock::now();
  const CommandResult result =
      RunCommand(command, folder_,
                 {.while_waiting =
                      [&] {
                        const auto now = Clock::now();
                        if (calls++ > 0) longest_pause = std::max(longest_pause, now - last_call);
                        last_call = now;
                        return false;
                      },
                  .on_output = [&](std::string_view chunk) { passed += chunk.size(); }});
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.exit_code, 1);
  // Every byte passed on once: both files, then "last" and the line end of echo.
  EXPECT_EQ(passed,
            lines.size() + warnings.size() + std::string("last").size() + kEchoLineEnd.size());
  EXPECT_LE(result.output_tail.size(), kCommandOutputTailBytes);
  EXPECT_GT(result.output_tail.size(), kCommandOutputTailBytes / 2);
  // The tail starts at a line and ends with the last one.
  const std::string tail = WithLf(result.output_tail);
  EXPECT_EQ(tail.substr(0, 8), "warning ");
  EXPECT_EQ(tail.substr(tail.size() - 5), "last\n");
  // The promise is a call at least every 50 ms; a loaded machine may delay
  // this process itself, so only a starved callback fails here.
  EXPECT_LT(longest_pause, std::chrono::milliseconds(250));
}

TEST_F(ProcessTest, CommandThatWaitsForInputGetsTheEndOfInputAtOnce) {
#ifdef _WIN32
  // Quillet's own standard input holds a line the command must not see.
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  ASSERT_TRUE(::CreatePipe(&read_end, &write_end, &inheritable, 0));
  DWORD written = 0;
  ::WriteFile(write_end, "typed\r\n", 7, &written, nullptr);
  const HANDLE saved_input = ::GetStdHandle(STD_INPUT_HANDLE);
  ::SetStdHandle(STD_INPUT_HANDLE, read_end);
  const std::string command =
      "set /p line=& if defined line (echo got %line%) else (echo no input)";
#else
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  ASSERT_EQ(::write(ends[1], "typed\n", 6), 6);
  const int saved_input = ::dup(0);
  ::dup2(ends[0], 0);
  const std::string command =
      "if read line; then echo \"got $line\"; else echo \"no input\"; fi; readlink /proc/$$/fd/0";
#endif
  // A command that still waits after 20 s is stopped, so that a fault fails
  // the test instead of hanging it.
  const auto start = Clock::now();
  const CommandResult result = RunCommand(command, folder_, {.while_waiting = [&] {
                                            return Clock::now() - start > std::chrono::seconds(20);
                                          }});
#ifdef _WIN32
  ::SetStdHandle(STD_INPUT_HANDLE, saved_input);
  ::CloseHandle(read_end);
  ::CloseHandle(write_end);
#else
  ::dup2(saved_input, 0);
  ::close(saved_input);
  ::close(ends[0]);
  ::close(ends[1]);
#endif
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_FALSE(result.stopped);
#ifdef _WIN32
  EXPECT_EQ(WithLf(result.output_tail), "no input\n");
#else
  EXPECT_EQ(result.output_tail, "no input\n/dev/null\n");
#endif
}

TEST_F(ProcessTest, NoDescriptorOrHandleOfTheProgramIsInherited) {
#ifdef _WIN32
  // An inheritable handle of Quillet's own: the command's processes must not get it.
  WriteFile(PathIn("marked"), std::string(kMarkedFileSize, 'x'));
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE file =
      ::CreateFileW(PathOf(PathIn("marked")).wstring().c_str(), GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_DELETE, &inheritable, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  HelperEnvironment helper("handle", folder_);
  SetEnvironment("QUILLET_HELPER_HANDLE", std::to_string(reinterpret_cast<std::uintptr_t>(file)));
  const CommandResult result = RunCommand(HelperCommand(), folder_);
  ::CloseHandle(file);
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(ReadFile(PathIn("handle.txt")), "not inherited") << result.output_tail;
#else
  // A descriptor of Quillet's own without close-on-exec, as a library may leave one.
  const int stray = ::open(folder_.c_str(), O_RDONLY);
  ASSERT_GE(stray, 3);
  const CommandResult result = RunCommand("ls /proc/$$/fd", folder_);
  ::close(stray);
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.output_tail, "0\n1\n2\n");
#endif
}

// A command that never ends by itself and has started a second process: a
// stop ends both at once, as soon as the caller asks.
TEST_F(ProcessTest, StopEndsTheCommandAndEverythingItStarted) {
#ifdef _WIN32
  HelperEnvironment helper("sleep", folder_);
  const std::string command =
      "start /b \"\" " + HelperCommand() + " & " + HelperCommand() + " & echo not stopped";
  const std::size_t processes = 2;
#else
  const std::string command =
      "echo $$ > $$.pid; sleep 60 & echo $! > $!.pid; sleep 60; echo not stopped";
  const std::size_t processes = 2;
#endif
  int calls_after_stop = 0;
  bool asked = false;
  auto asked_at = Clock::now();
  const CommandResult result = RunCommand(command, folder_, {.while_waiting = [&] {
                                            if (asked) {
                                              ++calls_after_stop;
                                              return false;
                                            }
                                            if (LeftIds().size() < processes) return false;
                                            asked = true;
                                            asked_at = Clock::now();
                                            return true;
                                          }});
  const auto took = Clock::now() - asked_at;
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_TRUE(asked);
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(result.exit_code, -1);
  EXPECT_EQ(WithLf(result.output_tail).find("not stopped"), std::string::npos);
  EXPECT_LT(took, std::chrono::seconds(5));
  for (const long id : LeftIds()) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(WaitFor([id] { return ProcessGone(id); }, std::chrono::seconds(2)));
  }
  EXPECT_EQ(LeftIds().size(), processes);
}

// What the command left running when it ended by itself is ended with it, so
// that nothing keeps writing in the package while the run moves its files.
TEST_F(ProcessTest, WhatTheCommandLeftRunningEndsWithIt) {
#ifdef _WIN32
  HelperEnvironment helper("sleep", folder_);
  // The helper is known to run once its id file exists.
  const std::string command = "start /b \"\" " + HelperCommand() +
                              " & for /L %i in (1,1,30) do @if not exist *.pid ping -n 2 "
                              "127.0.0.1 >nul";
#else
  const std::string command = "sleep 60 & echo $! > $!.pid; exit 0";
#endif
  const CommandResult result = RunCommand(command, folder_);
  ASSERT_TRUE(result.started) << result.error;
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_FALSE(result.stopped);
  ASSERT_EQ(LeftIds().size(), 1u);
  const long id = LeftIds().front();
  EXPECT_TRUE(WaitFor([id] { return ProcessGone(id); }, std::chrono::seconds(2)));
}

#ifndef _WIN32
// A process that ignores SIGTERM, and one that left the command's process
// group (a new session), are still ended by a stop.
TEST_F(ProcessTest, StopForcesWhatIgnoresItAndReachesWhatLeftTheGroup) {
  struct Case {
    const char* name;
    const char* command;
  };
  const Case cases[] = {
      {"ignores SIGTERM", "trap '' TERM; sleep 60 & echo $! > $!.pid; wait; wait"},
      // The id is written once the process has left the group.
      {"left the group", "setsid sh -c 'echo $$ > $$.pid; exec sleep 60' & sleep 60"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const long id : LeftIds()) fs::remove(PathOf(PathIn(std::to_string(id) + ".pid")));
    const CommandResult result =
        RunCommand(c.command, folder_, {.while_waiting = [&] { return !LeftIds().empty(); }});
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_TRUE(result.stopped);
    ASSERT_EQ(LeftIds().size(), 1u);
    const long id = LeftIds().front();
    EXPECT_TRUE(WaitFor([id] { return ProcessGone(id); }, std::chrono::seconds(2)));
  }
}
#endif

// If Quillet itself is killed while the command runs, the command and what it
// started end too.
TEST_F(ProcessTest, CommandEndsWhenTheProgramIsKilled) {
#ifdef _WIN32
  HelperEnvironment helper("run", folder_);
  SetEnvironment("QUILLET_HELPER_COMMAND",
                 "start /b \"\" " + HelperCommand() + " & " + HelperCommand());
  std::wstring line = PathOf(HelperCommand()).wstring();
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION runner{};
  ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &runner));
  ::CloseHandle(runner.hThread);
  const bool all_started = WaitFor([&] { return LeftIds().size() == 2; }, std::chrono::seconds(30));
  ::TerminateProcess(runner.hProcess, 9);
  ::WaitForSingleObject(runner.hProcess, 10000);
  ::CloseHandle(runner.hProcess);
#else
  const pid_t runner = ::fork();
  ASSERT_GE(runner, 0);
  if (runner == 0) {
    RunCommand("echo $$ > $$.pid; sleep 60 & echo $! > $!.pid; sleep 60", folder_);
    ::_exit(0);
  }
  const bool all_started = WaitFor([&] { return LeftIds().size() == 2; }, std::chrono::seconds(10));
  ::kill(runner, SIGKILL);
  ::waitpid(runner, nullptr, 0);
#endif
  ASSERT_TRUE(all_started);
  for (const long id : LeftIds()) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(WaitFor([id] { return ProcessGone(id); }, std::chrono::seconds(5)));
  }
}

#ifdef _WIN32
TEST_F(ProcessTest, NetworkFolderIsRefusedWithTheReason) {
  // cmd.exe would run the command in the Windows folder instead.
  for (const char* folder : {"\\\\server\\share\\Pkg\\", "\\\\?\\UNC\\server\\share\\Pkg"}) {
    SCOPED_TRACE(folder);
    bool called = false;
    const CommandResult result =
        RunCommand("echo made>made.txt", folder, {.while_waiting = [&] { return called = true; }});
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(called);
    EXPECT_EQ(result.error,
              std::string("cmd.exe cannot run a command in the network folder ") + folder +
                  "; map the share to a drive letter and choose the INF file through that drive");
  }
}
#endif

TEST(CommandOutputTest, TailStartsAtALineAndNeverSplitsACharacter) {
  struct Case {
    const char* name;
    std::string text;
    std::size_t max_bytes;
    std::string tail;
  };
  const Case cases[] = {
      {"short output is kept whole", "a\nb\n", 10, "a\nb\n"},
      {"cut after a line break", "first\nsecond\nthird\n", 10, "third\n"},
      {"cut right at a line start", "12345\n6789\n", 5, "6789\n"},
      {"CR LF line breaks", "first\r\nsecond\r\nthird\r\n", 12, "third\r\n"},
      {"cut between CR and LF", "ab\r\ncd\r\n", 5, "cd\r\n"},
#ifdef _WIN32
      // Windows-1252 "é" becomes two bytes of UTF-8.
      {"one long line: cut at a character", "\xE9\xE9\xE9", 3, "\xC3\xA9"},
#else
      {"one long line: cut at a character", "\xCE\xA9\xCE\xA9\xCE\xA9", 3, "\xCE\xA9"},
#endif
      {"nothing allowed", "abc", 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CommandOutput output(nullptr);
    output.Add(c.text);
    output.Finish();
    EXPECT_EQ(output.Tail(c.max_bytes), c.tail);
  }
}

TEST(CommandOutputTest, PiecesAreNeverSplitInsideACharacter) {
  // "Ω" is CE A9 in UTF-8; the pipe may cut between the two bytes.
  std::vector<std::string> passed;
  CommandOutput output([&](std::string_view chunk) { passed.emplace_back(chunk); });
#ifdef _WIN32
  // Windows-1252 has no multi-byte characters: every byte stands alone.
  output.Add("a\xE9");
  output.Finish();
  EXPECT_EQ(passed, (std::vector<std::string>{"a\xC3\xA9"}));
#else
  output.Add("a\xCE");
  output.Add("\xA9 b\xE2\x82");
  output.Add("\xAC");
  output.Add("\xFF ");  // not UTF-8: replaced, not held back
  output.Add("\xCE");   // cut off at the very end
  output.Finish();
  EXPECT_EQ(passed, (std::vector<std::string>{"a", "\xCE\xA9 b", "\xE2\x82\xAC", "\xEF\xBF\xBD ",
                                              "\xEF\xBF\xBD"}));
#endif
}

}  // namespace
}  // namespace quillet::platform
