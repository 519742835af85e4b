// Where Davure.ini goes: beside the program when that folder can be written,
// the user's application-data folder otherwise, and that folder first
// whenever the file is already there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "win32/settings_location.h"
#include "win32/wide_text.h"

namespace quillet::win32::testing {
namespace {

namespace fs = std::filesystem;

class SettingsLocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ =
        fs::temp_directory_path() / ("quillet-settings-" + std::to_string(::GetCurrentProcessId()) +
                                     "-" + std::to_string(::GetTickCount()));
    fs::create_directories(root_ / "program");
    fs::create_directories(root_ / "appdata");
    program_ = root_ / "program";
    user_ = root_ / "appdata" / "Quillet";
  }
  void TearDown() override {
    const fs::path read_only = program_ / "Davure.ini";
    if (fs::exists(read_only)) ::SetFileAttributesW(read_only.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(root_);
  }

  static void Write(const fs::path& file) { std::ofstream(file) << "[LastDirs]\r\n1=C:\\Pkg\r\n"; }

  std::string Folder() { return SettingsFolder(program_.string(), user_.string()); }

  fs::path root_;
  fs::path program_;
  fs::path user_;
};

TEST_F(SettingsLocationTest, BesideTheProgramWhenThatFolderCanBeWritten) {
  EXPECT_EQ(Folder(), program_.string());
  Write(program_ / "Davure.ini");
  EXPECT_EQ(Folder(), program_.string());
  EXPECT_FALSE(fs::exists(user_));  // nothing made where it is not needed
}

TEST_F(SettingsLocationTest, InTheUsersFolderWhenTheProgramsCannotBeWritten) {
  Write(program_ / "Davure.ini");
  ::SetFileAttributesW((program_ / "Davure.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(Folder(), user_.string());
  EXPECT_TRUE(fs::is_directory(user_));  // made, ready for the file
  // A folder that does not exist cannot be written either.
  EXPECT_EQ(SettingsFolder((root_ / "gone").string(), user_.string()), user_.string());
}

TEST_F(SettingsLocationTest, TheUsersFileIsReadFirstOnceItIsThere) {
  fs::create_directories(user_);
  Write(user_ / "Davure.ini");
  Write(program_ / "Davure.ini");
  EXPECT_EQ(Folder(), user_.string());
}

TEST_F(SettingsLocationTest, WithoutAUserFolderTheProgramsIsKept) {
  EXPECT_EQ(SettingsFolder(program_.string(), ""), program_.string());
  const std::string user = UserSettingsFolder();
  EXPECT_FALSE(user.empty());
  EXPECT_EQ(user.substr(user.size() - 8), "\\Quillet");
}

}  // namespace
}  // namespace quillet::win32::testing
