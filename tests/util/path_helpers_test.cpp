#include "util/path_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace quillet {
namespace {

struct SplitCase {
  std::string path;
  std::string extension;
  std::string directory;
  std::string base_name;
};

// Windows paths, "\" as separator, and a dash in the tables meaning empty text.
const SplitCase kSplitCases[] = {
    {R"(C:\Pkg\Project1.inf)", "inf", R"(C:\Pkg\)", "Project1"},
    {R"(C:\Project1.inf)", "inf", R"(C:\)", "Project1"},
    {"Project1.inf", "inf", "", "Project1"},
    {"StubLauncher.exe", "exe", "", "StubLauncher"},
    {R"(C:\Pkg\archive.tar.gz)", "gz", R"(C:\Pkg\)", "archive.tar"},
    {R"(C:\Pkg\name.)", "", R"(C:\Pkg\)", "name."},
    {R"(C:\Pkg\)", "", R"(C:\Pkg\)", ""},
    {R"(\\server\share\f.inf)", "inf", R"(\\server\share\)", "f"},
    {".profile", "profile", "", ""},
    {"Makefile", "", "", "Makefile"},
    {"a/b/c.txt", "txt", "", "a/b/c"},
    {"", "", "", ""},
    // A "." in a folder name is no extension, so the base name always exists.
    {R"(C:\v1.0\launcher)", "", R"(C:\v1.0\)", "launcher"},
    {R"(C:\v1.0\my.stub.exe)", "exe", R"(C:\v1.0\)", "my.stub"},
};

// The same paths with "/" in place of "\" split the same way with "/" as separator.
std::string Slashed(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

TEST(PathHelpersTest, SplitsEveryPathWithBackslash) {
  for (const auto& c : kSplitCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(GetExtension(c.path, '\\'), c.extension);
    EXPECT_EQ(GetDirectory(c.path, '\\'), c.directory);
    EXPECT_EQ(GetBaseName(c.path, '\\'), c.base_name);
  }
}

TEST(PathHelpersTest, SplitsTheSlashTwinsWithSlash) {
  for (const auto& c : kSplitCases) {
    if (c.path == "a/b/c.txt") continue;  // there "/" is the separator
    SCOPED_TRACE(Slashed(c.path));
    EXPECT_EQ(GetExtension(Slashed(c.path), '/'), Slashed(c.extension));
    EXPECT_EQ(GetDirectory(Slashed(c.path), '/'), Slashed(c.directory));
    EXPECT_EQ(GetBaseName(Slashed(c.path), '/'), Slashed(c.base_name));
  }
  // Where "/" separates, "\" is an ordinary file-name character.
  EXPECT_EQ(GetBaseName(R"(/pkg/a\b.inf)", '/'), R"(a\b)");
  EXPECT_EQ(GetDirectory(R"(/pkg/a\b.inf)", '/'), "/pkg/");
}

TEST(PathHelpersTest, JoiningThePartsGivesThePathBack) {
  const std::string path = R"(C:\Pkg\Project1.inf)";
  EXPECT_EQ(GetDirectory(path, '\\') + GetBaseName(path, '\\') + "." + GetExtension(path, '\\'),
            path);
}

struct TrailingCase {
  std::string path;
  std::string ensured;
  std::string stripped;
};

const TrailingCase kTrailingCases[] = {
    {R"(C:\Tools)", R"(C:\Tools\)", R"(C:\Tools)"},
    {R"(C:\Tools\)", R"(C:\Tools\)", R"(C:\Tools)"},
    {R"(C:\)", R"(C:\)", "C:"},
    {R"(\)", R"(\)", ""},
    {R"(C:\a\\)", R"(C:\a\\)", R"(C:\a\)"},
    {"", R"(\)", ""},
};

TEST(PathHelpersTest, AddsAndStripsOneTrailingSeparator) {
  for (const auto& c : kTrailingCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(EnsureTrailingBackslash(c.path, '\\'), c.ensured);
    EXPECT_EQ(StripTrailingBackslash(c.path, '\\'), c.stripped);
    EXPECT_EQ(EnsureTrailingBackslash(Slashed(c.path), '/'), Slashed(c.ensured));
    EXPECT_EQ(StripTrailingBackslash(Slashed(c.path), '/'), Slashed(c.stripped));
  }
}

TEST(PathHelpersTest, NoPathIsTooLong) {
  // Positions are not limited to 16 bits: a separator and a dot far past 32767.
  const std::string folder = "C:\\" + std::string(40000, 'x') + "\\";
  const std::string path = folder + "name.inf";
  EXPECT_EQ(GetDirectory(path, '\\'), folder);
  EXPECT_EQ(GetExtension(path, '\\'), "inf");
  EXPECT_EQ(GetBaseName(path, '\\'), "name");
}

TEST(PathHelpersTest, DefaultSeparatorIsThePlatforms) {
  const std::string sep(1, platform::kPathSeparator);
  const std::string path = "root" + sep + "pkg" + sep + "MyApp.inf";
  EXPECT_EQ(GetDirectory(path), "root" + sep + "pkg" + sep);
  EXPECT_EQ(EnsureTrailingBackslash("root"), "root" + sep);
}

}  // namespace
}  // namespace quillet
