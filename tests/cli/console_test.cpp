#include "cli/console.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;

std::string CurrentFolder() {
  const std::u8string text = fs::current_path().u8string();
  return std::string(text.begin(), text.end());
}

TEST(ConsoleTest, AbsolutePaths) {
  const std::string here = CurrentFolder();
  struct Case {
    std::string given;
    std::string absolute;
  };
#ifdef _WIN32
  const std::string drive = here.substr(0, 2);
  const Case cases[] = {
      {"C:\\Pkg\\Project1.inf", "C:\\Pkg\\Project1.inf"},
      // Windows' own reading: "/" is a separator, "." and ".." resolved.
      {"C:/Pkg/./sub/../Project1.inf", "C:\\Pkg\\Project1.inf"},
      {"\\\\server\\share\\Pkg\\a.inf", "\\\\server\\share\\Pkg\\a.inf"},
      {"a.inf", here + (here.back() == '\\' ? "" : "\\") + "a.inf"},
      {"\\Pkg\\a.inf", drive + "\\Pkg\\a.inf"},
  };
#else
  const Case cases[] = {
      {"/pkg/Project1.inf", "/pkg/Project1.inf"},
      {"/pkg/./x//Project1.inf", "/pkg/x/Project1.inf"},
      // ".." stays: a link may stand before it.
      {"/pkg/link/../Project1.inf", "/pkg/link/../Project1.inf"},
      {"a.inf", here + "/a.inf"},
      {"./sub/a b.inf", here + "/sub/a b.inf"},
      {"sub/", here + "/sub/"},
      {"/", "/"},
      {"\\not\\a\\separator.inf", here + "/\\not\\a\\separator.inf"},
  };
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    EXPECT_EQ(AbsolutePath(c.given), c.absolute);
  }
}

}  // namespace
}  // namespace quillet::cli
