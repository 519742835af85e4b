// The folder functions of the platform layer and the user's settings folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

using testing::PathOf;
using testing::Utf8Of;

class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = Utf8Of(fs::temp_directory_path()) + kPathSeparator + "quillet folders \xCE\xA9 " +
            std::to_string(random() % 1000000);
    fs::create_directories(PathOf(root_));
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(PathOf(root_), ignored);
  }
  std::string In(const std::string& name) const { return root_ + kPathSeparator + name; }
  void Put(const std::string& path) const { std::ofstream(PathOf(path)) << "x"; }

  std::string root_;
};

TEST_F(FoldersTest, CreateListAndRemove) {
  const std::string folder = In(".snap \xCE\xA9");
  EXPECT_FALSE(PathExists(folder));
  ASSERT_TRUE(CreateFolder(folder, true).ok);
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_TRUE(CreateFolder(folder).ok) << "a folder already there is fine";
#ifdef _WIN32
  const DWORD attributes = ::GetFileAttributesW(PathOf(folder).c_str());
  EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
#endif
  EXPECT_FALSE(CreateFolder(In("missing") + kPathSeparator + "child").ok);
  Put(In("file"));
  EXPECT_FALSE(CreateFolder(In("file")).ok);
  EXPECT_FALSE(FolderExists(In("file")));
  EXPECT_TRUE(PathExists(In("file")));

  Put(folder + kPathSeparator + "a \xCE\xA9.txt");
  ASSERT_TRUE(CreateFolder(folder + kPathSeparator + "sub").ok);
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListFolder(folder, entries).ok);
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "a \xCE\xA9.txt");
  EXPECT_FALSE(entries[0].is_folder);
  EXPECT_EQ(entries[1].name, "sub");
  EXPECT_TRUE(entries[1].is_folder);
  EXPECT_FALSE(ListFolder(In("missing"), entries).ok);

  EXPECT_FALSE(RemoveEmptyFolder(folder).ok) << "not empty";
  EXPECT_TRUE(FlushFolder(folder).ok);
  // The program's own files go whatever their read-only flag.
  const std::string file = folder + kPathSeparator + "a \xCE\xA9.txt";
  fs::permissions(PathOf(file), fs::perms::owner_read);
  EXPECT_TRUE(RemoveFile(file).ok);
  EXPECT_FALSE(PathExists(file));
  EXPECT_FALSE(RemoveFile(file).ok);
  EXPECT_FALSE(RemoveFile(folder + kPathSeparator + "sub").ok) << "a folder is not a file";
  EXPECT_TRUE(RemoveEmptyFolder(folder + kPathSeparator + "sub").ok);
  EXPECT_TRUE(RemoveEmptyFolder(folder).ok);
  EXPECT_FALSE(FolderExists(folder));
}

#ifndef _WIN32
TEST_F(FoldersTest, LinksAreRemovedAndListedNeverFollowed) {
  const std::string target = In("target");
  ASSERT_TRUE(CreateFolder(target).ok);
  Put(target + "/kept");
  const std::string folder = In("holder");
  ASSERT_TRUE(CreateFolder(folder).ok);
  fs::create_directory_symlink(PathOf(target), PathOf(folder + "/to-folder"));
  fs::create_symlink(PathOf(In("nowhere")), PathOf(folder + "/dangling"));
  std::vector<FolderEntry> entries;
  ASSERT_TRUE(ListFolder(folder, entries).ok);
  ASSERT_EQ(entries.size(), 2u);
  for (const FolderEntry& entry : entries) EXPECT_FALSE(entry.is_folder) << entry.name;
  EXPECT_TRUE(PathExists(folder + "/dangling"));
  EXPECT_TRUE(RemoveFile(folder + "/to-folder").ok);
  EXPECT_TRUE(RemoveFile(folder + "/dangling").ok);
  EXPECT_TRUE(fs::exists(PathOf(target + "/kept")));
}
#endif

TEST_F(FoldersTest, UserAppDataDirectoryIsAnAbsoluteFolder) {
#ifndef _WIN32
  // Set here, so that the test reads no real setting of the machine.
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_CONFIG_HOME", (root_ + "/cfg//").c_str(), 1);
  EXPECT_EQ(UserAppDataDirectory(), root_ + "/cfg");
  if (old != nullptr) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
#else
  const std::string folder = UserAppDataDirectory();
  ASSERT_GT(folder.size(), 3u);
  EXPECT_EQ(folder[1], ':');
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(FolderExists(folder)) << folder;
#endif
}

}  // namespace
}  // namespace quillet::platform
