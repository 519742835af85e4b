#include "cli/unified_diff.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Applies a unified diff as patch does, strictly: every context and removed
// line must match. Returns the new text, or "<failed: why>".
std::string ApplyDiff(const std::string& original, const std::string& diff) {
  const std::vector<std::string_view> source = SplitLinesKeepingEnds(original);
  const std::vector<std::string_view> lines = SplitLinesKeepingEnds(diff);
  std::string out;
  std::size_t next = 0;  // the next source line not yet copied
  std::size_t i = 2;     // after the two header lines
  while (i < lines.size()) {
    const std::string header(lines[i]);
    long old_start = 0;
    if (std::sscanf(header.c_str(), "@@ -%ld", &old_start) != 1) return "<failed: " + header + ">";
    const bool empty_range =
        header.find(",0 ") != std::string::npos && header.find(",0 ") < header.find(" +");
    const std::size_t first = static_cast<std::size_t>(empty_range ? old_start : old_start - 1);
    if (first < next || first > source.size()) return "<failed: hunk out of order>";
    for (; next < first; ++next) out += source[next];
    ++i;
    while (i < lines.size() && lines[i].substr(0, 2) != "@@") {
      std::string line(lines[i].substr(1));
      const char kind = lines[i][0];
      ++i;
      if (i < lines.size() && lines[i].substr(0, 2) == "\\ ") {
        line.pop_back();  // the "\n" the diff added
        ++i;
      }
      if (kind == '+') {
        out += line;
        continue;
      }
      if (next >= source.size() || source[next] != line) return "<failed: mismatch>";
      if (kind == ' ') out += line;
      ++next;
    }
  }
  for (; next < source.size(); ++next) out += source[next];
  return out;
}

TEST(UnifiedDiffTest, SplitKeepsEveryByte) {
  const std::vector<std::string_view> lines = SplitLinesKeepingEnds("a\r\nb\nc\rd\r\n\ne");
  const std::vector<std::string_view> expected = {"a\r\n", "b\n", "c\rd\r\n", "\n", "e"};
  EXPECT_EQ(lines, expected);
  EXPECT_TRUE(SplitLinesKeepingEnds("").empty());
}

TEST(UnifiedDiffTest, ExactOutput) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;
    std::string diff;
  };
  const Case cases[] = {
      {"equal", "a\nb\n", "a\nb\n", ""},
      {"one line changed, CR LF kept", "a\r\nb\r\nc\r\n", "a\r\nB\r\nc\r\n",
       "--- f.inf\n+++ f.inf\n@@ -1,3 +1,3 @@\n a\r\n-b\r\n+B\r\n c\r\n"},
      {"added at the end of a file without a final line end", "a\nb", "a\nb\nc\n",
       "--- f.inf\n+++ f.inf\n@@ -1,2 +1,3 @@\n a\n-b\n\\ No newline at end of file\n+b\n+c\n"},
      {"last line changed, neither with a line end", "a\nb", "a\nc",
       "--- f.inf\n+++ f.inf\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n"
       "+c\n\\ No newline at end of file\n"},
      {"into an empty file", "", "x\n", "--- f.inf\n+++ f.inf\n@@ -0,0 +1 @@\n+x\n"},
      {"everything removed", "x\ny\n", "", "--- f.inf\n+++ f.inf\n@@ -1,2 +0,0 @@\n-x\n-y\n"},
      {"added first", "b\n", "a\nb\n", "--- f.inf\n+++ f.inf\n@@ -1 +1,2 @@\n+a\n b\n"},
      {"two hunks when the changes are far apart", "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n",
       "1\nX\n3\n4\n5\n6\n7\n8\n9\n10\nY\n12\n",
       "--- f.inf\n+++ f.inf\n@@ -1,5 +1,5 @@\n 1\n-2\n+X\n 3\n 4\n 5\n"
       "@@ -8,5 +8,5 @@\n 8\n 9\n 10\n-11\n+Y\n 12\n"},
      {"one hunk when six unchanged lines lie between", "1\n2\n3\n4\n5\n6\n7\n8\n9\n",
       "X\n2\n3\n4\n5\n6\n7\nY\n9\n",
       "--- f.inf\n+++ f.inf\n@@ -1,9 +1,9 @@\n-1\n+X\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+Y\n 9\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(UnifiedDiff(c.before, c.after, "f.inf"), c.diff);
    if (!c.diff.empty()) {
      EXPECT_EQ(ApplyDiff(c.before, c.diff), c.after);
    }
  }
  // A name with a space ends in a tab, so that patch reads it whole.
  EXPECT_EQ(UnifiedDiff("a\n", "b\n", "My App.inf").substr(0, 34),
            "--- My App.inf\t\n+++ My App.inf\t\n@@");
}

// Random texts from a few lines, with random edits: the diff always applies
// back exactly, whatever the line ends.
TEST(UnifiedDiffTest, RandomEditsApplyExactly) {
  std::mt19937 random(20240613);
  const std::vector<std::string> pool = {"a\r\n", "b\r\n", "c\n",    "[S]\r\n", "k=v\n",
                                         "\r\n",  "\n",    "x\ry\n", "z"};
  for (int trial = 0; trial < 500; ++trial) {
    std::vector<std::string> lines;
    const int count = static_cast<int>(random() % 30);
    for (int i = 0; i < count; ++i) lines.push_back(pool[random() % (pool.size() - 1)]);
    std::vector<std::string> edited = lines;
    const int edits = static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = edited.empty() ? 0 : random() % (edited.size() + 1);
      switch (random() % 3) {
        case 0:
          edited.insert(edited.begin() + static_cast<long>(at), pool[random() % pool.size()]);
          break;
        case 1:
          if (at < edited.size()) edited.erase(edited.begin() + static_cast<long>(at));
          break;
        default:
          if (at < edited.size()) edited[at] = pool[random() % (pool.size() - 1)];
      }
    }
    std::string before;
    for (const auto& line : lines) before += line;
    std::string after;
    for (const auto& line : edited) after += line;
    // Now and then a last line without its line end.
    if (random() % 4 == 0 && !before.empty()) before.pop_back();
    if (random() % 4 == 0 && !after.empty()) after.pop_back();
    SCOPED_TRACE(::testing::PrintToString(before) + " -> " + ::testing::PrintToString(after));
    const std::string diff = UnifiedDiff(before, after, "r.inf", static_cast<int>(random() % 4));
    EXPECT_EQ(diff.empty(), before == after);
    if (!diff.empty()) {
      ASSERT_EQ(ApplyDiff(before, diff), after) << diff;
    }
  }
}

// A change spread over a long file: far more differing lines than the
// shortest-edit search follows still gives a diff that applies exactly.
TEST(UnifiedDiffTest, LongRewritesStillApply) {
  std::string before;
  std::string after;
  for (int i = 0; i < 3000; ++i) {
    before += "k" + std::to_string(i) + "=1\r\n";
    after += "k" + std::to_string(i) + (i % 2 == 0 ? "=2\r\n" : "=1\r\n");
  }
  const std::string diff = UnifiedDiff(before, after, "long.inf");
  EXPECT_EQ(ApplyDiff(before, diff), after);
}

// The golden pairs of the profile engine (CR LF, LF, mixed, no final line end,
// UTF-8 with its mark): patch applies each diff byte for byte.
TEST(UnifiedDiffTest, PatchAppliesTheDiffOfEveryGoldenPair) {
  const fs::path data = fs::path(QUILLET_TEST_DATA_DIR) / "profile";
  int pairs = 0;
  for (const auto& entry : fs::directory_iterator(data)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 10 || name.substr(name.size() - 10) != ".after.inf") continue;
    const std::string stem = name.substr(0, name.size() - 10);
    SCOPED_TRACE(stem);
    ++pairs;
    const std::string before = ReadBytes(data / (stem + ".inf"));
    const std::string after = ReadBytes(entry.path());
    const std::string diff = UnifiedDiff(before, after, stem + ".inf");
    EXPECT_EQ(ApplyDiff(before, diff), after);
#ifndef _WIN32
    const fs::path scratch = fs::temp_directory_path() /
                             ("quillet-diff-" + stem +
                              std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(scratch);
    std::ofstream(scratch / "file.inf", std::ios::binary) << before;
    std::ofstream(scratch / "file.diff", std::ios::binary) << diff;
    const std::string command = "patch --binary --quiet '" + (scratch / "file.inf").string() +
                                "' < '" + (scratch / "file.diff").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadBytes(scratch / "file.inf"), after);
    fs::remove_all(scratch);
#endif
  }
  EXPECT_GE(pairs, 7);
}

}  // namespace
}  // namespace quillet::cli
