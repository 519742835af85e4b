#include "profile/profile_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "profile/profile_text.h"

// Builds whose standard library has no threads (mingw-w64's "win32" thread
// model) define QUILLET_HAS_STD_THREAD as 0 and leave out the test that needs them.
#ifndef QUILLET_HAS_STD_THREAD
#define QUILLET_HAS_STD_THREAD 1
#endif
#if QUILLET_HAS_STD_THREAD
#include <thread>
#endif

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class ProfileFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    folder_ = fs::temp_directory_path() / ("quillet-profile-" + std::to_string(random()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }

  std::string Put(const std::string& name, const std::string& bytes) const {
    const std::string path = PathOf(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  fs::path folder_;
};

std::string Repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

// ---------------------------------------------------------------------------
// Reading

struct ReadCase {
  const char* name;
  std::string file;
  std::string section;
  std::string key;
  std::string expected;
};

TEST_F(ProfileFileTest, ReadsValuesAsTheWindowsProfileFunctionsDo) {
  const std::string long_value = Repeat("0123456789", 500);
  const ReadCase cases[] = {
      {"CR LF endings", "[S]\r\na=1\r\nb=2\r\n", "S", "b", "2"},
      {"LF endings", "[S]\na=1\nb=2\n", "S", "b", "2"},
      {"lone CR endings", "[S]\ra=1\rb=2\r", "S", "b", "2"},
      {"no final line break", "[S]\r\na=1\r\nb=2", "S", "b", "2"},
      {"blanks before header and key", " \t[S]\r\n \t a=1\r\n", "S", "a", "1"},
      {"header name trimmed, junk after ]", "[ \tS \t] junk\r\na=1\r\n", "S", "a", "1"},
      {"unclosed [ still starts a section", "[Unclosed\r\na=1\r\n", "Unclosed", "a", "1"},
      {"dots, parentheses and inner spaces",
       "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\nStub.exe=3\r\n",
       "SourceDisksFiles.Mips 4000 (4K) v3.00", "Stub.exe", "3"},
      {"inner spaces count", "[two  words]\r\na=1\r\n", "two words", "a", ""},
      {"lines before the first header are unreadable", "a=1\r\n[S]\r\n", "", "a", ""},
      {"; comment is no key", "[S]\r\n;a=1\r\n", "S", ";a", ""},
      {"# is an ordinary key character", "[S]\r\n#k=1\r\n", "S", "#k", "1"},
      {"; inside a value stays", "[S]\r\na=1 ; note\r\n", "S", "a", "1 ; note"},
      {"spaces and tabs around key and value", "[S]\r\n a \t= \t x y \t\r\n", "S", "a", "x y"},
      {"first = splits", "[S]\r\na=b=c\r\n", "S", "a", "b=c"},
      {"line without = is not a key", "[S]\r\n%AppName%,0,\"Stub.exe\"\r\n", "S",
       "%AppName%,0,\"Stub.exe\"", ""},
      {"double quotes removed", "[S]\r\na=\"x y\"\r\n", "S", "a", "x y"},
      {"single quotes removed", "[S]\r\na='x'\r\n", "S", "a", "x"},
      {"one pair only", "[S]\r\na=\"\"x\"\"\r\n", "S", "a", "\"x\""},
      {"mismatched quotes stay", "[S]\r\na=\"x'\r\n", "S", "a", "\"x'"},
      {"one-sided quote stays", "[S]\r\na=\"x\r\n", "S", "a", "\"x"},
      {"a lone quote stays", "[S]\r\na=\"\r\n", "S", "a", "\""},
      {"quoted key name keeps its quotes", "[S]\r\n\"app.exe\"=1\r\n", "S", "\"app.exe\"", "1"},
      {"quoted key name is not found unquoted", "[S]\r\n\"app.exe\"=1\r\n", "S", "app.exe", ""},
      {"section and key without regard to case", "[DefaultInstall]\r\nCEShortcuts=x\r\n",
       "defaultINSTALL", "ceshortcuts", "x"},
      {"names passed in lose their spaces", "[S]\r\na=1\r\n", "  S  ", "  a ", "1"},
      {"names passed in keep their tabs", "[S]\r\na=1\r\n", "S", "\ta", ""},
      {"only the first section of a name", "[S]\r\na=1\r\n[s]\r\nb=2\r\n", "S", "b", ""},
      {"first key of a name wins", "[S]\r\na=1\r\nA=2\r\n", "S", "a", "1"},
      {"a= reads empty", "[S]\r\na=\r\n", "S", "a", ""},
      {"a= blank reads empty", "[S]\r\na= \r\n", "S", "a", ""},
      {"a=\"\" reads empty", "[S]\r\na=\"\"\r\n", "S", "a", ""},
      {"missing section", "[S]\r\na=1\r\n", "T", "a", ""},
      {"missing key", "[S]\r\na=1\r\n", "S", "b", ""},
      {"the marker reads empty", "[S]\r\na=*NO-VALUE*\r\n", "S", "a", ""},
      {"the marker in another case is a value", "[S]\r\na=*no-value*\r\n", "S", "a", "*no-value*"},
      {"long values come back whole", "[S]\r\na=" + long_value + "\r\n", "S", "a", long_value},
      {"ANSI bytes become UTF-8", "[S]\r\na=\xE9\x80\x81\x8D\xFF\r\n", "S", "a",
       "\xC3\xA9\xE2\x82\xAC\xC2\x81\xC2\x8D\xC3\xBF"},
      {"ANSI names match Windows-1252 letters without regard to case", "[\xC0rea]\r\n\x8Atem=1\r\n",
       "\xC3\xA0REA", "\xC5\xA1TEM", "1"},
      {"UTF-8 file: letters beyond ASCII match without regard to case",
       "\xEF\xBB\xBF[\xC3\x89mile]\n\xC3\x89T\xC3\x89=1\n", "\xC3\xA9MILE", "\xC3\xA9t\xC3\xA9",
       "1"},
      {"UTF-8 file: other letters stay other letters", "\xEF\xBB\xBF[\xC3\x89]\na=1\n", "\xC3\xA8",
       "a", ""},
      {"UTF-8 file: case pairs of different lengths match", "\xEF\xBB\xBF[S]\n\xC8\xBA=1\n", "S",
       "\xE2\xB1\xA5", "1"},  // Ⱥ and ⱥ
      {"UTF-16 LE file: letters beyond ASCII match without regard to case",
       "\xFF\xFE[\0\xC9\0]\0\n\0\x2F\x04=\0\x31\0\n\0"s, "\xC3\xA9", "\xD1\x8F", "1"},  // É/é, Я/я
      {"UTF-16 BE file", "\xFE\xFF\0[\0S\0]\0\r\0\n\0a\0=\0\xE9\0\r\0\n"s, "s", "A", "\xC3\xA9"},
      {"UTF-8 mark skipped, header on the first line kept", "\xEF\xBB\xBF[S]\r\na=\xC3\xA9\r\n",
       "S", "a", "\xC3\xA9"},
      {"UTF-16 LE file", "\xFF\xFE[\0S\0]\0\r\0\n\0a\0=\0\xE9\0\r\0\n\0"s, "S", "a", "\xC3\xA9"},
      {"NUL bytes are ordinary characters", "[S]\r\na=x\0y\r\nb=2\r\n"s, "S", "b", "2"},
  };
  for (const ReadCase& c : cases) {
    const std::string path = Put("read.inf", c.file);
    EXPECT_EQ(ReadIniValue(path, c.section, c.key), c.expected) << c.name;
  }
  EXPECT_EQ(ReadIniValue(PathOf("missing.inf"), "S", "a"), "");
  EXPECT_EQ(ReadIniKeyNames(PathOf("missing.inf"), "S"), "");
  EXPECT_EQ(ReadIniValue(folder_.string(), "S", "a"), "") << "a folder reads as missing";
}

TEST_F(ProfileFileTest, ListsKeyNamesWithANulAfterEach) {
  const struct {
    const char* name;
    std::string file;
    std::string section;
    std::string expected;
  } cases[] = {
      {"two keys", "[S]\r\na=1\r\nb=2\r\n", "S", "a\0b\0"s},
      {"duplicates, # keys and empty values all listed, in file order",
       "[S]\r\nb=1\r\n#k=\r\n;c=1\r\nB=2\r\nplain line\r\n\r\n a b = 3\r\n", "s",
       "b\0#k\0B\0a b\0"s},
      {"from the first section of the name only", "[S]\r\na=1\r\n[S]\r\nb=2\r\n", "S", "a\0"s},
      {"a section without key lines", "[S]\r\n; only a comment\r\n%A%,0,\"x\"\r\n[T]\r\nt=1\r\n",
       "S", ""},
      {"a missing section", "[S]\r\na=1\r\n", "T", ""},
      {"a long list comes back whole", "[S]\r\n" + Repeat("key_with_a_long_name=1\r\n", 200), "S",
       Repeat("key_with_a_long_name\0"s, 200)},
  };
  for (const auto& c : cases) {
    const std::string path = Put("keys.inf", c.file);
    EXPECT_EQ(ReadIniKeyNames(path, c.section), c.expected) << c.name;
  }
}

TEST_F(ProfileFileTest, FirstKeyValueIsTheValueOfTheFirstKeyLine) {
  const std::string path =
      Put("first.inf",
          "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\n; comment\r\nplain\r\nA.vb = \"3\"\r\n"
          "b=4\r\n[Empty]\r\n[Marker]\r\nm=*NO-VALUE*\r\n");
  EXPECT_EQ(GetFirstKeyValue(path, "SourceDisksFiles.Mips 4000 (4K) v3.00"), "3");
  EXPECT_EQ(GetFirstKeyValue(path, "Empty"), "");
  EXPECT_EQ(GetFirstKeyValue(path, "Missing"), "");
  EXPECT_EQ(GetFirstKeyValue(path, "Marker"), "");
}

// ---------------------------------------------------------------------------
// Writing: whole files before and after, byte for byte

struct EditCase {
  const char* name;
  std::string before;
  std::function<bool(const std::string& path)> edit;
  std::string after;
};

std::function<bool(const std::string&)> Set(std::string section, std::string key,
                                            std::string value) {
  return [=](const std::string& path) { return WriteIniValue(path, section, key, value) != 0; };
}
std::function<bool(const std::string&)> SetSection(std::string section, std::string body) {
  return [=](const std::string& path) { return WriteIniSection(path, section, body) != 0; };
}
std::function<bool(const std::string&)> Delete(std::string section, std::string key) {
  return [=](const std::string& path) { return DeleteIniKey(path, section, key); };
}

TEST_F(ProfileFileTest, EditsTouchOnlyTheirOwnLine) {
  const EditCase cases[] = {
      {"replace keeps spelling, spacing before the value and the line ending",
       "; head\r\n[S]\r\n  Key \t=  old  \r\nb=2\n", Set("s", "KEY", "new"),
       "; head\r\n[S]\r\n  Key \t=  new\r\nb=2\n"},
      {"replace a value in a quoted form, verbatim", "[S]\r\na=\"x\"\r\n", Set("S", "a", " 'y' "),
       "[S]\r\na= 'y' \r\n"},
      {"same value leaves the file alone", "[S]\r\na = same \r\n", Set("S", "a", "same"),
       "[S]\r\na = same \r\n"},
      {"a value equal to what a quoted one reads as is still written", "[S]\r\na=\"a,b\"\r\n",
       Set("S", "a", "a,b"), "[S]\r\na=a,b\r\n"},
      {"a value differing in case is written", "[S]\r\na=Same\r\n", Set("S", "a", "same"),
       "[S]\r\na=same\r\n"},
      {"new key after the last key line, before comments and blanks",
       "[S]\r\na=1\r\nplain\r\nb=2\r\n; c\r\n\r\n[T]\r\n", Set("S", "new", "v"),
       "[S]\r\na=1\r\nplain\r\nb=2\r\nnew=v\r\n; c\r\n\r\n[T]\r\n"},
      {"new key right after the header of a section without keys", "[S]\r\n%A%,0,\"x\"\r\n[T]\r\n",
       Set("S", "k", "1"), "[S]\r\nk=1\r\n%A%,0,\"x\"\r\n[T]\r\n"},
      {"new keys keep their order", "[S]\r\na=1\r\n", Set("S", "b", "2"), "[S]\r\na=1\r\nb=2\r\n"},
      {"new key after an unterminated last line", "[S]\r\na=1", Set("S", "b", "2"),
       "[S]\r\na=1\r\nb=2\r\n"},
      {"new key after an unterminated header", "x=1\n[S]", Set("S", "b", "2"), "x=1\n[S]\nb=2\n"},
      {"new key goes to the first section of the name", "[S]\na=1\n[S]\nb=1\n", Set("S", "b", "2"),
       "[S]\na=1\nb=2\n[S]\nb=1\n"},
      {"new section at the end, no blank line before", "[S]\r\na=1\r\n", Set("T", "k", "v"),
       "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
      {"new section after an unterminated last line", "[S]\na=1\n;end", Set("T", "k", "v"),
       "[S]\na=1\n;end\n[T]\nk=v\n"},
      {"a new or single-line file gets CR LF", "; one line", Set("T", "k", "v"),
       "; one line\r\n[T]\r\nk=v\r\n"},
      {"lone CR file gets lone CR", "[S]\ra=1\r", Set("S", "b", "2"), "[S]\ra=1\rb=2\r"},
      {"names written as passed, trimmed of spaces", "", Set("  New Sec ", " Key ", " v \"q\" "),
       "[New Sec]\r\nKey= v \"q\" \r\n"},
      {"high bytes of other lines survive", "[S]\r\nx=\x81\x8D\x8F\x90\x9D\0\r\na=1\r\n"s,
       Set("S", "a", "\xC3\xA9"), "[S]\r\nx=\x81\x8D\x8F\x90\x9D\0\r\na=\xE9\r\n"s},
      {"delete removes the first line of the key only", "[S]\r\na=1\r\n;a=c\r\nA=2\r\nb=3\n",
       Delete("S", "a"), "[S]\r\n;a=c\r\nA=2\r\nb=3\n"},
      {"delete leaves an empty section", "[S]\r\na=1\r\n[T]\r\n", Delete("S", "a"),
       "[S]\r\n[T]\r\n"},
      {"delete of the unterminated last line", "[S]\r\nb=1\r\na=1", Delete("S", "a"),
       "[S]\r\nb=1\r\n"},
      {"delete of a missing key changes nothing", "[S]\r\na=1", Delete("S", "zz"), "[S]\r\na=1"},
      {"delete of a missing section changes nothing", "[S]\r\na=1", Delete("T", "a"), "[S]\r\na=1"},
      {"delete never takes a comment", "[S]\r\n;a=1\r\n", Delete("S", ";a"), "[S]\r\n;a=1\r\n"},
      {"section body replaces entries, comments and blanks stay",
       "[Q]\r\nold=1\r\n; note\r\n%A%,0,\"old\"\r\n\r\n[T]\r\nt=1",
       SetSection("Q", "%AppName%,0,\"Stub.exe\""),
       "[Q]\r\n%AppName%,0,\"Stub.exe\"\r\n; note\r\n\r\n[T]\r\nt=1"},
      {"section body with several entries, an empty one ending the list", "[Q]\na=1\n",
       SetSection("q", "x=1\0y\0\0z=3"s), "[Q]\nx=1\ny\n"},
      {"missing section body goes at the end", "[S]\r\na=1",
       SetSection("QuilletShortcut", "%AppName%,0,\"Stub.exe\""),
       "[S]\r\na=1\r\n[QuilletShortcut]\r\n%AppName%,0,\"Stub.exe\"\r\n"},
      {"the same section body again changes nothing", "[Q]\r\n%A%,0,\"s\"\r\n; c\r\n",
       SetSection("Q", "%A%,0,\"s\""), "[Q]\r\n%A%,0,\"s\"\r\n; c\r\n"},
      {"section body after an unterminated header", "[S]\na=1\n[Q]", SetSection("Q", "x"),
       "[S]\na=1\n[Q]\nx\n"},
      {"a lone CR never joins the LF of the next line on delete", "[S]\r\n;c\ra=1\n\n[T]\n",
       Delete("S", "a"), "[S]\r\n;c\r\r\n\n[T]\n"},
      {"a lone CR never joins the LF of the next line on insert", "[S]\ra=1\n\n",
       Set("S", "b", "2"), "[S]\ra=1\nb=2\r\n\n"},
      {"UTF-8 file: mark kept, text written as UTF-8", "\xEF\xBB\xBF[S]\na=1\n",
       Set("S", "a", "\xC3\xA9"), "\xEF\xBB\xBF[S]\na=\xC3\xA9\n"},
      {"UTF-16 LE file stays UTF-16 LE", "\xFF\xFE[\0S\0]\0\n\0a\0=\0\x31\0\n\0"s,
       Set("S", "a", "\xE2\x82\xAC"), "\xFF\xFE[\0S\0]\0\n\0a\0=\0\xAC\x20\n\0"s},
      {"UTF-16 BE file stays UTF-16 BE", "\xFE\xFF\0[\0S\0]\0\n\0a\0=\0\x31\0\n"s,
       Set("S", "b", "\xE2\x82\xAC"), "\xFE\xFF\0[\0S\0]\0\n\0a\0=\0\x31\0\n\0b\0=\x20\xAC\0\n"s},
      {"UTF-16 file: delete finds the key in another case", "\xFF\xFE[\0S\0]\0\n\0\xC9\0=\0\n\0"s,
       Delete("S", "\xC3\xA9"), "\xFF\xFE[\0S\0]\0\n\0"s},
  };
  for (const EditCase& c : cases) {
    const std::string path = Put("edit.inf", c.before);
    EXPECT_TRUE(c.edit(path)) << c.name;
    EXPECT_EQ(Bytes(path), c.after) << c.name;
  }
}

TEST_F(ProfileFileTest, WrittenValuesReadBack) {
  const std::string values[] = {"",
                                "plain",
                                "  spaced and tabbed\t",
                                "\"quoted\"",
                                "'single'",
                                ",%CE2%\\Start Menu",
                                "a=b;c#d[e]",
                                "\xC3\xA9\xE2\x82\xAC\xC2\x81 caf\xC3\xA9",
                                Repeat("long", 3000)};
  for (const char* initial : {"", "[S]\r\nother=1\r\n", "\xEF\xBB\xBF", "\xFF\xFE"}) {
    const std::string path = Put("round.inf", initial);
    for (const std::string& value : values) {
      ASSERT_EQ(WriteIniValue(path, "S", "k", value), 1) << value;
      std::string expected(value);
      while (!expected.empty() && (expected.back() == ' ' || expected.back() == '\t')) {
        expected.pop_back();
      }
      while (!expected.empty() && (expected.front() == ' ' || expected.front() == '\t')) {
        expected.erase(0, 1);
      }
      if (expected.size() > 1 && expected.front() == expected.back() &&
          (expected.front() == '"' || expected.front() == '\'')) {
        expected = expected.substr(1, expected.size() - 2);
      }
      EXPECT_EQ(ReadIniValue(path, "S", "k"), expected) << initial << " / " << value;
    }
    EXPECT_EQ(ReadIniKeyNames(path, "S"),
              std::string(initial).find("other") != std::string::npos ? "other\0k\0"s : "k\0"s);
  }
}

TEST_F(ProfileFileTest, RefusesTextThatWouldInjectLines) {
  const std::string before = "[S]\r\na=1\r\n";
  const std::function<int(const std::string&, std::string*)> writes[] = {
      [](const std::string& p, std::string* e) {
        return WriteIniValue(p, "S", "a", "1\r\n[X]", e);
      },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S", "a", "x\ry", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S", "k\n", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S\r", "k", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S", "k=x", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S", "[k]", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S", ";k", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "a]b", "k", "1", e); },
      // A tab at either end of a name would be trimmed off when read back.
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S", "\tk", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S", "k\t", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, " \tS", "k", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniValue(p, "S\t ", "k", "1", e); },
      [](const std::string& p, std::string* e) { return WriteIniSection(p, "\tS", "k=1", e); },
      [](const std::string& p, std::string* e) { return WriteIniSection(p, "S", "x\ny", e); },
      [](const std::string& p, std::string* e) { return WriteIniSection(p, "S", "[X]", e); },
      [](const std::string& p, std::string* e) {
        return DeleteIniKey(p, "S", "a", e) ? 1 : 0;  // control: allowed
      },
  };
  for (std::size_t i = 0; i + 1 < std::size(writes); ++i) {
    const std::string path = Put("inject.inf", before);
    std::string error;
    EXPECT_EQ(writes[i](path, &error), 0) << i;
    EXPECT_EQ(Bytes(path), before) << i;
    EXPECT_EQ(error.rfind("Could not write " + path + ": ", 0), 0u) << error;
  }
  const std::string path = Put("inject.inf", before);
  EXPECT_EQ(writes[std::size(writes) - 1](path, nullptr), 1);
}

// The error names the file and gives the operating system's own reason: here
// its words on POSIX; Windows words them by language (and Wine its own way).
void ExpectWriteError(const std::string& error, const std::string& path,
                      [[maybe_unused]] const std::string& posix_reason) {
  const std::string prefix = "Could not write " + path + ": ";
  ASSERT_EQ(error.substr(0, prefix.size()), prefix);
  EXPECT_GT(error.size(), prefix.size());
#ifndef _WIN32
  EXPECT_EQ(error.substr(prefix.size()), posix_reason);
#endif
}

TEST_F(ProfileFileTest, FailedWritesLeaveTheFileAsItWasAndSayWhy) {
  const std::string before = "[S]\r\na=1\r\n";
  const std::string read_only = Put("read_only.inf", before);
  fs::permissions(read_only, fs::perms::owner_read | fs::perms::group_read);
  std::string error;
  EXPECT_EQ(WriteIniValue(read_only, "S", "a", "2", &error), 0);
  ExpectWriteError(error, read_only, "Permission denied");
  EXPECT_EQ(WriteIniSection(read_only, "S", "x=1"), 0);
  EXPECT_FALSE(DeleteIniKey(read_only, "S", "a"));
  EXPECT_EQ(Bytes(read_only), before);
  EXPECT_EQ(WriteIniValue(read_only, "S", "a", "1"), 1) << "an equal value needs no write";

  const std::string in_missing_folder = PathOf("no/such/folder/a.inf");
  EXPECT_EQ(WriteIniValue(in_missing_folder, "S", "a", "1", &error), 0);
  ExpectWriteError(error, in_missing_folder, "No such file or directory");
  EXPECT_FALSE(fs::exists(in_missing_folder));
  EXPECT_TRUE(DeleteIniKey(in_missing_folder, "S", "a")) << "nothing to delete";

  EXPECT_EQ(WriteIniValue(folder_.string(), "S", "a", "1", &error), 0) << "a folder";
  EXPECT_NE(error.find(folder_.string()), std::string::npos);
}

TEST_F(ProfileFileTest, WritesCreateMissingFilesAndKeepPermissions) {
  const std::string created = PathOf("new.ini");
  EXPECT_EQ(WriteIniValue(created, "LastDirs", "1", "C:\\Pkg"), 1);
  EXPECT_EQ(Bytes(created), "[LastDirs]\r\n1=C:\\Pkg\r\n");
  EXPECT_TRUE(DeleteIniKey(PathOf("absent.ini"), "S", "a"));
  EXPECT_FALSE(fs::exists(PathOf("absent.ini"))) << "a delete creates nothing";

  const std::string kept = Put("mode.inf", "[S]\na=1\n");
  const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(kept, mode);
  EXPECT_EQ(WriteIniValue(kept, "S", "a", "2"), 1);
#ifndef _WIN32  // Windows keeps only a read-only flag
  EXPECT_EQ(fs::status(kept).permissions(), mode);
#endif
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator{}), 2)
      << "no temporary file is left behind";
}

// Writing the same value again leaves the file exactly as the first write did.
TEST_F(ProfileFileTest, WritingTheSameValueAgainChangesNothing) {
  const std::string values[] = {" x ", "\tx", "x ", "  ", "", "\"q\"", " 'y' ", "a = b"};
  const std::string befores[] = {"[S]\r\na=old\r\n", "[S]\r\na = old \r\n", "[S]\r\na=\r\n",
                                 "[S]\r\nb=1\r\n", ""};
  for (const std::string& before : befores) {
    for (const std::string& value : values) {
      SCOPED_TRACE(before + " / [" + value + "]");
      const std::string path = Put("again.inf", before);
      ASSERT_EQ(WriteIniValue(path, "S", "a", value), 1);
      const std::string after_first = Bytes(path);
      ASSERT_EQ(WriteIniValue(path, "S", "a", value), 1);
      ASSERT_EQ(WriteIniValue(path, "S", "a", value), 1);
      EXPECT_EQ(Bytes(path), after_first);
    }
  }
}

#if QUILLET_HAS_STD_THREAD
// Two writers at once lose nothing: each holds the file from its read until its
// write is in place, and reads again once it has it.
TEST_F(ProfileFileTest, TwoWritersAtOnceLoseNoUpdate) {
  const std::string path = Put("shared.inf", "[Version]\r\n");
  constexpr int kKeysEach = 60;
  std::atomic<int> failed{0};
  auto writer = [&](const std::string& prefix) {
    for (int i = 0; i < kKeysEach; ++i) {
      if (WriteIniValue(path, "Keys", prefix + std::to_string(i), "1") == 0) ++failed;
    }
  };
  std::thread first(writer, "A");
  std::thread second(writer, "B");
  first.join();
  second.join();
  EXPECT_EQ(failed, 0);
  const std::string names = ReadIniKeyNames(path, "Keys");
  EXPECT_EQ(std::count(names.begin(), names.end(), '\0'), 2 * kKeysEach);
}
#endif

#ifndef _WIN32
TEST_F(ProfileFileTest, WritesThroughALinkEditTheFileItPointsTo) {
  const std::string real = Put("real.inf", "[S]\r\na=1\r\n");
  const std::string link = PathOf("link.inf");
  fs::create_symlink(real, link);
  EXPECT_EQ(WriteIniValue(link, "S", "a", "2"), 1);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Bytes(real), "[S]\r\na=2\r\n");
}
#endif

#ifdef _WIN32
// A file that exists but cannot be read (another program holds it) is never
// taken for a missing one and overwritten, whatever its attributes.
TEST_F(ProfileFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
  const std::string before = "[Version]\r\nSignature=\"$Windows NT$\"\r\n[S]\r\na=1\r\n";
  for (const DWORD attributes : {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_HIDDEN},
                                 DWORD{FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN}}) {
    SCOPED_TRACE(attributes);
    const std::string path = Put("held.inf", before);
    const std::wstring wide = fs::path(path).wstring();
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), attributes));
    HANDLE held = ::CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string error;
    EXPECT_EQ(WriteIniValue(path, "S", "b", "2", &error), 0);
    EXPECT_EQ(error.rfind("Could not read " + path + ": ", 0), 0u) << error;
    EXPECT_FALSE(DeleteIniKey(path, "S", "a"));
    EXPECT_EQ(WriteIniSection(path, "S", "x=1"), 0);
    ::CloseHandle(held);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Bytes(path), before);
  }
}
#endif

// Names in ANSI files match as the ANSI code page says: outside Windows and on
// Windows-1252 systems by Windows-1252; on Windows systems with another code
// page by that one (the test runs under Wine once per code page). A write or
// delete must never take another key for the one asked for.
TEST_F(ProfileFileTest, AnsiNamesMatchAsTheCodePageSays) {
#ifdef _WIN32
  const unsigned code_page = ::GetACP();
#else
  const unsigned code_page = 1252;
#endif
  struct Case {
    unsigned code_page;
    const char* what;
    std::string file;
    std::string key;  // UTF-8
    std::string value;
  };
  const Case cases[] = {
      {1252, "À is à", "[S]\r\n\xC0rea=1\r\n", "\xC3\xA0REA", "1"},
      {1252, "Š is š", "[S]\r\n\x8Atem=1\r\n", "\xC5\xA1TEM", "1"},
      {1252, "Ÿ is ÿ", "[S]\r\n\x9F=1\r\n", "\xC3\xBF", "1"},
      {1252, "× is not ÷", "[S]\r\n\xD7=1\r\n", "\xC3\xB7", ""},
      {1251, "Я is я", "[S]\r\n\xDF=1\r\n", "\xD1\x8F", "1"},
      {1251, "Ч is ч", "[S]\r\n\xD7=1\r\n", "\xD1\x87", "1"},
      {1251, "џ is not я", "[S]\r\n\x9F=1\r\n", "\xD1\x8F", ""},
      {1251, "Ё is ё", "[S]\r\n\xA8=1\r\n", "\xD1\x91", "1"},
      {932, "ア is not ヂ", "[S]\r\n\x83\x41=1\r\n", "\xE3\x83\x82", ""},
      {932, "ア is ア", "[S]\r\n\x83\x41=1\r\n", "\xE3\x82\xA2", "1"},
      {932, "Ａ is ａ", "[S]\r\n\x82\x60=1\r\n", "\xEF\xBD\x81", "1"},
  };
  // The runs under another locale say which code page they are for.
  if (const char* expected = std::getenv("QUILLET_EXPECT_CODE_PAGE")) {
    ASSERT_EQ(std::to_string(code_page), expected);
  }
  int ran = 0;
  for (const Case& c : cases) {
    if (c.code_page != code_page) continue;
    SCOPED_TRACE(c.what);
    ++ran;
    const std::string path = Put("ansi.inf", c.file);
    EXPECT_EQ(ReadIniValue(path, "S", c.key), c.value);
    // A delete of a key that does not match leaves the file alone.
    EXPECT_TRUE(DeleteIniKey(path, "S", c.key));
    EXPECT_EQ(Bytes(path), c.value.empty() ? c.file : "[S]\r\n");
  }
  if (ran == 0) GTEST_SKIP() << "no cases for code page " << code_page;
}

// ---------------------------------------------------------------------------
// Golden fixtures: a copy of each is edited and compared with its ".after" twin;
// an edit that changes nothing leaves every fixture's bytes as they were.

std::string FixturePath(const std::string& name) {
  return std::string(QUILLET_TEST_DATA_DIR) + "/profile/" + name;
}

TEST_F(ProfileFileTest, GoldenFixturesAfterEdits) {
  const struct {
    const char* fixture;
    std::function<bool(const std::string&)> edit;
  } cases[] = {
      {"crlf_package.inf", Set("DefaultInstall", "CEShortcuts", "QuilletShortcut")},
      {"lf_endings.inf", Set("SourceDisksFiles.Mips 4000 (4K) v3.00", "StubLauncher.exe", "3")},
      {"no_final_newline.inf", Set("DestinationDirs", "QuilletShortcut", ",%CE2%\\Start Menu")},
      {"mixed_endings.inf", Delete("SourceDisksFiles", "StubLauncher.exe")},
      {"spacing_and_comments.inf", SetSection("Shortcuts", "%AppName%,0,\"StubLauncher.exe\"")},
      {"duplicates.inf", Set("Strings", "AppName", "New Name")},
      {"utf8_bom.inf", Set("QuilletShortcut", "k", "v")},
  };
  for (const auto& c : cases) {
    const std::string before = Bytes(FixturePath(c.fixture));
    ASSERT_FALSE(before.empty()) << c.fixture;
    const std::string path = Put(c.fixture, before);
    EXPECT_TRUE(c.edit(path)) << c.fixture;
    const std::string after_name =
        std::string(c.fixture).substr(0, std::string(c.fixture).size() - 4) + ".after.inf";
    EXPECT_EQ(Bytes(path), Bytes(FixturePath(after_name))) << c.fixture;

    // No-op edits keep every byte.
    const std::string copy = Put("copy.inf", before);
    EXPECT_TRUE(DeleteIniKey(copy, "No Such Section", "k"));
    EXPECT_TRUE(DeleteIniKey(copy, "Version", "no such key"));
    EXPECT_EQ(WriteIniValue(copy, "version", "SIGNATURE", "\"$Windows NT$\""), 1);
    EXPECT_EQ(Bytes(copy), before) << c.fixture;
  }
}

// ---------------------------------------------------------------------------
// Garbage in

TEST_F(ProfileFileTest, LoneCrLineEndsScaleLinearly) {
  // 200,000 lines ended by lone CRs: a scan for LF to the end of the text for
  // every line would take minutes.
  const std::string path = Put("mac.inf", "[S]\r" + Repeat("key=value\r", 200000) + "last=1\r");
  EXPECT_EQ(ReadIniValue(path, "S", "last"), "1");
  EXPECT_EQ(WriteIniValue(path, "S", "last", "2"), 1);
  EXPECT_EQ(ReadIniValue(path, "S", "last"), "2");
}

TEST_F(ProfileFileTest, GarbageNeverCrashesAndSurvivesWrites) {
  std::string binary;
  std::mt19937 random(7);
  for (int i = 0; i < 100000; ++i) binary.push_back(static_cast<char>(random()));
  const std::string megabyte_line = "[S]\r\na=" + std::string(1 << 20, 'x') + "\r\n";
  const std::string inputs[] = {
      binary,
      megabyte_line,
      "[",
      "[[[]]]=\0\0\r\r\n\n"s,
      "\xFF\xFE",
      "\xFF\xFE\x00\xD8\x41\x00\x00\xDC\x00"s,  // unpaired surrogates, odd
      "\xEF\xBB",
      std::string(1000, '\0')};
  for (const std::string& input : inputs) {
    const std::string path = Put("garbage.inf", input);
    ReadIniValue(path, "S", "a");
    ReadIniKeyNames(path, "S");
    GetFirstKeyValue(path, "S");
    EXPECT_EQ(WriteIniValue(path, "Added", "k", "v"), 1);
    EXPECT_EQ(ReadIniValue(path, "Added", "k"), "v");
    const std::string bytes = Bytes(path);
    EXPECT_EQ(bytes.substr(0, input.size() & ~std::size_t{1}),
              input.substr(0, input.size() & ~std::size_t{1}))
        << "the old bytes stay in front";
  }
}

// The in-memory form gives back the very bytes it was made from.
TEST(ProfileTextTest, FileBytesRoundTrip) {
  const std::string inputs[] = {"",
                                "plain ansi \x80\xFF",
                                "\xEF\xBB\xBF[S]\r\n",
                                "\xFF\xFE[\0S\0]\0"s,
                                "\xFF\xFE\x00\xDC\x00\xD8\x3D\xD8\x00\xDE\x7F"s,
                                "\xFF\xFE\xFF\xFF\x00\x00"s,
                                "\xFE\xFF\0[\0S\0]\xD8\x3D\xDE\x00\xDC\x00\x7F"s};
  for (const std::string& input : inputs) {
    EXPECT_EQ(ProfileText::FromFileBytes(input).FileBytes(), input);
  }
  EXPECT_EQ(ProfileText::FromFileBytes("\xFF\xFE\x3D\xD8\x00\xDE"s).Text(), "\xF0\x9F\x98\x80");
}

}  // namespace
}  // namespace quillet
