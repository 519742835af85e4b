#include "stub/stub_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/crlf_lines.h"

namespace quillet {
namespace {

// The launcher source for "Project1.vb" / "StubLauncher.exe", written out line
// by line. A "$" marks the end of a line that ends in spaces, so that an editor
// trimming trailing blanks cannot change what is expected.
constexpr const char* kLoadTimeSource =
    R"(// StubLauncher.cpp : Defines the entry point for the application.
//

#include "stdafx.h"
#include "shellapi.h"

LPTSTR szAppName = _T("Project1.vb");
LPTSTR szStubName = _T("StubLauncher.exe");

int WINAPI WinMain( HINSTANCE hInstance,
            HINSTANCE hPrevInstance,
            LPTSTR    lpCmdLine,
            int       nCmdShow)
{
   long retVal;
   TCHAR szPath[128];
   LPTSTR Instr;
   LPTSTR szVerb = _T("open");

   //Start the Visual Basic application and exit.
   SHELLEXECUTEINFO lpExecInfo;
   memset(&lpExecInfo, 0, sizeof(SHELLEXECUTEINFO));

   lpExecInfo.cbSize = sizeof(SHELLEXECUTEINFO);

   // Get the path to the current directory.
   retVal = GetModuleFileName(hInstance, szPath, 128);
   if (retVal) {
      // Remove the stubs file name to get just the path.
      Instr = wcsstr(szPath, szStubName);

      if (Instr != NULL)
         // Add the target file to the resulting path.
         wcscpy(Instr, szAppName);
        $
      //MessageBox(0, szPath, _T("This is the path I got"), 0);

      // Now use this to start the application.
      lpExecInfo.lpFile = szPath;
      $
      lpExecInfo.nShow = SW_SHOWNORMAL;
      lpExecInfo.fMask = SEE_MASK_NOCLOSEPROCESS;
      lpExecInfo.lpVerb = szVerb ;
        $
      ShellExecuteEx(&lpExecInfo);
      return(0);
   }

   return(-1);
})";

// Turns the written-out text into the generator's form: CR LF joins, "$" markers
// removed.
std::string WithCrLf(const std::string& text) {
  std::string result;
  for (const char c : text) {
    if (c == '$') continue;
    if (c == '\n') result += '\r';
    result += c;
  }
  return result;
}

using testing_support::SplitCrLf;

TEST(BuildStubSource, LoadTimeNamesGiveTheWholeSourceByteForByte) {
  const std::string source = BuildStubSource("Project1.vb", "StubLauncher.exe");
  EXPECT_EQ(source, WithCrLf(kLoadTimeSource));
}

TEST(BuildStubSource, HasFiftyCrLfLinesAndNoLineEndAtEitherEnd) {
  for (const auto& [app, launcher] : std::vector<std::pair<std::string, std::string>>{
           {"Project1.vb", "StubLauncher.exe"}, {".vb", ".exe"}, {"", ""}}) {
    const std::string source = BuildStubSource(app, launcher);
    const auto lines = SplitCrLf(source);
    EXPECT_EQ(lines.size(), 50u) << app << " / " << launcher;
    EXPECT_EQ(source.back(), '}');
    EXPECT_NE(source.front(), '\r');
    for (const auto& line : lines) {
      EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line break in: " << line;
    }
  }
}

TEST(BuildStubSource, LinesMadeOnlyOfSpacesKeepTheirWidth) {
  const auto lines = SplitCrLf(BuildStubSource("Project1.vb", "StubLauncher.exe"));
  ASSERT_EQ(lines.size(), 50u);
  EXPECT_EQ(lines[34], std::string(8, ' '));
  EXPECT_EQ(lines[39], std::string(6, ' '));
  EXPECT_EQ(lines[43], std::string(8, ' '));
  EXPECT_EQ(lines[9], "int WINAPI WinMain( HINSTANCE hInstance,");
  EXPECT_EQ(lines[42], "      lpExecInfo.lpVerb = szVerb ;");
}

// How the typed names reach lines 1, 7 and 8, and that they reach no other line.
TEST(BuildStubSource, NamesAreInsertedAsTyped) {
  struct Case {
    const char* app;
    const char* launcher;
    const char* line1;
    const char* line7;
    const char* line8;
  };
  const Case cases[] = {
      {".vb", ".exe", "// .cpp : Defines the entry point for the application.",
       "LPTSTR szAppName = _T(\".vb\");", "LPTSTR szStubName = _T(\".exe\");"},
      {"App.vb", "my.stub.exe", "// my.stub.cpp : Defines the entry point for the application.",
       "LPTSTR szAppName = _T(\"App.vb\");", "LPTSTR szStubName = _T(\"my.stub.exe\");"},
      // The launcher name is a Windows name: only the part after the last "\"
      // is its file name, on every platform.
      {"App.vb", "a\\b.exe", "// b.cpp : Defines the entry point for the application.",
       "LPTSTR szAppName = _T(\"App.vb\");", "LPTSTR szStubName = _T(\"a\\b.exe\");"},
      {"a/b.vb", "c/d.exe", "// c/d.cpp : Defines the entry point for the application.",
       "LPTSTR szAppName = _T(\"a/b.vb\");", "LPTSTR szStubName = _T(\"c/d.exe\");"},
      {"MyApp.vb.vb", "MyApp.exe", "// MyApp.cpp : Defines the entry point for the application.",
       "LPTSTR szAppName = _T(\"MyApp.vb.vb\");", "LPTSTR szStubName = _T(\"MyApp.exe\");"},
      // Spaces and double quotes are not escaped or trimmed.
      {" My \"App\" .vb", " x y .exe",
       "//  x y .cpp : Defines the entry point for the application.",
       "LPTSTR szAppName = _T(\" My \"App\" .vb\");", "LPTSTR szStubName = _T(\" x y .exe\");"},
  };
  const auto reference = SplitCrLf(BuildStubSource("Project1.vb", "StubLauncher.exe"));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.app) + " / " + c.launcher);
    const auto lines = SplitCrLf(BuildStubSource(c.app, c.launcher));
    ASSERT_EQ(lines.size(), 50u);
    EXPECT_EQ(lines[0], c.line1);
    EXPECT_EQ(lines[6], c.line7);
    EXPECT_EQ(lines[7], c.line8);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i == 0 || i == 6 || i == 7) continue;
      EXPECT_EQ(lines[i], reference[i]) << "line " << i + 1;
    }
  }
}

}  // namespace
}  // namespace quillet
