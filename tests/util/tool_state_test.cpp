#include "util/tool_state.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "profile/profile_file.h"

#ifndef _WIN32
#include <unistd.h>

#include <cstdlib>
#include <optional>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;

class ToolStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("quillet-state-" + std::to_string(random()));
    user_folder_ = folder_ / "config" / "Quillet";
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
  // Started with the program in folder_ and, unless `with_user_folder` is
  // false, the user's settings folder user_folder_ (whose parent is missing at
  // first, as a fresh ~/.config is). Tests never touch the real user folder.
  ToolState Started(bool with_user_folder = true) const {
    ToolState state;
    InitToolState(state, folder_.string(), with_user_folder ? user_folder_.string() : "");
    return state;
  }

  fs::path folder_;
  fs::path user_folder_ = folder_ / "config" / "Quillet";
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
  // A new file is UTF-8 with its mark, the section on the line after it.
  EXPECT_EQ(SettingsBytes(),
            "\xEF\xBB\xBF\r\n[LastDirs]\r\n1=C:\\Pkg\r\n2=C:\\Stubs\\Mips\\\r\n3=\r\n4=\r\n");
  EXPECT_FALSE(fs::exists(user_folder_)) << "a writable program folder keeps the file";
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

  // A read-only file, and no user folder to turn to: the next run starts with
  // what the file held before.
  PutSettings("[LastDirs]\r\n1=C:\\Before\r\n");
  fs::permissions(settings_, fs::perms::owner_read);
  state = Started(false);
  state.LastInfDir = "C:\\After";
  SaveLastDirs(state);
  EXPECT_EQ(Started(false).LastInfDir, "C:\\Before");

  // A program folder that has gone away, and no user folder.
  ToolState lost;
  InitToolState(lost, (folder_ / "gone").string(), "");
  lost.LastInfDir = "x";
  SaveLastDirs(lost);
  EXPECT_FALSE(fs::exists(folder_ / "gone"));
}

TEST_F(ToolStateTest, AnyFolderNameSurvivesAndFilesKeepTheirEncoding) {
  const std::string omega_folder = "C:\\Pkg \xCE\xA9";  // "C:\Pkg Ω"
  const std::string cafe_folder = "C:\\Caf\xC3\xA9\\";  // "C:\Café\"
  const struct {
    const char* name;
    std::string file;         // empty: no file yet
    std::string folder;       // saved as key "1", read back the same
    std::string starts_with;  // of the bytes after saving
    std::string holds;        // some bytes the saved file holds
  } cases[] = {
      {"new file: UTF-8 with its mark", "", omega_folder, "\xEF\xBB\xBF\r\n[LastDirs]\r\n",
       "1=C:\\Pkg \xCE\xA9\r\n"},
      {"existing ANSI file stays ANSI", "[LastDirs]\r\n2=C:\\Old\r\n", cafe_folder,
       "[LastDirs]\r\n2=", "1=C:\\Caf\xE9\\\r\n"},
      {"existing UTF-8 file stays UTF-8", "\xEF\xBB\xBF[LastDirs]\n", omega_folder,
       "\xEF\xBB\xBF[LastDirs]\n1=", "1=C:\\Pkg \xCE\xA9\n"},
      {"existing UTF-16 file stays UTF-16", std::string("\xFF\xFE[\0L\0]\0\r\0\n\0", 12),
       omega_folder, std::string("\xFF\xFE[\0L\0]\0", 8),
       std::string("P\0k\0g\0 \0\xA9\x03\r\0\n\0", 14)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ignored;
    fs::remove(settings_, ignored);
    if (!c.file.empty()) PutSettings(c.file);
    ToolState state = Started();
    state.LastInfDir = c.folder;
    SaveLastDirs(state);
    const std::string bytes = SettingsBytes();
    EXPECT_EQ(bytes.substr(0, c.starts_with.size()), c.starts_with);
    EXPECT_NE(bytes.find(c.holds), std::string::npos);
    EXPECT_EQ(Started().LastInfDir, c.folder);
    // Saving again with nothing changed leaves the file as it was.
    SaveLastDirs(Started());
    EXPECT_EQ(SettingsBytes(), bytes);
  }
}

TEST_F(ToolStateTest, SettingsBesideTheProgramUnlessOnlyTheUserFolderCanTakeThem) {
  const std::string user_settings = (user_folder_ / kSettingsFileName).string();
  const std::string user_bytes = "[LastDirs]\r\n1=/from/user\r\n";
  const std::string program_bytes = "[LastDirs]\r\n1=/from/program\r\n2=/m/\r\n";
  const struct {
    const char* name;
    bool program_file;       // Davure.ini beside the program at start
    bool program_read_only;  // ... and read-only
    bool user_file;          // Davure.ini in the user's folder at start
    bool program_folder_gone;
    bool saved_in_user_folder;
    std::string first_folder;  // LastInfDir at start
  } cases[] = {
      {"writable program folder", true, false, false, false, false, "/from/program"},
      {"no file anywhere", false, false, false, false, false, ""},
      {"the user's file is read first", true, false, true, false, true, "/from/user"},
      {"read-only program file: read it, save to the user folder", true, true, false, false, true,
       "/from/program"},
      {"program folder gone", false, false, false, true, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::error_code ignored;
    fs::permissions(settings_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove(settings_, ignored);
    fs::remove_all(folder_ / "config", ignored);
    if (c.program_file) PutSettings(program_bytes);
    if (c.program_read_only) fs::permissions(settings_, fs::perms::owner_read);
    if (c.user_file) {
      fs::create_directories(user_folder_);
      std::ofstream(user_settings, std::ios::binary) << user_bytes;
    }
    const fs::path program_folder = c.program_folder_gone ? folder_ / "gone" : folder_;

    ToolState state;
    InitToolState(state, program_folder.string(), user_folder_.string());
    EXPECT_EQ(state.LastInfDir, c.first_folder);
    EXPECT_EQ(state.SettingsInUserFolder, c.saved_in_user_folder);
    EXPECT_EQ(state.SettingsPath,
              c.saved_in_user_folder
                  ? user_settings
                  : program_folder.string() + platform::kPathSeparator + kSettingsFileName);
    state.LastInfDir = "/chosen";
    SaveLastDirs(state);

    if (c.saved_in_user_folder) {
      EXPECT_EQ(ReadIniValue(user_settings, kLastDirsSection, "1"), "/chosen");
      // The program's file, if any, is left exactly as it was.
      if (c.program_file) {
        EXPECT_EQ(SettingsBytes(), program_bytes);
      }
    } else {
      EXPECT_EQ(ReadIniValue(settings_, kLastDirsSection, "1"), "/chosen");
      EXPECT_FALSE(fs::exists(user_folder_)) << "nothing is made in the user's folder";
    }
    EXPECT_FALSE(fs::exists(folder_ / "gone"));
    ToolState next;
    InitToolState(next, program_folder.string(), user_folder_.string());
    EXPECT_EQ(next.LastInfDir, "/chosen");
    EXPECT_EQ(next.LastMipsDir, c.program_file && !c.user_file ? "/m/" : "");
  }
}

#ifndef _WIN32
// Sets an environment variable for the scope of a test and puts it back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(ToolStateTest, UserSettingsFolderFollowsXdgRules) {
  const std::string home = folder_.string() + "/home";
  const std::string config = folder_.string() + "/xdg";
  const std::string config_slash = config + "/";
  const struct {
    const char* xdg;  // nullptr: unset
    std::string expected;
  } cases[] = {
      {config.c_str(), config + "/Quillet"},
      {config_slash.c_str(), config + "/Quillet"},
      {"relative/config", home + "/.config/Quillet"},  // relative: ignored
      {"", home + "/.config/Quillet"},
      {nullptr, home + "/.config/Quillet"},
  };
  ScopedEnv home_env("HOME", home.c_str());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xdg == nullptr ? "unset" : c.xdg);
    ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
    EXPECT_EQ(UserSettingsDirectory(), c.expected);
  }

  // Through the real look-up: a read-only Davure.ini beside the program sends
  // the folders to $XDG_CONFIG_HOME/Quillet, which is made (with its parent).
  const std::string deeper = config + "/sub";
  ScopedEnv xdg("XDG_CONFIG_HOME", deeper.c_str());
  PutSettings("[LastDirs]\r\n1=/before\r\n");
  fs::permissions(settings_, fs::perms::owner_read);
  ToolState state;
  InitToolState(state, folder_.string());
  EXPECT_EQ(state.LastInfDir, "/before");
  state.LastInfDir = "/after";
  SaveLastDirs(state);
  EXPECT_EQ(ReadIniValue(config + "/sub/Quillet/Davure.ini", kLastDirsSection, "1"), "/after");
}
#else
TEST_F(ToolStateTest, UserSettingsFolderIsInTheApplicationDataFolder) {
  // Under Wine this is the test prefix's own profile; on a real machine the
  // test leaves an existing settings file alone.
  const std::string folder = UserSettingsDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.substr(folder.size() - 8), "\\Quillet");
  const std::string app_data = folder.substr(0, folder.size() - 8);
  EXPECT_TRUE(fs::is_directory(fs::u8path(app_data))) << app_data;
  const fs::path user_settings = fs::u8path(folder) / kSettingsFileName;
  if (fs::exists(user_settings)) GTEST_SKIP() << "a real settings file is there";
  const bool folder_was_there = fs::exists(fs::u8path(folder));

  PutSettings("[LastDirs]\r\n1=C:\\Before\r\n");
  fs::permissions(settings_, fs::perms::owner_read);  // the read-only attribute
  ToolState state;
  InitToolState(state, folder_.string());
  EXPECT_EQ(state.SettingsPath, user_settings.string());
  EXPECT_EQ(state.LastInfDir, "C:\\Before");
  state.LastInfDir = "C:\\After \xCE\xA9";
  SaveLastDirs(state);
  ToolState next;
  InitToolState(next, folder_.string());
  EXPECT_EQ(next.LastInfDir, "C:\\After \xCE\xA9");

  std::error_code ignored;
  fs::remove(user_settings, ignored);
  if (!folder_was_there) fs::remove(fs::u8path(folder), ignored);
  fs::permissions(settings_, fs::perms::owner_all, fs::perm_options::add, ignored);
}
#endif

}  // namespace
}  // namespace quillet
