// "Make Modifications" on the sample package, end to end through the window:
// the package and both launchers picked with the scripted file dialog, the run
// started with the button, and then the status list, the INF, the cabinets and
// the package's files checked as a user would find them.
#include <QPushButton>
#include <QTreeView>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/platform.h"
#include "qt/main_window.h"
#include "scripted_dialogs.h"

namespace quillet {
namespace {

namespace fs = std::filesystem;
constexpr char kSep = platform::kPathSeparator;
constexpr const char* kMips = "Mips 4000 (4K) v3.00";
constexpr const char* kArm = "Arm 1100 (4K) v3.00";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The status list's colour of a status, as the list view shows it.
QColor ColourOf(int status) {
  const std::uint32_t bgr = StatusColour(status);
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

struct Row {
  std::string action;
  std::string value1;
  std::string value2;
  int status;
};

}  // namespace

class SampleRunTest : public QObject {
  Q_OBJECT

 private slots:
  void makeModificationsOnTheSamplePackage();
};

void SampleRunTest::makeModificationsOnTheSamplePackage() {
#ifdef _WIN32
  QSKIP("the sample's rebuild command is a POSIX shell script");
#else
  if (std::system("command -v gcab > /dev/null 2>&1") != 0) QSKIP("gcab is missing");
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString() + kSep;
  const fs::path examples = QUILLET_EXAMPLES_DIR;
  fs::copy(examples / "sample_package", root + "pkg", fs::copy_options::recursive);
  fs::copy(examples / "launchers", root + "launchers", fs::copy_options::recursive);
  const std::string d = root + "pkg" + kSep;
  const std::string inf = d + "Project1.inf";
  const std::string mips_launcher = root + "launchers" + kSep + "Mips" + kSep + "StubLauncher.exe";
  const std::string arm_launcher = root + "launchers" + kSep + "Arm" + kSep + "StubLauncher.exe";

  ToolState state;
  testing::CursorScriptedDialogs dialogs;
  auto window = std::make_unique<MainWindow>(state, dialogs, root);
  window->show();
  const auto click = [&](const char* name) {
    auto* button = window->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY(button != nullptr);
    QVERIFY(button->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton);
  };
  dialogs.Pick(inf);
  click("cmdDPackage");
  dialogs.Pick(mips_launcher);
  click("cmdWrapperBrowse");
  dialogs.Pick(arm_launcher);
  click("cmdWrapperBrowse3");

  click("cmdAuto");

  QVERIFY(dialogs.warnings.empty());
  QVERIFY(dialogs.messages.empty());
  QVERIFY(dialogs.unexpected.empty());

  // The fifteen rows, as the list view shows them.
  const std::string cd1 = d + "CD1" + kSep;
  const std::string mips_cab = std::string("Project1.") + kMips + ".CAB";
  const std::string arm_cab = std::string("Project1.") + kArm + ".CAB";
  const Row expected[] = {
      {"INF Change", "Shortcuts", "QuilletShortcut", 1},
      {"INF Add Section", "QuilletShortcut", "%AppName%,0,\"StubLauncher.exe\"", 1},
      {"INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 1},
      {"Run CMD", d, "", 3},
      {"Move CAB", d + mips_cab, cd1 + mips_cab, 1},
      {"Move CAB", d + arm_cab, cd1 + arm_cab, 1},
      {"Copy EXE", mips_launcher, d + kMips + kSep, 1},
      {"Copy EXE", arm_launcher, d + kArm + kSep, 1},
      {"Delete", "StubLauncher.exe", d + "APP" + kSep, 1},
      {"INF Remove Key", "SourceDisksFiles", "StubLauncher.exe", 1},
      {"INF Add CPU Key", std::string("SourceDisksFiles.") + kMips, "StubLauncher.exe=2", 1},
      {"INF Add CPU Key", std::string("SourceDisksFiles.") + kArm, "StubLauncher.exe=3", 1},
      {"Run CMD", d, "", 3},
      {"Move CAB", d + mips_cab, cd1 + mips_cab, 1},
      {"Move CAB", d + arm_cab, cd1 + arm_cab, 1},
  };
  auto* view = window->findChild<QTreeView*>("lvwStatus");
  const QAbstractItemModel* list = view->model();
  QCOMPARE(list->rowCount(), 15);
  for (int i = 0; i < 15; ++i) {
    const Row& row = expected[i];
    const QString where = QString("row %1").arg(i + 1);
    QVERIFY2(list->index(i, 0).data().toString().toStdString() == row.action, qPrintable(where));
    QVERIFY2(list->index(i, 1).data().toString().toStdString() == row.value1, qPrintable(where));
    QVERIFY2(list->index(i, 2).data().toString().toStdString() == row.value2, qPrintable(where));
    QVERIFY2(list->index(i, 0).data(Qt::ForegroundRole).value<QColor>() == ColourOf(row.status),
             qPrintable(where));
  }

  // With every row a success, the list ends on the last one, selected.
  QCOMPARE(view->currentIndex().row(), 14);
  QVERIFY(view->selectionModel()->isRowSelected(14, QModelIndex()));

  // The INF: the touched entries changed, every other byte as it was.
  QCOMPARE(ReadBytes(inf),
           ReadBytes(std::string(QUILLET_TEST_DATA_DIR) + "/run/Project1_after.inf"));

  // Each cabinet in CD1 holds its processor's launcher under the launcher's name.
  for (const auto& [processor, launcher] :
       {std::pair<std::string, std::string>{kMips, mips_launcher}, {kArm, arm_launcher}}) {
    const std::string cab = cd1 + "Project1." + processor + ".CAB";
    const std::string out = root + "out";
    fs::remove_all(out);
    fs::create_directories(out);
    QCOMPARE(std::system(("gcab -x -C " + Quoted(out) + " " + Quoted(cab)).c_str()), 0);
    QCOMPARE(ReadBytes(out + kSep + "StubLauncher.exe"), ReadBytes(launcher));
    QCOMPARE(ReadBytes(d + processor + kSep + "StubLauncher.exe"), ReadBytes(launcher));
    QVERIFY(!fs::exists(d + "Project1." + processor + ".CAB"));
  }
  QVERIFY(!fs::exists(d + "APP" + kSep + "StubLauncher.exe"));
  QVERIFY(fs::exists(d + "APP" + kSep + "Project1.vb"));
  QVERIFY(QApplication::overrideCursor() == nullptr);
#endif
}

}  // namespace quillet

QTEST_MAIN(quillet::SampleRunTest)
#include "sample_run_test.moc"
