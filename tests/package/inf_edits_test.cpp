#include "package/inf_edits.h"

#include <functional>

#include "package/run_fixture.h"

namespace quillet::run_test {
namespace {

using Edit = std::function<void(const ToolState&, const std::string& inf, StatusLog&)>;

class InfEditsTest : public RunTest {
 protected:
  std::string WriteInf(const std::string& bytes) {
    const std::string inf = Dir() + "MyApp.inf";
    WriteBytes(inf, bytes);
    return inf;
  }
};

TEST_F(InfEditsTest, EachEditWritesItsEntryAndLogsOneRowPerWrite) {
  struct Case {
    const char* name;
    std::string before;
    Edit edit;
    std::string after;
    std::vector<ExpectedRow> rows;
  };
  const auto change = [](const ToolState& s, const std::string& inf, StatusLog& log) {
    ChangeShortcutKey(s, inf, log);
  };
  const auto section = [](const ToolState& s, const std::string& inf, StatusLog& log) {
    AddShortcutSection(s, inf, "Stub.exe", log);
  };
  const auto destination = [](const ToolState& s, const std::string& inf, StatusLog& log) {
    AddShortcutDestination(s, inf, log);
  };
  const auto remove = [](const ToolState&, const std::string& inf, StatusLog& log) {
    RemoveSourceDiskKey(inf, "Stub.exe", log);
  };
  const auto cpu = [](const ToolState& s, const std::string& inf, StatusLog& log) {
    AddCpuSourceDiskKeys(s, inf, "Stub.exe", log);
  };
  const std::string sh3 = "SourceDisksFiles.SH 3 (1K) v3.00";
  const std::string arm1100 = "SourceDisksFiles.Arm 1100 (4K) v3.00";
  const std::string arm720 = "SourceDisksFiles.Arm 720T (4K) v3.00";
  const Case cases[] = {
      {"CEShortcuts replaced in place",
       "[DefaultInstall]\r\nCEShortcuts = Shortcuts\r\nx=1\r\n",
       change,
       "[DefaultInstall]\r\nCEShortcuts = QuilletShortcut\r\nx=1\r\n",
       {{"INF Change", "Shortcuts", "QuilletShortcut", 1}}},
      {"no CEShortcuts: empty old value, key created",
       "[DefaultInstall]\r\nCopyFiles=a\r\n",
       change,
       "[DefaultInstall]\r\nCopyFiles=a\r\nCEShortcuts=QuilletShortcut\r\n",
       {{"INF Change", "", "QuilletShortcut", 1}}},
      {"second run: own name to own name",
       "[DefaultInstall]\r\nCEShortcuts=QuilletShortcut\r\n",
       change,
       "[DefaultInstall]\r\nCEShortcuts=QuilletShortcut\r\n",
       {{"INF Change", "QuilletShortcut", "QuilletShortcut", 1}}},
      {"new shortcut section at the end",
       "[Shortcuts]\r\n%AppName%,0,\"Project1.vb\"\r\n",
       section,
       "[Shortcuts]\r\n%AppName%,0,\"Project1.vb\"\r\n"
       "[QuilletShortcut]\r\n%AppName%,0,\"Stub.exe\"\r\n",
       {{"INF Add Section", "QuilletShortcut", "%AppName%,0,\"Stub.exe\"", 1}}},
      {"existing shortcut section keeps only the one line",
       "[QuilletShortcut]\r\nold,0,\"a.exe\"\r\nk=v\r\n[Next]\r\n",
       section,
       "[QuilletShortcut]\r\n%AppName%,0,\"Stub.exe\"\r\n[Next]\r\n",
       {{"INF Add Section", "QuilletShortcut", "%AppName%,0,\"Stub.exe\"", 1}}},
      {"destination added after the last key",
       "[DestinationDirs]\r\nShortcuts=0,%CE2%\\Start Menu\r\n\r\n[Next]\r\n",
       destination,
       "[DestinationDirs]\r\nShortcuts=0,%CE2%\\Start Menu\r\n"
       "QuilletShortcut=,%CE2%\\Start Menu\r\n\r\n[Next]\r\n",
       {{"INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 1}}},
      {"existing destination key replaced",
       "[DestinationDirs]\r\nQuilletShortcut=0,%CE1%\r\n",
       destination,
       "[DestinationDirs]\r\nQuilletShortcut=,%CE2%\\Start Menu\r\n",
       {{"INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 1}}},
      {"launcher key removed",
       "[SourceDisksFiles]\r\nProject1.vb=1\r\nStub.exe=1\r\n",
       remove,
       "[SourceDisksFiles]\r\nProject1.vb=1\r\n",
       {{"INF Remove Key", "SourceDisksFiles", "Stub.exe", 1}}},
      {"no launcher key: nothing removed, row all the same",
       "[SourceDisksFiles]\r\na=1\r\n",
       remove,
       "[SourceDisksFiles]\r\na=1\r\n",
       {{"INF Remove Key", "SourceDisksFiles", "Stub.exe", 1}}},
      {"only SH3 has keys: one row",
       "[" + sh3 + "]\r\nrt.dll=4\r\n[" + arm1100 + "]\r\n",
       cpu,
       "[" + sh3 + "]\r\nrt.dll=4\r\nStub.exe=4\r\n[" + arm1100 + "]\r\n",
       {{"INF Add CPU Key", sh3, "Stub.exe=4", 1}}},
      {"both ARM sections, each with its own first value",
       "[" + arm720 + "]\r\nb.dll=6\r\nc=9\r\n[" + arm1100 + "]\r\n; comment\r\na.dll=5\r\n",
       cpu,
       "[" + arm720 + "]\r\nb.dll=6\r\nc=9\r\nStub.exe=6\r\n[" + arm1100 +
           "]\r\n; comment\r\na.dll=5\r\nStub.exe=5\r\n",
       {{"INF Add CPU Key", arm1100, "Stub.exe=5", 1},
        {"INF Add CPU Key", arm720, "Stub.exe=6", 1}}},
      {"first key with an empty value",
       "[" + sh3 + "]\r\nrt.dll=\r\n",
       cpu,
       "[" + sh3 + "]\r\nrt.dll=\r\nStub.exe=\r\n",
       {{"INF Add CPU Key", sh3, "Stub.exe=", 1}}},
      {"second run keeps the first key first",
       "[" + sh3 + "]\r\nrt.dll=4\r\nStub.exe=4\r\n",
       cpu,
       "[" + sh3 + "]\r\nrt.dll=4\r\nStub.exe=4\r\n",
       {{"INF Add CPU Key", sh3, "Stub.exe=4", 1}}},
      {"a section with only a line without '=' has no keys",
       "[" + sh3 + "]\r\nnot a key\r\n; rt.dll=4\r\n",
       cpu,
       "[" + sh3 + "]\r\nnot a key\r\n; rt.dll=4\r\n",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string inf = WriteInf(c.before);
    StatusLog log;
    c.edit(state_, inf, log);
    EXPECT_EQ(ReadBytes(inf), c.after);
    ExpectRows(log, c.rows);
    for (const StatusRow& row : log.Rows()) EXPECT_EQ(row.message, "");
  }
}

TEST_F(InfEditsTest, ShortcutSectionWrittenTwiceHoldsOneLine) {
  const std::string inf = WriteInf("[Version]\r\n");
  StatusLog log;
  AddShortcutSection(state_, inf, "A.exe", log);
  AddShortcutSection(state_, inf, "B.exe", log);
  EXPECT_EQ(ReadBytes(inf), "[Version]\r\n[QuilletShortcut]\r\n%AppName%,0,\"B.exe\"\r\n");
}

TEST_F(InfEditsTest, ReadOnlyInfGivesRedRowsAndStaysIntact) {
  const std::string before =
      "[DefaultInstall]\r\nCEShortcuts=Shortcuts\r\n"
      "[SourceDisksFiles]\r\nStub.exe=1\r\n"
      "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\nrt.dll=2\r\n";
  const std::string inf = WriteInf(before);
  MakeReadOnly(inf);
  StatusLog log;

  ChangeShortcutKey(state_, inf, log);
  AddShortcutSection(state_, inf, "Stub.exe", log);
  AddShortcutDestination(state_, inf, log);
  RemoveSourceDiskKey(inf, "Stub.exe", log);
  AddCpuSourceDiskKeys(state_, inf, "Stub.exe", log);

  ExpectRows(log, {{"INF Change", "Shortcuts", "QuilletShortcut", 2},
                   {"INF Add Section", "QuilletShortcut", "%AppName%,0,\"Stub.exe\"", 2},
                   {"INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 2},
                   {"INF Remove Key", "SourceDisksFiles", "Stub.exe", 2},
                   {"INF Add CPU Key", "SourceDisksFiles.Mips 4000 (4K) v3.00", "Stub.exe=2", 2}});
  for (const StatusRow& row : log.Rows()) {
    ExpectFailureText(row.message, "Could not write " + inf + ": ", "Permission denied");
  }
  EXPECT_EQ(ReadBytes(inf), before);
}

}  // namespace
}  // namespace quillet::run_test
