// Shared helpers of the modification-run tests: a fresh temporary folder per
// test, file contents in and out as bytes, and row checks.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "status/status_log.h"
#include "util/tool_state.h"

namespace quillet::run_test {

namespace fs = std::filesystem;

inline constexpr char kSep = platform::kPathSeparator;

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(fs::u8path(path), std::ios::binary);
  out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void MakeReadOnly(const std::string& path) {
  fs::permissions(fs::u8path(path),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

// Everything in a folder, hidden entries included: each path (relative, with
// "/") mapped to "folder", or to the file's bytes with "[read-only]" in front
// when it has no write permission. Two equal trees hold the same bytes.
inline std::map<std::string, std::string> TreeOf(const std::string& folder) {
  std::map<std::string, std::string> tree;
  const fs::path root = fs::u8path(folder);
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::u8string relative = fs::relative(entry.path(), root).generic_u8string();
    const std::string key(relative.begin(), relative.end());
    if (entry.is_directory()) {
      tree[key] = "folder";
      continue;
    }
    const bool writable =
        (entry.status().permissions() & fs::perms::owner_write) != fs::perms::none;
    std::ifstream in(entry.path(), std::ios::binary);
    tree[key] = (writable ? "" : "[read-only]") +
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return tree;
}

// Checks a failure message: `prefix` followed by the OS's reason, which is
// strerror's text on POSIX systems (Windows words it its own way).
inline void ExpectFailureText(const std::string& message, const std::string& prefix,
                              const std::string& posix_reason) {
#ifdef _WIN32
  EXPECT_EQ(message.substr(0, prefix.size()), prefix);
  EXPECT_GT(message.size(), prefix.size());
  (void)posix_reason;
#else
  EXPECT_EQ(message, prefix + posix_reason);
#endif
}

// What a test expects of one row.
struct ExpectedRow {
  std::string action;
  std::string value1;
  std::string value2;
  int status;
};

inline void ExpectRows(const StatusLog& log, const std::vector<ExpectedRow>& expected) {
  const auto& rows = log.Rows();
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1) + " " + rows[i].action + " / " + rows[i].message);
    EXPECT_EQ(rows[i].action, expected[i].action);
    EXPECT_EQ(rows[i].value1, expected[i].value1);
    EXPECT_EQ(rows[i].value2, expected[i].value2);
    EXPECT_EQ(rows[i].colour, StatusColour(expected[i].status));
  }
}

// A fresh folder for each test; `Dir()` ends in the platform's separator.
class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = fs::temp_directory_path() /
            ("quillet-run-" + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(root_);
    InitProcessorNames(state_);
    state_.ShortcutSectionName = "QuilletShortcut";
  }

  void TearDown() override {
    std::error_code ignored;
    // Read-only files inside are removed with the folder; a read-only folder is not.
    for (const auto& entry : fs::recursive_directory_iterator(root_, ignored)) {
      if (entry.is_directory(ignored)) {
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
      }
    }
    fs::remove_all(root_, ignored);
  }

  std::string Dir() const { return root_.string() + kSep; }

  // Creates the folder (relative to Dir()) and returns it with a trailing separator.
  std::string MakeFolder(const std::string& relative) const {
    fs::create_directories(fs::u8path(Dir() + relative));
    return Dir() + relative + kSep;
  }

  fs::path root_;
  ToolState state_;
};

}  // namespace quillet::run_test
