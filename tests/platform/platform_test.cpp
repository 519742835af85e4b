#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/ansi_code_page.h"
#include "platform/temporary_names.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <functional>
#endif
#ifdef _WIN32
#include <windows.h>
#endif

namespace quillet::platform {
namespace {

namespace fs = std::filesystem;

using testing::Join;
using testing::PathOf;
using testing::ReadFile;
using testing::Utf8Of;

// Every byte value, so that no translation (text mode, code page) goes unseen.
std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
  return bytes + "\r\n\n\r";
}

class PlatformTest : public testing::TempFolderTest {
 protected:
  static void MakeReadOnly(const std::string& path) {
    fs::permissions(PathOf(path),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  }

  std::size_t EntriesInFolder() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(PathOf(folder_)), {}));
  }
};

// An error text is the OS's own sentence: present, on one line, without the line
// break that some system calls end their messages with.
void ExpectErrorText(const std::string& error) {
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << error;
}

// Outside Windows the code page is always Windows-1252; on Windows it is the
// system's, and these tests know the single-byte ones and 1252 in particular.
bool CodePageIsSingleByte() {
#ifdef _WIN32
  CPINFO info{};
  return ::GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
#else
  return true;
#endif
}

bool CodePageIsWindows1252() {
#ifdef _WIN32
  return ::GetACP() == 1252;
#else
  return true;
#endif
}

TEST(AnsiCodePageTest, EveryHighByteSurvivesTheRoundTrip) {
  if (!CodePageIsSingleByte()) GTEST_SKIP() << "a double-byte code page";
  for (int b = 0x80; b <= 0xFF; ++b) {
    const std::string byte(1, static_cast<char>(b));
    SCOPED_TRACE(b);
    const std::string utf8 = AnsiToUtf8(byte);
    EXPECT_NE(utf8, byte);  // it became a character, not a stray byte
    EXPECT_EQ(Utf8ToAnsi(utf8), byte);
  }
  const std::string all = AllBytes();
  EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(all)), all);
}

TEST(AnsiCodePageTest, IsWindows1252WhereTheSystemSaysSo) {
  if (!CodePageIsWindows1252()) GTEST_SKIP() << "the system has another ANSI code page";
  const std::string all = AllBytes();
  EXPECT_EQ(AnsiToUtf8(all), Windows1252ToUtf8(all));
  EXPECT_EQ(AnsiToUtf8("\x80\x81\x9F\xA9"),
            "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC2\xA9");  // € U+0081 Ÿ ©
}

TEST(AnsiCodePageTest, UnmappableCharactersBecomeQuestionMarksAndStrayBytesStay) {
  if (!CodePageIsWindows1252()) GTEST_SKIP() << "the system has another ANSI code page";
  struct Case {
    std::string utf8;
    std::string ansi;
  };
  const Case cases[] = {
      {"Caf\xC3\xA9", "Caf\xE9"},
      {"\xCE\xA9", "?"},              // Greek capital omega
      {"\xEF\xBC\x82", "?"},          // a full-width quotation mark is no '"'
      {"\xF0\x9F\x98\x80 x", "? x"},  // outside the basic plane
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"a\xFF"
       "b\xC3",
       "a\xFF"
       "b\xC3"},                                 // not UTF-8: kept byte for byte
      {"\xE9t\xE9 \xC3\xA9", "\xE9t\xE9 \xE9"},  // stray bytes beside real text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Utf8ToAnsi(c.utf8), c.ansi);
  }
}

TEST_F(PlatformTest, FilesWithNonLatinNamesAreWrittenReadCopiedAndDeleted) {
  const std::string original =
      PathIn("\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB \xCE\xA9.inf");  // "файл Ω.inf"
  const std::string copy = PathIn("copy \xCE\xA9.inf");
  const std::string bytes = AllBytes();

  ASSERT_TRUE(ReplaceFileContents(original, bytes).ok);  // a missing file is created
  EXPECT_EQ(ReadFile(original), bytes);
  EXPECT_TRUE(IsOrdinaryFile(original));
  EXPECT_FALSE(IsReadOnlyFile(original));

  std::string read;
  ASSERT_TRUE(ReadWholeFile(original, read).ok);
  EXPECT_EQ(read, bytes);

  ASSERT_TRUE(CopyFileReplacing(original, copy).ok);
  EXPECT_EQ(ReadFile(copy), bytes);

  ASSERT_TRUE(DeleteRegularFile(copy).ok);
  EXPECT_FALSE(fs::exists(PathOf(copy)));
  EXPECT_TRUE(fs::exists(PathOf(original)));
}

TEST_F(PlatformTest, ReplaceKeepsPermissionsAndLeavesNoTemporaryFile) {
  const std::string path = PathIn("Project1.inf");
  WriteFile(path, "[Version]\r\nSignature=\"$Windows NT$\"\r\n");
  // Something other than the default, where the file system has more than a
  // read-only flag.
  std::error_code ignored;
  fs::permissions(PathOf(path),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read, ignored);
  const fs::perms before = fs::status(PathOf(path)).permissions();

  ASSERT_TRUE(ReplaceFileContents(path, "[Version]\r\nSignature=x\r\n").ok);
  EXPECT_EQ(ReadFile(path), "[Version]\r\nSignature=x\r\n");
  EXPECT_EQ(fs::status(PathOf(path)).permissions(), before);
  ASSERT_TRUE(ReplaceFileContents(path, "").ok);
  EXPECT_EQ(ReadFile(path), "");
  EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(PlatformTest, ReadOnlyFileIsRefusedByEveryWrite) {
  const std::string source = PathIn("Stub.exe");
  const std::string target = PathIn("target.exe");
  WriteFile(source, "new launcher");
  WriteFile(target, "old launcher");
  MakeReadOnly(target);
  ASSERT_TRUE(IsReadOnlyFile(target));
  EXPECT_TRUE(IsOrdinaryFile(target));

  const IoResult copied = CopyFileReplacing(source, target);
  EXPECT_FALSE(copied.ok);
  ExpectErrorText(copied.error);
  const IoResult replaced = ReplaceFileContents(target, "new text");
  EXPECT_FALSE(replaced.ok);
  ExpectErrorText(replaced.error);
  const IoResult deleted = DeleteRegularFile(target);
  EXPECT_FALSE(deleted.ok);
  ExpectErrorText(deleted.error);

  EXPECT_EQ(ReadFile(target), "old launcher");
  EXPECT_EQ(EntriesInFolder(), 2u);  // no temporary file left behind
}

TEST_F(PlatformTest, CheckCanRewriteTellsWhatAWriteWouldMeet) {
  WriteFile(PathIn("plain.inf"), "[a]\r\n");
  WriteFile(PathIn("locked down.inf"), "[a]\r\n");
  MakeReadOnly(PathIn("locked down.inf"));
  fs::create_directory(PathOf(PathIn("folder")));
  struct Case {
    std::string path;
    bool ok;
  };
  const Case cases[] = {
      {PathIn("plain.inf"), true},
      {PathIn("new.inf"), true},  // a missing file in a writable folder can be created
      {PathIn("locked down.inf"), false},
      {PathIn("folder"), false},
      {Join(PathIn("gone"), "new.inf"), false},  // its folder is missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const IoResult result = CheckCanRewrite(c.path);
    EXPECT_EQ(result.ok, c.ok);
    if (!c.ok) ExpectErrorText(result.error);
  }
  EXPECT_TRUE(CheckCanCreateIn(folder_).ok);
  EXPECT_FALSE(CheckCanCreateIn(PathIn("plain.inf")).ok);
  EXPECT_FALSE(CheckCanCreateIn(PathIn("gone")).ok);
  EXPECT_EQ(EntriesInFolder(), 3u);  // the checks leave nothing behind
}

TEST_F(PlatformTest, CopyReplacesAFileButNeverCreatesAFolder) {
  const std::string source = PathIn("Stub.exe");
  const std::string target = PathIn("placed.exe");
  WriteFile(source, "launcher v2");
  WriteFile(target, "launcher v1, a longer older file");
  ASSERT_TRUE(CopyFileReplacing(source, target).ok);
  EXPECT_EQ(ReadFile(target), "launcher v2");

  const std::string missing_folder = PathIn("Mips 4000 (4K) v3.00");
  const IoResult into_missing = CopyFileReplacing(source, Join(missing_folder, "Stub.exe"));
  EXPECT_FALSE(into_missing.ok);
  ExpectErrorText(into_missing.error);
  EXPECT_FALSE(fs::exists(PathOf(missing_folder)));

  struct Case {
    const char* what;
    std::string from;
    std::string to;
  };
  fs::create_directory(PathOf(PathIn("CD1")));
  const Case refused[] = {
      {"missing source", PathIn("absent.exe"), PathIn("x.exe")},
      {"folder as source", PathIn("CD1"), PathIn("x.exe")},
      {"folder as target", source, PathIn("CD1")},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.what);
    const IoResult result = CopyFileReplacing(c.from, c.to);
    EXPECT_FALSE(result.ok);
    ExpectErrorText(result.error);
  }
  EXPECT_FALSE(fs::exists(PathOf(PathIn("x.exe"))));
  EXPECT_TRUE(fs::is_directory(PathOf(PathIn("CD1"))));
  EXPECT_EQ(EntriesInFolder(), 3u);  // no temporary file left behind

  // A read-only source (a launcher checked out of version control) is copied
  // as any other.
  const std::string read_only_source = PathIn("locked.exe");
  WriteFile(read_only_source, "locked launcher");
  MakeReadOnly(read_only_source);
  ASSERT_TRUE(CopyFileReplacing(read_only_source, target).ok);
  EXPECT_EQ(ReadFile(target), "locked launcher");
}

TEST_F(PlatformTest, OnlyRegularFilesAreDeleted) {
  const std::string folder = PathIn("APP");
  fs::create_directory(PathOf(folder));
  const IoResult on_folder = DeleteRegularFile(folder);
  EXPECT_FALSE(on_folder.ok);
  ExpectErrorText(on_folder.error);
  EXPECT_TRUE(fs::is_directory(PathOf(folder)));

  const IoResult on_missing = DeleteRegularFile(Join(folder, "Stub.exe"));
  EXPECT_FALSE(on_missing.ok);
  ExpectErrorText(on_missing.error);
}

TEST_F(PlatformTest, FoldersAndMissingFilesAreNoOrdinaryFiles) {
  const std::string folder = PathIn("CD1");
  fs::create_directory(PathOf(folder));
  EXPECT_FALSE(IsOrdinaryFile(folder));
  EXPECT_FALSE(IsReadOnlyFile(folder));
  EXPECT_FALSE(IsOrdinaryFile(PathIn("absent.ini")));
  EXPECT_FALSE(IsReadOnlyFile(PathIn("absent.ini")));

  std::string bytes = "left over";
  EXPECT_FALSE(ReadWholeFile(folder, bytes).ok);
  EXPECT_TRUE(bytes.empty());
  const IoResult missing = ReadWholeFile(PathIn("absent.ini"), bytes);
  EXPECT_FALSE(missing.ok);
  ExpectErrorText(missing.error);

  // A write into a folder that does not exist fails and creates nothing.
  const std::string nowhere = PathIn("nowhere");
  EXPECT_FALSE(ReplaceFileContents(Join(nowhere, "Davure.ini"), "x").ok);
  EXPECT_FALSE(fs::exists(PathOf(nowhere)));
  EXPECT_FALSE(ReplaceFileContents(folder, "x").ok);
  EXPECT_TRUE(fs::is_directory(PathOf(folder)));
}

TEST_F(PlatformTest, AFileWithALongNameCanBeRewrittenAndCopied) {
  // 250 bytes: within every file system's limit, but not once a temporary
  // name adds to it.
  const std::string path = PathIn(std::string(246, 'n') + ".inf");
  ASSERT_TRUE(ReplaceFileContents(path, "first").ok);
  const IoResult replaced = ReplaceFileContents(path, "second");
  EXPECT_TRUE(replaced.ok) << replaced.error;
  EXPECT_EQ(ReadFile(path), "second");
  const std::string copy = PathIn(std::string(246, 'm') + ".inf");
  const IoResult copied = CopyFileReplacing(path, copy);
  EXPECT_TRUE(copied.ok) << copied.error;
  EXPECT_EQ(ReadFile(copy), "second");
  EXPECT_EQ(EntriesInFolder(), 2u);
}

#ifndef _WIN32
TEST_F(PlatformTest, AFifoIsRefusedWithoutWaitingForAWriter) {
  // A FIFO under an INF's or the settings file's name must not hang the window.
  const std::string fifo = PathIn("Davure.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  std::string bytes;
  const IoResult read = ReadWholeFile(fifo, bytes);
  EXPECT_FALSE(read.ok);
  ExpectErrorText(read.error);
  EXPECT_NE(read.error, "Success");
  EXPECT_FALSE(IsOrdinaryFile(fifo));
}
#endif

TEST_F(PlatformTest, PathsLongerThanTheOldLimitWork) {
  // The folder stays short enough for std::filesystem on Windows; the file in it
  // makes the path longer than 260 characters.
  const std::string folder = PathIn(std::string(150, 'f'));
  fs::create_directory(PathOf(folder));
  const std::string path = Join(folder, std::string(120, 'n') + ".inf");
  const std::string copy = Join(folder, std::string(120, 'c') + ".inf");
  ASSERT_GT(path.size(), 260u);

  ASSERT_TRUE(ReplaceFileContents(path, "[S]\r\n").ok);
  ASSERT_TRUE(ReplaceFileContents(path, "[S]\r\na=1\r\n").ok);  // replacing as well
  EXPECT_TRUE(IsOrdinaryFile(path));
  ASSERT_TRUE(CopyFileReplacing(path, copy).ok);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(copy, bytes).ok);
  EXPECT_EQ(bytes, "[S]\r\na=1\r\n");
  EXPECT_TRUE(DeleteRegularFile(copy).ok);
  EXPECT_TRUE(DeleteRegularFile(path).ok);
  EXPECT_FALSE(IsOrdinaryFile(path));
}

#ifdef _WIN32
TEST_F(PlatformTest, HiddenOrSystemFilesAreNoOrdinaryFilesAndReplaceKeepsTheirAttributes) {
  const struct {
    const char* name;
    DWORD attribute;
  } cases[] = {{"hidden.ini", FILE_ATTRIBUTE_HIDDEN}, {"system.ini", FILE_ATTRIBUTE_SYSTEM}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathIn(c.name);
    WriteFile(path, "[LastDirs]\r\n");
    const std::wstring wide = PathOf(path).wstring();
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), c.attribute));
    EXPECT_FALSE(IsOrdinaryFile(path));

    ASSERT_TRUE(ReplaceFileContents(path, "[LastDirs]\r\n1=C:\\Pkg\r\n").ok);
    EXPECT_EQ(ReadFile(path), "[LastDirs]\r\n1=C:\\Pkg\r\n");
    EXPECT_NE(::GetFileAttributesW(wide.c_str()) & c.attribute, 0u);
    ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}
#endif

TEST(BorrowedNameTest, CutsOnACharacterBoundary) {
  const std::string a63(63, 'a');
  struct Case {
    const char* what;
    std::string name;
    std::string borrowed;
  };
  const Case cases[] = {
      {"short names whole", "Project1.inf", "Project1.inf"},
      {"exactly the limit", std::string(64, 'a'), std::string(64, 'a')},
      {"ASCII cut at the limit", std::string(70, 'a'), std::string(64, 'a')},
      {"two-byte character across the limit", a63 + "\xC3\xA9.inf", a63},
      {"two-byte character ending at the limit", std::string(62, 'a') + "\xC3\xA9.inf",
       std::string(62, 'a') + "\xC3\xA9"},
      {"three-byte character across the limit", std::string(62, 'a') + "\xE2\x82\xAC.inf",
       std::string(62, 'a')},
      {"four-byte character across the limit", std::string(61, 'a') + "\xF0\x9F\x98\x80.inf",
       std::string(61, 'a')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(BorrowedName(c.name), c.borrowed);
  }
  const std::wstring w63(63, L'a');
  EXPECT_EQ(BorrowedName(w63 + L"\xD83D\xDE00.inf"), w63);  // never half a surrogate pair
  EXPECT_EQ(BorrowedName(w63 + L"\x00E9.inf"), w63 + L"\x00E9");
  EXPECT_EQ(BorrowedName(std::wstring(L"short.inf")), L"short.inf");
}

TEST_F(PlatformTest, AFileWhoseNameHasACharacterAtTheCutIsRewritten) {
  // On NTFS and exFAT a temporary name with half a character is refused, which
  // made every write of such a file fail.
  for (const std::string& name :
       {std::string(63, 'a') + "\xF0\x9F\x98\x80.inf", std::string(63, 'b') + "\xC3\xA9.inf"}) {
    const std::string path = PathIn(name);
    const IoResult created = ReplaceFileContents(path, "first");
    EXPECT_TRUE(created.ok) << created.error;
    const IoResult replaced = ReplaceFileContents(path, "second");
    EXPECT_TRUE(replaced.ok) << replaced.error;
    EXPECT_EQ(ReadFile(path), "second");
    const IoResult copied = CopyFileReplacing(path, path + ".copy");
    EXPECT_TRUE(copied.ok) << copied.error;
  }
  EXPECT_EQ(EntriesInFolder(), 4u);
}

TEST_F(PlatformTest, EveryHardLinkSeesTheNewContents) {
  const std::string path = PathIn("MyApp.inf");
  const std::string other = PathIn("also MyApp.inf");
  WriteFile(path, "[Version]\r\nold=1\r\n");
  std::error_code error;
  fs::create_hard_link(PathOf(path), PathOf(other), error);
  if (error) GTEST_SKIP() << "no hard links here: " << error.message();

  const IoResult replaced = ReplaceFileContents(path, "[Version]\r\nnew=2\r\n");
  ASSERT_TRUE(replaced.ok) << replaced.error;
  EXPECT_EQ(ReadFile(path), "[Version]\r\nnew=2\r\n");
  EXPECT_EQ(ReadFile(other), "[Version]\r\nnew=2\r\n");
#ifndef _WIN32  // std::filesystem of mingw does not count links
  EXPECT_EQ(fs::hard_link_count(PathOf(path)), 2u);
#endif
  // Shorter contents leave no tail of the old ones.
  ASSERT_TRUE(ReplaceFileContents(other, "x").ok);
  EXPECT_EQ(ReadFile(path), "x");

  const std::string source = PathIn("Stub.exe");
  WriteFile(source, "launcher v2");
  ASSERT_TRUE(CopyFileReplacing(source, path).ok);
  EXPECT_EQ(ReadFile(other), "launcher v2");
  EXPECT_EQ(EntriesInFolder(), 3u);  // no backup or temporary file left behind
}

TEST_F(PlatformTest, SameFileIsRecognisedHoweverItIsNamed) {
  const std::string path = PathIn("MyApp.CAB");
  const std::string other = PathIn("other.CAB");
  WriteFile(path, "cab");
  WriteFile(other, "cab");
  fs::create_directory(PathOf(PathIn("CD1")));
  struct Case {
    const char* what;
    std::string a;
    std::string b;
    bool same;
  };
  std::vector<Case> cases = {
      {"one path", path, path, true},
      {"another spelling", path, Join(Join(PathIn("CD1"), ".."), "MyApp.CAB"), true},
      {"equal contents, two files", path, other, false},
      {"a missing file", path, PathIn("missing.CAB"), false},
  };
  std::error_code error;
  fs::create_hard_link(PathOf(path), PathOf(PathIn("hard.CAB")), error);
  if (!error) cases.push_back({"a hard link", path, PathIn("hard.CAB"), true});
#ifndef _WIN32
  fs::create_symlink(PathOf(path), PathOf(PathIn("soft.CAB")));
  cases.push_back({"a symbolic link", path, PathIn("soft.CAB"), true});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsSameFile(c.a, c.b), c.same);
    if (c.same) {
      // A copy onto itself would empty the only copy.
      const IoResult copied = CopyFileReplacing(c.a, c.b);
      EXPECT_FALSE(copied.ok);
      ExpectErrorText(copied.error);
      EXPECT_EQ(ReadFile(path), "cab");
    }
  }
}

#ifdef _WIN32
TEST_F(PlatformTest, AFileAnotherProgramHoldsIsNeitherReplacedNorCopiedOver) {
  const std::string path = PathIn("MyApp.inf");
  WriteFile(path, "[Version]\r\n");
  const std::wstring wide = PathOf(path).wstring();
  ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  HANDLE held = ::CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string source = PathIn("Stub.exe");
  WriteFile(source, "launcher");
  EXPECT_FALSE(CheckCanRewrite(path).ok);
  EXPECT_FALSE(ReplaceFileContents(path, "new").ok);
  EXPECT_FALSE(CopyFileReplacing(source, path).ok);
  std::string bytes;
  EXPECT_FALSE(ReadWholeFile(path, bytes).ok);
  ::CloseHandle(held);
  EXPECT_EQ(ReadFile(path), "[Version]\r\n");
  ::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(EntriesInFolder(), 2u);
}
#endif

// Leftovers of a write that was killed: the temporary files of a process that
// is gone are removed by the next write of the same file; those of a live
// process, or of another file, stay.
TEST_F(PlatformTest, TheNextWriteRemovesWhatAKilledWriteLeft) {
  const std::string path = PathIn("MyApp.inf");
  WriteFile(path, "[Version]\r\n");
#ifdef _WIN32
  const std::string mark = "~";
  const std::string own_pid = std::to_string(::GetCurrentProcessId());
#else
  const std::string mark = ".";
  const std::string own_pid = std::to_string(::getpid());
#endif
  const std::string gone_pid = "2147483644";  // beyond any system's process ids
  const std::string stale = mark + "MyApp.inf.quillet-" + gone_pid + "-12.tmp";
  const std::string live = mark + "MyApp.inf.quillet-" + own_pid + "-13.tmp";
  const std::string others = mark + "Other.inf.quillet-" + gone_pid + "-14.tmp";
  for (const std::string& name : {stale, live, others}) WriteFile(PathIn(name), "[Version]\r\n");

  ASSERT_TRUE(ReplaceFileContents(path, "[Version]\r\na=1\r\n").ok);
  EXPECT_FALSE(fs::exists(PathOf(PathIn(stale))));
  EXPECT_TRUE(fs::exists(PathOf(PathIn(live))));
  EXPECT_TRUE(fs::exists(PathOf(PathIn(others))));
  EXPECT_EQ(ReadFile(path), "[Version]\r\na=1\r\n");
}

#ifndef _WIN32
// Runs `body` in a child process as the user "nobody" and returns what it
// printed; empty with the reason in `skip` where that cannot be done.
std::string RunAsNobody(const std::function<std::string()>& body, std::string& skip) {
  if (::geteuid() != 0) {
    skip = "needs root to become another user";
    return {};
  }
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) {
    skip = "no user nobody";
    return {};
  }
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) {
    skip = "no pipe";
    return {};
  }
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
        ::setuid(nobody->pw_uid) != 0) {
      ::_exit(3);
    }
    const std::string out = body();
    const ssize_t written = ::write(pipe_fds[1], out.data(), out.size());
    ::_exit(written == static_cast<ssize_t>(out.size()) ? 0 : 4);
  }
  ::close(pipe_fds[1]);
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) skip = "the child failed";
  return out;
}

std::string Outcome(const IoResult& result) { return result.ok ? "ok" : result.error; }

// A user who may read but not write a file, in a folder they may write, is
// refused with the system's own words; the check before a run says the same
// as the write. A file they may write but do not own is written in place and
// keeps its owner.
TEST_F(PlatformTest, NobodyWritesWhatTheyCouldNotWriteInPlace) {
  fs::permissions(PathOf(folder_), fs::perms::all);
  struct Case {
    const char* what;
    mode_t mode;
    bool copy;  // CopyFileReplacing onto it, else ReplaceFileContents
    std::string outcome;
  };
  const Case cases[] = {
      {"0644 of another user", 0644, false, "Permission denied"},
      {"0640 of another user", 0640, false, "Permission denied"},
      {"0666 of another user", 0666, false, "ok"},
      {"copy onto 0644 of another user", 0644, true, "Permission denied"},
      {"copy onto 0666 of another user", 0666, true, "ok"},
  };
  const std::string source = PathIn("Stub.exe");
  WriteFile(source, "new launcher");
  ::chmod(source.c_str(), 0644);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = PathIn("target.inf");
    WriteFile(path, "old contents");
    ASSERT_EQ(::chown(path.c_str(), 0, 0), 0);
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    std::string skip;
    const std::string out = RunAsNobody(
        [&] {
          const std::string check = Outcome(CheckCanRewrite(path));
          const std::string write =
              Outcome(c.copy ? CopyFileReplacing(source, path) : ReplaceFileContents(path, "new"));
          return check + "|" + write;
        },
        skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
    EXPECT_EQ(out, c.outcome + "|" + c.outcome);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 0u) << "the owner stays";
    EXPECT_EQ(st.st_mode & 07777, c.mode);
    EXPECT_EQ(ReadFile(path), c.outcome != "ok" ? "old contents" : c.copy ? "new launcher" : "new");
    ::unlink(path.c_str());
  }
  EXPECT_EQ(EntriesInFolder(), 1u);
}

// Owner, group, mode and extended attributes (a POSIX ACL among them) stay
// with a file that is rewritten or copied over.
TEST_F(PlatformTest, WhatBelongsToTheFileStaysWithIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no user nobody";
  const std::string path = PathIn("MyApp.inf");
  const std::string source = PathIn("Stub.exe");
  WriteFile(source, "launcher");
  // user::rw- user:nobody:r-- group::r-- mask::r-- other::---
  const auto acl_entry = [](std::uint16_t tag, std::uint16_t perm, std::uint32_t id) {
    std::string e(8, '\0');
    std::memcpy(e.data(), &tag, 2);
    std::memcpy(e.data() + 2, &perm, 2);
    std::memcpy(e.data() + 4, &id, 4);
    return e;
  };
  std::string acl(4, '\0');
  const std::uint32_t version = 2;
  std::memcpy(acl.data(), &version, 4);
  acl += acl_entry(0x01, 6, 0xFFFFFFFF) + acl_entry(0x02, 4, nobody->pw_uid) +
         acl_entry(0x04, 4, 0xFFFFFFFF) + acl_entry(0x10, 4, 0xFFFFFFFF) +
         acl_entry(0x20, 0, 0xFFFFFFFF);

  for (const bool copy : {false, true}) {
    SCOPED_TRACE(copy ? "copy" : "replace");
    WriteFile(path, "old");
    ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    if (::setxattr(path.c_str(), "user.quillet", "kept", 4, 0) != 0 ||
        ::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
      GTEST_SKIP() << "no extended attributes here: " << std::strerror(errno);
    }
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);

    const IoResult written =
        copy ? CopyFileReplacing(source, path) : ReplaceFileContents(path, "new");
    ASSERT_TRUE(written.ok) << written.error;
    EXPECT_EQ(ReadFile(path), copy ? "launcher" : "new");
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    char value[256];
    const ssize_t size = ::getxattr(path.c_str(), "user.quillet", value, sizeof value);
    EXPECT_EQ(std::string(value, size > 0 ? static_cast<std::size_t>(size) : 0), "kept");
    const ssize_t acl_size =
        ::getxattr(path.c_str(), "system.posix_acl_access", value, sizeof value);
    EXPECT_EQ(std::string(value, acl_size > 0 ? static_cast<std::size_t>(acl_size) : 0), acl);
  }
}

TEST_F(PlatformTest, SymbolicLinksStayLinksAndTheirTargetIsWritten) {
  const std::string target = PathIn("real.inf");
  const std::string link = PathIn("link.inf");
  WriteFile(target, "old");
  fs::create_symlink(PathOf(target), PathOf(link));
  const std::string source = PathIn("Stub.exe");
  WriteFile(source, "launcher");

  ASSERT_TRUE(ReplaceFileContents(link, "new").ok);
  EXPECT_TRUE(fs::is_symlink(PathOf(link)));
  EXPECT_EQ(ReadFile(target), "new");
  ASSERT_TRUE(CopyFileReplacing(source, link).ok);
  EXPECT_TRUE(fs::is_symlink(PathOf(link)));
  EXPECT_EQ(ReadFile(target), "launcher");
  EXPECT_EQ(SymbolicLinkTarget(link), target);
  EXPECT_EQ(SymbolicLinkTarget(target), "");

  // A link that leads nowhere is not replaced by a file.
  const std::string dangling = PathIn("dangling.inf");
  fs::create_symlink(PathOf(PathIn("gone.inf")), PathOf(dangling));
  EXPECT_FALSE(ReplaceFileContents(dangling, "x").ok);
  EXPECT_FALSE(CopyFileReplacing(source, dangling).ok);
  EXPECT_TRUE(fs::is_symlink(PathOf(dangling)));
  EXPECT_FALSE(fs::exists(PathOf(PathIn("gone.inf"))));

  // Deleting a link removes the link only.
  ASSERT_TRUE(DeleteRegularFile(link).ok);
  EXPECT_FALSE(fs::is_symlink(PathOf(link)));
  EXPECT_EQ(ReadFile(target), "launcher");
  fs::create_symlink(PathOf(folder_), PathOf(PathIn("folder link")));
  EXPECT_FALSE(DeleteRegularFile(PathIn("folder link")).ok);
}

// A file written in place (several links) that a killed write left torn is put
// back from its backup before the next write reads it.
TEST_F(PlatformTest, ATornFileIsPutBackFromTheBackupOfAKilledWrite) {
  const std::string path = PathIn("MyApp.inf");
  WriteFile(path, "[Version]\r\nto");  // torn halfway
  ASSERT_EQ(::link(path.c_str(), PathIn("other.inf").c_str()), 0);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const std::string backup =
      PathIn(".MyApp.inf.quillet-2147483644-7-" + std::to_string(st.st_ino) + ".bak");
  WriteFile(backup, "[Version]\r\nold=1\r\n");
  std::string seen;
  const IoResult updated = UpdateFileContents(path, [&](const IoResult& read, std::string& bytes) {
    EXPECT_TRUE(read.ok);
    seen = bytes;
    bytes += "new=2\r\n";
    return true;
  });
  ASSERT_TRUE(updated.ok) << updated.error;
  EXPECT_EQ(seen, "[Version]\r\nold=1\r\n");
  EXPECT_EQ(ReadFile(PathIn("other.inf")), "[Version]\r\nold=1\r\nnew=2\r\n");
  EXPECT_EQ(EntriesInFolder(), 2u);
}
#endif

TEST(ProgramDirectoryTest, IsTheExistingFolderOfThisProgram) {
  const std::string folder = ProgramDirectory();
  const fs::path path = PathOf(folder);
  ASSERT_TRUE(fs::is_directory(path)) << folder;
  if (path != path.root_path()) {
    EXPECT_NE(folder.back(), kPathSeparator) << folder;
  }
  bool holds_this_program = false;
  for (const auto& entry : fs::directory_iterator(path)) {
    holds_this_program |= entry.path().stem() == "quillet_core_tests";
  }
  EXPECT_TRUE(holds_this_program) << folder;
}

}  // namespace
}  // namespace quillet::platform
