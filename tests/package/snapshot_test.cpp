// The snapshot's list of files, and the exact words of every box and row that
// the checks, the snapshot and "put it back" show.
#include "package/snapshot.h"

#include <gtest/gtest.h>

#include "package/modification_run.h"
#include "package/run_checks.h"
#include "platform/platform.h"

namespace quillet {
namespace {

constexpr char kSep = platform::kPathSeparator;

TEST(SnapshotManifestTest, AnyFileNameTravelsAndNothingOutsideThePackageIsAccepted) {
  Snapshot snapshot;
  snapshot.inf_name = "My 100% \xCE\xA9.inf";
  snapshot.state = Snapshot::State::kKept;
  snapshot.copied = {"My 100% \xCE\xA9.inf", std::string("APP") + kSep + "Stub\tLauncher.exe",
                     std::string("CD1") + kSep + "a;b=c #d.CAB"};
  snapshot.created = {std::string("Mips 4000 (4K) v3.00") + kSep + "Stub\r\nLauncher.exe"};
  const std::string text = ManifestText(snapshot);
  EXPECT_EQ(text.substr(0, 55), "Quillet snapshot 1\nstate kept\ninf My 100%25 \xCE\xA9.inf\ncopy");
  EXPECT_NE(text.find("Stub%09Launcher.exe\n"), std::string::npos);
  EXPECT_NE(text.find("new Mips 4000 (4K) v3.00"), std::string::npos);
  EXPECT_NE(text.find("Stub%0D%0ALauncher.exe\n"), std::string::npos);

  Snapshot read;
  ASSERT_TRUE(ParseManifest(text, read));
  EXPECT_EQ(read.inf_name, snapshot.inf_name);
  EXPECT_EQ(read.state, Snapshot::State::kKept);
  EXPECT_EQ(read.copied, snapshot.copied);
  EXPECT_EQ(read.created, snapshot.created);
  // A manifest edited on Windows (CR LF) still reads.
  std::string crlf;
  for (const char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(ParseManifest(crlf, read));

  const std::string start = "Quillet snapshot 1\nstate running\n";
  const struct {
    const char* name;
    std::string text;
  } refused[] = {
      {"another header", "Quillet snapshot 2\nstate running\n"},
      {"no state", "Quillet snapshot 1\ncopy a.inf\n"},
      {"unknown state", "Quillet snapshot 1\nstate maybe\n"},
      {"unknown line", start + "delete a.inf\n"},
      {"parent folder", start + "copy ..%2Fx\n"},
      {"parent folder part", start + "copy APP" + kSep + ".." + kSep + ".." + kSep + "x\n"},
      {"absolute path", start + "copy " + kSep + "etc" + kSep + "passwd\n"},
      {"empty path", start + "new \n"},
      {"empty part", start + "new APP" + kSep + kSep + "x\n"},
      {"broken escape", start + "copy a%2\n"},
      {"not hex", start + "copy a%zz\n"},
#ifdef _WIN32
      {"drive", start + "copy C:\\x\n"},
      {"slash", start + "copy APP/../../x\n"},
#endif
  };
  for (const auto& c : refused) {
    Snapshot ignored;
    EXPECT_FALSE(ParseManifest(c.text, ignored)) << c.name;
  }
}

TEST(SnapshotManifestTest, FilesTheRunMayTouch) {
  ToolState state;
  InitProcessorNames(state);
  state.ProcessorPresent[1] = state.ProcessorPresent[3] = state.ProcessorPresent[4] = true;
  state.MipsLauncherPath = std::string("m") + kSep + "Stub.exe";
  state.ArmLauncherPath = std::string("a") + kSep + "Other.exe";
  const std::string d = std::string("pkg") + kSep;
  const std::vector<std::string> expected = {
      "My.inf",
      std::string("APP") + kSep + "Stub.exe",
      "My.Mips 4000 (4K) v3.00.CAB",
      std::string("CD1") + kSep + "My.Mips 4000 (4K) v3.00.CAB",
      std::string("Mips 4000 (4K) v3.00") + kSep + "Stub.exe",
      "My.Arm 1100 (4K) v3.00.CAB",
      std::string("CD1") + kSep + "My.Arm 1100 (4K) v3.00.CAB",
      std::string("Arm 1100 (4K) v3.00") + kSep + "Stub.exe",
      "My.Arm 720T (4K) v3.00.CAB",
      std::string("CD1") + kSep + "My.Arm 720T (4K) v3.00.CAB",
      std::string("Arm 720T (4K) v3.00") + kSep + "Stub.exe",
  };
  EXPECT_EQ(FilesTheRunMayTouch(state, d + "My.inf"), expected);
}

TEST(RunTextsTest, EveryBoxAndRowSaysItExactly) {
  const std::string pkg = "/p/Pkg/";
  Snapshot running;
  running.package_directory = pkg;
  Snapshot kept = running;
  kept.state = Snapshot::State::kKept;
  RestoreResult partly;
  partly.put_back = 1;
  partly.removed = 0;
  partly.failures = {"Could not put back /p/Pkg/Project1.inf: Access is denied.",
                     "Could not remove /p/Pkg/CD1/x.CAB: Permission denied"};
  RestoreResult one_each;
  one_each.put_back = 1;
  one_each.removed = 1;

  const struct {
    const char* name;
    std::string text;
    std::string expected;
  } cases[] = {
      {"INF unreadable", InfCannotBeReadText("/p/Pkg/P.inf", "No such file or directory"),
       "Could not read the INF file /p/Pkg/P.inf: No such file or directory. Nothing was changed."},
      {"INF unchangeable", InfCannotBeChangedText("/p/Pkg/P.inf", "Access is denied."),
       "The INF file /p/Pkg/P.inf cannot be changed: Access is denied. Make it writable (not "
       "read-only, with permission to write it and its folder) and close any program that has it "
       "open, then try again. Nothing was changed."},
      {"readme unreadable", ReadmeCannotBeReadText("/p/Pkg/readme.txt", "Permission denied"),
       "Could not read /p/Pkg/readme.txt: Permission denied. The run rebuilds the CAB files with "
       "the command that the package's readme.txt holds; put that file back beside the INF file, "
       "then try again. Nothing was changed."},
      {"readme without command", ReadmeHoldsNoCommandText("/p/Pkg/readme.txt"),
       "/p/Pkg/readme.txt holds no command for rebuilding the CAB files. The command must stand "
       "after the line \"To rebuild the cab files run the following command\" and before the line "
       "\"Then copy the CAB files created to the CD1 directory.\" Put it there (the eVB "
       "Application Install Wizard writes it), then try again. Nothing was changed."},
      {"launcher unreadable",
       LauncherCannotBeReadText("ARM", "/l/Stub.exe", "Arm 1100 (4K) v3.00", "Is a directory"),
       "The ARM launcher /l/Stub.exe, chosen for the processor \"Arm 1100 (4K) v3.00\", cannot be "
       "read: Is a directory. Choose a launcher file that exists, then try again. Nothing was "
       "changed."},
      {"CD1 unwritable", DiskFolderCannotBeWrittenText("/p/Pkg/CD1/", "Not a directory"),
       "The folder /p/Pkg/CD1/, into which the run moves the rebuilt CAB files, cannot be written: "
       "Not a directory. Create the folder or make it writable, then try again. Nothing was "
       "changed."},
      {"processor folder unwritable",
       ProcessorFolderCannotBeWrittenText("/p/Pkg/SH 3 (1K) v3.00/", "SH 3 (1K) v3.00",
                                          "No such file or directory"),
       "The folder /p/Pkg/SH 3 (1K) v3.00/, into which the run copies the launcher for the "
       "processor \"SH 3 (1K) v3.00\", cannot be written: No such file or directory. Create the "
       "folder or make it writable, then try again. Nothing was changed."},
      {"file unchangeable", FileCannotBeChangedText("/p/Pkg/APP/S.exe", "deletes", "Denied."),
       "The file /p/Pkg/APP/S.exe, which the run deletes, cannot be changed: Denied. Make it "
       "writable and close any program that has it open, then try again. Nothing was changed."},
      {"restore question, one failure",
       RestoreQuestionText(1, "Move CAB", "Could not copy a to b: No space left on device",
                           "/p/Pkg/.quillet-snapshot/files"),
       "1 action of the run failed: \"Move CAB\".\r\n"
       "Could not copy a to b: No space left on device\r\n"
       "\r\n"
       "Put the package back as it was before the run?\r\n"
       "\r\n"
       "Yes puts back every file that the run changed or deleted, and removes the files it "
       "made.\r\n"
       "No keeps the package as the run left it. The files as they were before the run stay in "
       "this folder, and the next run on this package offers to put them back:\r\n"
       "/p/Pkg/.quillet-snapshot/files"},
      {"restore question, several failures, first line of the message only",
       RestoreQuestionText(4, "Run CMD", "Stopped by the user\r\nlast line of output", "F"),
       "4 actions of the run failed. The first was \"Run CMD\".\r\n"
       "Stopped by the user\r\n"
       "\r\n"
       "Put the package back as it was before the run?\r\n"
       "\r\n"
       "Yes puts back every file that the run changed or deleted, and removes the files it "
       "made.\r\n"
       "No keeps the package as the run left it. The files as they were before the run stay in "
       "this folder, and the next run on this package offers to put them back:\r\n"
       "F"},
      {"restore question, run cut short", RestoreQuestionText(0, "", "", "F").substr(0, 51),
       "The run stopped before its end.\r\n\r\nPut the package "},
      {"leftover of a run that did not finish", LeftoverQuestionText(running),
       std::string("A modification run on this package did not finish: Quillet ended while it "
                   "ran. The files as they were before that run are in this folder:\r\n"
                   "/p/Pkg/.quillet-snapshot") +
           kSep +
           "files\r\n"
           "\r\n"
           "Put the package back as it was before that run, and then make the modifications?\r\n"
           "\r\n"
           "No makes the modifications on the package as it is now, and the files in that folder "
           "are then discarded."},
      {"leftover kept by the user", LeftoverQuestionText(kept).substr(0, 166),
       std::string("An earlier modification run on this package had failed actions, and the files "
                   "as they were before that run were kept in this folder:\r\n"
                   "/p/Pkg/.quillet-snapshot") +
           kSep + "files\r\n"},
      {"leftover not put back", LeftoverRestoreFailedText(running, partly),
       std::string("Quillet could not put the package back as it was before the earlier run:\r\n"
                   "Could not put back /p/Pkg/Project1.inf: Access is denied.\r\n"
                   "Could not remove /p/Pkg/CD1/x.CAB: Permission denied\r\n"
                   "\r\n"
                   "The files as they were before that run stay in:\r\n"
                   "/p/Pkg/.quillet-snapshot") +
           kSep +
           "files\r\n"
           "\r\n"
           "The modifications were not made."},
      {"leftover unusable", LeftoverUnreadableText("/p/Pkg/.quillet-snapshot", "bad list."),
       "The package holds a snapshot of an earlier run in /p/Pkg/.quillet-snapshot that Quillet "
       "cannot use: bad list. Move that folder out of the package folder, or delete it, then try "
       "again. Nothing was changed."},
      {"snapshot not taken", SnapshotFailedText("Could not copy a to b: No space left on device"),
       "Quillet could not keep a copy of the package's files before changing them: Could not copy "
       "a to b: No space left on device. Nothing was changed."},
      {"snapshot not removed", SnapshotNotRemovedText("/p/Pkg/.quillet-snapshot", "Busy"),
       "The snapshot /p/Pkg/.quillet-snapshot could not be removed: Busy. Delete that folder, or "
       "the next run on this package offers to put it back."},
      {"restore row, one each", RestoreSummary(one_each), "1 file put back, 1 file removed"},
      {"restore row, none", RestoreSummary(RestoreResult{}), "0 files put back, 0 files removed"},
      {"restore row message", RestoreFailedMessage(partly, "F"),
       "Could not put back /p/Pkg/Project1.inf: Access is denied; Could not remove "
       "/p/Pkg/CD1/x.CAB: Permission denied. The files as they were before the run stay in F"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, c.expected) << c.name;
  EXPECT_STREQ(kRestoreAction, "Restore");
  EXPECT_STREQ(kSnapshotFolderName, ".quillet-snapshot");
}

}  // namespace
}  // namespace quillet
