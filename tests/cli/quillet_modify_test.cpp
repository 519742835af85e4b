// quillet-modify end to end: the built program run as a build script runs it,
// on copies of the sample package, checked against what the window's run
// (the core's RunModification) does to a twin copy.
#include <cstdlib>

#include "cli/console.h"
#include "cli/quillet_modify.h"
#include "cli/row_text.h"
#include "cli_test_support.h"
#include "json_check.h"
#include "package/cab_command.h"
#include "package/modification_run.h"
#include "package/package_inspection.h"
#include "stub/stub_source.h"
#include "version.h"

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <thread>

extern char** environ;
#endif

namespace quillet::cli::testing {
namespace {

constexpr int kSuccess = 0;
constexpr int kFailed = 1;
constexpr int kRefused = 2;

// Collects what is written, for formatting rows as the program does.
class StringStream : public OutputStream {
 public:
  void Write(std::string_view utf8) override { text += utf8; }
  std::string text;
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

bool HasGcab() {
#ifdef _WIN32
  return false;
#else
  return std::system("command -v gcab > /dev/null 2>&1") == 0;
#endif
}

#ifndef _WIN32
std::string ShellQuoted(const std::string& text) { return "'" + text + "'"; }

// The names and contents of the files in a cabinet, extracted with gcab.
std::map<std::string, std::string> CabContents(const std::string& cab, const std::string& scratch) {
  fs::remove_all(PathOf(scratch));
  fs::create_directories(PathOf(scratch));
  EXPECT_EQ(std::system(("gcab -x -C " + ShellQuoted(scratch) + " " + ShellQuoted(cab)).c_str()),
            0);
  return Tree(scratch);
}
#endif

class QuilletModifyTest : public CliTest {
 public:
  // A copy of the package folder beside it, for the window's run.
  std::string MakeTwin(const std::string& name) const {
    fs::copy(PathOf(Dir() + "pkg"), PathOf(Dir() + name), fs::copy_options::recursive);
    return Dir() + name + kSep;
  }

  // The run as the window makes it, on the package in `package`: the
  // processors found in its INF, both sample launchers, no questions.
  StatusLog WindowRun(const std::string& package) const {
    ToolState state;
    InitProcessorNames(state);
    state.ShortcutSectionName = "QuilletShortcut";
    state.MipsLauncherPath = mips_launcher_;
    state.ArmLauncherPath = arm_launcher_;
    DetectProcessors(state, package + "Project1.inf");
    StatusLog log;
    ModificationHooks hooks;
    hooks.show_message = [](const std::string& text) { ADD_FAILURE() << text; };
    RunModification(state, package + "Project1.inf", log, hooks);
    return log;
  }

  // The rows as quillet-modify writes them without colours.
  static std::string RowLines(const StatusLog& log) {
    StringStream lines;
    for (const StatusRow& row : log.Rows()) WriteRowLine(lines, row);
    return lines.text;
  }

  std::string Golden() const {
    return ReadBytes(std::string(QUILLET_TEST_DATA_DIR) + "/run/Project1_after.inf");
  }
};

TEST_F(QuilletModifyTest, RunGivesTheWindowsRowsInfCabsAndFiles) {
  const std::string twin = MakeTwin("window pkg");
  // The sample's own rebuild command where it can run (it needs gcab).
  if (!HasGcab()) {
    UseStandInCabBuilder();
    UseStandInCabBuilder(twin);
  }
  const StatusLog window = WindowRun(twin);
  ASSERT_EQ(window.Rows().size(), 15u);

  const ProgramResult result = Modify(Arguments());

  EXPECT_EQ(result.exit_code, kSuccess) << result.err;
  EXPECT_EQ(result.out, ReplaceAll(RowLines(window), twin, package_));
  EXPECT_EQ(ReadBytes(inf_), Golden());
  EXPECT_EQ(ReadBytes(twin + "Project1.inf"), Golden());
  // The CAB builder's output passes through to standard error (the rows
  // above are all that standard output holds).
  EXPECT_NE(result.err.find(HasGcab() ? "make-cabs.sh: Project1.Mips" : "cabwiz: Project1.inf"),
            std::string::npos)
      << result.err;

  // The same files, and cabinets that hold the same files (a cabinet also
  // records when its files were written, so its own bytes may differ).
  const auto tree = Tree(package_);
  const auto window_tree = Tree(twin);
  ASSERT_EQ(tree.size(), window_tree.size());
  for (auto mine = tree.begin(), theirs = window_tree.begin(); mine != tree.end();
       ++mine, ++theirs) {
    SCOPED_TRACE(mine->first);
    ASSERT_EQ(mine->first, theirs->first);
    // Each readme's command names its own package's INF on Windows.
    if (mine->first == "readme.txt") continue;
    const bool cabinet =
        mine->first.size() > 4 && mine->first.substr(mine->first.size() - 4) == ".CAB";
#ifndef _WIN32
    if (cabinet && HasGcab()) {
      EXPECT_EQ(CabContents(package_ + mine->first, Dir() + "x1"),
                CabContents(twin + mine->first, Dir() + "x2"));
      continue;
    }
#endif
    EXPECT_TRUE(!cabinet || mine->first.rfind("CD1/", 0) == 0);
    EXPECT_EQ(mine->second, theirs->second);
  }
  EXPECT_EQ(tree.count("APP/StubLauncher.exe"), 0u);
  EXPECT_EQ(tree.at(std::string(kMips) + "/StubLauncher.exe"), ReadBytes(mips_launcher_));
  EXPECT_EQ(tree.at(std::string(kArm) + "/StubLauncher.exe"), ReadBytes(arm_launcher_));
}

#ifdef _WIN32
TEST_F(QuilletModifyTest, CabWizardCommandFormUnderWine) {
  UseStandInCabBuilder();

  const ProgramResult result = Modify(Arguments());

  EXPECT_EQ(result.exit_code, kSuccess) << result.out << result.err;
  EXPECT_EQ(LinesOf(result.out).size(), 15u);
  EXPECT_EQ(ReadBytes(inf_), Golden());
  const std::string received = ReadBytes(StandInArgumentsFile());
  const std::string tail =
      std::string("Project1.inf\" /cpu \"") + kMips + "\" \"" + kArm + "\"\r\n";
  ASSERT_GE(received.size(), tail.size());
  EXPECT_EQ(received.substr(received.size() - tail.size()), tail);
  EXPECT_EQ(ReadBytes(package_ + "CD1" + kSep + "Project1." + kMips + ".CAB"),
            "stand-in cabinet\r\n");
}
#endif

// What the --dry-run output holds: the diff, then the file action lines.
struct DryRunOutput {
  std::string diff;
  std::vector<std::string> actions;
};

DryRunOutput SplitDryRun(const std::string& out) {
  DryRunOutput parts;
  const std::size_t actions = out.find("Run CMD\t");
  parts.diff = out.substr(0, actions);
  if (actions != std::string::npos) parts.actions = LinesOf(out.substr(actions));
  return parts;
}

TEST_F(QuilletModifyTest, DryRunChangesNothingAndItsDiffGivesTheInfOfARealRun) {
  struct Case {
    const char* name;
    std::string (*reshape)(const std::string& inf);
  };
  const Case cases[] = {
      {"CR LF, as shipped", [](const std::string& inf) { return inf; }},
      {"LF", [](const std::string& inf) { return ReplaceAll(inf, "\r\n", "\n"); }},
      {"no line end after the last line",
       [](const std::string& inf) { return inf.substr(0, inf.size() - 2); }},
      {"mixed line ends",
       [](const std::string& inf) {
         return ReplaceAll(ReplaceAll(inf, "[DestinationDirs]\r\n", "[DestinationDirs]\n"),
                           "Project1.vb=1\r\n", "Project1.vb=1\n");
       }},
  };
  const std::string shipped = ReadBytes(inf_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string twin = Dir() + "real run" + kSep;
    fs::remove_all(PathOf(twin));
    WriteBytes(inf_, c.reshape(shipped));
    UseStandInCabBuilder();
    fs::copy(PathOf(Dir() + "pkg"), PathOf(Dir() + "real run"), fs::copy_options::recursive);
    UseStandInCabBuilder(twin);
    const auto before = Tree(package_);

    const ProgramResult dry = Modify(Arguments({"--dry-run"}));

    EXPECT_EQ(dry.exit_code, kSuccess) << dry.err;
    EXPECT_EQ(dry.err, "");
    EXPECT_EQ(Tree(package_), before);
    const DryRunOutput output = SplitDryRun(dry.out);
    if (std::string(c.name) == "CR LF, as shipped") {
      EXPECT_EQ(output.diff, ReadBytes(std::string(QUILLET_TEST_DATA_DIR) + "/cli/Project1.diff"));
    }

    // The real run on the twin.
    const ProgramResult real =
        RunProgram(QuilletModifyPath(),
                   {"--mips", mips_launcher_, "--arm", arm_launcher_, twin + "Project1.inf"});
    ASSERT_EQ(real.exit_code, kSuccess) << real.err;
    if (std::string(c.name) == "CR LF, as shipped") {
      EXPECT_EQ(ReadBytes(twin + "Project1.inf"), Golden());
    }

#ifndef _WIN32
    // patch turns the INF as it was into the INF of the real run, byte for
    // byte, given the whole output (it passes over the action lines).
    const std::string scratch = Dir() + "patched.inf";
    WriteBytes(scratch, ReadBytes(inf_));
    WriteBytes(Dir() + "dry.diff", dry.out);
    EXPECT_EQ(std::system(("patch --binary --quiet " + ShellQuoted(scratch) + " < " +
                           ShellQuoted(Dir() + "dry.diff"))
                              .c_str()),
              0);
    EXPECT_EQ(ReadBytes(scratch), ReadBytes(twin + "Project1.inf"));
#endif

    const std::string d = package_;
    const std::string cd1 = d + "CD1" + kSep;
    const std::string mips_cab = std::string("Project1.") + kMips + ".CAB";
    const std::string arm_cab = std::string("Project1.") + kArm + ".CAB";
    const CabCommand command = ExtractCabCommand(d);
    const std::vector<std::string> moves = {"Move CAB\t" + d + mips_cab + "\t" + cd1 + mips_cab,
                                            "Move CAB\t" + d + arm_cab + "\t" + cd1 + arm_cab};
    std::vector<std::string> expected = {"Run CMD\t" + d + "\t" + command.command};
    expected.insert(expected.end(), moves.begin(), moves.end());
    expected.push_back("Copy EXE\t" + mips_launcher_ + "\t" + d + kMips + kSep +
                       "StubLauncher.exe");
    expected.push_back("Copy EXE\t" + arm_launcher_ + "\t" + d + kArm + kSep + "StubLauncher.exe");
    expected.push_back("Delete\t" + d + "APP" + kSep + "StubLauncher.exe");
    expected.push_back("Run CMD\t" + d + "\t" + command.command);
    expected.insert(expected.end(), moves.begin(), moves.end());
    EXPECT_EQ(output.actions, expected);
  }
}

TEST_F(QuilletModifyTest, RefusalsChangeNothingAndSayWhy) {
  struct Case {
    const char* name;
    void (*spoil)(const QuilletModifyTest& test);
    std::vector<std::string> (*arguments)(const QuilletModifyTest& test);
    std::vector<std::string> said;
  };
  const auto untouched = [](const QuilletModifyTest&) {};
  const auto touched = [](const QuilletModifyTest& t) {
    t.ReplaceInInf("CEShortcuts=Shortcuts", "CEShortcuts=QuilletShortcut");
  };
  const auto standard = [](const QuilletModifyTest& t) { return t.Arguments(); };
  const std::vector<std::string> warning = {
      "quillet-modify: INF file contents WARNING!" + std::string(kNewline) +
          "The INF file has either: " + std::string(kNewline) + std::string(kNewline) +
          "- already been updated" + std::string(kNewline) + "- has been altered" +
          std::string(kNewline) + "- or is not a valid eVB distribution .INF file" +
          std::string(kNewline) + std::string(kNewline) + "Do you still wish to continue?" +
          std::string(kNewline),
      "nothing was changed. Give --yes to modify this package anyway."};
  const Case cases[] = {
      {"no INF",
       untouched,
       [](const QuilletModifyTest&) { return std::vector<std::string>{}; },
       {"quillet-modify: no PACKAGE.INF given", "Try 'quillet-modify --help'"}},
      {"unknown option",
       untouched,
       [](const QuilletModifyTest& t) { return t.Arguments({"--frobnicate"}); },
       {"unknown option --frobnicate"}},
      {"both answers",
       untouched,
       [](const QuilletModifyTest& t) {
         return t.Arguments({"--restore-on-failure", "--keep-on-failure"});
       },
       {"cannot both be given"}},
      {"ARM launcher not given",
       untouched,
       [](const QuilletModifyTest& t) {
         return std::vector<std::string>{"--mips", t.mips_launcher_, t.inf_};
       },
       {"the INF file targets \"Arm 1100 (4K) v3.00\": give the ARM launcher with --arm FILE.",
        "nothing was changed."}},
      {"ARM launcher missing",
       untouched,
       [](const QuilletModifyTest& t) {
         return std::vector<std::string>{"--mips", t.mips_launcher_, "--arm",
                                         t.Dir() + "gone" + kSep + "Stub.exe", t.inf_};
       },
       {"cannot read the ARM launcher ", "Stub.exe (--arm): ", "nothing was changed."}},
      {"INF missing",
       untouched,
       [](const QuilletModifyTest& t) {
         return std::vector<std::string>{"--mips", t.mips_launcher_, "--arm", t.arm_launcher_,
                                         t.package_ + "Other.inf"};
       },
       {"quillet-modify: Could not read the INF file ", "Other.inf: ", "Nothing was changed."}},
      {"no processor",
       [](const QuilletModifyTest& t) {
         t.ReplaceInInf("helper.dll=2", "");
         t.ReplaceInInf("helper.dll=3", "");
       },
       standard,
       {"targets none of the four processors", "Nothing was changed."}},
      {"not untouched, without --yes", touched, standard, warning},
      {"not untouched, without --yes, dry run", touched,
       [](const QuilletModifyTest& t) { return t.Arguments({"--dry-run"}); }, warning},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.spoil(*this);
    const auto before = Tree(package_);

    const ProgramResult result = Modify(c.arguments(*this));

    EXPECT_EQ(result.exit_code, kRefused);
    EXPECT_EQ(result.out, "");
    for (const std::string& part : c.said) {
      EXPECT_NE(result.err.find(part), std::string::npos) << part << "\n---\n" << result.err;
    }
    EXPECT_EQ(Tree(package_), before);
  }
}

TEST_F(QuilletModifyTest, YesRunsAPackageThatIsNotUntouched) {
  UseStandInCabBuilder();
  const ProgramResult first = Modify(Arguments());
  ASSERT_EQ(first.exit_code, kSuccess) << first.out << first.err;
  const std::string after_first = ReadBytes(inf_);

  const ProgramResult again = Modify(Arguments({"--yes", "--keep-on-failure"}));

  // The launcher is gone from APP after the first run, so "Delete" fails.
  EXPECT_EQ(again.exit_code, kFailed);
  EXPECT_NE(again.err.find("INF file contents WARNING!"), std::string::npos);
  EXPECT_NE(again.err.find("--yes was given: going on."), std::string::npos);
  const std::vector<std::string> lines = LinesOf(again.out);
  ASSERT_EQ(lines.size(), 15u);
  EXPECT_EQ(lines[0], "OK\tINF Change\tQuilletShortcut\tQuilletShortcut");
  EXPECT_EQ(lines[8].substr(0, lines[8].find('\t', 7)), "FAILED\tDelete");
  EXPECT_EQ(ReadBytes(inf_), after_first);
}

TEST_F(QuilletModifyTest, FailingCommandEndsWithTheAnswerGiven) {
  for (const char* answer : {"--restore-on-failure", "--keep-on-failure"}) {
    SCOPED_TRACE(answer);
    TearDown();
    SetUp();
    UseFailingCommand();
    const auto before = Tree(package_);
    const bool restore = std::string(answer) == "--restore-on-failure";

    const ProgramResult result = Modify(Arguments({answer}));

    EXPECT_EQ(result.exit_code, kFailed);
    const std::vector<std::string> lines = LinesOf(result.out);
    ASSERT_GE(lines.size(), 15u);
    EXPECT_EQ(lines[3].rfind("FAILED\tRun CMD\t" + package_ + "\t\t", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find("exit code 3"), std::string::npos) << lines[3];
    EXPECT_EQ(lines[4].substr(0, 16), "FAILED\tMove CAB\t");
    // The command's own output, passed through to standard error.
    EXPECT_NE(result.err.find("the CAB builder failed"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Put the package back as it was before the run?"), std::string::npos);
    if (restore) {
      EXPECT_NE(result.err.find("quillet-modify: answered Yes (--restore-on-failure)."),
                std::string::npos);
      ASSERT_EQ(lines.size(), 16u);
      EXPECT_EQ(lines[15].rfind("OK\tRestore\t" + package_ + "\t", 0), 0u) << lines[15];
      // Every file as it was, and nothing left behind.
      EXPECT_EQ(Tree(package_), before);
    } else {
      EXPECT_NE(result.err.find("quillet-modify: answered No (--keep-on-failure)."),
                std::string::npos);
      EXPECT_EQ(lines.size(), 15u);
      EXPECT_EQ(ReadBytes(inf_), Golden());
      EXPECT_FALSE(fs::exists(PathOf(package_ + "APP" + kSep + "StubLauncher.exe")));
      EXPECT_TRUE(fs::exists(PathOf(package_ + ".quillet-snapshot")));
    }
  }
}

// A run that failed and kept its result leaves the package's earlier files
// behind; the next run's question about them is answered by the same option.
TEST_F(QuilletModifyTest, WhatAFailedRunLeftIsPutBackOrKeptAsAsked) {
  for (const bool restore : {true, false}) {
    SCOPED_TRACE(restore ? "restore" : "keep");
    TearDown();
    SetUp();
    UseFailingCommand();
    const ProgramResult failed = Modify(Arguments({"--keep-on-failure"}));
    ASSERT_EQ(failed.exit_code, kFailed) << failed.out << failed.err;
    UseStandInCabBuilder();

    // A dry run says so, and changes nothing, the saved files included.
    const auto kept = Tree(package_);
    const ProgramResult dry = Modify(Arguments({"--dry-run", "--yes"}));
    EXPECT_EQ(dry.exit_code, kSuccess);
    EXPECT_NE(dry.err.find("an earlier run on this package left the files as they were before "
                           "it in " +
                           package_ + ".quillet-snapshot" + kSep + "files"),
              std::string::npos)
        << dry.err;
    EXPECT_EQ(Tree(package_), kept);

    const ProgramResult again =
        Modify(Arguments(restore ? std::vector<std::string>{}
                                 : std::vector<std::string>{"--keep-on-failure", "--yes"}));

    EXPECT_NE(again.err.find("An earlier modification run on this package"), std::string::npos)
        << again.err;
    if (restore) {
      // Put back first, so the package is untouched again and the run succeeds.
      EXPECT_NE(again.err.find("answered Yes (--restore-on-failure)."), std::string::npos);
      EXPECT_EQ(again.exit_code, kSuccess) << again.err;
      EXPECT_EQ(ReadBytes(inf_), Golden());
      EXPECT_FALSE(fs::exists(PathOf(package_ + ".quillet-snapshot")));
    } else {
      // Modified as it is: the launcher is no longer in APP, so "Delete" fails.
      EXPECT_NE(again.err.find("answered No (--keep-on-failure)."), std::string::npos);
      EXPECT_EQ(again.exit_code, kFailed);
      EXPECT_EQ(ReadBytes(inf_), Golden());
    }
  }
}

// The rows of a JSON array as the objects of its text, in order.
std::vector<JsonValue> JsonRows(const std::string& text) {
  std::string error;
  const std::optional<JsonValue> value = JsonReader::Parse(text, &error);
  EXPECT_TRUE(value.has_value()) << error << "\n" << text;
  if (!value) return {};
  EXPECT_EQ(value->kind, JsonValue::Kind::kArray);
  return value->items;
}

TEST_F(QuilletModifyTest, JsonIsOneArrayOfTheRows) {
  for (const bool fail : {false, true}) {
    SCOPED_TRACE(fail ? "failing command" : "good run");
    TearDown();
    SetUp();
    const std::string twin = MakeTwin("text run");
    if (fail) {
      UseFailingCommand();
      WriteBytes(twin + "readme.txt", ReadBytes(package_ + "readme.txt"));
    } else {
      UseStandInCabBuilder();
      UseStandInCabBuilder(twin);
    }
    const ProgramResult text =
        RunProgram(QuilletModifyPath(), {"--keep-on-failure", "--mips", mips_launcher_, "--arm",
                                         arm_launcher_, twin + "Project1.inf"});

    const ProgramResult json = Modify(Arguments({"--json", "--keep-on-failure"}));

    EXPECT_EQ(json.exit_code, fail ? kFailed : kSuccess);
    const std::vector<JsonValue> rows = JsonRows(json.out);
    const std::vector<std::string> lines = LinesOf(ReplaceAll(text.out, twin, package_));
    ASSERT_EQ(rows.size(), lines.size());
    ASSERT_EQ(rows.size(), 15u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      SCOPED_TRACE(lines[i]);
      const JsonValue& row = rows[i];
      ASSERT_EQ(row.kind, JsonValue::Kind::kObject);
      ASSERT_EQ(row.members.size(), 5u);
      const char* keys[] = {"action", "value1", "value2", "status", "message"};
      for (int k = 0; k < 5; ++k) EXPECT_EQ(row.members[k].first, keys[k]);
      ASSERT_EQ(row.members[3].second.kind, JsonValue::Kind::kNumber);
      const int status = static_cast<int>(row.members[3].second.number);
      // The line of the text run says the same.
      // (A message of several lines, such as the command's last lines, is on one.)
      std::string line = std::string(StatusWord(status)) + "\t" + row.members[0].second.text +
                         "\t" + row.members[1].second.text + "\t" + row.members[2].second.text;
      if (!row.members[4].second.text.empty()) {
        line += "\t" + OneLineField(row.members[4].second.text);
      }
      EXPECT_EQ(line, lines[i]);
    }
    EXPECT_EQ(static_cast<int>(rows[3].members[3].second.number), fail ? 2 : 3);
  }
}

TEST_F(QuilletModifyTest, LauncherSourceIsTheStepTwoSource) {
  struct Case {
    std::string app;
    std::string launcher;
  };
  const Case cases[] = {
      {"Project1.vb", "StubLauncher.exe"},
      // Names outside every ANSI code page arrive whole (the wide command line on Windows).
      {"\xD0\x9F\xD1\x80\xD0\xBE\xD0\xB5\xD0\xBA\xD1\x82.vb", "\xCE\xA9 Stub.exe"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.app);
    const ProgramResult result =
        RunProgram(QuilletModifyPath(), {"--launcher-source", c.app, c.launcher});
    EXPECT_EQ(result.exit_code, kSuccess);
    EXPECT_EQ(result.out, BuildStubSource(c.app, c.launcher) + "\r\n");
    EXPECT_EQ(result.err, "");
  }
}

TEST_F(QuilletModifyTest, HelpAndVersion) {
  const std::string version = "quillet-modify " + std::to_string(kVersionMajor) + "." +
                              std::to_string(kVersionMinor) + "." +
                              std::to_string(kVersionRevision) + std::string(kNewline);
  EXPECT_EQ(version, "quillet-modify 1.0.0" + std::string(kNewline));
  const ProgramResult shown = RunProgram(QuilletModifyPath(), {"--version"});
  EXPECT_EQ(shown.exit_code, kSuccess);
  EXPECT_EQ(shown.out, version);
  for (const char* asked : {"--help", "-h"}) {
    SCOPED_TRACE(asked);
    // Help wins over anything else on the line, even a usage error.
    const ProgramResult help = RunProgram(QuilletModifyPath(), {"--bogus", asked});
    EXPECT_EQ(help.exit_code, kSuccess);
    EXPECT_EQ(help.out.rfind("Usage: quillet-modify [--mips FILE]", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Exit status: 0"), std::string::npos);
    EXPECT_EQ(help.err, "");
  }
}

// One ARM launcher serves both ARM processors.
TEST_F(QuilletModifyTest, ArmLauncherServesBothArmProcessors) {
  constexpr const char* kArm720 = "Arm 720T (4K) v3.00";
  WriteBytes(inf_, ReadBytes(inf_) + "\r\n[SourceDisksNames." + kArm720 + "]\r\n4=,\"Files\",," +
                       kArm720 + "\r\n\r\n[SourceDisksFiles." + kArm720 + "]\r\nhelper.dll=4\r\n");
  fs::create_directories(PathOf(package_ + kArm720));
  const auto before = Tree(package_);

  const ProgramResult without = Modify({"--mips", mips_launcher_, inf_});
  EXPECT_EQ(without.exit_code, kRefused);
  EXPECT_NE(without.err.find(std::string("the INF file targets \"") + kArm + "\" and \"" + kArm720 +
                             "\": give the ARM launcher with --arm FILE."),
            std::string::npos)
      << without.err;

  const ProgramResult dry = Modify(Arguments({"--dry-run"}));
  EXPECT_EQ(dry.exit_code, kSuccess) << dry.err;
  const DryRunOutput output = SplitDryRun(dry.out);
  EXPECT_NE(output.diff.find("+StubLauncher.exe=4\r\n"), std::string::npos) << output.diff;
  std::vector<std::string> copies;
  for (const std::string& line : output.actions) {
    if (line.rfind("Copy EXE\t", 0) == 0) copies.push_back(line);
  }
  const std::vector<std::string> expected = {
      "Copy EXE\t" + mips_launcher_ + "\t" + package_ + kMips + kSep + "StubLauncher.exe",
      "Copy EXE\t" + arm_launcher_ + "\t" + package_ + kArm + kSep + "StubLauncher.exe",
      "Copy EXE\t" + arm_launcher_ + "\t" + package_ + kArm720 + kSep + "StubLauncher.exe"};
  EXPECT_EQ(copies, expected);
  EXPECT_EQ(Tree(package_), before);
}

TEST_F(QuilletModifyTest, PathsOutsideTheAnsiCodePageAndRelativePaths) {
  // A package folder whose name no ANSI code page holds (Greek and Cyrillic),
  // given as it is and relative to the working folder.
  const std::string folder = "\xCE\xA9 \xD0\x9F\xD0\xB0\xD0\xBA\xD0\xB5\xD1\x82";
  fs::rename(PathOf(Dir() + "pkg"), PathOf(Dir() + folder));
  const std::string package = Dir() + folder + kSep;
  ProgramOptions in_root;
  in_root.working_directory = Dir();
  const std::vector<std::string> relative = {
      "--mips",    std::string("launchers") + kSep + "Mips" + kSep + "StubLauncher.exe",
      "--arm",     std::string("launchers") + kSep + "Arm" + kSep + "StubLauncher.exe",
      "--sh3",     std::string("launchers") + kSep + "Arm" + kSep + "StubLauncher.exe",
      "--dry-run", std::string(".") + kSep + folder + kSep + "Project1.inf"};

  const ProgramResult result = Modify(relative, in_root);

  EXPECT_EQ(result.exit_code, kSuccess) << result.err;
  EXPECT_EQ(result.err,
            "quillet-modify: --sh3 is not needed: the INF file targets no SH3 processor. It is "
            "ignored." +
                std::string(kNewline));
  const DryRunOutput output = SplitDryRun(result.out);
  EXPECT_EQ(output.diff, ReadBytes(std::string(QUILLET_TEST_DATA_DIR) + "/cli/Project1.diff"));
  ASSERT_EQ(output.actions.size(), 9u);
  EXPECT_EQ(output.actions[3],
            "Copy EXE\t" + mips_launcher_ + "\t" + package + kMips + kSep + "StubLauncher.exe");
  EXPECT_EQ(output.actions[5], "Delete\t" + package + "APP" + kSep + "StubLauncher.exe");
}

#ifndef _WIN32
// A reader that goes away (`| head -1`) must not cut the run short: that
// would leave the package half-modified.
TEST_F(QuilletModifyTest, OutputNobodyReadsDoesNotStopTheRun) {
  UseStandInCabBuilder();
  ProgramOptions options;
  options.out_reader_gone = true;

  const ProgramResult result = Modify(Arguments(), options);

  EXPECT_EQ(result.exit_code, kSuccess) << result.err;
  EXPECT_EQ(ReadBytes(inf_), Golden());
  EXPECT_TRUE(fs::exists(PathOf(package_ + "CD1" + kSep + "Project1." + kArm + ".CAB")));
}

TEST_F(QuilletModifyTest, ColoursOnATerminalOnly) {
  struct Case {
    const char* name;
    bool terminal;
    std::vector<std::string> environment;
    bool coloured;
  };
  const Case cases[] = {
      {"terminal", true, {"NO_COLOR=", "TERM=xterm"}, true},
      {"terminal, NO_COLOR", true, {"NO_COLOR=1", "TERM=xterm"}, false},
      {"dumb terminal", true, {"NO_COLOR=", "TERM=dumb"}, false},
      {"file", false, {"NO_COLOR=", "TERM=xterm"}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    UseStandInCabBuilder();
    ProgramOptions options;
    options.out_is_terminal = c.terminal;
    options.environment = c.environment;

    const ProgramResult result = Modify(Arguments(), options);

    EXPECT_EQ(result.exit_code, kSuccess);
    // Bold green status word and action, the rest plain; blue for the command.
    const bool green = result.out.find(
                           "\x1b[1;32mOK\tINF Change\x1b[0m\tShortcuts\t"
                           "QuilletShortcut") != std::string::npos;
    const bool blue = result.out.find("\x1b[1;94mRUN\tRun CMD\x1b[0m\t") != std::string::npos;
    EXPECT_EQ(green, c.coloured) << result.out;
    EXPECT_EQ(blue, c.coloured);
    EXPECT_EQ(result.out.find('\x1b') != std::string::npos, c.coloured);
    EXPECT_EQ(LinesOf(result.out).size(), 15u);
  }
}
#endif

#ifndef _WIN32
// quillet-modify started in the background, with its output in files.
class Background {
 public:
  Background(const std::vector<std::string>& arguments, const std::string& folder)
      : out_(folder + "out.txt"), err_(folder + "err.txt") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> text = {QuilletModifyPath()};
    text.insert(text.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : text) argv.push_back(argument.data());
    argv.push_back(nullptr);
    EXPECT_EQ(::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
  }

  void Interrupt() const { ::kill(pid_, SIGINT); }

  // The exit status (128 + signal when a signal ended it), or -1 when it has
  // not ended within the time.
  int WaitAtMost(std::chrono::seconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > until) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  ~Background() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  std::string Out() const { return ReadBytes(out_); }
  std::string Err() const { return ReadBytes(err_); }

 private:
  std::string out_;
  std::string err_;
  pid_t pid_ = 0;
};

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500 && !fs::exists(PathOf(path)); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return fs::exists(PathOf(path));
}

TEST_F(QuilletModifyTest, CtrlCStopsTheCommandAndTheRunEnds) {
  SetRebuildCommand(package_, "echo started > started.txt; sleep 30");
  const auto start = std::chrono::steady_clock::now();
  Background run(Arguments({"--keep-on-failure"}), Dir());
  ASSERT_TRUE(WaitForFile(package_ + "started.txt"));

  run.Interrupt();

  EXPECT_EQ(run.WaitAtMost(std::chrono::seconds(20)), kFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  const std::vector<std::string> lines = LinesOf(run.Out());
  ASSERT_GE(lines.size(), 15u);
  EXPECT_EQ(lines[3].rfind("FAILED\tRun CMD\t", 0), 0u) << lines[3];
  // Once asked to stop, the second rebuild is stopped too.
  EXPECT_EQ(lines[12].rfind("FAILED\tRun CMD\t", 0), 0u) << lines[12];
  EXPECT_NE(run.Err().find("quillet-modify: stopping the CAB command (Ctrl+C); press Ctrl+C "
                           "again to end at once."),
            std::string::npos)
      << run.Err();
}

#endif

}  // namespace
}  // namespace quillet::cli::testing
