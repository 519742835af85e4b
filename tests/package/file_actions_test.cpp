#include "package/file_actions.h"

#include <functional>

#include "package/run_fixture.h"

namespace quillet::run_test {
namespace {

constexpr const char* kMips = "Mips 4000 (4K) v3.00";
constexpr const char* kSh3 = "SH 3 (1K) v3.00";
constexpr const char* kArm1100 = "Arm 1100 (4K) v3.00";
constexpr const char* kArm720 = "Arm 720T (4K) v3.00";

TEST(GetWrapperFileNameTest, FirstPresentSlotsLauncherNamesTheFile) {
  struct Case {
    const char* name;
    std::array<bool, 5> present;
    std::string expected;
  };
  const std::string l = std::string("L") + kSep;
  const Case cases[] = {
      {"no slot present", {}, ""},
      {"MIPS first", {false, true, false, true, false}, "MStub.exe"},
      {"SH3 before ARM", {false, false, true, true, true}, "SStub.dll"},
      {"ARM 720T alone uses the ARM launcher", {false, false, false, false, true}, "AStub.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToolState state;
    state.ProcessorPresent = c.present;
    state.MipsLauncherPath = l + "MStub.exe";
    state.Sh3LauncherPath = l + "SStub.dll";
    state.ArmLauncherPath = l + "AStub.exe";
    EXPECT_EQ(GetWrapperFileName(state), c.expected);
  }
}

TEST(GetWrapperFileNameTest, OddLauncherNames) {
  ToolState state;
  state.ProcessorPresent[1] = true;
  const std::string folder = std::string("C") + kSep + "L.d" + kSep;
  state.MipsLauncherPath = folder + "Stub";
  EXPECT_EQ(GetWrapperFileName(state), "Stub.");  // no extension: a point with nothing after
  state.MipsLauncherPath = folder + "Stub.v2.exe";
  EXPECT_EQ(GetWrapperFileName(state), "Stub.v2.exe");
}

class FileActionsTest : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    inf_ = Dir() + "MyApp.inf";
    WriteBytes(inf_, "[Version]\r\n");
    launchers_ = MakeFolder("launchers");
    WriteBytes(launchers_ + "MStub.exe", "mips build");
    WriteBytes(launchers_ + "AStub.exe", "arm build");
    WriteBytes(launchers_ + "SStub.exe", "sh3 build");
    state_.MipsLauncherPath = launchers_ + "MStub.exe";
    state_.Sh3LauncherPath = launchers_ + "SStub.exe";
    state_.ArmLauncherPath = launchers_ + "AStub.exe";
  }

  std::string Cab(const char* processor) const {
    return std::string("MyApp.") + processor + ".CAB";
  }

  std::string inf_;
  std::string launchers_;
  StatusLog log_;
};

TEST_F(FileActionsTest, MoveCabMovesEachPresentProcessorsCabAndReportsAMissingOne) {
  state_.ProcessorPresent = {false, true, false, true, true};
  const std::string cd1 = MakeFolder("CD1");
  WriteBytes(Dir() + Cab(kMips), "mips cab");
  WriteBytes(Dir() + Cab(kArm720), "arm720 cab");
  WriteBytes(cd1 + Cab(kMips), "old mips cab");  // from an earlier build: replaced

  MoveCabFiles(state_, inf_, log_);

  ExpectRows(log_, {{"Move CAB", Dir() + Cab(kMips), cd1 + Cab(kMips), 1},
                    {"Move CAB", Dir() + Cab(kArm1100), cd1 + Cab(kArm1100), 2},
                    {"Move CAB", Dir() + Cab(kArm720), cd1 + Cab(kArm720), 1}});
  EXPECT_EQ(log_.Rows()[0].message, "");
  ExpectFailureText(log_.Rows()[1].message,
                    "Could not copy " + Dir() + Cab(kArm1100) + " to " + cd1 + Cab(kArm1100) + ": ",
                    "No such file or directory");
  EXPECT_EQ(ReadBytes(cd1 + Cab(kMips)), "mips cab");
  EXPECT_EQ(ReadBytes(cd1 + Cab(kArm720)), "arm720 cab");
  EXPECT_FALSE(fs::exists(fs::u8path(Dir() + Cab(kMips))));
  EXPECT_FALSE(fs::exists(fs::u8path(Dir() + Cab(kArm720))));
}

TEST_F(FileActionsTest, MoveCabWithoutCd1FolderCreatesNothingAndKeepsTheSource) {
  state_.ProcessorPresent = {false, true, false, false, false};
  WriteBytes(Dir() + Cab(kMips), "mips cab");

  MoveCabFiles(state_, inf_, log_);

  ExpectRows(log_, {{"Move CAB", Dir() + Cab(kMips), Dir() + "CD1" + kSep + Cab(kMips), 2}});
  ExpectFailureText(
      log_.Rows()[0].message,
      "Could not copy " + Dir() + Cab(kMips) + " to " + Dir() + "CD1" + kSep + Cab(kMips) + ": ",
      "No such file or directory");
  EXPECT_FALSE(fs::exists(fs::u8path(Dir() + "CD1")));
  EXPECT_EQ(ReadBytes(Dir() + Cab(kMips)), "mips cab");
}

TEST_F(FileActionsTest, MoveCabOntoReadOnlyCopyFailsAndKeepsBoth) {
  state_.ProcessorPresent = {false, false, true, false, false};
  const std::string cd1 = MakeFolder("CD1");
  WriteBytes(Dir() + Cab(kSh3), "new");
  WriteBytes(cd1 + Cab(kSh3), "old");
  MakeReadOnly(cd1 + Cab(kSh3));

  MoveCabFiles(state_, inf_, log_);

  ExpectRows(log_, {{"Move CAB", Dir() + Cab(kSh3), cd1 + Cab(kSh3), 2}});
  ExpectFailureText(log_.Rows()[0].message,
                    "Could not copy " + Dir() + Cab(kSh3) + " to " + cd1 + Cab(kSh3) + ": ",
                    "Permission denied");
  EXPECT_EQ(ReadBytes(cd1 + Cab(kSh3)), "old");
  EXPECT_EQ(ReadBytes(Dir() + Cab(kSh3)), "new");
}

TEST_F(FileActionsTest, NoPresentSlotMeansNoRowsForMoveAndCopy) {
  MoveCabFiles(state_, inf_, log_);
  CopyWrapperExes(state_, inf_, log_);
  EXPECT_TRUE(log_.Rows().empty());
}

TEST_F(FileActionsTest, CopyExeStoresEveryLauncherUnderTheFirstLaunchersName) {
  state_.ProcessorPresent = {false, true, false, true, true};
  const std::string mips = MakeFolder(kMips);
  const std::string arm1100 = MakeFolder(kArm1100);
  const std::string arm720 = MakeFolder(kArm720);
  WriteBytes(arm720 + "MStub.exe", "stale");  // replaced

  CopyWrapperExes(state_, inf_, log_);

  ExpectRows(log_, {{"Copy EXE", launchers_ + "MStub.exe", mips, 1},
                    {"Copy EXE", launchers_ + "AStub.exe", arm1100, 1},
                    {"Copy EXE", launchers_ + "AStub.exe", arm720, 1}});
  EXPECT_EQ(ReadBytes(mips + "MStub.exe"), "mips build");
  EXPECT_EQ(ReadBytes(arm1100 + "MStub.exe"), "arm build");
  EXPECT_EQ(ReadBytes(arm720 + "MStub.exe"), "arm build");
  EXPECT_FALSE(fs::exists(fs::u8path(arm1100 + "AStub.exe")));
}

TEST_F(FileActionsTest, CopyExeFailuresAreRowsWithTheReason) {
  // SH3: its launcher path names a folder; ARM 1100: no processor folder;
  // ARM 720T: the file there is read-only.
  state_.ProcessorPresent = {false, false, true, true, true};
  state_.Sh3LauncherPath = MakeFolder("not-a-file.exe");
  state_.Sh3LauncherPath.pop_back();
  MakeFolder(kSh3);
  const std::string arm720 = MakeFolder(kArm720);
  WriteBytes(arm720 + "not-a-file.exe", "kept");
  MakeReadOnly(arm720 + "not-a-file.exe");

  CopyWrapperExes(state_, inf_, log_);

  const std::string arm1100 = Dir() + kArm1100 + kSep;
  ExpectRows(log_, {{"Copy EXE", state_.Sh3LauncherPath, Dir() + kSh3 + kSep, 2},
                    {"Copy EXE", launchers_ + "AStub.exe", arm1100, 2},
                    {"Copy EXE", launchers_ + "AStub.exe", arm720, 2}});
  ExpectFailureText(log_.Rows()[0].message,
                    "Could not copy " + state_.Sh3LauncherPath + " to " + Dir() + kSh3 + kSep +
                        "not-a-file.exe: ",
                    "Is a directory");
  ExpectFailureText(log_.Rows()[1].message,
                    "Could not copy " + launchers_ + "AStub.exe to " + arm1100 + "not-a-file.exe: ",
                    "No such file or directory");
  ExpectFailureText(log_.Rows()[2].message,
                    "Could not copy " + launchers_ + "AStub.exe to " + arm720 + "not-a-file.exe: ",
                    "Permission denied");
  EXPECT_FALSE(fs::exists(fs::u8path(arm1100)));
  EXPECT_EQ(ReadBytes(arm720 + "not-a-file.exe"), "kept");
}

// A destination that is the source itself under another name must never be
// copied over and deleted: that lost the only CAB under a green row.
TEST_F(FileActionsTest, MoveCabNeverDeletesTheOnlyCabWhenTheDestinationIsTheSource) {
  state_.ProcessorPresent = {false, true, false, false, false};
  struct Case {
    const char* what;
    std::function<bool(const std::string& cd1, const std::string& source, const std::string& name)>
        make;  // false: skip
  };
  const Case cases[] = {
      {"CD1's CAB a hard link to the source",
       [](const std::string& cd1, const std::string& source, const std::string& name) {
         fs::create_directories(fs::u8path(cd1));
         std::error_code error;
         fs::create_hard_link(fs::u8path(source), fs::u8path(cd1 + name), error);
         return !error;
       }},
#ifndef _WIN32
      {"CD1's CAB a symbolic link to the source",
       [](const std::string& cd1, const std::string& source, const std::string& name) {
         fs::create_directories(fs::u8path(cd1));
         fs::create_symlink(fs::u8path(source), fs::u8path(cd1 + name));
         return true;
       }},
      {"CD1 a link to the package folder",
       [](const std::string& cd1, const std::string& source, const std::string&) {
         std::string folder = cd1;
         folder.pop_back();
         fs::create_directory_symlink(fs::u8path(source).parent_path(), fs::u8path(folder));
         return true;
       }},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string cd1 = Dir() + "CD1" + kSep;
    std::error_code ignored;
    fs::remove_all(fs::u8path(Dir() + "CD1"), ignored);
    fs::remove(fs::u8path(Dir() + "CD1"), ignored);
    WriteBytes(Dir() + Cab(kMips), "the only cab");
    if (!c.make(cd1, Dir() + Cab(kMips), Cab(kMips))) continue;
    StatusLog log;

    MoveCabFiles(state_, inf_, log);

    ExpectRows(log, {{"Move CAB", Dir() + Cab(kMips), cd1 + Cab(kMips), 2}});
    EXPECT_EQ(log.Rows()[0].message, cd1 + Cab(kMips) + " is " + Dir() + Cab(kMips) +
                                         " itself under another name (a link); nothing was "
                                         "copied or deleted");
    EXPECT_EQ(ReadBytes(Dir() + Cab(kMips)), "the only cab");
  }
}

TEST_F(FileActionsTest, CopyExeNeverCopiesTheLauncherOntoItself) {
  // The launcher chosen is the copy already in the processor folder.
  state_.ProcessorPresent = {false, true, false, false, false};
  const std::string mips = MakeFolder(kMips);
  state_.MipsLauncherPath = mips + "MStub.exe";
  WriteBytes(state_.MipsLauncherPath, "the only launcher");

  CopyWrapperExes(state_, inf_, log_);

  ExpectRows(log_, {{"Copy EXE", mips + "MStub.exe", mips, 2}});
  EXPECT_NE(log_.Rows()[0].message.find("itself under another name"), std::string::npos);
  EXPECT_EQ(ReadBytes(mips + "MStub.exe"), "the only launcher");
}

#ifndef _WIN32
// Links at a destination are followed on every platform: the file the link
// points to is replaced and the link stays. "Delete" deletes a link as a link
// and says so.
TEST_F(FileActionsTest, DestinationLinksAreFollowedAndDeleteSaysWhatItDidWithALink) {
  state_.ProcessorPresent = {false, true, false, false, false};
  const std::string mips = MakeFolder(kMips);
  const std::string elsewhere = MakeFolder("elsewhere");
  WriteBytes(elsewhere + "old.exe", "old launcher");
  fs::create_symlink(fs::u8path(elsewhere + "old.exe"), fs::u8path(mips + "MStub.exe"));

  CopyWrapperExes(state_, inf_, log_);

  ExpectRows(log_, {{"Copy EXE", launchers_ + "MStub.exe", mips, 1}});
  EXPECT_TRUE(fs::is_symlink(fs::u8path(mips + "MStub.exe")));
  EXPECT_EQ(ReadBytes(elsewhere + "old.exe"), "mips build");

  const std::string app = MakeFolder("APP");
  fs::create_symlink(fs::u8path(launchers_ + "MStub.exe"), fs::u8path(app + "MStub.exe"));
  StatusLog log;
  DeleteAppFile(state_, inf_, log);
  ExpectRows(log, {{"Delete", "MStub.exe", app, 1}});
  EXPECT_EQ(log.Rows()[0].message, "Deleted the symbolic link " + app +
                                       "MStub.exe; the file it points to, " + launchers_ +
                                       "MStub.exe, was kept");
  EXPECT_FALSE(fs::is_symlink(fs::u8path(app + "MStub.exe")));
  EXPECT_EQ(ReadBytes(launchers_ + "MStub.exe"), "mips build");
}
#endif

TEST_F(FileActionsTest, DeleteRemovesOnlyARegularWritableFile) {
  state_.ProcessorPresent = {false, true, false, false, false};
  const std::string app = MakeFolder("APP");
  struct Case {
    const char* name;
    void (*prepare)(const std::string& target);
    int status;
    const char* reason;
  };
  const Case cases[] = {
      {"plain file", [](const std::string& t) { WriteBytes(t, "x"); }, 1, ""},
      {"already gone", [](const std::string&) {}, 2, "No such file or directory"},
      {"read-only file",
       [](const std::string& t) {
         WriteBytes(t, "x");
         MakeReadOnly(t);
       },
       2, "Permission denied"},
      {"a folder of that name", [](const std::string& t) { fs::create_directories(t); }, 2,
       "Is a directory"},
  };
  const std::string target = app + "MStub.exe";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::permissions(fs::u8path(app), fs::perms::owner_all, fs::perm_options::add);
    std::error_code ignored;
    if (fs::exists(target)) fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
    fs::remove_all(target, ignored);
    c.prepare(target);
    StatusLog log;

    DeleteAppFile(state_, inf_, log);

    ExpectRows(log, {{"Delete", "MStub.exe", app, c.status}});
    if (c.status == 1) {
      EXPECT_FALSE(fs::exists(target));
    } else {
      ExpectFailureText(log.Rows()[0].message, "Could not delete " + target + ": ", c.reason);
      if (std::string(c.name) != "already gone") {
        EXPECT_TRUE(fs::exists(target));
      }
    }
  }
}

}  // namespace
}  // namespace quillet::run_test
