#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/platform.h"

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

// Paths are UTF-8 inside the program; std::filesystem wants char8_t for that.
fs::path PathOf(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder + kPathSeparator + name;
}

// An error text is the OS's own sentence: present, on one line, without the line
// break that some system calls end their messages with.
void ExpectErrorText(const std::string& error) {
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
}

// A fresh folder per test, with a non-Latin character and spaces in its name as
// package folders and user profiles have them.
class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const fs::path folder =
        fs::temp_directory_path() / PathOf(std::string("quillet ") + info->name() + " \xCE\xA9 " +
                                           std::to_string(random() % 1000000));
    fs::create_directories(folder);
    folder_ = Utf8Of(folder);
  }

  void TearDown() override {
    std::error_code error;
    fs::remove_all(PathOf(folder_), error);
  }

  std::string PathIn(const std::string& name) const { return Join(folder_, name); }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(PathOf(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string folder_;
};

TEST_F(ProcessTest, CommandRunsInTheWorkingFolderAndItsExitCodeIsRead) {
  // The working folder has a space, parentheses and a non-Latin character.
  const std::string package = PathIn("Pkg (4K) \xCE\xA9");
  fs::create_directory(PathOf(package));
  int calls = 0;
  const CommandResult made = RunCommand("echo made>made.txt", package,
                                        {.while_waiting = [&calls] { return ++calls < 0; }});
  ASSERT_TRUE(made.started) << made.error;
  EXPECT_EQ(made.exit_code, 0);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(ReadFile(Join(package, "made.txt")).substr(0, 4), "made");

  // The command text reaches the interpreter whole, characters outside the code
  // page included; the folder may end in its separator, as a package folder does.
  const CommandResult named =
      RunCommand("echo made>\"made \xCE\xA9.txt\"", package + kPathSeparator,
                 {.while_waiting = [] { return false; }});
  ASSERT_TRUE(named.started) << named.error;
  EXPECT_EQ(named.exit_code, 0);
  EXPECT_EQ(ReadFile(Join(package, "made \xCE\xA9.txt")).substr(0, 4), "made");

  struct Case {
    const char* command;
    int exit_code;
  };
  const Case cases[] = {{"exit 3", 3}, {"exit 0", 0}, {"exit 255", 255}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const CommandResult result = RunCommand(c.command, package);  // no callback: plain wait
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.exit_code, c.exit_code);
  }
}

TEST_F(ProcessTest, CommandInAMissingFolderDoesNotStart) {
  const CommandResult result =
      RunCommand("echo made>made.txt", PathIn("gone"), {.while_waiting = [] { return false; }});
  EXPECT_FALSE(result.started);
  ExpectErrorText(result.error);
  EXPECT_FALSE(fs::exists(PathOf(PathIn("gone"))));
}

}  // namespace
}  // namespace quillet::platform
