// The real dialogs on the offscreen platform: what the user sees in them and
// what comes back to the tool.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "qt/qt_user_dialogs.h"

namespace quillet {
namespace {

// Runs `act` on the modal dialog as soon as it is open; a dialog still open
// afterwards is cancelled.
template <typename Dialog>
void WhenShown(std::function<void(Dialog*)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
    if (!dialog) {
      QFAIL("no modal dialog open");
      return;
    }
    // A dialog the action failed to close (it may have opened a box of its
    // own) would block the test for good: cancel whatever is modal until the
    // dialog is gone.
    auto* closer = new QTimer(qApp);
    QObject::connect(
        closer, &QTimer::timeout, closer, [closer, watched = QPointer<Dialog>(dialog)] {
          if (watched && watched->isVisible()) {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
              modal->reject();
            return;
          }
          closer->stop();
          closer->deleteLater();
        });
    closer->start(100);
    act(dialog);
  });
}

}  // namespace

class QtUserDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void filtersBecomeQtNameFilters_data();
  void filtersBecomeQtNameFilters();
  void fileDialogTakesANewNameAndKeepsItsFolder();
  void presetPathOpensInItsFolder();
  void warningDefaultsToNo();
  void messageHasOnlyOk();
};

void QtUserDialogsTest::filtersBecomeQtNameFilters_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QString>("qt");
  QTest::newRow("INF") << "INF Files (*.inf)|*.inf|Show All (*.*)|*.*"
                       << "INF Files (*.inf);;Show All (*.*)";
  QTest::newRow("EXE") << "EXE Files (*.exe)|*.exe|Show All (*.*)|*.*"
                       << "EXE Files (*.exe);;Show All (*.*)";
  QTest::newRow("pattern not named") << "Text|*.txt"
                                     << "Text (*.txt)";
  QTest::newRow("description alone") << "Anything"
                                     << "Anything";
}

void QtUserDialogsTest::filtersBecomeQtNameFilters() {
  QFETCH(QString, filter);
  QFETCH(QString, qt);
  QCOMPARE(ToQtNameFilters(filter.toStdString()), qt);
}

void QtUserDialogsTest::fileDialogTakesANewNameAndKeepsItsFolder() {
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkpath("Pkg"));
  const QString folder = QDir(dir.path()).filePath("Pkg");
  QtUserDialogs dialogs;

  OpenFileRequest request;
  request.title = "eVB Distribution INF file to modify";
  request.filter = "INF Files (*.inf)|*.inf|Show All (*.*)|*.*";
  request.initial_directory = QDir::toNativeSeparators(folder).toStdString();
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    QCOMPARE(dialog->windowTitle(), QStringLiteral("eVB Distribution INF file to modify"));
    QCOMPARE(dialog->nameFilters(),
             QStringList({QStringLiteral("INF Files (*.inf)"), QStringLiteral("Show All (*.*)")}));
    QCOMPARE(dialog->labelText(QFileDialog::Accept), QStringLiteral("Open"));
    QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(folder).canonicalPath());
    dialog->selectFile(QStringLiteral("not-there-yet.inf"));
    static_cast<QDialog*>(dialog)->accept();  // as the "Open" button does
  });
  const auto chosen = dialogs.GetOpenFileName(request);
  QVERIFY(chosen.has_value());
  QCOMPARE(QDir::cleanPath(QDir::fromNativeSeparators(QString::fromStdString(*chosen))),
           QDir(folder).filePath("not-there-yet.inf"));
  QCOMPARE(QString::fromStdString(*chosen),
           QDir::toNativeSeparators(QString::fromStdString(*chosen)));

  // Without an initial folder the dialog opens where it was left; cancel gives nothing.
  request.initial_directory.reset();
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    QCOMPARE(QDir(dialog->directory()).canonicalPath(), QDir(folder).canonicalPath());
    dialog->reject();
  });
  QVERIFY(!dialogs.GetOpenFileName(request).has_value());
}

void QtUserDialogsTest::presetPathOpensInItsFolder() {
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkpath("Stubs"));
  const QString launcher = QDir(dir.path()).filePath("Stubs/Stub.exe");
  QFile file(launcher);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();

  QtUserDialogs dialogs;
  OpenFileRequest request;
  request.file_name = QDir::toNativeSeparators(launcher).toStdString();
  request.filter = "EXE Files (*.exe)|*.exe|Show All (*.*)|*.*";
  request.initial_directory = QDir::toNativeSeparators(dir.path()).toStdString();
  WhenShown<QFileDialog>([&](QFileDialog* dialog) {
    QCOMPARE(QDir(dialog->directory()).canonicalPath(),
             QDir(QDir(dir.path()).filePath("Stubs")).canonicalPath());
    static_cast<QDialog*>(dialog)->accept();  // as the "Open" button does
  });
  const auto chosen = dialogs.GetOpenFileName(request);
  QVERIFY(chosen.has_value());
  QCOMPARE(QFileInfo(QString::fromStdString(*chosen)).canonicalFilePath(),
           QFileInfo(launcher).canonicalFilePath());
}

void QtUserDialogsTest::warningDefaultsToNo() {
  QtUserDialogs dialogs;
  for (const bool press_yes : {false, true}) {
    WhenShown<QMessageBox>([&](QMessageBox* box) {
      QCOMPARE(box->windowTitle(), QStringLiteral("Title"));
      QCOMPARE(box->text(), QStringLiteral("Line one\n\nLine two"));
      QCOMPARE(box->icon(), QMessageBox::Warning);
      QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
      QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
      if (press_yes) {
        box->button(QMessageBox::Yes)->click();
      } else {
        QTest::keyClick(box, Qt::Key_Return);  // the default answers
      }
    });
    QCOMPARE(dialogs.AskYesNoWarning("Title", "Line one\r\n\r\nLine two"), press_yes);
  }
}

void QtUserDialogsTest::messageHasOnlyOk() {
  QtUserDialogs dialogs;
  WhenShown<QMessageBox>([](QMessageBox* box) {
    QCOMPARE(box->windowTitle(), QStringLiteral("Quillet"));
    QCOMPARE(box->text(), QStringLiteral("<b>not bold</b> 13"));
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    box->button(QMessageBox::Ok)->click();
  });
  dialogs.ShowMessage("Quillet", "<b>not bold</b> 13");
}

}  // namespace quillet

QTEST_MAIN(quillet::QtUserDialogsTest)
#include "qt_user_dialogs_test.moc"
