// "Make Modifications" on the Windows sample package, end to end through the
// Win32 window under Wine: the package and both launchers picked with the
// scripted file dialog, the run started with the button, the CAB command of
// readme.txt (the CAB Wizard's form: a quoted path with spaces to a .bat, then
// quoted arguments) run through cmd.exe, and then the status list, the INF,
// the cabinets and the package's files checked as a user would find them.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "wizard_window_fixture.h"

namespace quillet::win32::testing {
namespace {

namespace fs = std::filesystem;
constexpr const char* kMips = "Mips 4000 (4K) v3.00";
constexpr const char* kArm = "Arm 1100 (4K) v3.00";

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Row {
  std::string action;
  std::string value1;
  std::string value2;
  int status;
};

class SampleRunTest : public WizardWindowTest {
 protected:
  int ItemImage(int item) const {
    LVITEMW request{};
    request.mask = LVIF_IMAGE;
    request.iItem = item;
    ::SendMessageW(Control("lvwStatus"), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request));
    return request.iImage;
  }
  std::string ItemText(int item, int sub_item) const {
    wchar_t text[2048] = {};
    LVITEMW request{};
    request.iSubItem = sub_item;
    request.pszText = text;
    request.cchTextMax = 2048;
    ::SendMessageW(Control("lvwStatus"), LVM_GETITEMTEXTW, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(&request));
    return Narrow(text);
  }
};

TEST_F(SampleRunTest, MakeModificationsOnTheWindowsSamplePackage) {
  const fs::path examples = QUILLET_EXAMPLES_DIR;
  const fs::path root = folder_;
  fs::copy(examples / "windows_sample_package", root / "pkg", fs::copy_options::recursive);
  fs::copy(examples / "launchers", root / "launchers", fs::copy_options::recursive);
  const std::string d = (root / "pkg").string() + "\\";
  const std::string inf = d + "Project1.inf";
  const std::string mips_launcher = (root / "launchers" / "Mips" / "StubLauncher.exe").string();
  const std::string arm_launcher = (root / "launchers" / "Arm" / "StubLauncher.exe").string();

  dialogs_.Pick(inf);
  Click("cmdDPackage");
  dialogs_.Pick(mips_launcher);
  Click("cmdWrapperBrowse");
  dialogs_.Pick(arm_launcher);
  Click("cmdWrapperBrowse3");
  Click("cmdAuto");

  EXPECT_TRUE(dialogs_.warnings.empty());
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(dialogs_.unexpected.empty());
  EXPECT_FALSE(window_->IsBusy());

  // The fifteen rows, as the list view shows them.
  const std::string cd1 = d + "CD1\\";
  const std::string mips_cab = std::string("Project1.") + kMips + ".CAB";
  const std::string arm_cab = std::string("Project1.") + kArm + ".CAB";
  const Row expected[] = {
      {"INF Change", "Shortcuts", "QuilletShortcut", kStatusSuccess},
      {"INF Add Section", "QuilletShortcut", "%AppName%,0,\"StubLauncher.exe\"", kStatusSuccess},
      {"INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", kStatusSuccess},
      {"Run CMD", d, "", kStatusInformation},
      {"Move CAB", d + mips_cab, cd1 + mips_cab, kStatusSuccess},
      {"Move CAB", d + arm_cab, cd1 + arm_cab, kStatusSuccess},
      {"Copy EXE", mips_launcher, d + kMips + "\\", kStatusSuccess},
      {"Copy EXE", arm_launcher, d + kArm + "\\", kStatusSuccess},
      {"Delete", "StubLauncher.exe", d + "APP\\", kStatusSuccess},
      {"INF Remove Key", "SourceDisksFiles", "StubLauncher.exe", kStatusSuccess},
      {"INF Add CPU Key", std::string("SourceDisksFiles.") + kMips, "StubLauncher.exe=2",
       kStatusSuccess},
      {"INF Add CPU Key", std::string("SourceDisksFiles.") + kArm, "StubLauncher.exe=3",
       kStatusSuccess},
      {"Run CMD", d, "", kStatusInformation},
      {"Move CAB", d + mips_cab, cd1 + mips_cab, kStatusSuccess},
      {"Move CAB", d + arm_cab, cd1 + arm_cab, kStatusSuccess},
  };
  const auto count = ::SendMessageW(Control("lvwStatus"), LVM_GETITEMCOUNT, 0, 0);
  ASSERT_EQ(count, 15) << (window_->StatusRows().empty() ? std::string()
                                                         : window_->StatusRows()[3].message);
  for (int i = 0; i < 15; ++i) {
    const Row& row = expected[i];
    SCOPED_TRACE("row " + std::to_string(i + 1) + ": " + window_->StatusRows()[i].message);
    EXPECT_EQ(ItemText(i, 0), row.action);
    EXPECT_EQ(ItemText(i, 1), row.value1);
    EXPECT_EQ(ItemText(i, 2), row.value2);
    EXPECT_EQ(window_->StatusRows()[i].colour, StatusColour(row.status));
    EXPECT_EQ(ItemImage(i), 0);  // the check mark
  }
  // The last row selected and in view: nothing failed.
  EXPECT_EQ(
      ::SendMessageW(Control("lvwStatus"), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED),
      14);

  // The INF: the touched entries changed, every other byte as it was.
  EXPECT_EQ(ReadBytes(inf),
            ReadBytes(fs::path(QUILLET_TEST_DATA_DIR) / "run" / "Project1_after.inf"));

  // Each cabinet in CD1 holds its processor's launcher under the launcher's
  // name (cabinets keep their file names in plain text).
  for (const char* processor : {kMips, kArm}) {
    SCOPED_TRACE(processor);
    const std::string cabinet = ReadBytes(cd1 + "Project1." + processor + ".CAB");
    ASSERT_EQ(cabinet.substr(0, 4), "MSCF");
    EXPECT_NE(cabinet.find(std::string("StubLauncher.exe") + '\0'), std::string::npos);
    EXPECT_NE(cabinet.find(std::string("helper.dll") + '\0'), std::string::npos);
    EXPECT_FALSE(fs::exists(d + "Project1." + processor + ".CAB"));
  }
  EXPECT_EQ(ReadBytes(d + kMips + "\\StubLauncher.exe"), ReadBytes(mips_launcher));
  EXPECT_EQ(ReadBytes(d + kArm + "\\StubLauncher.exe"), ReadBytes(arm_launcher));
  EXPECT_FALSE(fs::exists(d + "APP\\StubLauncher.exe"));
  EXPECT_TRUE(fs::exists(d + "APP\\Project1.vb"));
}

// Escape while the CAB command runs: the window passes it on even though it
// takes no other input, the user is asked, the command is stopped, and the
// package is put back when the user says so.
TEST_F(SampleRunTest, EscapeStopsTheRunningCommandAndThePackageGoesBack) {
  const fs::path examples = QUILLET_EXAMPLES_DIR;
  const fs::path root = folder_;
  fs::copy(examples / "windows_sample_package", root / "pkg", fs::copy_options::recursive);
  fs::copy(examples / "launchers", root / "launchers", fs::copy_options::recursive);
  const std::string d = (root / "pkg").string() + "\\";
  // A command that never ends by itself.
  {
    std::ofstream(d + "forever.bat", std::ios::binary) << "@echo off\r\n:again\r\ngoto again\r\n";
    std::ofstream(d + "readme.txt", std::ios::binary)
        << "To rebuild the cab files run the following command\r\n"
           "\"forever.bat\" \"Project1.inf\"\r\n"
           "Then copy the CAB files created to the CD1 directory.\r\n";
  }
  const std::string inf = d + "Project1.inf";
  const std::string inf_before = ReadBytes(inf);
  dialogs_.Pick(inf);
  Click("cmdDPackage");
  dialogs_.Pick((root / "launchers" / "Mips" / "StubLauncher.exe").string());
  Click("cmdWrapperBrowse");
  dialogs_.Pick((root / "launchers" / "Arm" / "StubLauncher.exe").string());
  Click("cmdWrapperBrowse3");

  dialogs_.AnswerYes();  // stop the command
  dialogs_.AnswerYes();  // put the package back
  // Pressed as the run starts; it waits in the queue until the window pumps.
  ::PostMessageW(Control("cmdAuto"), WM_KEYDOWN, VK_ESCAPE, 0);
  Click("cmdAuto");

  ASSERT_GE(dialogs_.questions.size(), 2u);
  EXPECT_EQ(dialogs_.questions[0].text, kStopCommandQuestion);
  EXPECT_FALSE(dialogs_.questions[0].busy_shown);  // asked with the normal cursor
  EXPECT_NE(dialogs_.questions[1].text.find("Put the package back"), std::string::npos);
  const auto& rows = window_->StatusRows();
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[3].action, "Run CMD");
  EXPECT_EQ(rows[3].colour, StatusColour(kStatusFailure));
  EXPECT_EQ(rows[3].message, kStoppedByUserMessage);
  EXPECT_FALSE(window_->IsBusy());
  // Put back as it was.
  EXPECT_EQ(ReadBytes(inf), inf_before);
  EXPECT_TRUE(fs::exists(d + "APP\\StubLauncher.exe"));
  EXPECT_FALSE(fs::exists(d + kMips + "\\StubLauncher.exe"));
}

}  // namespace
}  // namespace quillet::win32::testing
