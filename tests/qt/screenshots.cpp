// Writes PNGs of the window, as a user would see it, into the folder named on
// the command line: each page (step1.png … step5.png, and step5-license.png with
// the agreement shown), and the Step 4 page in the states worth looking at:
// step4-rows.png (an INF chosen, one launcher row filled, one waiting, one
// switched off) and step4-status.png (a status list with success, command and
// failure rows, the failure's tool tip showing). The same again in its dark/
// subfolder, on a dark desktop (the Fusion style with a dark palette). Runs on
// the offscreen platform unless told otherwise; QUILLET_FONT chooses the face
// (see the window's fonts), and the face found is printed.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeView>
#include <cstdio>
#include <deque>

#include "qt/main_window.h"

namespace {

// Answers the file dialog from a list of paths; cancels when it runs out.
class ListedDialogs : public quillet::UserDialogs {
 public:
  std::deque<std::string> paths;

  std::optional<std::string> GetOpenFileName(const quillet::OpenFileRequest&) override {
    if (paths.empty()) return std::nullopt;
    std::string path = paths.front();
    paths.pop_front();
    return path;
  }
  bool AskYesNoWarning(const std::string&, const std::string&) override { return false; }
  bool AskYesNo(const std::string&, const std::string&, bool) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
};

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool Save(const QPixmap& picture, const QDir& folder, const QString& name) {
  const QString path = folder.filePath(name);
  if (!picture.save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

bool Save(QWidget& window, const QDir& folder, const QString& name) {
  QApplication::processEvents();
  return Save(window.grab(), folder, name);
}

// Every page, in turn, and the about page with its agreement shown.
bool SavePages(const QDir& folder) {
  // The settings file goes to a temporary folder, never beside the program.
  QTemporaryDir settings;
  quillet::ToolState state;
  ListedDialogs dialogs;
  quillet::MainWindow window(state, dialogs, settings.path().toStdString());
  window.show();
  // Active, as on a desktop, so the control with the keyboard focus shows it.
  window.activateWindow();
  std::printf("window face: %s, title face: %s\n", qPrintable(QFontInfo(window.font()).family()),
              qPrintable(QFontInfo(window.findChild<QWidget*>("Label3")->font()).family()));

  bool ok = true;
  for (int step = 1; step <= 5; ++step) {
    auto* button = window.findChild<QPushButton*>(QStringLiteral("cmdStep%1").arg(step));
    button->click();
    ok = Save(window, folder, QStringLiteral("step%1.png").arg(step)) && ok;
  }
  window.findChild<QPushButton*>("cmdLicense")->click();
  ok = Save(window, folder, "step5-license.png") && ok;
  return ok;
}

// The Step 4 page with files chosen, then with a filled status list.
bool SaveStep4States(const QDir& folder) {
  QTemporaryDir work;
  if (!work.isValid()) {
    std::fprintf(stderr, "could not create a temporary folder\n");
    return false;
  }
  const QString inf = work.filePath("MyApp.inf");
  const QString launcher = work.filePath("Stub.exe");
  if (!WriteFile(inf,
                 "[DefaultInstall]\r\nCEShortcuts=Shortcuts\r\n"
                 "[SourceDisksFiles.Mips 4000 (4K) v3.00]\r\nStub.exe=2\r\n"
                 "[SourceDisksFiles.SH 3 (1K) v3.00]\r\nStub.exe=3\r\n") ||
      !WriteFile(launcher, "MZ")) {
    std::fprintf(stderr, "could not write the sample package\n");
    return false;
  }

  quillet::ToolState state;
  ListedDialogs dialogs;
  dialogs.paths = {QDir::toNativeSeparators(inf).toStdString(),
                   QDir::toNativeSeparators(launcher).toStdString()};
  quillet::MainWindow window(state, dialogs, work.path().toStdString());
  window.show();
  window.findChild<QPushButton*>("cmdDPackage")->click();
  window.findChild<QPushButton*>("cmdWrapperBrowse")->click();
  QApplication::processEvents();
  bool ok = Save(window.grab(), folder, "step4-rows.png");

  quillet::StatusLog& log = window.statusLog();
  const std::string pkg = QDir::toNativeSeparators(work.path()).toStdString() + "/";
  log.LogAction("INF Change", "Shortcuts", "QuilletShortcut", 1, "");
  log.LogAction("INF Add Section", "QuilletShortcut", "%AppName%,0,\"Stub.exe\"", 1, "");
  log.LogAction("INF Add Key", "QuilletShortcut", ",%CE2%\\Start Menu", 1, "");
  log.LogAction("Run CMD", pkg, "", 3, "\"C:\\Windows CE Tools\\wce300\\cabwiz.exe\" MyApp.inf");
  log.LogAction(
      "Move CAB", pkg + "MyApp.Mips 4000 (4K) v3.00.CAB", pkg + "CD1/", 2,
      "Could not move " + pkg + "MyApp.Mips 4000 (4K) v3.00.CAB: No such file or directory");
  log.LogAction("Copy EXE", launcher.toStdString(), pkg + "Mips 4000 (4K) v3.00/", 1, "");
  log.LogAction("Delete", "Stub.exe", pkg + "APP/", 4, "");

  // A tool tip is a window of its own: show it over the failed row and paint
  // it into the picture where it appears.
  auto* list = window.findChild<QTreeView*>("lvwStatus");
  const QRect cell = list->visualRect(list->model()->index(4, 0));
  const QPoint at = list->viewport()->mapToGlobal(cell.center());
  QToolTip::showText(at, list->model()->index(4, 0).data(Qt::ToolTipRole).toString(),
                     list->viewport());
  QApplication::processEvents();
  QPixmap picture = window.grab();
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->inherits("QTipLabel") && top->isVisible()) {
      QPainter painter(&picture);
      painter.drawPixmap(window.mapFromGlobal(top->pos()), top->grab());
    }
  }
  return Save(picture, folder, "step4-status.png") && ok;
}

}  // namespace

// A dark desktop theme's colours.
QPalette DarkPalette() {
  QPalette dark;
  const QColor window(0x35, 0x35, 0x35);
  const QColor light_text(0xF0, 0xF0, 0xF0);
  dark.setColor(QPalette::Window, window);
  dark.setColor(QPalette::WindowText, light_text);
  dark.setColor(QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
  dark.setColor(QPalette::AlternateBase, window);
  dark.setColor(QPalette::ToolTipBase, QColor(0x2A, 0x2A, 0x2A));
  dark.setColor(QPalette::ToolTipText, light_text);
  dark.setColor(QPalette::Text, light_text);
  dark.setColor(QPalette::Button, window);
  dark.setColor(QPalette::ButtonText, light_text);
  dark.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
  dark.setColor(QPalette::HighlightedText, Qt::black);
  for (const QPalette::ColorRole role :
       {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    dark.setColor(QPalette::Disabled, role, QColor(0x7F, 0x7F, 0x7F));
  }
  return dark;
}

bool SaveAll(const QDir& folder) {
  if (!folder.mkpath(".")) {
    std::fprintf(stderr, "could not create %s\n", qPrintable(folder.path()));
    return false;
  }
  const bool pages = SavePages(folder);
  const bool step4 = SaveStep4States(folder);
  return pages && step4;
}

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  bool ok = SaveAll(folder);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setPalette(DarkPalette());
  ok = SaveAll(QDir(folder.filePath(QStringLiteral("dark")))) && ok;
  return ok ? 0 : 1;
}
