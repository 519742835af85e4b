// Drives the real window on Qt's offscreen platform, as a user would: finds the
// controls by name, clicks and types. Each test builds its own window with its
// settings file in a fresh temporary folder.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>
#include <vector>

#include "qt/main_window.h"
#include "qt/twips.h"
#include "qt/window_controls.h"
#include "stub/stub_source.h"
#include "test_window.h"
#include "version.h"
#include "wizard/page_texts.h"

namespace quillet {
namespace {

using testing::SilentDialogs;
using testing::TestWindow;

QString Shown(const std::string& text) { return DisplayText(text); }

std::uint32_t BackColour(QWidget* button) { return static_cast<StepButton*>(button)->BackColour(); }

QColor Base(QWidget* box) { return box->palette().color(QPalette::Base); }

bool SameRect(const TwipsRect& a, const TwipsRect& b) {
  return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height;
}

QByteArray Describe(const TwipsRect& r) {
  return QByteArray::number(r.left) + "," + QByteArray::number(r.top) + "," +
         QByteArray::number(r.width) + "," + QByteArray::number(r.height);
}

// The step whose page is visible and whose button carries the page colour; fails
// unless exactly one of each and they agree.
void CheckOneStepShown(const TestWindow& t, int step) {
  for (int n = 1; n <= 5; ++n) {
    const std::string page = "fraStep" + std::to_string(n);
    const std::string button = "cmdStep" + std::to_string(n);
    QCOMPARE(t.Find<QFrame>(page)->isVisibleTo(t.window.get()), n == step);
    QCOMPARE(BackColour(t.Find<QPushButton>(button)), n == step ? kPageColour : kIdleButtonColour);
  }
  const std::string page = "fraStep" + std::to_string(step);
  const TwipsRect at = t.Twips(page);
  QCOMPARE(at.left, 495);
  QCOMPARE(at.top, 0);
  const TwipsRect button = t.Twips("cmdStep" + std::to_string(step));
  const TwipsRect strip = t.Twips("txtEdge");
  QVERIFY2(SameRect(strip, {465, button.top - 15, 30, 1200}), Describe(strip));
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    TestWindow t;
    if (t.window->TwipsPerPixelX() != 15.0f || t.window->TwipsPerPixelY() != 15.0f) {
      QSKIP("these tests expect a 96-DPI screen");
    }
  }

  void startStateAfterLoad() {
    TestWindow t;
    QCOMPARE(t.window->objectName(), QString("frmMain"));
    QCOMPARE(t.window->windowTitle(), QString("Quillet"));
    CheckOneStepShown(t, 4);
    QVERIFY(SameRect(t.Twips("txtEdge"), {465, 3585, 30, 1200}));
    QCOMPARE(t.window->focusWidget(), t.Find<QWidget>("cmdStep4"));

    // Outer size 8300 x 6450 (the offscreen platform draws no frame), fixed.
    QCOMPARE(t.window->frameGeometry().size(), QSize(8300 / 15, 6450 / 15));
    QCOMPARE(t.window->minimumSize(), t.window->maximumSize());

    // The settings file lives in the folder given, not beside the test.
    QCOMPARE(QString::fromStdString(t.state.SettingsPath), t.folder.filePath("Davure.ini"));
    QCOMPARE(t.state.ShortcutSectionName, std::string("QuilletShortcut"));

    // The boxes hold their texts from the load on; a box lays its text out
    // when its page is first shown.
    const char* guidance[] = {"txtStep1", "txtStep2", "txtStep3", "txtStep4"};
    const std::string texts[] = {GetStep1Text(), GetStep2Text(), GetStep3Text(), GetStep4Text()};
    for (int i = 0; i < 4; ++i) QCOMPARE(t.window->Text(guidance[i]), texts[i]);
    QCOMPARE(t.Find<QPlainTextEdit>("txtStep4")->toPlainText(), Shown(texts[3]));
    const std::string code_text = BuildStubSource("Project1.vb", "StubLauncher.exe");
    QCOMPARE(t.window->Text("txtCode"), code_text);
    QVERIFY(t.Find<QPlainTextEdit>("txtCode")->toPlainText().isEmpty());
    for (int i = 0; i < 4; ++i) {
      t.Click(("cmdStep" + std::to_string(i + 1)).c_str());
      const QString shown = t.Find<QPlainTextEdit>(guidance[i])->toPlainText();
      QCOMPARE(shown, Shown(texts[i]));
      QVERIFY(!shown.contains('\r'));
    }
    t.Click("cmdStep2");
    const QString code = t.Find<QPlainTextEdit>("txtCode")->toPlainText();
    QCOMPARE(code, Shown(code_text));
    QCOMPARE(code.count('\n'), 49);
    QVERIFY(!code.contains('\r'));
    t.Click("cmdStep4");

    QVERIFY(t.Find<QLineEdit>("txtAppName")->text().isEmpty());
    QVERIFY(t.Find<QLineEdit>("txtWrapperName")->text().isEmpty());
    QVERIFY(!t.Find<QLineEdit>("txtWrapperName")->isEnabled());
    QVERIFY(!t.Find<QLabel>("Label7")->isEnabled());
    QVERIFY(t.Find<QCheckBox>("chkSame")->isChecked());

    // The about page is filled only when it is first shown.
    QVERIFY(t.Find<QLabel>("lblVersion")->text().isEmpty());
    QVERIFY(t.Find<QLabel>("lblCopyright")->text().isEmpty());
    QVERIFY(!t.Find<QPlainTextEdit>("txtLicense")->isVisibleTo(t.window.get()));

    // Step 4 at start: only the INF row is usable, the list is empty.
    QVERIFY(t.Find<QLineEdit>("txtDPackage")->isEnabled());
    QVERIFY(t.Find<QPushButton>("cmdDPackage")->isEnabled());
    for (const char* off :
         {"lblWrapper", "txtWrapper", "cmdWrapperBrowse", "lblWrapper2", "txtWrapper2",
          "cmdWrapperBrowse2", "lblWrapper3", "txtWrapper3", "cmdWrapperBrowse3", "cmdAuto"}) {
      QVERIFY2(!t.Find<QWidget>(off)->isEnabled(), off);
    }
    for (const char* box : {"txtWrapper", "txtWrapper2", "txtWrapper3"}) {
      QCOMPARE(Base(t.Find<QWidget>(box)), QColor(0xC0, 0xC0, 0xC0));
    }
    auto* list = t.Find<QTreeView>("lvwStatus");
    QCOMPARE(list->model()->rowCount(), 0);
    const int widths[] = {1900, 2600, 2600};
    const char* headers[] = {"Action", "Value 1", "Value 2"};
    for (int column = 0; column < 3; ++column) {
      QCOMPARE(list->columnWidth(column), qRound(widths[column] / 15.0));
      QCOMPARE(list->model()->headerData(column, Qt::Horizontal).toString(),
               QString(headers[column]));
    }
  }

  void stepButtonEndState_data() {
    QTest::addColumn<int>("step");
    for (int step = 1; step <= 5; ++step) QTest::addRow("step %d", step) << step;
  }

  void stepButtonEndState() {
    QFETCH(int, step);
    TestWindow t;
    const std::string button = "cmdStep" + std::to_string(step);
    t.Click(button);
    CheckOneStepShown(t, step);
    // Pressing the button of the page already shown changes nothing.
    t.Click(button);
    CheckOneStepShown(t, step);
    // The step buttons are 1215 high at a pitch of 1200; the first marker
    // starts one pixel above the client area.
    QVERIFY(SameRect(t.Twips(button), {0, (step - 1) * 1200, 495, 1215}));
    if (step == 1) QCOMPARE(t.Twips("txtEdge").top, -15);
  }

  void markerArithmetic_data() {
    QTest::addColumn<int>("button_top");
    QTest::addColumn<float>("pixel");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addRow("Step 1, 15 twips") << 0 << 15.0f << 465.0f << -15.0f << 30.0f << 1200.0f;
    QTest::addRow("Step 4, 15 twips") << 3600 << 15.0f << 465.0f << 3585.0f << 30.0f << 1200.0f;
    QTest::addRow("Step 4, 12 twips") << 3600 << 12.0f << 471.0f << 3588.0f << 24.0f << 1203.0f;
    QTest::addRow("Step 5, 10 twips") << 4800 << 10.0f << 475.0f << 4790.0f << 20.0f << 1205.0f;
  }

  void markerArithmetic() {
    QFETCH(int, button_top);
    QFETCH(float, pixel);
    const MarkerRect strip = StepMarkerRect({0, button_top, 495, 1215}, pixel, pixel);
    QTEST(strip.left, "left");
    QTEST(strip.top, "top");
    QTEST(strip.width, "width");
    QTEST(strip.height, "height");
  }

  void twipsConversion() {
    QCOMPARE(TwipsPerPixel(96), 15.0f);
    QCOMPARE(TwipsPerPixel(120), 12.0f);
    QCOMPARE(TwipsPerPixel(144), 10.0f);
    // The strip stays two device pixels wide whatever the screen.
    for (double dpi : {96.0, 120.0, 144.0, 192.0}) {
      const float pixel = TwipsPerPixel(dpi);
      const QRect button = TwipsToQRect({0, 3600, 495, 1215}, pixel, pixel);
      const TwipsRect bounds = PixelsToTwips(button, pixel, pixel);
      const MarkerRect strip = StepMarkerRect(bounds, pixel, pixel);
      QCOMPARE(TwipsToPixels(strip.width, pixel), 2);
      QCOMPARE(TwipsToPixels(strip.left, pixel) + 2, button.right() + 1);
      QCOMPARE(TwipsToPixels(strip.top, pixel), button.top() - 1);
    }
  }

  void layoutTable_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("width");   // 0: sized to its text
    QTest::addColumn<int>("height");  // 0: sized to its text
    auto row = [](const char* name, const char* caption, int left, int top, int width, int height) {
      QTest::newRow(name) << QString(name) << QString(caption) << left << top << width << height;
    };
    row("cmdStep1", "Step 1", 0, 0, 495, 1215);
    row("cmdStep2", "Step 2", 0, 1200, 495, 1215);
    row("cmdStep3", "Step 3", 0, 2400, 495, 1215);
    row("cmdStep4", "Step 4", 0, 3600, 495, 1215);
    row("cmdStep5", "Quillet", 0, 4800, 495, 1215);
    // Page 1
    row("Label8", "1.  Gather all the materials and information needed", 360, 0, 0, 0);
    row("txtStep1", "", 360, 240, 7035, 735);
    row("Line2", "", 0, 1050, 7740, 15);
    row("Label12", "- KB Q268309 ", 5340, 1560, 0, 0);
    row("Label13", "- eVB", 5340, 1800, 0, 0);
    row("Label14", "- eVC", 5340, 2040, 0, 0);
    row("Label15", "- Your eVB project", 5340, 2280, 0, 0);
    row("Label16", "- Icon editor", 5340, 2520, 0, 0);
    row("Label17", "- Your icon of choice", 5340, 2760, 0, 0);
    row("Image2", "", 1260, 1080, 5565, 4695);
    row("Image4", "", 480, 1800, 1260, 2145);
    // Page 2
    row("Label5", "2.  Create your eVC wrapper as describe in KB article", 360, 0, 0, 0);
    row("txtStep2", "", 360, 240, 7035, 735);
    row("Line4", "", 0, 1050, 7740, 15);
    // Right-aligned where they meet their boxes: the right edge is the table's.
    row("Label6", "Name of your eVb application:", 2700, 1560, 2130, 0);
    row("txtAppName", "", 4920, 1440, 1275, 375);
    row("Label10", ".vb", 6240, 1560, 315, 255);
    row("Label7", "Name for your exe wrapper:", 2880, 2040, 1950, 0);
    row("txtWrapperName", "", 4920, 1920, 1275, 375);
    row("Label11", ".exe", 6240, 2040, 375, 255);
    row("chkSame", "Same", 6720, 1920, 735, 375);
    row("cmdSubstitute", "&Substitute", 5520, 2400, 1095, 375);
    row("txtCode", "", 360, 2880, 7095, 3015);
    row("Image10", "", 360, 1200, 915, 1515);
    row("Image7", "", 1320, 1200, 1215, 1665);
    row("Image8", "", 1560, 1290, 750, 750);
    // Page 3
    row("Label9", "3.  Build your eVB Project, then create distribution package", 360, 0, 0, 0);
    row("txtStep3", "", 360, 240, 7035, 735);
    row("Line3", "", 0, 1050, 7740, 15);
    row("Label18", "- Trimwell", 5340, 1200, 0, 0);
    row("Label19", "- Application Install Wizard", 5340, 1440, 1860, 315);
    row("Image9", "", 780, 2160, 2235, 3555);
    row("Image5", "", 3360, 1800, 2625, 3465);
    row("Image6", "", 3900, 2040, 1515, 1500);
    // Page 4
    row("Label4", "4.  Modify distribution files [most common and important use of this tool]", 360,
        0, 0, 0);
    row("txtStep4", "", 360, 240, 7035, 735);
    row("Line1", "", 0, 1050, 7740, 15);
    row("Label2", "eVB Distribution Package .INF file :", 0, 1200, 2715, 255);
    row("txtDPackage", "", 60, 1440, 6375, 330);
    row("cmdDPackage", "Browse", 6540, 1440, 855, 330);
    row("lblWrapper", " eVC Wrapper .EXE file for MIPS :", 840, 1920, 2400, 195);
    row("txtWrapper", "", 840, 2160, 5595, 330);
    row("cmdWrapperBrowse", "Browse", 6540, 2160, 855, 330);
    row("lblWrapper2", " eVC Wrapper .EXE file for SH3 :", 840, 2520, 2325, 195);
    row("txtWrapper2", "", 840, 2760, 5595, 330);
    row("cmdWrapperBrowse2", "Browse", 6540, 2760, 855, 330);
    row("lblWrapper3", " eVC Wrapper .EXE file for ARM :", 840, 3120, 2370, 195);
    row("txtWrapper3", "", 840, 3360, 5595, 330);
    row("cmdWrapperBrowse3", "Browse", 6540, 3360, 855, 330);
    row("cmdAuto", "Make Modifications", 2760, 3750, 1575, 375);
    row("lvwStatus", "", 60, 4200, 7335, 1815);
    row("Image12", "", 180, 1920, 555, 2175);
    row("Image11", "", 4620, 3720, 1695, 495);
    // Page 5
    row("Label3", "Quillet", 1620, 360, 4215, 975);
    row("Image1", "", 4320, 240, 660, 690);
    row("lblVersion", "", 240, 2160, 7215, 375);
    row("lblCopyright", "", 300, 2760, 7095, 375);
    row("txtLicense", "", 300, 1080, 7095, 4095);
    row("cmdLicense", "License", 3060, 5280, 1275, 375);
  }

  void layoutTable() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(int, width);
    QFETCH(int, height);
    TestWindow t;
    const QByteArray object_name = name.toLatin1();
    QWidget* control = t.Find<QWidget>(object_name.constData());
    const ControlSpec* spec = FindControlSpec(object_name.toStdString());
    QVERIFY(spec != nullptr);
    // Text is fitted to the face at hand when its page is first shown.
    if (spec->page != 0) t.Click(StepButtonName(spec->page));
    const TwipsRect at = t.Twips(object_name.constData());
    const bool text_sized =
        qobject_cast<QLabel*>(control) != nullptr || qobject_cast<QCheckBox*>(control) != nullptr;
    if (text_sized && spec->align == TextAlign::kRight && at.left != 0) {
      // Right-aligned text keeps its right edge and grows, or shrinks, to the left.
      QCOMPARE(at.left + at.width, left + width);
      if (spec->auto_size) QCOMPARE(control->width(), control->sizeHint().width());
    } else {
      QCOMPARE(at.left, left);
    }
    QCOMPARE(at.top, top);
    if (text_sized && spec->align == TextAlign::kRight) {
      // Checked above.
    } else if (width != 0 && text_sized && at.width != width) {
      // A caption wider than its control in the face at hand widens it to fit.
      QVERIFY2(at.width > width, Describe(at));
      QCOMPARE(control->width(), control->sizeHint().width());
    } else if (width != 0) {
      QCOMPARE(at.width, width);
    }
    if (height != 0 && text_sized && at.height != height) {
      // Text taller than its control grows it downwards.
      QVERIFY2(at.height > height, Describe(at));
      QCOMPARE(control->height(), control->sizeHint().height());
    } else if (height != 0) {
      QCOMPARE(at.height, height);
    }
    if (auto* label = qobject_cast<QLabel*>(control);
        label != nullptr && label->pixmap().isNull()) {
      // The about page's lines, empty in the table, are filled as it is shown
      // (aboutPage checks them).
      if (!(caption.isEmpty() && spec->page == 5)) QCOMPARE(label->text(), caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
      QCOMPARE(button->text(), caption);
    } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
      QCOMPARE(box->text(), caption);
    }
    // Every control lies on one page or directly in the window's client area.
    const QString parent = control->parentWidget()->objectName();
    QVERIFY2(parent.startsWith("fraStep") || parent == "client", qPrintable(parent));
  }

  void coloursAndFonts() {
    TestWindow t;
    const QColor page_colour(0xC0, 0xC0, 0xFF);
    const QColor about_text(0, 0, 0x80);  // 0x800000
    const int page_widths[] = {7815, 7755, 7695, 7755, 7695};
    for (int step = 1; step <= 5; ++step) {
      const std::string name = "fraStep" + std::to_string(step);
      QCOMPARE(t.Find<QWidget>(name)->palette().color(QPalette::Window), page_colour);
      QCOMPARE(t.Twips(name).width, page_widths[step - 1]);
      QCOMPARE(t.Twips(name).height, 6135);
    }
    QCOMPARE(t.Find<QWidget>("txtEdge")->palette().color(QPalette::Window), page_colour);
    for (const char* rule : {"Line1", "Line2", "Line3", "Line4"}) {
      QCOMPARE(t.Find<QWidget>(rule)->palette().color(QPalette::Window), QColor(0, 0, 0x40));
      QCOMPARE(t.Find<QWidget>(rule)->height(), 1);
    }
    for (const char* box : {"txtStep1", "txtStep2", "txtStep3", "txtStep4"}) {
      QCOMPARE(Base(t.Find<QWidget>(box)), page_colour);
    }
    QCOMPARE(Base(t.Find<QWidget>("txtCode")), QColor(Qt::white));
    // The code box uses the window's own font, as all text but the titles does.
    QCOMPARE(t.Find<QWidget>("txtCode")->font(), t.window->font());
    for (const char* title : {"Label4", "Label5", "Label8", "Label9"}) {
      const QFont font = t.Find<QLabel>(title)->font();
      QVERIFY(font.bold());
      QCOMPARE(font.pointSizeF(), 8.25);
    }
    QCOMPARE(t.window->font().pointSizeF(), 8.25);
    // The face the program sets for itself (main) is the window's.
    QCOMPARE(WindowFont(FontRole::kDefault), t.window->font());

    auto* product = t.Find<QLabel>("Label3");
    QCOMPARE(product->font().pointSizeF(), 21.75);
    QVERIFY(product->font().bold());
    QCOMPARE(product->palette().color(QPalette::WindowText), about_text);
    for (const char* line : {"lblVersion", "lblCopyright"}) {
      auto* label = t.Find<QLabel>(line);
      QCOMPARE(label->font().pointSizeF(), 9.75);
      QCOMPARE(label->palette().color(QPalette::WindowText), about_text);
      QCOMPARE(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    }
    QCOMPARE(t.Find<QLabel>("Label2")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  }

  void revisitingAPageKeepsItsState() {
    TestWindow t;
    t.Click("cmdStep2");
    QTest::keyClicks(t.Find<QLineEdit>("txtAppName"), "MyApp");
    t.Click("cmdStep4");
    // As a "Browse" leaves it.
    t.window->SetText("txtDPackage", "C:\\Pkg\\MyApp.inf");
    t.window->statusLog().LogAction("Edit INF", "a", "b", kStatusSuccess, "");
    for (const char* other : {"cmdStep1", "cmdStep3", "cmdStep5", "cmdStep2"}) t.Click(other);
    QCOMPARE(t.Find<QLineEdit>("txtAppName")->text(), QString("MyApp"));
    QCOMPARE(t.Find<QLineEdit>("txtWrapperName")->text(), QString("MyApp"));
    t.Click("cmdStep4");
    QCOMPARE(t.Find<QLineEdit>("txtDPackage")->text(), QString("C:\\Pkg\\MyApp.inf"));
    QCOMPARE(t.Find<QTreeView>("lvwStatus")->model()->rowCount(), 1);
  }

  void aboutPage() {
    TestWindow t;
    auto* license = t.Find<QPlainTextEdit>("txtLicense");
    auto* page = t.Find<QFrame>("fraStep5");
    t.Click("cmdStep5");
    QCOMPARE(t.Find<QLabel>("lblVersion")->text(), QString("Version: 1.0.0"));
    QCOMPARE(t.Find<QLabel>("lblCopyright")->text(), QString::fromUtf8(kLegalCopyright));
    QCOMPARE(t.window->Text("txtLicense"), BuildLicenseText());
    QVERIFY(!license->isVisible());

    // Shown, the agreement lies in front of the version and notice lines.
    auto in_front = [&] {
      return page->childAt(t.Find<QLabel>("lblVersion")->geometry().center()) != nullptr &&
             license->isAncestorOf(
                 page->childAt(t.Find<QLabel>("lblVersion")->geometry().center()));
    };
    t.Click("cmdLicense");
    QVERIFY(license->isVisible());
    QVERIFY(in_front());
    QCOMPARE(license->toPlainText(), Shown(BuildLicenseText()));
    QVERIFY(license->toPlainText().startsWith('\n'));
    t.Click("cmdLicense");
    QVERIFY(!license->isVisible());
    t.Click("cmdLicense");
    QVERIFY(license->isVisible());
    QVERIFY(in_front());

    // A visit elsewhere keeps the box shown; the text is rebuilt on the way back.
    license->setPlainText("stale");
    t.Click("cmdStep2");
    t.Click("cmdStep5");
    QVERIFY(license->isVisible());
    QCOMPARE(license->toPlainText(), Shown(BuildLicenseText()));
    t.Click("cmdLicense");
    t.Click("cmdStep1");
    t.Click("cmdStep5");
    QVERIFY(!license->isVisible());
  }

  void sameMirrorsTheApplicationName() {
    TestWindow t;
    t.Click("cmdStep2");
    auto* app = t.Find<QLineEdit>("txtAppName");
    auto* wrapper = t.Find<QLineEdit>("txtWrapperName");
    auto* same = t.Find<QCheckBox>("chkSame");
    auto* code = t.Find<QPlainTextEdit>("txtCode");
    const QString code_at_start = code->toPlainText();

    // Every keystroke is copied; the code waits for "Substitute".
    QTest::keyClick(app, Qt::Key_A);
    QCOMPARE(wrapper->text(), QString("a"));
    QTest::keyClicks(app, "bc");
    QCOMPARE(wrapper->text(), QString("abc"));
    QTest::keyClick(app, Qt::Key_Backspace);
    QCOMPARE(wrapper->text(), QString("ab"));
    QCOMPARE(code->toPlainText(), code_at_start);

    // Unchecked: the copied name stays, the box opens with its text selected.
    QTest::mouseClick(same, Qt::LeftButton, {}, QPoint(5, same->height() / 2));
    QVERIFY(!same->isChecked());
    QCOMPARE(wrapper->text(), QString("ab"));
    QVERIFY(wrapper->isEnabled());
    QVERIFY(t.Find<QLabel>("Label7")->isEnabled());
    QCOMPARE(Base(wrapper), QColor(Qt::white));
    QCOMPARE(t.window->focusWidget(), wrapper);
    QCOMPARE(wrapper->selectedText(), QString("ab"));
    QCOMPARE(wrapper->selectionStart(), 0);

    // Typing replaces the selection; the application name no longer follows.
    QTest::keyClicks(wrapper, "Stub");
    QTest::keyClicks(app, "x");
    QCOMPARE(wrapper->text(), QString("Stub"));

    // Checked again: the typed launcher name gives way to the application name.
    QTest::keyClick(same, Qt::Key_Space);
    QVERIFY(same->isChecked());
    QCOMPARE(wrapper->text(), QString("abx"));
    QVERIFY(!wrapper->isEnabled());
    QVERIFY(!t.Find<QLabel>("Label7")->isEnabled());
    QCOMPARE(Base(wrapper), QColor(0xC0, 0xC0, 0xC0));

    // Setting the state from code is not a click: nothing is copied.
    same->setChecked(false);
    QVERIFY(!wrapper->isEnabled());
  }

  void substitute_data() {
    QTest::addColumn<QString>("app");
    QTest::addColumn<QString>("wrapper");  // typed with "Same" unchecked; null: "Same" stays on
    QTest::addColumn<QString>("line1");
    QTest::addColumn<QString>("line7");
    QTest::addColumn<QString>("line8");
    const QString tail = ".cpp : Defines the entry point for the application.";
    QTest::newRow("both empty") << "" << QString() << "// " + tail
                                << "LPTSTR szAppName = _T(\".vb\");"
                                << "LPTSTR szStubName = _T(\".exe\");";
    QTest::newRow("same name") << "MyApp" << QString() << "// MyApp" + tail
                               << "LPTSTR szAppName = _T(\"MyApp.vb\");"
                               << "LPTSTR szStubName = _T(\"MyApp.exe\");";
    QTest::newRow("dots in launcher") << "App"
                                      << "my.stub"
                                      << "// my.stub" + tail << "LPTSTR szAppName = _T(\"App.vb\");"
                                      << "LPTSTR szStubName = _T(\"my.stub.exe\");";
    QTest::newRow("backslash in launcher") << "App"
                                           << "a\\b"
                                           << "// b" + tail << "LPTSTR szAppName = _T(\"App.vb\");"
                                           << "LPTSTR szStubName = _T(\"a\\b.exe\");";
    QTest::newRow(".vb typed") << "Proj.vb" << QString() << "// Proj.vb" + tail
                               << "LPTSTR szAppName = _T(\"Proj.vb.vb\");"
                               << "LPTSTR szStubName = _T(\"Proj.vb.exe\");";
    QTest::newRow("spaces and quotes kept") << " a \"b\" " << QString() << "//  a \"b\" " + tail
                                            << "LPTSTR szAppName = _T(\" a \"b\" .vb\");"
                                            << "LPTSTR szStubName = _T(\" a \"b\" .exe\");";
  }

  void substitute() {
    QFETCH(QString, app);
    QFETCH(QString, wrapper);
    TestWindow t;
    t.Click("cmdStep2");
    QTest::keyClicks(t.Find<QLineEdit>("txtAppName"), app);
    if (!wrapper.isNull()) {
      auto* same = t.Find<QCheckBox>("chkSame");
      QTest::mouseClick(same, Qt::LeftButton, {}, QPoint(5, same->height() / 2));
      t.Find<QLineEdit>("txtWrapperName")->clear();
      QTest::keyClicks(t.Find<QLineEdit>("txtWrapperName"), wrapper);
    }
    t.Click("cmdSubstitute");
    const QStringList lines = t.Find<QPlainTextEdit>("txtCode")->toPlainText().split('\n');
    QCOMPARE(lines.size(), 50);
    QTEST(lines[0], "line1");
    QTEST(lines[6], "line7");
    QTEST(lines[7], "line8");
    QCOMPARE(lines.last(), QString("}"));
  }

  void keyboard() {
    TestWindow t;
    t.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(t.window.get()));
    // Tab runs from the step button into its own page; hidden pages are skipped.
    auto tab_through = [&](const char* start, std::vector<const char*> expected) {
      t.Find<QWidget>(start)->setFocus();
      for (const char* name : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString(name));
      }
    };
    tab_through("cmdStep4", {"txtStep4", "txtDPackage", "cmdDPackage", "lvwStatus", "cmdStep5"});
    t.Click("cmdStep2");
    tab_through("cmdStep2", {"txtStep2", "txtAppName", "chkSame", "cmdSubstitute", "txtCode",
                             "cmdStep3", "cmdStep4", "cmdStep5", "cmdStep1", "cmdStep2"});

    // Alt+S substitutes while Step 2 is showing.
    QTest::keyClicks(t.Find<QLineEdit>("txtAppName"), "Key");
    QTest::keyClick(t.window.get(), Qt::Key_S, Qt::AltModifier);
    // The button shows itself pressed for a moment before it acts.
    QTRY_VERIFY(t.Find<QPlainTextEdit>("txtCode")->toPlainText().startsWith("// Key.cpp"));
  }

  void lastFoldersSavedWhenTheWindowGoesAway() {
    TestWindow t;
    const QString settings = t.folder.filePath("Davure.ini");
    t.Click("cmdStep2");  // whichever page is showing
    t.state.LastInfDir = "C:\\Pkg";
    t.state.LastArmDir = "C:\\Arm\\";
    t.window->close();
    t.window.reset();
    QFile file(settings);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(file.readAll());
    QVERIFY2(text.contains("[LastDirs]"), qPrintable(text));
    QVERIFY2(text.contains("1=C:\\Pkg"), qPrintable(text));
    QVERIFY2(text.contains("4=C:\\Arm\\"), qPrintable(text));

    // The next window starts from them.
    ToolState state;
    SilentDialogs dialogs;
    MainWindow next(state, dialogs, t.folder.path().toStdString());
    QCOMPARE(state.LastInfDir, std::string("C:\\Pkg"));
    QCOMPARE(state.LastArmDir, std::string("C:\\Arm\\"));
  }
};

}  // namespace quillet

QTEST_MAIN(quillet::MainWindowTest)
#include "main_window_test.moc"
