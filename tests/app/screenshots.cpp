// Writes a PNG of each of the window's pages, as a user would see them, into the
// folder named on the command line: step1.png … step5.png, and step5-license.png
// with the agreement shown. Runs on the offscreen platform unless told otherwise.
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

#include "app/main_window.h"

namespace {

class SilentDialogs : public quillet::UserDialogs {
 public:
  std::optional<std::string> GetOpenFileName(const quillet::OpenFileRequest&) override {
    return {};
  }
  bool AskYesNoWarning(const std::string&, const std::string&) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
};

bool Save(QWidget& window, const QDir& folder, const QString& name) {
  QApplication::processEvents();
  const QString path = folder.filePath(name);
  if (!window.grab().save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(".")) {
    std::fprintf(stderr, "could not create %s\n", argv[1]);
    return 1;
  }

  // The settings file goes to a temporary folder, never beside the program.
  QTemporaryDir settings;
  quillet::ToolState state;
  SilentDialogs dialogs;
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
  return ok ? 0 : 1;
}
