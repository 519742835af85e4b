#include "package/package_inspection.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace quillet {
namespace {

namespace fs = std::filesystem;

class PackageInspectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("quillet-inspection-" + std::to_string(random()));
    fs::create_directories(folder_);
    InitProcessorNames(state_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string WriteInf(const std::string& name, const std::string& text) {
    const fs::path path = folder_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  fs::path folder_;
  ToolState state_;
};

// The common part every test INF shares: sections that must not count.
constexpr const char* kCommonSections =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
    "[DefaultInstall]\r\nCEShortcuts=Shortcuts\r\n"
    "[SourceDisksFiles]\r\nProject1.vb=1\r\nStub.exe=1\r\n";

TEST_F(PackageInspectionTest, ProcessorSectionsDecideRowsAndFlags) {
  struct Case {
    const char* name;
    std::string sections;
    std::array<bool, 3> rows;
    std::array<bool, 5> present;  // slot 0 never set
  };
  const Case cases[] = {
      {"no processor section at all", "", {false, false, false}, {}},
      {"arm 720T alone enables the ARM row and slot 4 only",
       "[SourceDisksFiles.Arm 720T (4K) v3.00]\r\nStub.exe=4\r\n",
       {false, false, true},
       {false, false, false, false, true}},
      {"both ARM sections share one row",
       "[SourceDisksFiles.Arm 1100 (4K) v3.00]\r\na=3\r\n"
       "[SourceDisksFiles.Arm 720T (4K) v3.00]\r\na=4\r\n",
       {false, false, true},
       {false, false, false, true, true}},
      {"an SH3 section without keys does not count",
       "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\na=2\r\n"
       "[SourceDisksFiles.SH 3 (1K) v3.00]\r\n; no files\r\n\r\n",
       {true, false, false},
       {false, true, false, false, false}},
      {"lines without = are no keys",
       "[SourceDisksFiles.SH 3 (1K) v3.00]\r\n%AppName%,0,\"Stub.exe\"\r\n",
       {false, false, false},
       {}},
      {"a key with an empty value counts",
       "[SourceDisksFiles.SH 3 (1K) v3.00]\r\nStub.exe=\r\n",
       {false, true, false},
       {false, false, true, false, false}},
      {"section names match without regard to case",
       "[sourcedisksfiles.MIPS 4000 (4k) V3.00]\r\na=2\r\n",
       {true, false, false},
       {false, true, false, false, false}},
      {"all four",
       "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\na=2\r\n"
       "[SourceDisksFiles.SH 3 (1K) v3.00]\r\na=3\r\n"
       "[SourceDisksFiles.Arm 1100 (4K) v3.00]\r\na=4\r\n"
       "[SourceDisksFiles.Arm 720T (4K) v3.00]\r\na=5\r\n",
       {true, true, true},
       {false, true, true, true, true}},
      {"a near name does not count",
       "[SourceDisksFiles.Mips 4000 (4K) v3.0]\r\na=2\r\n"
       "[SourceDisksFiles.SH3 (1K) v3.00]\r\na=3\r\n",
       {false, false, false},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string inf = WriteInf("Project1.inf", kCommonSections + c.sections);
    // Flags left over from an earlier package must not survive.
    state_.ProcessorPresent = {true, true, true, true, true};
    EXPECT_EQ(DetectProcessors(state_, inf), c.rows);
    for (int slot = 1; slot <= 4; ++slot) {
      EXPECT_EQ(state_.ProcessorPresent[slot], c.present[slot]) << "slot " << slot;
    }
  }
}

TEST_F(PackageInspectionTest, MissingOrUnreadableInfTargetsNothing) {
  for (const std::string& path :
       {std::string(), (folder_ / "missing.inf").string(), folder_.string()}) {
    SCOPED_TRACE(path);
    state_.ProcessorPresent = {false, true, true, true, true};
    EXPECT_EQ(DetectProcessors(state_, path), (std::array<bool, 3>{}));
    EXPECT_EQ(state_.ProcessorPresent, (std::array<bool, 5>{}));
  }
}

TEST_F(PackageInspectionTest, SamePackageTwiceGivesTheSameResult) {
  const std::string inf =
      WriteInf("Project1.inf", std::string(kCommonSections) +
                                   "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\na=2\r\n"
                                   "[SourceDisksFiles.Arm 1100 (4K) v3.00]\r\na=3\r\n");
  const auto first_rows = DetectProcessors(state_, inf);
  const auto first_flags = state_.ProcessorPresent;
  EXPECT_EQ(DetectProcessors(state_, inf), first_rows);
  EXPECT_EQ(state_.ProcessorPresent, first_flags);
  EXPECT_EQ(first_rows, (std::array<bool, 3>{true, false, true}));
}

TEST(IsReadyToModifyTest, InfBoxAndEnabledLauncherBoxesMustHoldText) {
  struct Case {
    const char* name;
    std::string inf;
    std::array<LauncherRowInput, 3> rows;
    bool ready;
  };
  const LauncherRowInput off{false, ""};
  const Case cases[] = {
      {"nothing chosen", "", {off, off, off}, false},
      {"INF alone, no processor present", "C:\\Pkg\\a.inf", {off, off, off}, true},
      {"INF box of spaces counts as filled", "  ", {off, off, off}, true},
      {"empty INF box wins over filled launchers", "", {{{true, "m"}, {true, "s"}, off}}, false},
      {"SH3 launcher still missing", "a.inf", {{{true, "C:\\m.exe"}, {true, ""}, off}}, false},
      {"both launchers there", "a.inf", {{{true, "C:\\m.exe"}, {true, "C:\\s.exe"}, off}}, true},
      {"launcher box of one space counts", "a.inf", {{off, off, {true, " "}}}, true},
      {"disabled empty rows are ignored", "a.inf", {{off, off, {true, "arm.exe"}}}, true},
      {"disabled filled row does not help", "a.inf", {{{false, "m"}, off, {true, ""}}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsReadyToModify(c.inf, c.rows), c.ready);
  }
}

TEST(RememberedFolderTest, FoldersKeptForChosenFilesAndHandedToTheDialog) {
  struct Case {
    std::string path;
    char separator;
    std::string inf_folder;       // without trailing separator
    std::string launcher_folder;  // with trailing separator
  };
  const Case cases[] = {
      {"C:\\Pkg\\Project1.inf", '\\', "C:\\Pkg", "C:\\Pkg\\"},
      {"C:\\Project1.inf", '\\', "C:", "C:\\"},
      {"\\\\srv\\share\\a.inf", '\\', "\\\\srv\\share", "\\\\srv\\share\\"},
      {"/home/dev/Pkg/Project1.inf", '/', "/home/dev/Pkg", "/home/dev/Pkg/"},
      {"/Project1.inf", '/', "/", "/"},
      {"Project1.inf", '/', "", ""},
      {"", '/', "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(InfFolderToRemember(c.path, c.separator), c.inf_folder);
    EXPECT_EQ(LauncherFolderToRemember(c.path, c.separator), c.launcher_folder);
  }

  struct DialogCase {
    std::string remembered;
    char separator;
    std::optional<std::string> folder;
  };
  const DialogCase dialog_cases[] = {
      {"", '\\', std::nullopt},
      {"C:\\Pkg", '\\', "C:\\Pkg"},
      {"C:\\Stubs\\Mips\\", '\\', "C:\\Stubs\\Mips"},
      {"C:", '\\', "C:\\"},
      {"C:\\", '\\', "C:\\"},
      {"/", '/', "/"},
      {"/home/dev/", '/', "/home/dev"},
  };
  for (const DialogCase& c : dialog_cases) {
    SCOPED_TRACE(c.remembered);
    EXPECT_EQ(DialogFolder(c.remembered, c.separator), c.folder);
  }
}

}  // namespace
}  // namespace quillet
