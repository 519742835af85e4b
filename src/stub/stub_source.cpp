#include "stub/stub_source.h"

#include <string_view>

#include "util/path_helpers.h"

namespace quillet {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Lines 9 to 50: the body of WinMain, which no name enters.
constexpr std::string_view kBodyLines[] = {
    "",
    "int WINAPI WinMain( HINSTANCE hInstance,",
    "            HINSTANCE hPrevInstance,",
    "            LPTSTR    lpCmdLine,",
    "            int       nCmdShow)",
    "{",
    "   long retVal;",
    "   TCHAR szPath[128];",
    "   LPTSTR Instr;",
    "   LPTSTR szVerb = _T(\"open\");",
    "",
    "   //Start the Visual Basic application and exit.",
    "   SHELLEXECUTEINFO lpExecInfo;",
    "   memset(&lpExecInfo, 0, sizeof(SHELLEXECUTEINFO));",
    "",
    "   lpExecInfo.cbSize = sizeof(SHELLEXECUTEINFO);",
    "",
    "   // Get the path to the current directory.",
    "   retVal = GetModuleFileName(hInstance, szPath, 128);",
    "   if (retVal) {",
    "      // Remove the stubs file name to get just the path.",
    "      Instr = wcsstr(szPath, szStubName);",
    "",
    "      if (Instr != NULL)",
    "         // Add the target file to the resulting path.",
    "         wcscpy(Instr, szAppName);",
    "        ",
    "      //MessageBox(0, szPath, _T(\"This is the path I got\"), 0);",
    "",
    "      // Now use this to start the application.",
    "      lpExecInfo.lpFile = szPath;",
    "      ",
    "      lpExecInfo.nShow = SW_SHOWNORMAL;",
    "      lpExecInfo.fMask = SEE_MASK_NOCLOSEPROCESS;",
    "      lpExecInfo.lpVerb = szVerb ;",
    "        ",
    "      ShellExecuteEx(&lpExecInfo);",
    "      return(0);",
    "   }",
    "",
    "   return(-1);",
    "}",
};

}  // namespace

std::string BuildStubSource(const std::string& app_file_name,
                            const std::string& launcher_file_name) {
  std::string text;
  text.reserve(1400 + app_file_name.size() + 2 * launcher_file_name.size());

  text += "// ";
  text += GetBaseName(launcher_file_name, '\\');
  text += ".cpp : Defines the entry point for the application.";
  text += kLineEnd;
  text += "//";
  text += kLineEnd;
  text += kLineEnd;
  text += "#include \"stdafx.h\"";
  text += kLineEnd;
  text += "#include \"shellapi.h\"";
  text += kLineEnd;
  text += kLineEnd;
  text += "LPTSTR szAppName = _T(\"";
  text += app_file_name;
  text += "\");";
  text += kLineEnd;
  text += "LPTSTR szStubName = _T(\"";
  text += launcher_file_name;
  text += "\");";
  for (const std::string_view line : kBodyLines) {
    text += kLineEnd;
    text += line;
  }
  return text;
}

}  // namespace quillet
