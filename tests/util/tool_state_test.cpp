#include "util/tool_state.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/platform.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;

class ToolStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("quillet-state-" + std::to_string(random()));
    fs::create_directories(folder_);
    settings_ = (folder_ / kSettingsFileName).string();
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void PutSettings(const std::string& bytes) const {
    std::ofstream(settings_, std::ios::binary) << bytes;
  }
  std::string SettingsBytes() const {
    std::ifstream in(settings_, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  ToolState Started() const {
    ToolState state;
    InitToolState(state, folder_.string());
    return state;
  }

  fs::path folder_;
  std::string settings_;
};

TEST_F(ToolStateTest, FirstRunWithoutSettingsFile) {
  const ToolState state = Started();
  EXPECT_EQ(state.SettingsPath, folder_.string() + platform::kPathSeparator + "Davure.ini");
  EXPECT_EQ(state.ShortcutSectionName, "QuilletShortcut");
  EXPECT_EQ(state.ProcessorNames[0], "");
  EXPECT_EQ(state.ProcessorNames[1], "Mips 4000 (4K) v3.00");
  EXPECT_EQ(state.ProcessorNames[2], "SH 3 (1K) v3.00");
  EXPECT_EQ(state.ProcessorNames[3], "Arm 1100 (4K) v3.00");
  EXPECT_EQ(state.ProcessorNames[4], "Arm 720T (4K) v3.00");
  for (const std::string* folder :
       {&state.LastInfDir, &state.LastMipsDir, &state.LastSh3Dir, &state.LastArmDir}) {
    EXPECT_EQ(*folder, "");
  }
  for (const bool present : state.ProcessorPresent) EXPECT_FALSE(present);
  EXPECT_FALSE(fs::exists(settings_)) << "starting writes nothing";

  // The first close creates the file with all four keys, unused rows empty.
  ToolState closing = state;
  closing.LastInfDir = "C:\\Pkg";
  closing.LastMipsDir = "C:\\Stubs\\Mips\\";
  SaveLastDirs(closing);
  EXPECT_EQ(SettingsBytes(), "[LastDirs]\r\n1=C:\\Pkg\r\n2=C:\\Stubs\\Mips\\\r\n3=\r\n4=\r\n");
  const ToolState next = Started();
  EXPECT_EQ(next.LastInfDir, "C:\\Pkg");
  EXPECT_EQ(next.LastMipsDir, "C:\\Stubs\\Mips\\");
  EXPECT_EQ(next.LastSh3Dir, "");
  EXPECT_EQ(next.LastArmDir, "");
}

TEST_F(ToolStateTest, LoadsWhatTheFileHolds) {
  const struct {
    const char* name;
    std::string file;
    std::array<std::string, 4> expected;
  } cases[] = {
      {"all four keys, a hand-written trailing backslash on key 1 kept",
       "[LastDirs]\r\n1=C:\\Pkg\\\r\n2=C:\\M\\\r\n3=C:\\S\\\r\n4=C:\\A\\\r\n",
       {"C:\\Pkg\\", "C:\\M\\", "C:\\S\\", "C:\\A\\"}},
      {"missing keys read empty", "[LastDirs]\n3=/stubs/sh3/\n", {"", "", "/stubs/sh3/", ""}},
      {"no LastDirs section", "[Other]\r\n1=x\r\n", {"", "", "", ""}},
      {"section and keys without regard to case, blanks around",
       "  [lastdirs]\r\n 1 = /pkg \r\n",
       {"/pkg", "", "", ""}},
  };
  for (const auto& c : cases) {
    PutSettings(c.file);
    const ToolState state = Started();
    EXPECT_EQ(state.LastInfDir, c.expected[0]) << c.name;
    EXPECT_EQ(state.LastMipsDir, c.expected[1]) << c.name;
    EXPECT_EQ(state.LastSh3Dir, c.expected[2]) << c.name;
    EXPECT_EQ(state.LastArmDir, c.expected[3]) << c.name;
  }
}

TEST_F(ToolStateTest, SavesAllFourKeysEveryTimeAndKeepsTheRestOfTheFile) {
  PutSettings(
      "; my notes\r\n[LastDirs]\r\n2=C:\\Stubs\\Old\\\r\n3=C:\\Sh3\\\r\n[Other]\r\nx=1\r\n");
  ToolState state = Started();
  state.LastInfDir = "C:\\Pkg";
  state.LastMipsDir = "C:\\Stubs\\Mips\\";
  SaveLastDirs(state);
  EXPECT_EQ(SettingsBytes(),
            "; my notes\r\n[LastDirs]\r\n2=C:\\Stubs\\Mips\\\r\n3=C:\\Sh3\\\r\n1=C:\\Pkg\r\n4=\r\n"
            "[Other]\r\nx=1\r\n");

  // Emptied folders are written as empty keys, not left out.
  state.LastSh3Dir.clear();
  SaveLastDirs(state);
  EXPECT_EQ(Started().LastSh3Dir, "");
  EXPECT_NE(SettingsBytes().find("\r\n3=\r\n"), std::string::npos);
}

TEST_F(ToolStateTest, SettingsFileThatCannotBeUsedIsIgnored) {
  // A folder where the file should be: nothing is read, saving fails quietly.
  fs::create_directory(settings_);
  ToolState state = Started();
  EXPECT_EQ(state.LastInfDir, "");
  state.LastInfDir = "C:\\Pkg";
  SaveLastDirs(state);
  EXPECT_TRUE(fs::is_directory(settings_));
  fs::remove(settings_);

  // A read-only file: the next run starts with what the file held before.
  PutSettings("[LastDirs]\r\n1=C:\\Before\r\n");
  fs::permissions(settings_, fs::perms::owner_read);
  state = Started();
  state.LastInfDir = "C:\\After";
  SaveLastDirs(state);
  EXPECT_EQ(Started().LastInfDir, "C:\\Before");

  // A program folder that has gone away.
  ToolState lost;
  InitToolState(lost, (folder_ / "gone").string());
  lost.LastInfDir = "x";
  SaveLastDirs(lost);
  EXPECT_FALSE(fs::exists(folder_ / "gone"));
}

}  // namespace
}  // namespace quillet
