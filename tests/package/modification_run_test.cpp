#include "package/modification_run.h"

#include <cstdlib>
#include <stdexcept>

#include "package/package_inspection.h"
#include "package/run_fixture.h"

namespace quillet::run_test {
namespace {

constexpr const char* kMips = "Mips 4000 (4K) v3.00";
constexpr const char* kArm = "Arm 1100 (4K) v3.00";
constexpr const char* kSentinel = "row of the previous run";

// A copy of the sample package in the test's folder, with the processor flags
// found in its INF and the two sample launchers chosen.
class ModificationRunTest : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    const fs::path examples = fs::u8path(QUILLET_EXAMPLES_DIR);
    fs::copy(examples / "sample_package", root_ / "pkg", fs::copy_options::recursive);
    fs::copy(examples / "launchers", root_ / "launchers", fs::copy_options::recursive);
    package_ = Dir() + "pkg" + kSep;
    inf_ = package_ + "Project1.inf";
    mips_launcher_ = Dir() + "launchers" + kSep + "Mips" + kSep + "StubLauncher.exe";
    arm_launcher_ = Dir() + "launchers" + kSep + "Arm" + kSep + "StubLauncher.exe";
    state_.MipsLauncherPath = mips_launcher_;
    state_.ArmLauncherPath = arm_launcher_;
    DetectProcessors(state_, inf_);
    log_.LogAction(kSentinel, "", "", 1, "");

    hooks_.ask_yes_no_warning = [this](const std::string& title, const std::string& text) {
      asked_.push_back(title + "|" + text);
      rows_when_asked_ = log_.Rows().size();
      return answer_yes_;
    };
    hooks_.show_message = [this](const std::string& text) { messages_.push_back(text); };
    // A command that "builds" nothing, so these tests need no CAB builder.
    hooks_.run_command = [this](const std::string&, const std::string&,
                                const platform::CommandCallbacks&) {
      ++commands_run_;
      return platform::CommandEnded(0);
    };
  }

  void ReplaceInInf(const std::string& from, const std::string& to) {
    std::string bytes = ReadBytes(inf_);
    const auto at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    bytes.replace(at, from.size(), to);
    WriteBytes(inf_, bytes);
  }

  bool OnlySentinelRow() const {
    return log_.Rows().size() == 1 && log_.Rows()[0].action == kSentinel;
  }

  std::string package_;
  std::string inf_;
  std::string mips_launcher_;
  std::string arm_launcher_;
  StatusLog log_;
  ModificationHooks hooks_;
  bool answer_yes_ = false;
  std::vector<std::string> asked_;
  std::size_t rows_when_asked_ = 0;
  std::vector<std::string> messages_;
  int commands_run_ = 0;
};

TEST(UntouchedWarningTest, TitleAndTextAreExact) {
  EXPECT_STREQ(kUntouchedWarningTitle, "INF file contents WARNING!");
  EXPECT_EQ(UntouchedWarningText(),
            "The INF file has either: \r\n\r\n- already been updated\r\n- has been altered\r\n"
            "- or is not a valid eVB distribution .INF file\r\n\r\nDo you still wish to continue?");
}

TEST_F(ModificationRunTest, WarningDependsOnCeShortcutsAndNoChangesNothing) {
  struct Case {
    const char* name;
    std::string from;
    std::string to;
    bool warned;
  };
  const Case cases[] = {
      {"untouched", "CEShortcuts=Shortcuts", "CEShortcuts=Shortcuts", false},
      {"already modified", "CEShortcuts=Shortcuts", "CEShortcuts=QuilletShortcut", true},
      {"other case", "CEShortcuts=Shortcuts", "CEShortcuts=shortcuts", true},
      {"empty value", "CEShortcuts=Shortcuts", "CEShortcuts=", true},
      {"no CEShortcuts key", "CEShortcuts=Shortcuts\r\n", "", true},
      {"no DefaultInstall section", "[DefaultInstall]", "[OtherInstall]", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A fresh copy of the package for each case.
    TearDown();
    log_.Clear();
    asked_.clear();
    commands_run_ = 0;
    SetUp();
    ReplaceInInf(c.from, c.to);
    const std::string before = ReadBytes(inf_);
    EXPECT_EQ(IsUntouchedPackage(inf_), !c.warned);

    RunModification(state_, inf_, log_, hooks_);  // answers No

    if (c.warned) {
      ASSERT_EQ(asked_.size(), 1u);
      EXPECT_EQ(asked_[0], std::string(kUntouchedWarningTitle) + "|" + UntouchedWarningText());
      EXPECT_TRUE(OnlySentinelRow());
      EXPECT_EQ(ReadBytes(inf_), before);
      EXPECT_EQ(commands_run_, 0);
      EXPECT_TRUE(fs::exists(fs::u8path(package_ + "APP" + kSep + "StubLauncher.exe")));
    } else {
      EXPECT_TRUE(asked_.empty());
      ASSERT_FALSE(log_.Rows().empty());
      EXPECT_EQ(log_.Rows()[0].action, "INF Change");
      EXPECT_EQ(commands_run_, 2);
    }
    EXPECT_TRUE(messages_.empty());
  }
}

TEST_F(ModificationRunTest, YesClearsTheListOnlyAfterTheAnswer) {
  ReplaceInInf("CEShortcuts=Shortcuts", "CEShortcuts=QuilletShortcut");
  answer_yes_ = true;
  RunModification(state_, inf_, log_, hooks_);
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_EQ(rows_when_asked_, 1u);  // the previous run's row was still there
  ASSERT_FALSE(log_.Rows().empty());
  EXPECT_EQ(log_.Rows()[0].action, "INF Change");
  EXPECT_EQ(log_.Rows()[0].value1, "QuilletShortcut");
  EXPECT_EQ(commands_run_, 2);
}

TEST_F(ModificationRunTest, RunThatCannotDoAnyGoodChangesNothingAndSaysWhy) {
  struct Case {
    const char* name;
    void (*spoil)(ToolState& state, std::string& inf);
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {"no processor present",
       [](ToolState& s, std::string&) { s.ProcessorPresent = {}; },
       {"targets none of the four processors", "\"Mips 4000 (4K) v3.00\"", "\"SH 3 (1K) v3.00\"",
        "\"Arm 1100 (4K) v3.00\"", "\"Arm 720T (4K) v3.00\"", "Nothing was changed."}},
      {"ARM present without a launcher",
       [](ToolState& s, std::string&) { s.ArmLauncherPath = ""; },
       {"No ARM launcher", "\"Arm 1100 (4K) v3.00\"", "Nothing was changed."}},
      {"INF gone",
       [](ToolState&, std::string& inf) { inf += ".gone"; },
       {"Could not read the INF file", ".gone", "Nothing was changed."}},
  };
  const std::string before = ReadBytes(inf_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolState state = state_;
    std::string inf = inf_;
    c.spoil(state, inf);
    messages_.clear();

    RunModification(state, inf, log_, hooks_);

    ASSERT_EQ(messages_.size(), 1u);
    for (const std::string& part : c.said) {
      EXPECT_NE(messages_[0].find(part), std::string::npos) << messages_[0];
    }
    EXPECT_TRUE(asked_.empty());
    EXPECT_TRUE(OnlySentinelRow());
    EXPECT_EQ(commands_run_, 0);
    EXPECT_EQ(ReadBytes(inf_), before);
    EXPECT_FALSE(fs::exists(fs::u8path(inf_ + ".gone")));
  }
}

TEST_F(ModificationRunTest, EscapingErrorEndsTheRunWithItsRowsAndAMessage) {
  hooks_.run_command = [](const std::string&, const std::string&,
                          const platform::CommandCallbacks&) -> platform::CommandResult {
    throw std::runtime_error("the command runner broke");
  };
  RunModification(state_, inf_, log_, hooks_);
  ASSERT_EQ(log_.Rows().size(), 3u);
  EXPECT_EQ(log_.Rows()[2].action, "INF Add Key");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("the command runner broke"), std::string::npos);
}

#ifndef _WIN32  // the sample's rebuild command is a POSIX shell script
// The rows of a whole run on the sample package; `second` for a repeated run.
std::vector<ExpectedRow> SampleRunRows(const std::string& d, const std::string& mips_launcher,
                                       const std::string& arm_launcher, bool second) {
  const std::string cd1 = d + "CD1" + kSep;
  const std::string mips_cab = std::string("Project1.") + kMips + ".CAB";
  const std::string arm_cab = std::string("Project1.") + kArm + ".CAB";
  const std::vector<ExpectedRow> moves = {{"Move CAB", d + mips_cab, cd1 + mips_cab, 1},
                                          {"Move CAB", d + arm_cab, cd1 + arm_cab, 1}};
  std::vector<ExpectedRow> rows = {
      {"INF Change", second ? "QuilletShortcut" : "Shortcuts", "QuilletShortcut", 1},
      {"INF Add Section", "QuilletShortcut", "%AppName%,0,\"StubLauncher.exe\"", 1},
      {"INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 1},
      {"Run CMD", d, "", 3}};
  rows.insert(rows.end(), moves.begin(), moves.end());
  const std::vector<ExpectedRow> middle = {
      {"Copy EXE", mips_launcher, d + kMips + kSep, 1},
      {"Copy EXE", arm_launcher, d + kArm + kSep, 1},
      {"Delete", "StubLauncher.exe", d + "APP" + kSep, second ? 2 : 1},
      {"INF Remove Key", "SourceDisksFiles", "StubLauncher.exe", 1},
      {"INF Add CPU Key", std::string("SourceDisksFiles.") + kMips, "StubLauncher.exe=2", 1},
      {"INF Add CPU Key", std::string("SourceDisksFiles.") + kArm, "StubLauncher.exe=3", 1},
      {"Run CMD", d, "", 3}};
  rows.insert(rows.end(), middle.begin(), middle.end());
  rows.insert(rows.end(), moves.begin(), moves.end());
  return rows;
}

std::string ShellQuoted(const std::string& text) { return "'" + text + "'"; }

// The names in a cabinet, one a line, as gcab lists them.
std::string CabListing(const std::string& cab, const std::string& scratch) {
  const std::string out = scratch + "listing.txt";
  EXPECT_EQ(std::system(("gcab -t " + ShellQuoted(cab) + " > " + ShellQuoted(out)).c_str()), 0);
  return ReadBytes(out);
}

std::string FileInCab(const std::string& cab, const std::string& name, const std::string& scratch) {
  const std::string folder = scratch + "x";
  fs::remove_all(folder);
  fs::create_directories(folder);
  EXPECT_EQ(std::system(("gcab -x -C " + ShellQuoted(folder) + " " + ShellQuoted(cab)).c_str()), 0);
  return ReadBytes(folder + kSep + name);
}

TEST_F(ModificationRunTest, SamplePackageEndToEnd) {
  if (std::system("command -v gcab > /dev/null 2>&1") != 0) GTEST_SKIP() << "gcab is missing";
  hooks_.run_command = {};  // the real command: the sample's stand-in CAB builder
  ASSERT_TRUE(state_.ProcessorPresent[1] && state_.ProcessorPresent[3]);
  ASSERT_FALSE(state_.ProcessorPresent[2] || state_.ProcessorPresent[4]);

  RunModification(state_, inf_, log_, hooks_);

  EXPECT_TRUE(asked_.empty());
  EXPECT_TRUE(messages_.empty());
  ExpectRows(log_, SampleRunRows(package_, mips_launcher_, arm_launcher_, false));
  const std::string golden =
      ReadBytes(std::string(QUILLET_TEST_DATA_DIR) + "/run/Project1_after.inf");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(ReadBytes(inf_), golden);

  const std::string scratch = MakeFolder("scratch");
  const std::pair<const char*, std::string> processors[] = {{kMips, mips_launcher_},
                                                            {kArm, arm_launcher_}};
  for (const auto& [processor, launcher] : processors) {
    SCOPED_TRACE(processor);
    const std::string cab = package_ + "CD1" + kSep + "Project1." + processor + ".CAB";
    const std::string listing = CabListing(cab, scratch);
    EXPECT_NE(listing.find("StubLauncher.exe\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Project1.vb\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("helper.dll\n"), std::string::npos) << listing;
    EXPECT_EQ(FileInCab(cab, "StubLauncher.exe", scratch), ReadBytes(launcher));
    EXPECT_EQ(ReadBytes(package_ + processor + kSep + "StubLauncher.exe"), ReadBytes(launcher));
    EXPECT_FALSE(fs::exists(fs::u8path(package_ + "Project1." + processor + ".CAB")));
  }
  EXPECT_FALSE(fs::exists(fs::u8path(package_ + "APP" + kSep + "StubLauncher.exe")));
  EXPECT_TRUE(fs::exists(fs::u8path(package_ + "APP" + kSep + "Project1.vb")));
  EXPECT_FALSE(fs::exists(fs::u8path(package_ + ".quillet-snapshot"))) << "no snapshot left";

  // Run again: the warning comes, Yes runs it all once more, the INF stays as
  // it was after the first run, and only "Delete" fails.
  answer_yes_ = true;
  RunModification(state_, inf_, log_, hooks_);
  EXPECT_EQ(asked_.size(), 1u);
  ExpectRows(log_, SampleRunRows(package_, mips_launcher_, arm_launcher_, true));
  ExpectFailureText(log_.Rows()[8].message,
                    "Could not delete " + package_ + "APP" + kSep + "StubLauncher.exe: ",
                    "No such file or directory");
  EXPECT_EQ(ReadBytes(inf_), golden);
  // Nobody was there to ask about the red "Delete": the package stays as the
  // run left it, and so does the snapshot.
  EXPECT_TRUE(fs::exists(fs::u8path(package_ + ".quillet-snapshot")));
}
#endif

}  // namespace
}  // namespace quillet::run_test
