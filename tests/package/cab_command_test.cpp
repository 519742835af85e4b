#include "package/cab_command.h"

#include <chrono>
#include <string_view>
#include <utility>

#include "package/run_fixture.h"

namespace quillet::run_test {
namespace {

const std::string kStart = kCabCommandStartMarker;
const std::string kEnd = kCabCommandEndMarker;

TEST(ExtractCabCommandTest, CutsTheCommandOutOfTheJoinedText) {
  struct Case {
    const char* name;
    std::string text;
    bool found;
    std::string command;
  };
  const std::string long_prefix(40000, 'x');
  const Case cases[] = {
      {"spaces around the command are dropped", "intro " + kStart + "   cabwiz a.inf  " + kEnd,
       true, "cabwiz a.inf"},
      {"tabs and other blanks stay", kStart + " \tcabwiz a.inf\t " + kEnd, true,
       "\tcabwiz a.inf\t"},
      {"end marker right after the start marker", kStart + kEnd, true, ""},
      {"only spaces between the markers", kStart + "    " + kEnd, true, ""},
      {"a second start marker is part of the command",
       kStart + "one " + kStart + " two" + kEnd + kStart + "three" + kEnd, true,
       "one " + kStart + " two"},
      {"an end marker before the start marker does not count", kEnd + kStart + "cmd" + kEnd, true,
       "cmd"},
      {"positions beyond 16 bits are fine", long_prefix + kStart + "far" + kEnd, true, "far"},
      {"upper-case start marker is not recognised",
       "TO REBUILD THE CAB FILES RUN THE FOLLOWING COMMAND cmd " + kEnd, false, ""},
      {"no start marker", "nothing here", false, ""},
      {"no end marker after the start marker", kStart + " cmd", false, ""},
      {"end marker without its final point", kStart + " cmd " + kEnd.substr(0, kEnd.size() - 1),
       false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CabCommand result = ExtractCabCommandFromText(c.text, "pkg/readme.txt");
    EXPECT_EQ(result.found, c.found);
    EXPECT_EQ(result.command, c.command);
    EXPECT_EQ(result.error.empty(), c.found);
  }
}

TEST(ExtractCabCommandTest, FailuresSayWhichMarkerIsMissing) {
  EXPECT_EQ(ExtractCabCommandFromText("text", "P/readme.txt").error,
            "P/readme.txt does not contain the line \"" + kStart + "\"");
  EXPECT_EQ(ExtractCabCommandFromText(kStart + " cmd", "P/readme.txt").error,
            "P/readme.txt has no \"" + kEnd + "\" after \"" + kStart + "\"");
}

class CabCommandTest : public RunTest {
 protected:
  void WriteReadme(const std::string& bytes) { WriteBytes(Dir() + "readme.txt", bytes); }
  StatusLog log_;
};

TEST_F(CabCommandTest, ReadTextFileDropsEveryKindOfLineEnd) {
  const std::string path = Dir() + "text.txt";
  WriteBytes(path, "a\r\nb\nc\rd\r\n\r\ne\xE9");  // 0xE9 is "é" in Windows-1252
  std::string error = "stale";
  EXPECT_EQ(ReadTextFile(path, &error), "abcde\xC3\xA9");
  EXPECT_EQ(error, "");

  WriteBytes(path, "");
  EXPECT_EQ(ReadTextFile(path, &error), "");
  EXPECT_EQ(error, "");

  EXPECT_EQ(ReadTextFile(Dir() + "missing.txt", &error), "");
  ExpectFailureText(error, "", "No such file or directory");
}

TEST_F(CabCommandTest, CommandSplitOverLinesIsJoinedWithoutSpace) {
  WriteReadme("Readme\r\n" + kStart + "\r\n\r\n  cabwiz \"a.inf\" /cpu \"Mips\r\n 4000\"  \r\n" +
              kEnd + "\r\n");
  const CabCommand command = ExtractCabCommand(Dir());
  EXPECT_TRUE(command.found);
  EXPECT_EQ(command.command, "cabwiz \"a.inf\" /cpu \"Mips 4000\"");
}

TEST_F(CabCommandTest, ExtractionFailuresAreRedRowsAndNothingRuns) {
  struct Case {
    const char* name;
    const char* readme;  // nullptr: no readme.txt at all
    std::string message;
  };
  const std::string readme = Dir() + "readme.txt";
  const Case cases[] = {
      {"no readme.txt", nullptr, "Could not read " + readme + ": No such file or directory"},
      {"no start marker", "hello\r\n", readme + " does not contain the line \"" + kStart + "\""},
      {"no end marker", "To rebuild the cab files run the following command\r\ncmd\r\n",
       readme + " has no \"" + kEnd + "\" after \"" + kStart + "\""},
      {"empty command",
       "To rebuild the cab files run the following command\r\n \r\n"
       "Then copy the CAB files created to the CD1 directory.",
       readme + " gives an empty command between \"" + kStart + "\" and \"" + kEnd + "\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ignored;
    fs::remove(fs::u8path(readme), ignored);
    if (c.readme != nullptr) WriteReadme(c.readme);
    bool ran = false;
    StatusLog log;
    RunCabCommand(Dir(), log, {}, [&](const std::string&, const std::string&, const auto&) {
      ran = true;
      return platform::CommandEnded(0);
    });
    EXPECT_FALSE(ran);
    ExpectRows(log, {{"Run CMD", Dir(), "", 2}});
#ifndef _WIN32
    EXPECT_EQ(log.Rows()[0].message, c.message + "; nothing was run");
#endif
  }
}

platform::CommandResult Outcome(int exit_code, std::string output, bool stopped = false,
                                std::string error = "") {
  platform::CommandResult result = platform::CommandEnded(exit_code);
  result.output_tail = std::move(output);
  result.stopped = stopped;
  result.error = std::move(error);
  return result;
}

TEST_F(CabCommandTest, OutcomeOfTheCommandDecidesTheRow) {
  struct Case {
    const char* name;
    platform::CommandResult result;
    int status;
    std::string message;
  };
  std::string twelve_lines;
  for (int i = 1; i <= 12; ++i) twelve_lines += "line " + std::to_string(i) + "\n";
  const Case cases[] = {
      {"exit code 0", platform::CommandEnded(0), 3, "Ran: make cabs"},
      {"exit code 0 with output: the output is not shown", Outcome(0, "Done.\r\n"), 3,
       "Ran: make cabs"},
      {"exit code 2", platform::CommandEnded(2), 2,
       "The command ended with exit code 2: make cabs"},
      {"exit code 2 with output: its last lines, blank ones and trailing blanks dropped",
       Outcome(2, "\r\nCabwiz: error\t \r\n\r\n   \nMyApp.inf: bad section\rdone  "), 2,
       "The command ended with exit code 2: make cabs\r\nCabwiz: error\r\nMyApp.inf: bad "
       "section\r\ndone"},
      {"only the last ten lines", Outcome(1, twelve_lines), 2,
       "The command ended with exit code 1: make cabs\r\nline 3\r\nline 4\r\nline 5\r\nline "
       "6\r\nline 7\r\nline 8\r\nline 9\r\nline 10\r\nline 11\r\nline 12"},
      {"stopped by the user", Outcome(-1, "half done\n", true), 2, "Stopped by the user"},
      {"not waited for", Outcome(-1, "started\n", false, "The handle is invalid."), 2,
       "Could not wait for the end of make cabs: The handle is invalid.\r\nstarted"},
      {"not started",
       {false, -1, "No such file or directory", false, ""},
       2,
       "Could not start make cabs: No such file or directory"},
  };
  WriteReadme(kStart + "\r\n make cabs \r\n" + kEnd);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string ran_command;
    std::string ran_in;
    int waits = 0;
    StatusLog log;
    RunCabCommand(Dir(), log, {.while_waiting = [&] { return ++waits < 0; }},
                  [&](const std::string& command, const std::string& folder,
                      const platform::CommandCallbacks& callbacks) {
                    ran_command = command;
                    ran_in = folder;
                    callbacks.while_waiting();
                    return c.result;
                  });
    EXPECT_EQ(ran_command, "make cabs");
    EXPECT_EQ(ran_in, Dir());
    EXPECT_EQ(waits, 1);
    ExpectRows(log, {{"Run CMD", Dir(), "", c.status}});
    EXPECT_EQ(log.Rows()[0].message, c.message);
  }
}

TEST_F(CabCommandTest, RealCommandRunsInThePackageFolderAndTheRowComesAfterIt) {
  // "echo" and "exit" work alike in cmd.exe and /bin/sh.
  WriteReadme(kStart + "\r\necho Cabwiz: error&& echo MyApp.inf: bad section>&2&& exit 3\r\n" +
              kEnd);
  bool row_before_end = false;
  std::string passed;
  log_.SetListener([&](int) { row_before_end = true; });
  RunCabCommand(Dir(), log_,
                {.while_waiting =
                     [&] {
                       EXPECT_TRUE(log_.Rows().empty());
                       return false;
                     },
                 .on_output = [&](std::string_view chunk) { passed += chunk; }});
  EXPECT_TRUE(row_before_end);
  ExpectRows(log_, {{"Run CMD", Dir(), "", 2}});
  EXPECT_EQ(log_.Rows()[0].message,
            "The command ended with exit code 3: echo Cabwiz: error&& echo MyApp.inf: bad "
            "section>&2&& exit 3\r\nCabwiz: error\r\nMyApp.inf: bad section");
  EXPECT_NE(passed.find("MyApp.inf: bad section"), std::string::npos);

#ifndef _WIN32
  WriteReadme(kStart + "\r\ntest -f readme.txt && sleep 0.05\r\n" + kEnd);
  int waits = 0;
  StatusLog log;
  RunCabCommand(Dir(), log, {.while_waiting = [&] { return ++waits < 0; }});
  ExpectRows(log, {{"Run CMD", Dir(), "", 3}});
  EXPECT_GT(waits, 0);
#endif
}

// The readme's command in the usual CAB Wizard form, a quoted program in a
// folder with spaces and quoted processor names, runs as written.
TEST_F(CabCommandTest, CabWizardCommandFromTheReadmeRunsAsWritten) {
  const std::string tools = Dir() + "Windows CE Tools" + kSep + "some dir";
  fs::create_directories(fs::u8path(tools));
#ifdef _WIN32
  const std::string program = tools + kSep + "cabwiz.bat";
  WriteBytes(program,
             "@echo off\r\n>\"%~dp0args.txt\" echo %*\r\necho Cabwiz: done\r\nexit /b 0\r\n");
#else
  const std::string program = tools + kSep + "cabwiz.sh";
  WriteBytes(program, "echo \"$@\" >\"$(dirname \"$0\")/args.txt\"\necho Cabwiz: done\n");
  fs::permissions(fs::u8path(program), fs::perms::owner_all);
#endif
  const std::string arguments =
      "\"" + Dir() + "MyApp.inf\" /cpu \"Mips 4000 (4K) v3.00\" \"Arm 1100 (4K) v3.00\"";
  const std::string command = "\"" + program + "\" " + arguments;
  WriteReadme("Readme\r\n" + kStart + "\r\n" + command + "\r\n" + kEnd + "\r\n");
  RunCabCommand(Dir(), log_);
  ExpectRows(log_, {{"Run CMD", Dir(), "", 3}});
  EXPECT_EQ(log_.Rows()[0].message, "Ran: " + command);
#ifdef _WIN32
  EXPECT_EQ(ReadBytes(tools + kSep + "args.txt"), arguments + "\r\n");
#else
  // The shell takes the quotes away.
  EXPECT_EQ(ReadBytes(tools + kSep + "args.txt"),
            Dir() + "MyApp.inf /cpu Mips 4000 (4K) v3.00 Arm 1100 (4K) v3.00\n");
#endif
}

TEST_F(CabCommandTest, CommandStoppedByTheUserIsARedRow) {
#ifdef _WIN32
  WriteReadme(kStart + "\r\nping -n 60 127.0.0.1 >nul\r\n" + kEnd);
#else
  WriteReadme(kStart + "\r\nsleep 60\r\n" + kEnd);
#endif
  const auto start = std::chrono::steady_clock::now();
  RunCabCommand(Dir(), log_, {.while_waiting = [] { return true; }});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  ExpectRows(log_, {{"Run CMD", Dir(), "", 2}});
  EXPECT_EQ(log_.Rows()[0].message, "Stopped by the user");
}

}  // namespace
}  // namespace quillet::run_test
