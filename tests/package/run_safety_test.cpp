// A modification run never leaves a package half done: the checks before the
// first change, the snapshot, putting it back, and a snapshot left by a run
// that was cut short. Every case runs on a copy of the sample package and
// compares the whole folder tree.
#include <functional>
#include <stdexcept>

#include "package/modification_run.h"
#include "package/package_inspection.h"
#include "package/run_fixture.h"

namespace quillet::run_test {
namespace {

constexpr const char* kMips = "Mips 4000 (4K) v3.00";
constexpr const char* kArm = "Arm 1100 (4K) v3.00";
constexpr const char* kSentinel = "row of the previous run";

using Tree = std::map<std::string, std::string>;

// The package tree without its snapshot folder.
Tree WithoutSnapshot(Tree tree) {
  for (auto it = tree.begin(); it != tree.end();) {
    it = it->first.rfind(kSnapshotFolderName, 0) == 0 ? tree.erase(it) : std::next(it);
  }
  return tree;
}

bool HasSnapshot(const Tree& tree) { return tree.count(kSnapshotFolderName) != 0; }

// Expects `message` to be text(reason) for the OS's reason: exactly strerror's
// text on POSIX systems; on Windows, whatever the system says in its place.
void ExpectTextWithReason(const std::string& message,
                          const std::function<std::string(const std::string&)>& text,
                          const std::string& posix_reason) {
#ifdef _WIN32
  const std::string marked = text("\x01");
  const std::string prefix = marked.substr(0, marked.find('\x01'));
  const std::string suffix = marked.substr(marked.find('\x01') + 1);
  EXPECT_EQ(message.substr(0, prefix.size()), prefix);
  ASSERT_GE(message.size(), suffix.size());
  EXPECT_EQ(message.substr(message.size() - suffix.size()), suffix);
  (void)posix_reason;
#else
  EXPECT_EQ(message, text(posix_reason));
#endif
}

// A copy of the sample package with the two sample launchers chosen, whose
// "CAB Wizard" is a stand-in that writes one CAB per present processor into
// the package folder, so the run needs no CAB builder and goes the same on
// every system. The stand-in can fail, be stopped, or be "killed" (the package
// copied as it is at that moment, as Quillet's end would leave it).
class RunSafetyTest : public RunTest {
 public:
  // Open to the case tables' functions.
  using RunTest::MakeFolder;
  using RunTest::state_;

 protected:
  void SetUp() override {
    RunTest::SetUp();
    // Cases that start afresh within one test begin from here too.
    log_.Clear();
    messages_.clear();
    questions_.clear();
    asked_.clear();
    calls_ = 0;
    const fs::path examples = fs::u8path(QUILLET_EXAMPLES_DIR);
    fs::copy(examples / "sample_package", root_ / "pkg", fs::copy_options::recursive);
    fs::copy(examples / "launchers", root_ / "launchers", fs::copy_options::recursive);
    package_ = Dir() + "pkg" + kSep;
    inf_ = package_ + "Project1.inf";
    state_.MipsLauncherPath = Dir() + "launchers" + kSep + "Mips" + kSep + "StubLauncher.exe";
    state_.ArmLauncherPath = Dir() + "launchers" + kSep + "Arm" + kSep + "StubLauncher.exe";
    DetectProcessors(state_, inf_);
    log_.LogAction(kSentinel, "", "", 1, "");

    hooks_.ask_yes_no_warning = [this](const std::string& title, const std::string&) {
      asked_.push_back(title);
      return answer_warning_;
    };
    hooks_.ask_yes_no = [this](const std::string& text) {
      questions_.push_back(text);
      rows_when_asked_ = log_.Rows().size();
      if (before_answer_) before_answer_();
      return answers_.empty() ? false : answers_[std::min(questions_.size(), answers_.size()) - 1];
    };
    hooks_.show_message = [this](const std::string& text) { messages_.push_back(text); };
    hooks_.while_command_runs = [this] { return stop_; };
    hooks_.run_command = [this](const std::string&, const std::string& folder,
                                const platform::CommandCallbacks& callbacks) {
      ++calls_;
      if (calls_ == kill_on_call_) {
        fs::copy(root_ / "pkg", root_ / "killed", fs::copy_options::recursive);
      }
      if (calls_ == throw_on_call_) throw std::runtime_error("the command runner broke");
      if (calls_ == fail_on_call_) return platform::CommandEnded(1);
      if (callbacks.while_waiting && callbacks.while_waiting()) {
        platform::CommandResult stopped;
        stopped.started = true;
        stopped.stopped = true;
        stop_ = false;
        return stopped;
      }
      for (const char* processor : {kMips, kArm}) {
        WriteBytes(folder + "Project1." + processor + ".CAB",
                   "cab " + std::to_string(calls_) + " " + processor);
      }
      return platform::CommandEnded(0);
    };
  }

  // Old CABs in CD1 and an old launcher in the MIPS folder, as a package that
  // was built before has them: the run replaces them.
 public:
  void AddEarlierBuild() {
    for (const char* processor : {kMips, kArm}) {
      WriteBytes(package_ + "CD1" + kSep + "Project1." + processor + ".CAB",
                 std::string("old cab ") + processor);
    }
    WriteBytes(package_ + kMips + kSep + "StubLauncher.exe", "old MIPS launcher");
  }

 protected:
  RunOutcome Run() { return RunModification(state_, inf_, log_, hooks_); }

  std::string Golden() const {
    return ReadBytes(std::string(QUILLET_TEST_DATA_DIR) + "/run/Project1_after.inf");
  }

  // The fifteen rows of a run on the sample package; `failed_from_second_build`
  // for a run whose second CAB build failed.
  std::vector<ExpectedRow> SampleRows(bool failed_from_second_build = false) const {
    const std::string d = package_;
    const std::string cd1 = d + "CD1" + kSep;
    const std::string mips_cab = std::string("Project1.") + kMips + ".CAB";
    const std::string arm_cab = std::string("Project1.") + kArm + ".CAB";
    const int second = failed_from_second_build ? 2 : 1;
    return {{"INF Change", "Shortcuts", "QuilletShortcut", 1},
            {"INF Add Section", "QuilletShortcut", "%AppName%,0,\"StubLauncher.exe\"", 1},
            {"INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 1},
            {"Run CMD", d, "", 3},
            {"Move CAB", d + mips_cab, cd1 + mips_cab, 1},
            {"Move CAB", d + arm_cab, cd1 + arm_cab, 1},
            {"Copy EXE", state_.MipsLauncherPath, d + kMips + kSep, 1},
            {"Copy EXE", state_.ArmLauncherPath, d + kArm + kSep, 1},
            {"Delete", "StubLauncher.exe", d + "APP" + kSep, 1},
            {"INF Remove Key", "SourceDisksFiles", "StubLauncher.exe", 1},
            {"INF Add CPU Key", std::string("SourceDisksFiles.") + kMips, "StubLauncher.exe=2", 1},
            {"INF Add CPU Key", std::string("SourceDisksFiles.") + kArm, "StubLauncher.exe=3", 1},
            {"Run CMD", d, "", failed_from_second_build ? 2 : 3},
            {"Move CAB", d + mips_cab, cd1 + mips_cab, second},
            {"Move CAB", d + arm_cab, cd1 + arm_cab, second}};
  }

  std::string FilesFolder() const { return SnapshotFilesFolder(package_); }

 public:
  std::string package_;
  std::string inf_;
  StatusLog log_;
  ModificationHooks hooks_;
  bool answer_warning_ = false;
  std::vector<bool> answers_;  // to ask_yes_no, in order; the last one repeats
  std::function<void()> before_answer_;
  std::vector<std::string> asked_;
  std::vector<std::string> questions_;
  std::size_t rows_when_asked_ = 0;
  std::vector<std::string> messages_;
  bool stop_ = false;
  int calls_ = 0;
  int fail_on_call_ = 0;
  int throw_on_call_ = 0;
  int kill_on_call_ = 0;
};

TEST_F(RunSafetyTest, NormalRunKeepsItsRowsAndLeavesNoSnapshot) {
  AddEarlierBuild();
  EXPECT_EQ(Run(), RunOutcome::kSucceeded);
  ExpectRows(log_, SampleRows());
  EXPECT_EQ(ReadBytes(inf_), Golden());
  EXPECT_TRUE(questions_.empty());
  EXPECT_TRUE(asked_.empty());
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(HasSnapshot(TreeOf(package_)));
  EXPECT_EQ(ReadBytes(package_ + "CD1" + kSep + "Project1." + kArm + ".CAB"),
            std::string("cab 2 ") + kArm);
}

TEST_F(RunSafetyTest, RunThatCannotSucceedChangesNothingAndSaysWhatToFix) {
  using Text = std::function<std::string(const std::string& reason)>;
  struct Case {
    const char* name;
    std::function<void(RunSafetyTest& t)> spoil;
    std::function<Text(const RunSafetyTest& t)> text;
    const char* posix_reason;
  };
  const auto readme = [](const RunSafetyTest& t) { return t.package_ + "readme.txt"; };
  const auto readme_saying = [](const std::string& text) {
    return [text](RunSafetyTest& t) { WriteBytes(t.package_ + "readme.txt", text); };
  };
  const auto no_command = [readme](const RunSafetyTest& t) -> Text {
    return [&t, readme](const std::string&) { return ReadmeHoldsNoCommandText(readme(t)); };
  };
  const std::string start = "To rebuild the cab files run the following command\r\n";
  const std::string end = "Then copy the CAB files created to the CD1 directory.\r\n";
  const auto cd1_cab = [](const RunSafetyTest& t) {
    return t.package_ + "CD1" + kSep + "Project1." + kArm + ".CAB";
  };
  const Case cases[] = {
      {"read-only INF", [](RunSafetyTest& t) { MakeReadOnly(t.inf_); },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) { return InfCannotBeChangedText(t.inf_, r); };
       },
       "Permission denied"},
      {"readme missing",
       [](RunSafetyTest& t) { fs::remove(fs::u8path(t.package_ + "readme.txt")); },
       [readme](const RunSafetyTest& t) -> Text {
         return [&t, readme](const std::string& r) { return ReadmeCannotBeReadText(readme(t), r); };
       },
       "No such file or directory"},
      {"readme without the first sentence", readme_saying("sh tools/make-cabs.sh\r\n" + end),
       no_command, ""},
      {"readme without the last sentence", readme_saying(start + "sh tools/make-cabs.sh\r\n"),
       no_command, ""},
      {"readme with nothing between", readme_saying(start + "   \r\n" + end), no_command, ""},
      {"MIPS launcher gone",
       [](RunSafetyTest& t) { fs::remove(fs::u8path(t.state_.MipsLauncherPath)); },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) {
           return LauncherCannotBeReadText("MIPS", t.state_.MipsLauncherPath, kMips, r);
         };
       },
       "No such file or directory"},
      {"ARM launcher is a folder",
       [](RunSafetyTest& t) { t.state_.ArmLauncherPath = t.MakeFolder("ArmStub.exe"); },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) {
           return LauncherCannotBeReadText("ARM", t.state_.ArmLauncherPath, kArm, r);
         };
       },
       "Is a directory"},
      {"CD1 missing", [](RunSafetyTest& t) { fs::remove_all(fs::u8path(t.package_ + "CD1")); },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) {
           return DiskFolderCannotBeWrittenText(t.package_ + "CD1" + kSep, r);
         };
       },
       "No such file or directory"},
      {"CD1 is a file",
       [](RunSafetyTest& t) {
         fs::remove_all(fs::u8path(t.package_ + "CD1"));
         WriteBytes(t.package_ + "CD1", "not a folder");
       },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) {
           return DiskFolderCannotBeWrittenText(t.package_ + "CD1" + kSep, r);
         };
       },
       "Not a directory"},
      {"ARM processor folder missing",
       [](RunSafetyTest& t) { fs::remove_all(fs::u8path(t.package_ + kArm)); },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) {
           return ProcessorFolderCannotBeWrittenText(t.package_ + kArm + kSep, kArm, r);
         };
       },
       "No such file or directory"},
      {"read-only CAB in CD1",
       [cd1_cab](RunSafetyTest& t) {
         t.AddEarlierBuild();
         MakeReadOnly(cd1_cab(t));
       },
       [cd1_cab](const RunSafetyTest& t) -> Text {
         return [&t, cd1_cab](const std::string& r) {
           return FileCannotBeChangedText(cd1_cab(t), "replaces", r);
         };
       },
       "Permission denied"},
      {"read-only launcher in APP",
       [](RunSafetyTest& t) { MakeReadOnly(t.package_ + "APP" + kSep + "StubLauncher.exe"); },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) {
           return FileCannotBeChangedText(t.package_ + "APP" + kSep + "StubLauncher.exe", "deletes",
                                          r);
         };
       },
       "Permission denied"},
      {"read-only CAB in the package folder",
       [](RunSafetyTest& t) {
         WriteBytes(t.package_ + "Project1." + kMips + ".CAB", "cab");
         MakeReadOnly(t.package_ + "Project1." + kMips + ".CAB");
       },
       [](const RunSafetyTest& t) -> Text {
         return [&t](const std::string& r) {
           return FileCannotBeChangedText(t.package_ + "Project1." + kMips + ".CAB",
                                          "moves into CD1", r);
         };
       },
       "Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    c.spoil(*this);
    const Tree before = TreeOf(package_);

    EXPECT_EQ(Run(), RunOutcome::kNotRun);

    ASSERT_EQ(messages_.size(), 1u);
    ExpectTextWithReason(messages_[0], c.text(*this), c.posix_reason);
    EXPECT_EQ(TreeOf(package_), before);
    EXPECT_EQ(log_.Rows().size(), 1u);
    EXPECT_EQ(log_.Rows()[0].action, kSentinel);
    EXPECT_EQ(calls_, 0);
    EXPECT_TRUE(asked_.empty());
    EXPECT_TRUE(questions_.empty());
    messages_.clear();
  }
}

TEST_F(RunSafetyTest, FailedCommandYesPutsThePackageBackByteForByte) {
  AddEarlierBuild();
  const Tree before = TreeOf(package_);
  fail_on_call_ = 2;
  answers_ = {true};

  EXPECT_EQ(Run(), RunOutcome::kFailedRestored);

  std::vector<ExpectedRow> rows = SampleRows(true);
  // INF, APP launcher, two CABs in CD1 and the old MIPS launcher put back; the
  // ARM launcher, which the run made, removed.
  rows.push_back({kRestoreAction, package_, "5 files put back, 1 file removed", 1});
  ExpectRows(log_, rows);
  EXPECT_EQ(log_.Rows().back().message, "");
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(rows_when_asked_, 15u);
  EXPECT_EQ(questions_[0],
            RestoreQuestionText(3, "Run CMD", log_.Rows()[12].message, FilesFolder()));
  EXPECT_EQ(questions_[0].substr(0, 60),
            "3 actions of the run failed. The first was \"Run CMD\".\r\nThe c");
  EXPECT_EQ(TreeOf(package_), before);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(RunSafetyTest, FailedCommandNoKeepsTheRunsResultAndTheSnapshot) {
  AddEarlierBuild();
  const Tree before = TreeOf(package_);
  fail_on_call_ = 2;
  answers_ = {false};

  EXPECT_EQ(Run(), RunOutcome::kFailedKept);

  ExpectRows(log_, SampleRows(true));
  ASSERT_EQ(questions_.size(), 1u);
  const std::string files = FilesFolder();
  EXPECT_EQ(questions_[0].substr(questions_[0].size() - files.size() - 3), ":\r\n" + files);
  // The package as the run left it: the INF fully edited, the launcher gone.
  EXPECT_EQ(ReadBytes(inf_), Golden());
  EXPECT_FALSE(fs::exists(fs::u8path(package_ + "APP" + kSep + "StubLauncher.exe")));
  // The snapshot holds every file as it was, and says it was kept.
  const Tree after = TreeOf(package_);
  const std::string files_prefix = std::string(kSnapshotFolderName) + "/files/";
  for (const char* kept :
       {"Project1.inf", "APP/StubLauncher.exe", "CD1/Project1.Mips 4000 (4K) v3.00.CAB",
        "CD1/Project1.Arm 1100 (4K) v3.00.CAB", "Mips 4000 (4K) v3.00/StubLauncher.exe"}) {
    SCOPED_TRACE(kept);
    ASSERT_EQ(after.count(files_prefix + kept), 1u);
    EXPECT_EQ(after.at(files_prefix + kept), before.at(kept));
  }
  Snapshot snapshot;
  std::string error;
  ASSERT_EQ(FindSnapshot(package_, snapshot, error), SnapshotFound::kFound) << error;
  EXPECT_EQ(snapshot.state, Snapshot::State::kKept);

  // The next run offers it first; Yes puts the package back, and the run then
  // goes ahead on the untouched package: no warning, fifteen green rows.
  questions_.clear();
  fail_on_call_ = 0;
  answers_ = {true};
  EXPECT_EQ(Run(), RunOutcome::kSucceeded);
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0], LeftoverQuestionText(snapshot));
  EXPECT_TRUE(asked_.empty());
  ExpectRows(log_, SampleRows());
  EXPECT_EQ(ReadBytes(inf_), Golden());
  EXPECT_FALSE(HasSnapshot(TreeOf(package_)));
}

TEST_F(RunSafetyTest, CommandStoppedByTheUserEndsInTheSameBox) {
  const Tree before = TreeOf(package_);
  stop_ = true;  // the user asks to stop the first build
  answers_ = {true};

  EXPECT_EQ(Run(), RunOutcome::kFailedRestored);

  const auto& rows = log_.Rows();
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[3].action, "Run CMD");
  EXPECT_EQ(rows[3].colour, kColourRed);
  EXPECT_EQ(rows[12].colour, kColourBlue);  // the second build ran
  ASSERT_EQ(questions_.size(), 1u);
  // The stopped build and the two moves of CABs it never made.
  EXPECT_EQ(questions_[0].substr(0, 53), "3 actions of the run failed. The first was \"Run CMD\".");
  EXPECT_EQ(rows.back().action, kRestoreAction);
  EXPECT_EQ(rows.back().colour, kColourGreen);
  EXPECT_EQ(TreeOf(package_), before);
}

TEST_F(RunSafetyTest, RunCutShortByAnErrorCanBePutBack) {
  const Tree before = TreeOf(package_);
  throw_on_call_ = 2;
  answers_ = {true};

  EXPECT_EQ(Run(), RunOutcome::kFailedRestored);

  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "The modification run stopped: the command runner broke");
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_EQ(questions_[0].substr(0, 36), "The run stopped before its end.\r\n\r\nP");
  EXPECT_EQ(log_.Rows().size(), 13u);  // twelve rows of the run, then "Restore"
  // The INF and the APP launcher put back; the CABs in CD1 and the launchers
  // in the processor folders, which the run made, removed.
  EXPECT_EQ(log_.Rows().back().value2, "2 files put back, 4 files removed");
  EXPECT_EQ(TreeOf(package_), before);
}

TEST_F(RunSafetyTest, RestoreThatCannotPutEverythingBackSaysWhatAndKeepsTheSnapshot) {
  AddEarlierBuild();
  fail_on_call_ = 2;
  answers_ = {true};
  const std::string mips_launcher = package_ + kMips + kSep + "StubLauncher.exe";
  // Between the run and the answer, something makes the new MIPS launcher read-only.
  before_answer_ = [&] { MakeReadOnly(mips_launcher); };

  EXPECT_EQ(Run(), RunOutcome::kRestoreFailed);

  const StatusRow& last = log_.Rows().back();
  EXPECT_EQ(last.action, kRestoreAction);
  EXPECT_EQ(last.value1, package_);
  EXPECT_EQ(last.value2, "4 files put back, 1 file removed");
  EXPECT_EQ(last.colour, kColourRed);
  ExpectTextWithReason(
      last.message,
      [&](const std::string& reason) {
        return "Could not put back " + mips_launcher + ": " + reason +
               ". The files as they were before the run stay in " + FilesFolder();
      },
      "Permission denied");
  // Everything else is back; the snapshot stays, marked as kept.
  EXPECT_EQ(ReadBytes(inf_),
            ReadBytes(std::string(QUILLET_EXAMPLES_DIR) + "/sample_package/Project1.inf"));
  EXPECT_TRUE(fs::exists(fs::u8path(package_ + "APP" + kSep + "StubLauncher.exe")));
  Snapshot snapshot;
  std::string error;
  ASSERT_EQ(FindSnapshot(package_, snapshot, error), SnapshotFound::kFound);
  EXPECT_EQ(snapshot.state, Snapshot::State::kKept);
}

TEST_F(RunSafetyTest, LeftoverSnapshotAfterAKillIsOfferedFirst) {
  // A run "killed" during its second build: its package as it was then, kept
  // aside to start each case from.
  const Tree original = TreeOf(package_);
  kill_on_call_ = 2;
  ASSERT_EQ(Run(), RunOutcome::kSucceeded);
  fs::rename(root_ / "killed", root_ / "at-kill");
  const Tree at_kill = TreeOf(Dir() + "at-kill");
  ASSERT_TRUE(HasSnapshot(at_kill));
  ASSERT_NE(WithoutSnapshot(at_kill), original);
  const std::string killed = Dir() + "killed" + kSep;
  const std::string killed_inf = killed + "Project1.inf";

  struct Case {
    const char* name;
    bool yes;
    bool refused_after;  // the MIPS launcher gone: the run itself is refused
  };
  for (const Case c :
       {Case{"Yes, then a refusal", true, true}, Case{"Yes, then the run", true, false},
        Case{"No, then the run", false, false}}) {
    SCOPED_TRACE(c.name);
    fs::remove_all(root_ / "killed");
    fs::copy(root_ / "at-kill", root_ / "killed", fs::copy_options::recursive);
    log_.Clear();
    questions_.clear();
    messages_.clear();
    asked_.clear();
    calls_ = 0;
    kill_on_call_ = 0;
    answers_ = {c.yes, false};
    answer_warning_ = true;
    ToolState state = state_;
    if (c.refused_after) state.MipsLauncherPath += ".gone";
    Snapshot leftover;
    std::string error;
    ASSERT_EQ(FindSnapshot(killed, leftover, error), SnapshotFound::kFound);
    EXPECT_EQ(leftover.state, Snapshot::State::kRunning);

    const RunOutcome outcome = RunModification(state, killed_inf, log_, hooks_);

    ASSERT_GE(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], LeftoverQuestionText(leftover));
    if (c.refused_after) {
      // Put back byte for byte, and nothing else done.
      EXPECT_EQ(outcome, RunOutcome::kNotRun);
      EXPECT_EQ(TreeOf(killed), original);
      ASSERT_EQ(messages_.size(), 1u);
      EXPECT_NE(messages_[0].find("The MIPS launcher"), std::string::npos) << messages_[0];
      EXPECT_EQ(calls_, 0);
    } else if (c.yes) {
      // Put back, then a whole run on the untouched package.
      EXPECT_EQ(outcome, RunOutcome::kSucceeded);
      EXPECT_EQ(questions_.size(), 1u);
      EXPECT_TRUE(asked_.empty());
      EXPECT_EQ(log_.Rows().size(), 15u);
      EXPECT_EQ(ReadBytes(killed_inf), Golden());
      EXPECT_FALSE(HasSnapshot(TreeOf(killed)));
    } else {
      // The run goes ahead on the package as the kill left it (the warning
      // comes, as the INF was changed), and its own snapshot takes the old
      // one's place: it holds the half-edited INF.
      EXPECT_EQ(outcome, RunOutcome::kFailedKept);
      EXPECT_EQ(asked_.size(), 1u);
      EXPECT_EQ(questions_.size(), 2u);
      Snapshot now;
      ASSERT_EQ(FindSnapshot(killed, now, error), SnapshotFound::kFound);
      EXPECT_EQ(ReadBytes(SnapshotFilesFolder(killed) + kSep + "Project1.inf"),
                at_kill.at("Project1.inf"));
      EXPECT_NE(std::find(now.created.begin(), now.created.end(),
                          std::string("APP") + kSep + "StubLauncher.exe"),
                now.created.end());
    }
  }
}

TEST_F(RunSafetyTest, SnapshotLeftUnfinishedIsRemovedAndTheRunGoesAhead) {
  // Cut short while it was taken: a copy, but no list of files yet.
  const std::string files =
      MakeFolder(std::string("pkg") + kSep + kSnapshotFolderName + kSep + "files");
  WriteBytes(files + "Project1.inf", "half a snapshot");
  EXPECT_EQ(Run(), RunOutcome::kSucceeded);
  EXPECT_TRUE(questions_.empty());
  ExpectRows(log_, SampleRows());
  EXPECT_FALSE(HasSnapshot(TreeOf(package_)));
}

TEST_F(RunSafetyTest, SnapshotThatCannotBeUsedOrTakenStopsTheRunBeforeAnyChange) {
  using Text = std::function<std::string(const std::string& reason)>;
  struct Case {
    const char* name;
    Text (*spoil)(const std::string& package);  // gives the expected text
    const char* posix_reason;
  };
  const Case cases[] = {
      {"a list of files from elsewhere",
       [](const std::string& package) -> Text {
         const std::string folder = package + kSnapshotFolderName;
         const std::string manifest = folder + kSep + kSnapshotManifestName;
         fs::create_directories(fs::u8path(folder));
         WriteBytes(manifest, "Quillet snapshot 1\nstate running\ncopy ../x\n");
         return [folder, manifest](const std::string&) {
           return LeftoverUnreadableText(
               folder, manifest + " is not a list of files that this version of Quillet wrote");
         };
       },
       ""},
      {"a file where the snapshot folder goes",
       [](const std::string& package) -> Text {
         const std::string folder = package + kSnapshotFolderName;
         WriteBytes(folder, "mine");
         return [folder](const std::string& reason) {
           return SnapshotFailedText("Could not create the folder " + folder + ": " + reason);
         };
       },
       "File exists"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    const Text expected = c.spoil(package_);
    const Tree before = TreeOf(package_);
    EXPECT_EQ(Run(), RunOutcome::kNotRun);
    ASSERT_EQ(messages_.size(), 1u);
    ExpectTextWithReason(messages_[0], expected, c.posix_reason);
    EXPECT_EQ(TreeOf(package_), before);
    EXPECT_EQ(calls_, 0);
    EXPECT_EQ(log_.Rows().size(), 1u);
    messages_.clear();
  }
}

}  // namespace
}  // namespace quillet::run_test
