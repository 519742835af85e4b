// Drives the Step 4 page of the real window on the offscreen platform: the
// four "Browse" buttons with a scripted file dialog, the launcher rows, the
// readiness of "Make Modifications", the status list and the start of a run.
#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFont>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <cerrno>
#include <functional>
#include <memory>
#include <system_error>
#include <vector>

#include "package/modification_run.h"
#include "profile/profile_file.h"
#include "qt/main_window.h"
#include "scripted_dialogs.h"

namespace quillet {
namespace {

using ScriptedDialogs = testing::CursorScriptedDialogs;

const QColor kGrey(0xC0, 0xC0, 0xC0);
const QColor kWhite(0xFF, 0xFF, 0xFF);

constexpr const char* kRowBoxes[] = {"txtWrapper", "txtWrapper2", "txtWrapper3"};
constexpr const char* kRowButtons[] = {"cmdWrapperBrowse", "cmdWrapperBrowse2",
                                       "cmdWrapperBrowse3"};
constexpr const char* kRowLabels[] = {"lblWrapper", "lblWrapper2", "lblWrapper3"};

constexpr const char* kMipsSection = "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\nStub.exe=2\r\n";
constexpr const char* kSh3Section = "[SourceDisksFiles.SH 3 (1K) v3.00]\r\nStub.exe=3\r\n";
constexpr const char* kArm1100Section = "[SourceDisksFiles.Arm 1100 (4K) v3.00]\r\nStub.exe=4\r\n";
constexpr const char* kArm720Section = "[SourceDisksFiles.Arm 720T (4K) v3.00]\r\nStub.exe=5\r\n";

// A path written with "/" in the platform's own separators.
std::string Native(std::string path) {
  for (char& c : path) {
    if (c == '/') c = platform::kPathSeparator;
  }
  return path;
}

std::string InfText(const std::string& shortcuts, const std::string& processor_sections) {
  return "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
         "[DefaultInstall]\r\nCEShortcuts=" +
         shortcuts +
         "\r\n"
         "[SourceDisksFiles]\r\nProject1.vb=1\r\nStub.exe=1\r\n" +
         processor_sections;
}

// One window with its own settings folder and scripted dialogs.
class Step4Window {
 public:
  Step4Window() : Step4Window(std::string()) {}
  // settings: the text of Davure.ini to start with; empty for none.
  explicit Step4Window(const std::string& settings) {
    folder_ = QDir::toNativeSeparators(dir.path()).toStdString();
    if (!settings.empty()) Write("Davure.ini", settings);
    window = std::make_unique<MainWindow>(state, dialogs, folder_);
    window->show();
  }

  ~Step4Window() {
    // The scripted answers a test set up must all have been asked for.
    if (!dialogs.AllAnswersUsed()) qWarning("scripted answers left over");
  }

  // The test's own temporary folder, native separators, no trailing one.
  const std::string& Folder() const { return folder_; }

  std::string Path(const std::string& name) const {
    return folder_ + platform::kPathSeparator + Native(name);
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = Path(name);
    const std::size_t slash = name.find('/');
    if (slash != std::string::npos)
      QDir(dir.path()).mkpath(QString::fromStdString(name.substr(0, slash)));
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", path.c_str());
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return path;
  }

  template <typename Control>
  Control* Find(const char* name) const {
    auto* control = window->findChild<Control*>(QString::fromLatin1(name));
    if (!control) qFatal("no control %s", name);
    return control;
  }

  void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

  // Picks a file through a "Browse" button.
  void Choose(const char* button, const std::string& path) {
    dialogs.Pick(path);
    Click(button);
  }

  bool RowEnabled(int row) const { return Find<QLineEdit>(kRowBoxes[row])->isEnabled(); }
  QString BoxText(const char* box) const { return Find<QLineEdit>(box)->text(); }
  bool ReadyToModify() const { return Find<QPushButton>("cmdAuto")->isEnabled(); }

  QTemporaryDir dir;
  ToolState state;
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;

 private:
  std::string folder_;
};

// What a run needs beside the INF before it starts: readme.txt with a rebuild
// command (unless the test wrote its own), CD1 and the MIPS processor folder.
void AddPackageParts(Step4Window& w) {
  if (!QFile::exists(QString::fromStdString(w.Path("readme.txt")))) {
    w.Write("readme.txt",
            "To rebuild the cab files run the following command\r\nexit 0\r\n"
            "Then copy the CAB files created to the CD1 directory.\r\n");
  }
  QDir(w.dir.path()).mkpath(QStringLiteral("CD1"));
  QDir(w.dir.path()).mkpath(QStringLiteral("Mips 4000 (4K) v3.00"));
}

// A package whose MIPS launcher is chosen, ready for "Make Modifications".
std::string PrepareRun(Step4Window& w) {
  const std::string inf = w.Write("Project1.inf", InfText("Shortcuts", kMipsSection));
  w.Write("readme.txt",
          "To rebuild the cab files run the following command\r\nbuild the cabs\r\n"
          "Then copy the CAB files created to the CD1 directory.\r\n");
  AddPackageParts(w);
  w.Choose("cmdDPackage", inf);
  w.Choose("cmdWrapperBrowse", w.Write("Stub.exe", "MZ"));
  return inf;
}

// Stands in for the CAB command: on its first round it hands the window an
// event, as the window system would while the command runs, then waits some
// rounds for the window to say stop.
struct CommandWithEvent {
  std::function<void()> first_round;
  int commands = 0;
  std::vector<bool> stopped;

  platform::CommandResult operator()(const std::string&, const std::string&,
                                     const platform::CommandCallbacks& callbacks) {
    if (++commands == 1 && first_round) first_round();
    bool stop = false;
    for (int round = 0; round < 5 && !stop; ++round) stop = callbacks.while_waiting();
    stopped.push_back(stop);
    platform::CommandResult result = platform::CommandEnded(0);
    result.stopped = stop;
    return result;
  }
};

// Each row's three controls agree, and the box has the colour of its state.
void VerifyRowState(const Step4Window& w, int row, bool enabled) {
  const auto* box = w.Find<QLineEdit>(kRowBoxes[row]);
  QCOMPARE(box->isEnabled(), enabled);
  QCOMPARE(w.Find<QPushButton>(kRowButtons[row])->isEnabled(), enabled);
  QCOMPARE(w.Find<QLabel>(kRowLabels[row])->isEnabled(), enabled);
  QCOMPARE(box->palette().color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Base),
           enabled ? kWhite : kGrey);
}

}  // namespace

class Step4Test : public QObject {
  Q_OBJECT

 private slots:
  void startsWithEveryLauncherRowOff();
  void processorSectionsSwitchLauncherRows_data();
  void processorSectionsSwitchLauncherRows();
  void infDialogAsksWithPresetFilterTitleAndFolder();
  void launcherDialogsRememberTheirFolders();
  void everyEnabledLauncherMustBeChosen();
  void pathBoxesShowWhatTheRunUses();
  void newInfKeepsLauncherPathsAndRecomputesFlags();
  void samePackageTwiceGivesTheSameRows();
  void cancelBeforeAnythingChosenKeepsRememberedFolders();
  void cancelAfterChoosingRerunsWithTheSameFiles();
  void infAtTheRootKeepsAUsableFolder();
  void dialogFailureShowsDescriptionAndNumber();
  void statusListShowsRowsAsLogged();
  void answeringNoLeavesTheListAndPackageAlone();
  void answeringYesClearsTheListAndRuns();
  void runThatCannotStartTellsTheUser();
  void inputDuringTheCommandIsDropped();
  void escapeDuringTheCommandAsksToStopIt();
  void closeDuringARunIsDoneWhenItEnds();
  void runEndsOnTheFirstFailedRowSelected();
  void enterOnMakeModificationsStartsTheRun();
  void closeDuringARunThatTheUserStopsClosesAfterThePutBack();
};

void Step4Test::startsWithEveryLauncherRowOff() {
  Step4Window w;
  for (int row = 0; row < 3; ++row) VerifyRowState(w, row, false);
  QVERIFY(w.Find<QLineEdit>("txtDPackage")->isEnabled());
  QVERIFY(w.Find<QPushButton>("cmdDPackage")->isEnabled());
  QVERIFY(!w.ReadyToModify());
  QCOMPARE(w.window->InfPath(), std::string());
}

void Step4Test::processorSectionsSwitchLauncherRows_data() {
  QTest::addColumn<QString>("sections");
  QTest::addColumn<QString>("rows");     // "1" for an enabled row, MIPS SH3 ARM
  QTest::addColumn<QString>("present");  // slots 1 to 4

  QTest::newRow("ARM 720T only") << QString(kArm720Section) << "001"
                                 << "0001";
  QTest::newRow("both ARM sections") << QString(kArm1100Section) + kArm720Section << "001"
                                     << "0011";
  QTest::newRow("SH3 section without keys")
      << QString(kMipsSection) + "[SourceDisksFiles.SH 3 (1K) v3.00]\r\n"
      << "100"
      << "1000";
  QTest::newRow("no processor section") << QString() << "000"
                                        << "0000";
  QTest::newRow("all four") << QString(kMipsSection) + kSh3Section + kArm1100Section +
                                   kArm720Section
                            << "111"
                            << "1111";
}

void Step4Test::processorSectionsSwitchLauncherRows() {
  QFETCH(QString, sections);
  QFETCH(QString, rows);
  QFETCH(QString, present);

  Step4Window w;
  const std::string inf = w.Write("Project1.inf", InfText("Shortcuts", sections.toStdString()));
  w.Choose("cmdDPackage", inf);

  for (int row = 0; row < 3; ++row) VerifyRowState(w, row, rows[row] == u'1');
  for (int slot = 1; slot <= 4; ++slot) {
    QCOMPARE(w.state.ProcessorPresent[slot], present[slot - 1] == u'1');
  }
  // Without any needed launcher the INF alone is enough.
  QCOMPARE(w.ReadyToModify(), rows == QStringLiteral("000"));
}

void Step4Test::infDialogAsksWithPresetFilterTitleAndFolder() {
  Step4Window w;
  const std::string inf = w.Write("Pkg/Project1.inf", InfText("Shortcuts", kMipsSection));
  w.Choose("cmdDPackage", inf);
  w.Choose("cmdDPackage", inf);

  QCOMPARE(w.dialogs.file_requests.size(), 2u);
  const OpenFileRequest& first = w.dialogs.file_requests[0];
  QCOMPARE(first.file_name, std::string());
  QCOMPARE(first.filter, std::string("INF Files (*.inf)|*.inf|Show All (*.*)|*.*"));
  QCOMPARE(first.title, std::string("eVB Distribution INF file to modify"));
  QVERIFY(!first.initial_directory.has_value());

  const std::string folder = w.Path("Pkg");
  const OpenFileRequest& second = w.dialogs.file_requests[1];
  QCOMPARE(second.file_name, inf);
  QCOMPARE(second.initial_directory, std::optional<std::string>(folder));

  QCOMPARE(w.window->InfPath(), inf);
  QCOMPARE(w.state.LastInfDir, folder);
  QCOMPARE(w.BoxText("txtDPackage").toStdString(), inf);
}

void Step4Test::launcherDialogsRememberTheirFolders() {
  Step4Window w;
  const std::string inf =
      w.Write("Project1.inf",
              InfText("Shortcuts", std::string(kMipsSection) + kSh3Section + kArm720Section));
  w.Choose("cmdDPackage", inf);

  const char* titles[] = {
      "eVC Wrapper for the MIPS processor:", "eVC Wrapper for the SH3 processor:",
      "eVC Wrapper for the ARM processor:"};
  const char* folders[] = {"Mips", "Sh3", "Arm"};
  std::string* paths[] = {&w.state.MipsLauncherPath, &w.state.Sh3LauncherPath,
                          &w.state.ArmLauncherPath};
  std::string* remembered[] = {&w.state.LastMipsDir, &w.state.LastSh3Dir, &w.state.LastArmDir};

  for (int row = 0; row < 3; ++row) {
    const std::string launcher = w.Write(std::string(folders[row]) + "/Stub.exe", "MZ");
    w.Choose(kRowButtons[row], launcher);
    w.Choose(kRowButtons[row], launcher);

    const OpenFileRequest& first = w.dialogs.file_requests[1 + 2 * row];
    const OpenFileRequest& second = w.dialogs.file_requests[2 + 2 * row];
    QCOMPARE(first.title, std::string(titles[row]));
    QCOMPARE(first.filter, std::string("EXE Files (*.exe)|*.exe|Show All (*.*)|*.*"));
    QCOMPARE(first.file_name, std::string());
    QVERIFY(!first.initial_directory.has_value());
    QCOMPARE(second.file_name, launcher);
    // Remembered with the separator, handed to the dialog without it.
    QCOMPARE(*remembered[row], w.Path(folders[row]) + platform::kPathSeparator);
    QCOMPARE(second.initial_directory, std::optional<std::string>(w.Path(folders[row])));
    QCOMPARE(*paths[row], launcher);
    QCOMPARE(w.BoxText(kRowBoxes[row]).toStdString(), launcher);
  }
  QVERIFY(w.ReadyToModify());

  // The folders reach the settings file when the window goes away.
  const std::string settings = w.state.SettingsPath;
  w.window.reset();
  QCOMPARE(ReadIniValue(settings, "LastDirs", "1"), w.Folder());
  QCOMPARE(ReadIniValue(settings, "LastDirs", "4"), w.Path("Arm") + platform::kPathSeparator);
}

void Step4Test::everyEnabledLauncherMustBeChosen() {
  Step4Window w;
  const std::string inf =
      w.Write("Project1.inf", InfText("Shortcuts", std::string(kMipsSection) + kSh3Section));
  w.Choose("cmdDPackage", inf);
  QVERIFY(!w.ReadyToModify());
  w.Choose("cmdWrapperBrowse", w.Write("m.exe", "MZ"));
  QVERIFY(!w.ReadyToModify());
  w.Choose("cmdWrapperBrowse2", w.Write("s.exe", "MZ"));
  QVERIFY(w.ReadyToModify());
}

void Step4Test::pathBoxesShowWhatTheRunUses() {
  Step4Window w;
  const std::string inf = w.Write("Project1.inf", InfText("Shortcuts", kMipsSection));
  w.Choose("cmdDPackage", inf);
  QVERIFY(!w.ReadyToModify());

  // The path boxes take no typing, pasting or cutting: what they show is what
  // Browse chose, and what the run will use.
  QApplication::clipboard()->setText(QStringLiteral("elsewhere.inf"));
  for (const char* name : {"txtDPackage", "txtWrapper"}) {
    auto* box = w.Find<QLineEdit>(name);
    QVERIFY(box->isReadOnly());
    box->setFocus();
    QTest::keyClicks(box, "x");
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
  }
  QCOMPARE(w.BoxText("txtDPackage").toStdString(), inf);
  QCOMPARE(w.BoxText("txtWrapper"), QString());
  QCOMPARE(w.window->InfPath(), inf);
  QVERIFY(!w.ReadyToModify());

  // Still in the tab order, and selectable and copyable, for screen readers and copying.
  auto* box = w.Find<QLineEdit>("txtDPackage");
  QVERIFY(box->focusPolicy() & Qt::TabFocus);
  box->setFocus();
  QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
  QCOMPARE(box->selectedText().toStdString(), inf);
  QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(QApplication::clipboard()->text().toStdString(), inf);

  // The run edits the INF the box shows.
  const std::string launcher = w.Write("Stub.exe", "MZ");
  w.Choose("cmdWrapperBrowse", launcher);
  QCOMPARE(w.BoxText("txtWrapper").toStdString(), launcher);
  QCOMPARE(w.state.MipsLauncherPath, launcher);
  AddPackageParts(w);
  w.window->wizard().SetCommandRunner(CommandWithEvent{});
  w.dialogs.AnswerNo();  // the command made no CABs: keep the package as the run left it
  w.Click("cmdAuto");
  QCOMPARE(ReadIniValue(w.BoxText("txtDPackage").toStdString(), "DefaultInstall", "CEShortcuts"),
           std::string("QuilletShortcut"));
}

void Step4Test::newInfKeepsLauncherPathsAndRecomputesFlags() {
  Step4Window w;
  w.Choose("cmdDPackage", w.Write("a.inf", InfText("Shortcuts", kMipsSection)));
  const std::string launcher = w.Write("m.exe", "MZ");
  w.Choose("cmdWrapperBrowse", launcher);
  QVERIFY(w.ReadyToModify());

  w.Choose("cmdDPackage", w.Write("b.inf", InfText("Shortcuts", kSh3Section)));
  VerifyRowState(w, 0, false);
  VerifyRowState(w, 1, true);
  QCOMPARE(w.BoxText("txtWrapper").toStdString(), launcher);
  QCOMPARE(w.state.MipsLauncherPath, launcher);
  QVERIFY(!w.state.ProcessorPresent[1]);
  QVERIFY(w.state.ProcessorPresent[2]);
  QVERIFY(!w.ReadyToModify());  // the SH3 launcher is missing now
}

void Step4Test::samePackageTwiceGivesTheSameRows() {
  Step4Window w;
  const std::string inf =
      w.Write("Project1.inf", InfText("Shortcuts", std::string(kMipsSection) + kArm1100Section));
  w.Choose("cmdDPackage", inf);
  const auto flags = w.state.ProcessorPresent;
  w.Choose("cmdDPackage", inf);
  QCOMPARE(w.state.ProcessorPresent, flags);
  VerifyRowState(w, 0, true);
  VerifyRowState(w, 1, false);
  VerifyRowState(w, 2, true);
}

void Step4Test::cancelBeforeAnythingChosenKeepsRememberedFolders() {
  Step4Window w(Native("[LastDirs]\r\n1=/srv/packages\r\n2=/srv/stubs/mips/\r\n"));
  QCOMPARE(w.state.LastInfDir, Native("/srv/packages"));

  QTest::keyClicks(w.Find<QLineEdit>("txtDPackage"), "typed");
  w.dialogs.Cancel();
  w.Click("cmdDPackage");
  QCOMPARE(w.dialogs.file_requests.back().initial_directory,
           std::optional<std::string>(Native("/srv/packages")));
  // Nothing was chosen: the steps ran with the empty preset name.
  QCOMPARE(w.window->InfPath(), std::string());
  QCOMPARE(w.BoxText("txtDPackage"), QString());
  QVERIFY(!w.ReadyToModify());
  // ... but the folder the next dialog opens in survives.
  QCOMPARE(w.state.LastInfDir, Native("/srv/packages"));

  // The same for a launcher row, once an INF switched it on.
  w.Choose("cmdDPackage", w.Write("a.inf", InfText("Shortcuts", kMipsSection)));
  const std::string inf_folder = w.state.LastInfDir;
  w.dialogs.Cancel();
  w.Click("cmdWrapperBrowse");
  QCOMPARE(w.dialogs.file_requests.back().initial_directory,
           std::optional<std::string>(Native("/srv/stubs/mips")));
  QCOMPARE(w.state.LastMipsDir, Native("/srv/stubs/mips/"));
  QCOMPARE(w.state.MipsLauncherPath, std::string());

  const std::string settings = w.state.SettingsPath;
  w.window.reset();
  QCOMPARE(ReadIniValue(settings, "LastDirs", "1"), inf_folder);
  QCOMPARE(ReadIniValue(settings, "LastDirs", "2"), Native("/srv/stubs/mips/"));
}

void Step4Test::cancelAfterChoosingRerunsWithTheSameFiles() {
  Step4Window w;
  const std::string inf = w.Write("Project1.inf", InfText("Shortcuts", kMipsSection));
  w.Choose("cmdDPackage", inf);
  const std::string launcher = w.Write("m.exe", "MZ");
  w.Choose("cmdWrapperBrowse", launcher);

  // The INF is inspected again: an edit since the last choice counts.
  w.Write("Project1.inf", InfText("Shortcuts", kSh3Section));
  w.dialogs.Cancel();
  w.Click("cmdDPackage");
  QCOMPARE(w.window->InfPath(), inf);
  VerifyRowState(w, 0, false);
  VerifyRowState(w, 1, true);

  // A cancelled launcher dialog puts the stored path back into the box.
  w.Choose("cmdDPackage", w.Write("Project1.inf", InfText("Shortcuts", kMipsSection)));
  w.Find<QLineEdit>("txtWrapper")->clear();
  w.dialogs.Cancel();
  w.Click("cmdWrapperBrowse");
  QCOMPARE(w.BoxText("txtWrapper").toStdString(), launcher);
  QCOMPARE(w.state.MipsLauncherPath, launcher);
  QVERIFY(w.ReadyToModify());
}

void Step4Test::infAtTheRootKeepsAUsableFolder() {
  Step4Window w;
  const std::string root(1, platform::kPathSeparator);
  w.Choose("cmdDPackage", root + "Project1.inf");  // need not exist
  QCOMPARE(w.state.LastInfDir, root);
  for (int row = 0; row < 3; ++row) VerifyRowState(w, row, false);
  w.dialogs.Cancel();
  w.Click("cmdDPackage");
  QCOMPARE(w.dialogs.file_requests.back().initial_directory, std::optional<std::string>(root));
}

void Step4Test::dialogFailureShowsDescriptionAndNumber() {
  Step4Window w;
  const std::string inf = w.Write("Project1.inf", InfText("Shortcuts", ""));
  w.Choose("cmdDPackage", inf);
  QVERIFY(w.ReadyToModify());

  w.dialogs.Fail([]() -> std::optional<std::string> {
    throw std::system_error(std::make_error_code(std::errc::permission_denied), "Open dialog");
  });
  w.Click("cmdDPackage");
  w.dialogs.Fail([]() -> std::optional<std::string> { throw std::runtime_error("Broken"); });
  w.Click("cmdDPackage");

  QCOMPARE(w.dialogs.messages.size(), 2u);
  const std::string system_text =
      std::system_error(std::make_error_code(std::errc::permission_denied), "Open dialog").what();
  QCOMPARE(w.dialogs.messages[0].title, std::string("Quillet"));
  QCOMPARE(w.dialogs.messages[0].text, system_text + " " + std::to_string(EACCES));
  QCOMPARE(w.dialogs.messages[1].text, std::string("Broken 5"));
  // What was set before the failure stays; the button is re-evaluated as usual.
  QCOMPARE(w.window->InfPath(), inf);
  QVERIFY(w.ReadyToModify());
  QVERIFY(w.window->statusLog().Rows().empty());
}

void Step4Test::statusListShowsRowsAsLogged() {
  Step4Window w;
  auto* list = w.Find<QTreeView>("lvwStatus");
  QAbstractItemModel* model = list->model();
  QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);

  QCOMPARE(model->columnCount(), 3);
  QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Action"));
  QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value 1"));
  QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Value 2"));
  // Column captions on the left, as a list view's; the header as high as its text needs.
  auto* header = w.Find<QTreeView>("lvwStatus")->header();
  QCOMPARE(header->defaultAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
  QVERIFY(header->height() >= header->fontMetrics().height());

  StatusLog& log = w.window->statusLog();
  const QColor colours[] = {Qt::black, QColor(0, 0xFF, 0), QColor(0xFF, 0, 0), QColor(0, 0, 0xFF),
                            Qt::black};
  for (int status = 0; status <= 4; ++status) {
    log.LogAction("Action " + std::to_string(status), status == 2 ? "" : "v1",
                  status == 2 ? "" : "v2", status, status == 2 ? "Permission denied" : "");
  }
  QCOMPARE(model->rowCount(), 5);
  const QIcon check(QStringLiteral(":/images/check.png"));
  for (int status = 0; status <= 4; ++status) {
    const QModelIndex action = model->index(status, 0);
    QCOMPARE(action.data().toString(), QString("Action %1").arg(status));
    QCOMPARE(action.data(Qt::ForegroundRole).value<QColor>(), colours[status]);
    QVERIFY(action.data(Qt::FontRole).value<QFont>().bold());
    const bool check_mark = status == 1 || status == 3;
    const QIcon image = action.data(Qt::DecorationRole).value<QIcon>();
    QVERIFY(!image.isNull());
    QCOMPARE(image.pixmap(16, 16).toImage() == check.pixmap(16, 16).toImage(), check_mark);
  }
  // The failure row: its message is the action's tool tip, its empty values
  // still fill both columns, without tool tips.
  QCOMPARE(model->index(2, 0).data(Qt::ToolTipRole).toString(),
           QStringLiteral("Permission denied"));
  QCOMPARE(model->index(2, 1).data().toString(), QString());
  QVERIFY(!model->index(2, 2).data(Qt::ToolTipRole).isValid());
  // A success has no tool tip on its action; its values are their own tool tips.
  QVERIFY(!model->index(1, 0).data(Qt::ToolTipRole).isValid());
  QCOMPARE(model->index(1, 1).data(Qt::ToolTipRole).toString(), QStringLiteral("v1"));
  QCOMPARE(model->index(1, 2).data().toString(), QStringLiteral("v2"));

  log.Clear();
  QCOMPARE(model->rowCount(), 0);
  log.LogAction("Again", "a", "b", 1, "");
  QCOMPARE(model->rowCount(), 1);
  QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("Again"));
}

void Step4Test::answeringNoLeavesTheListAndPackageAlone() {
  Step4Window w;
  const std::string text = InfText("QuilletShortcut", kMipsSection);
  const std::string inf = w.Write("Project1.inf", text);
  AddPackageParts(w);
  w.Choose("cmdDPackage", inf);
  w.Choose("cmdWrapperBrowse", w.Write("Stub.exe", "MZ"));
  QVERIFY(w.ReadyToModify());
  w.window->statusLog().LogAction("Earlier run", "a", "b", 1, "");

  w.dialogs.AnswerNo();
  w.Click("cmdAuto");

  QCOMPARE(w.dialogs.warnings.size(), 1u);
  QCOMPARE(w.dialogs.warnings[0].title, std::string(kUntouchedWarningTitle));
  QCOMPARE(w.dialogs.warnings[0].text, UntouchedWarningText());
  QVERIFY(!w.dialogs.warnings[0].busy_shown);  // the user is not kept waiting
  QCOMPARE(w.window->statusLog().Rows().size(), 1u);
  QCOMPARE(w.window->statusLog().Rows()[0].action, std::string("Earlier run"));
  QCOMPARE(w.Find<QTreeView>("lvwStatus")->model()->rowCount(), 1);
  QFile file(QString::fromStdString(inf));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll().toStdString(), text);
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void Step4Test::answeringYesClearsTheListAndRuns() {
  Step4Window w;
  const std::string inf = w.Write("Project1.inf", InfText("shortcuts", kMipsSection));
  AddPackageParts(w);
  w.Choose("cmdDPackage", inf);
  w.Choose("cmdWrapperBrowse", w.Write("Stub.exe", "MZ"));
  w.window->statusLog().LogAction("Earlier run", "a", "b", 1, "");

  w.dialogs.AnswerYes();
  w.dialogs.AnswerNo();  // the command built no CABs: keep the package as the run left it
  w.Click("cmdAuto");

  QCOMPARE(w.dialogs.warnings.size(), 1u);
  QCOMPARE(w.dialogs.questions.size(), 1u);
  const auto& rows = w.window->statusLog().Rows();
  QVERIFY(!rows.empty());
  QCOMPARE(rows.front().action, std::string("INF Change"));
  for (const StatusRow& row : rows) QVERIFY(row.action != "Earlier run");
  QCOMPARE(w.Find<QTreeView>("lvwStatus")->model()->rowCount(), static_cast<int>(rows.size()));
  QCOMPARE(ReadIniValue(inf, "DefaultInstall", "CEShortcuts"), std::string("QuilletShortcut"));
  // The busy cursor is gone once the run is over, also after its message boxes.
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void Step4Test::runThatCannotStartTellsTheUser() {
  Step4Window w;
  // No processor section: "Make Modifications" is enabled, but there is no
  // launcher to point the shortcut at.
  const std::string text = InfText("Shortcuts", "");
  const std::string inf = w.Write("Project1.inf", text);
  w.Choose("cmdDPackage", inf);
  QVERIFY(w.ReadyToModify());
  w.window->statusLog().LogAction("Earlier run", "a", "b", 1, "");

  w.Click("cmdAuto");

  QCOMPARE(w.dialogs.warnings.size(), 0u);
  QCOMPARE(w.dialogs.messages.size(), 1u);
  QCOMPARE(w.dialogs.messages[0].title, std::string("Quillet"));
  QVERIFY(!w.dialogs.messages[0].text.empty());
  QVERIFY(!w.dialogs.messages[0].busy_shown);
  QCOMPARE(w.window->statusLog().Rows().size(), 1u);
  QFile file(QString::fromStdString(inf));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll().toStdString(), text);
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void Step4Test::inputDuringTheCommandIsDropped() {
#ifdef _WIN32
  QSKIP("the rebuild command here is a POSIX shell command");
#else
  Step4Window w;
  const std::string inf = w.Write("Project1.inf", InfText("Shortcuts", kMipsSection));
  w.Write("readme.txt",
          "To rebuild the cab files run the following command\r\nsleep 0.4\r\n"
          "Then copy the CAB files created to the CD1 directory.\r\n");
  AddPackageParts(w);
  w.Choose("cmdDPackage", inf);
  w.Choose("cmdWrapperBrowse", w.Write("Stub.exe", "MZ"));

  // A second click on the button and a key press while the command runs: the
  // window keeps painting, but neither may start anything, then or later.
  int clicks_sent = 0;
  QTimer poke;
  QObject::connect(&poke, &QTimer::timeout, [&] {
    QTest::mouseClick(w.Find<QPushButton>("cmdAuto"), Qt::LeftButton);
    QTest::keyClick(w.Find<QPushButton>("cmdAuto"), Qt::Key_Space);
    ++clicks_sent;
  });
  poke.start(50);
  w.Click("cmdAuto");
  poke.stop();
  QCoreApplication::processEvents();

  QVERIFY(clicks_sent > 0);
  QCOMPARE(w.dialogs.warnings.size(), 0u);
  int command_rows = 0;
  for (const StatusRow& row : w.window->statusLog().Rows()) {
    if (row.action == "Run CMD") ++command_rows;
  }
  QCOMPARE(command_rows, 2);  // one run only
  QVERIFY(QApplication::overrideCursor() == nullptr);
#endif
}

void Step4Test::escapeDuringTheCommandAsksToStopIt() {
  Step4Window w;
  PrepareRun(w);
  CommandWithEvent command;
  command.first_round = [&] {
    QCoreApplication::postEvent(w.window.get(),
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  };
  w.window->wizard().SetCommandRunner(std::ref(command));
  w.dialogs.AnswerYes();
  w.dialogs.AnswerNo();  // keep the package as the stopped run left it

  w.Click("cmdAuto");

  // The stop, then the box in which every run with a failed action ends.
  QCOMPARE(w.dialogs.questions.size(), 2u);
  QVERIFY(w.dialogs.questions[1].text.find("actions of the run failed") != std::string::npos);
  QCOMPARE(w.dialogs.questions[0].title, std::string("Quillet"));
  QCOMPARE(w.dialogs.questions[0].text, std::string("The CAB command is still running. Stop it?"));
  QCOMPARE(w.dialogs.questions[0].yes_is_default, false);
  QVERIFY(!w.dialogs.questions[0].busy_shown);
  QCOMPARE(command.stopped, (std::vector<bool>{true, true}));
  QVERIFY(w.window->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void Step4Test::closeDuringARunIsDoneWhenItEnds() {
  Step4Window w;
  PrepareRun(w);
  CommandWithEvent command;
  bool visible_during_run = false;
  command.first_round = [&] {
    // As the window system asks for a close: through the window's handle.
    QCoreApplication::postEvent(w.window->windowHandle(), new QCloseEvent);
  };
  w.window->wizard().SetCommandRunner([&](const std::string& text, const std::string& folder,
                                          const platform::CommandCallbacks& callbacks) {
    platform::CommandResult result = command(text, folder, callbacks);
    visible_during_run = visible_during_run || w.window->isVisible();
    return result;
  });
  w.dialogs.AnswerNo();
  w.dialogs.AnswerNo();  // the command built no CABs: keep the package as the run left it

  w.Click("cmdAuto");

  QCOMPARE(w.dialogs.questions.size(), 2u);
  QCOMPARE(w.dialogs.questions[0].text,
           std::string("The CAB command is still running. Stop it?\r\n\r\n"
                       "Quillet closes when the run has ended."));
  QCOMPARE(command.stopped, (std::vector<bool>{false, false}));
  QVERIFY(visible_during_run);
  // The run went to its end; then the window closed.
  int command_rows = 0;
  for (const StatusRow& row : w.window->statusLog().Rows()) {
    if (row.action == "Run CMD") ++command_rows;
  }
  QCOMPARE(command_rows, 2);
  QVERIFY(!w.window->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void Step4Test::runEndsOnTheFirstFailedRowSelected() {
  Step4Window w;
  PrepareRun(w);
  // The command makes no cabinets, so moving them fails.
  CommandWithEvent command;
  w.window->wizard().SetCommandRunner(std::ref(command));

  w.Click("cmdAuto");

  const auto& rows = w.window->statusLog().Rows();
  int first_red = -1;
  for (int i = 0; i < static_cast<int>(rows.size()) && first_red < 0; ++i) {
    if (rows[i].colour == StatusColour(kStatusFailure)) first_red = i;
  }
  QVERIFY(first_red > 0);
  QVERIFY(first_red < static_cast<int>(rows.size()) - 1);
  auto* list = w.Find<QTreeView>("lvwStatus");
  QCOMPARE(list->currentIndex().row(), first_red);
  QVERIFY(list->selectionModel()->isRowSelected(first_red, QModelIndex()));
}

void Step4Test::enterOnMakeModificationsStartsTheRun() {
  Step4Window w;
  PrepareRun(w);
  CommandWithEvent command;
  w.window->wizard().SetCommandRunner(std::ref(command));
  w.dialogs.AnswerNo();  // the command made no CABs: keep the package as the run left it
  w.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(w.window.get()));
  auto* make = w.Find<QPushButton>("cmdAuto");
  QVERIFY(make->isEnabled());
  make->setFocus();

  QTest::keyClick(make, Qt::Key_Return);

  // One run, as a click starts it: both rebuilds of the CABs.
  QCOMPARE(command.commands, 2);
  int command_rows = 0;
  for (const StatusRow& row : w.window->statusLog().Rows()) {
    if (row.action == "Run CMD") ++command_rows;
  }
  QCOMPARE(command_rows, 2);
}

void Step4Test::closeDuringARunThatTheUserStopsClosesAfterThePutBack() {
  Step4Window w;
  const std::string inf = PrepareRun(w);
  QFile before_file(QString::fromStdString(inf));
  QVERIFY(before_file.open(QIODevice::ReadOnly));
  const QByteArray before = before_file.readAll();
  before_file.close();
  CommandWithEvent command;
  command.first_round = [&] {
    QCoreApplication::postEvent(w.window->windowHandle(), new QCloseEvent);
  };
  w.window->wizard().SetCommandRunner(std::ref(command));
  w.dialogs.AnswerYes();  // stop the CAB command
  w.dialogs.AnswerYes();  // put the package back as it was

  w.Click("cmdAuto");

  QCOMPARE(w.dialogs.questions.size(), 2u);
  QCOMPARE(w.dialogs.questions[0].text,
           std::string("The CAB command is still running. Stop it?\r\n\r\n"
                       "Quillet closes when the run has ended."));
  QCOMPARE(command.stopped, (std::vector<bool>{true, true}));
  // The put-back was asked for and done before the window closed.
  QFile after_file(QString::fromStdString(inf));
  QVERIFY(after_file.open(QIODevice::ReadOnly));
  QCOMPARE(after_file.readAll(), before);
  QVERIFY(!w.window->isVisible());
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

}  // namespace quillet

QTEST_MAIN(quillet::Step4Test)
#include "step4_test.moc"
