// What the file tests share: UTF-8 paths for std::filesystem, and a fresh
// folder per test whose name has spaces and a non-Latin character, as package
// folders ("Mips 4000 (4K) v3.00") and user profiles have them.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/platform.h"

namespace quillet::testing {

// Paths are UTF-8 inside the program; std::filesystem wants char8_t for that.
inline std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

inline std::string Join(const std::string& folder, const std::string& name) {
  return folder + platform::kPathSeparator + name;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         PathOf(std::string("quillet ") + info->name() +
                                                " \xCE\xA9 " + std::to_string(random() % 1000000));
    std::filesystem::create_directories(folder);
    folder_ = Utf8Of(folder);
  }

  void TearDown() override {
    // Read-only files would stop the clean-up on Windows.
    std::error_code error;
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator(PathOf(folder_), error)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, error);
    }
    std::filesystem::remove_all(PathOf(folder_), error);
  }

  std::string PathIn(const std::string& name) const { return Join(folder_, name); }

  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
  }

  std::string folder_;
};

}  // namespace quillet::testing
