// The window as people with other desktops meet it, on the offscreen platform:
// dark themes, Enter on a button, screen readers, the client area around the
// pages, faces other than the named ones, Ctrl keys between steps, screens
// with another scale, and tool tips of several lines.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTreeView>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "qt/main_window.h"
#include "qt/window_controls.h"
#include "test_window.h"
#include "wizard/form.h"

namespace quillet {
namespace {

using testing::TestWindow;

std::uint32_t Bgr(QColor colour) {
  return static_cast<std::uint32_t>(colour.red()) |
         static_cast<std::uint32_t>(colour.green()) << 8 |
         static_cast<std::uint32_t>(colour.blue()) << 16;
}

// A dark desktop theme's colours, as dark themes of Fusion set them.
QPalette DarkPalette() {
  QPalette dark;
  const QColor window(0x35, 0x35, 0x35);
  const QColor base(0x2A, 0x2A, 0x2A);
  const QColor light_text(0xF0, 0xF0, 0xF0);
  const QColor grey_text(0x7F, 0x7F, 0x7F);
  dark.setColor(QPalette::Window, window);
  dark.setColor(QPalette::WindowText, light_text);
  dark.setColor(QPalette::Base, base);
  dark.setColor(QPalette::AlternateBase, window);
  dark.setColor(QPalette::ToolTipBase, base);
  dark.setColor(QPalette::ToolTipText, light_text);
  dark.setColor(QPalette::Text, light_text);
  dark.setColor(QPalette::Button, window);
  dark.setColor(QPalette::ButtonText, light_text);
  dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
  dark.setColor(QPalette::Midlight, QColor(0x45, 0x45, 0x45));
  dark.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x30));
  dark.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
  dark.setColor(QPalette::Shadow, QColor(0x10, 0x10, 0x10));
  dark.setColor(QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
  dark.setColor(QPalette::HighlightedText, Qt::black);
  for (const QPalette::ColorRole role :
       {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    dark.setColor(QPalette::Disabled, role, grey_text);
  }
  return dark;
}

// Sets a desktop look for as long as it lives: a style and a palette on the
// whole application, as a desktop's theme does.
class DesktopLook {
 public:
  DesktopLook(const QString& style, const std::optional<QPalette>& palette)
      : style_(QApplication::style()->name()), palette_(QApplication::palette()) {
    if (!style.isEmpty()) QApplication::setStyle(QStyleFactory::create(style));
    if (palette) QApplication::setPalette(*palette);
  }
  ~DesktopLook() {
    QApplication::setStyle(QStyleFactory::create(style_));
    QApplication::setPalette(palette_);
  }
  DesktopLook(const DesktopLook&) = delete;
  DesktopLook& operator=(const DesktopLook&) = delete;

 private:
  QString style_;
  QPalette palette_;
};

// The colour that covers most of the picture: a control's background.
QRgb MostCommon(const QImage& image) {
  std::map<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y) | 0xFF000000u];
  }
  QRgb best = 0;
  int most = -1;
  for (const auto& [colour, count] : counts) {
    if (count > most) {
      best = colour;
      most = count;
    }
  }
  return best;
}

// The contrast of a control's text on its background as drawn: the ink is the
// pixel that stands out most from the colour that covers most of the area.
struct DrawnContrast {
  QColor background;
  QColor ink;
  double ratio = 1;
};
DrawnContrast Measure(QWidget* control, QRect area = {}) {
  QImage image = control->grab().toImage();
  if (!area.isNull()) image = image.copy(area);
  DrawnContrast drawn;
  drawn.background = QColor(MostCommon(image));
  const std::uint32_t back = Bgr(drawn.background);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel(image.pixel(x, y));
      const double ratio = ContrastRatio(Bgr(pixel), back);
      if (ratio > drawn.ratio) {
        drawn.ratio = ratio;
        drawn.ink = pixel;
      }
    }
  }
  return drawn;
}

QByteArray Describe(const DrawnContrast& drawn) {
  return "ink " + drawn.ink.name().toLatin1() + " on " + drawn.background.name().toLatin1() + ": " +
         QByteArray::number(drawn.ratio, 'f', 2) + ":1";
}

// The palette role a control's text is drawn in.
QPalette::ColorRole TextRole(const ControlSpec& spec) {
  switch (spec.kind) {
    case ControlKind::kLabel:
    case ControlKind::kCheckBox:
    case ControlKind::kPage:
      return QPalette::WindowText;
    case ControlKind::kStepButton:
    case ControlKind::kButton:
      return QPalette::ButtonText;
    default:
      return QPalette::Text;
  }
}

// The palette role a control's background is filled with.
QPalette::ColorRole BackRole(const ControlSpec& spec) {
  switch (spec.kind) {
    case ControlKind::kTextBox:
    case ControlKind::kTextArea:
    case ControlKind::kStatusList:
      return QPalette::Base;
    case ControlKind::kStepButton:
      return QPalette::Button;
    default:
      return QPalette::Window;
  }
}

// Where a label's text is drawn, in its parent's coordinates.
QRect TextRect(const QLabel* label) {
  const QSize text = label->fontMetrics().size(0, label->text());
  return QStyle::alignedRect(Qt::LeftToRight, label->alignment(), text, label->contentsRect())
      .translated(label->pos());
}

QByteArray Describe(const QRect& r) {
  return QByteArray::number(r.x()) + "," + QByteArray::number(r.y()) + " " +
         QByteArray::number(r.width()) + "x" + QByteArray::number(r.height());
}

// The window's pictures (PictureBox has no meta-object of its own, so
// findChildren cannot tell it from other labels).
std::vector<PictureBox*> Pictures(const MainWindow& window) {
  std::vector<PictureBox*> pictures;
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (auto* picture = dynamic_cast<PictureBox*>(label)) pictures.push_back(picture);
  }
  return pictures;
}

// Every face the window is tested in: the named faces as the system resolves
// them, and each face a Linux system may fall back on.
void AddFaceRows() {
  QTest::addColumn<QString>("face");
  QTest::newRow("named faces") << QString();
  QTest::newRow("Liberation Sans") << QStringLiteral("Liberation Sans");
  QTest::newRow("DejaVu Sans") << QStringLiteral("DejaVu Sans");
}

// Sets QUILLET_FONT for as long as it lives.
class FaceOverride {
 public:
  explicit FaceOverride(const QString& face) {
    if (!face.isEmpty()) qputenv("QUILLET_FONT", face.toUtf8());
  }
  ~FaceOverride() { qunsetenv("QUILLET_FONT"); }
  FaceOverride(const FaceOverride&) = delete;
  FaceOverride& operator=(const FaceOverride&) = delete;
};

}  // namespace

class UsabilityTest : public QObject {
  Q_OBJECT

 private slots:
  void textReadsOnDarkDesktops_data();
  void textReadsOnDarkDesktops();
  void enterAndSpacePressTheFocusedButton_data();
  void enterAndSpacePressTheFocusedButton();
  void screenReadersHearANameForEveryControl();
  void stepButtonsSayWhichPageIsShown();
  void clientAreaAroundThePagesIsThePageColour_data();
  void clientAreaAroundThePagesIsThePageColour();
  void labelsGrowAwayFromTheirBoxesInEveryFace_data();
  void labelsGrowAwayFromTheirBoxesInEveryFace();
  void ctrlKeysMoveBetweenSteps_data();
  void ctrlKeysMoveBetweenSteps();
  void picturesAreRedrawnForAnotherScale();
  void picturesFollowTheWindowToAnotherScreen();
  void toolTipsShowLineBreaks();
  void windowIconFollowsTheFirstPaint();
};

void UsabilityTest::textReadsOnDarkDesktops_data() {
  QTest::addColumn<QString>("style");
  QTest::addColumn<bool>("dark");
  QTest::newRow("desktop's own colours") << QString() << false;
  QTest::newRow("dark palette on the application") << QString() << true;
  QTest::newRow("Fusion with a dark palette") << QStringLiteral("Fusion") << true;
  QTest::newRow("Windows style with a dark palette") << QStringLiteral("Windows") << true;
}

void UsabilityTest::textReadsOnDarkDesktops() {
  QFETCH(QString, style);
  QFETCH(bool, dark);
  if (!style.isEmpty() && !QStyleFactory::keys().contains(style, Qt::CaseInsensitive)) {
    QSKIP("style not available");
  }
  DesktopLook look(style, dark ? std::optional<QPalette>(DarkPalette()) : std::nullopt);
  TestWindow t;
  t.window->SetText("txtDPackage", "C:\\Pkg\\MyApp.inf");
  t.window->SetText("txtWrapper", "C:\\Stubs\\Mips\\StubLauncher.exe");
  t.window->statusLog().LogAction("Copy EXE", "C:\\Stubs\\Stub.exe", "C:\\Pkg\\", 0, "");

  // Every control whose background the table fixes: its text colour, as its
  // palette holds it, reads on that background.
  for (const ControlSpec& spec : FormControls()) {
    const std::uint32_t text = TextColourOf(spec);
    if (text == kSystemColour) continue;
    QWidget* control = t.Find(spec.name);
    const QPalette::ColorGroup group = QPalette::Active;
    const std::uint32_t ink = Bgr(control->palette().color(group, TextRole(spec)));
    const std::uint32_t back = Bgr(control->palette().color(group, BackRole(spec)));
    QVERIFY2(ContrastRatio(ink, back) >= 4.5,
             QByteArray(spec.name.data(), qsizetype(spec.name.size())) + ": " +
                 QByteArray::number(ContrastRatio(ink, back), 'f', 2));
    QCOMPARE(ink, text);
  }
  // The check box's field is white with a black mark, on any desktop.
  auto* same = t.Find<QCheckBox>("chkSame");
  QCOMPARE(Bgr(same->palette().color(QPalette::Base)), kEnabledBoxColour);
  QCOMPARE(Bgr(same->palette().color(QPalette::Text)), kBlackTextColour);

  // And as drawn: one control of each kind, on each page it appears.
  struct Drawn {
    const char* step;
    const char* control;
    std::uint32_t background;
    double at_least;
  };
  const Drawn drawn[] = {
      {"cmdStep2", "Label6", kPageColour, 4.5},         // label on the page
      {"cmdStep2", "Label5", kPageColour, 4.5},         // page title
      {"cmdStep2", "txtCode", kEnabledBoxColour, 4.5},  // the white code box
      {"cmdStep2", "txtStep2", kPageColour, 4.5},       // guidance box
      {"cmdStep2", "chkSame", kPageColour, 4.5},
      {"cmdStep4", "txtDPackage", kEnabledBoxColour, 4.5},
      {"cmdStep5", "lblVersion", kPageColour, 4.5},
      // Switched off: grey on grey, as Windows draws it; distinct, though below
      // the 4.5 that usable text needs (switched-off controls are exempt).
      {"cmdStep4", "txtWrapper", kDisabledBoxColour, 2.0},
      {"cmdStep4", "lblWrapper2", kPageColour, 2.0},
  };
  for (const Drawn& d : drawn) {
    t.Click(d.step);
    QApplication::processEvents();
    const DrawnContrast measured = Measure(t.Find(d.control));
    QVERIFY2(measured.ratio >= d.at_least, d.control + QByteArray(" ") + Describe(measured));
    QCOMPARE(Bgr(measured.background), d.background);
  }
  // The step buttons' captions, inside their raised edges.
  t.Click("cmdStep4");
  for (const char* button : {"cmdStep1", "cmdStep4"}) {
    QWidget* control = t.Find(button);
    const DrawnContrast measured = Measure(control, control->rect().adjusted(5, 5, -5, -5));
    QVERIFY2(measured.ratio >= 4.5, button + QByteArray(" ") + Describe(measured));
  }
  // The status list: white, and a black row's text black.
  auto* list = t.Find<QTreeView>("lvwStatus");
  list->clearSelection();
  list->setCurrentIndex({});
  const QRect value_cell = list->visualRect(list->model()->index(0, 1));
  const DrawnContrast row = Measure(list->viewport(), value_cell);
  QVERIFY2(row.ratio >= 4.5, Describe(row));
  QCOMPARE(Bgr(row.background), kEnabledBoxColour);
}

void UsabilityTest::enterAndSpacePressTheFocusedButton_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<bool>("pressed");
  const int none = Qt::NoModifier;
  for (const char* button : {"cmdStep2", "cmdLicense", "cmdSubstitute"}) {
    QTest::addRow("%s Return", button) << button << int(Qt::Key_Return) << none << true;
    QTest::addRow("%s keypad Enter", button)
        << button << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
    QTest::addRow("%s Space", button) << button << int(Qt::Key_Space) << none << true;
    QTest::addRow("%s Ctrl+Return", button)
        << button << int(Qt::Key_Return) << int(Qt::ControlModifier) << false;
  }
}

void UsabilityTest::enterAndSpacePressTheFocusedButton() {
  QFETCH(QString, button);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(bool, pressed);
  TestWindow t;
  QVERIFY(t.Activate());
  // What each button does, seen from outside.
  std::function<bool()> done;
  if (button == "cmdStep2") {
    done = [&] { return t.window->wizard().CurrentStep() == 2; };
  } else if (button == "cmdLicense") {
    t.Click("cmdStep5");
    done = [&] { return t.Find("txtLicense")->isVisible(); };
  } else {
    t.Click("cmdStep2");
    QTest::keyClicks(t.Find("txtAppName"), "Keyed");
    done = [&] {
      return t.Find<QPlainTextEdit>("txtCode")->toPlainText().startsWith("// Keyed.cpp");
    };
  }
  QWidget* target = t.Find(button.toStdString());
  target->setFocus();
  QVERIFY(!done());
  QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
  QCOMPARE(done(), pressed);
  QCOMPARE(QApplication::focusWidget(), target);

  // Held down, Enter presses once: a second press arrives as a repeat.
  if (key == Qt::Key_Return && pressed && button == "cmdLicense") {
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString("\r"), true);
    QApplication::sendEvent(target, &repeat);
    QVERIFY(done());
  }
}

void UsabilityTest::screenReadersHearANameForEveryControl() {
  TestWindow t;
  std::set<QString> names;
  for (const std::string_view name : TabOrder()) {
    QWidget* control = t.Find(name);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
    QVERIFY(iface != nullptr);
    const ControlSpec& spec = *FindControlSpec(name);
    const QString spoken = iface->text(QAccessible::Name);
    const QByteArray label(name.data(), qsizetype(name.size()));
    QVERIFY2(!spoken.isEmpty(), label);
    // Step 4 is shown: its button says so; every other name is the table's.
    const std::string expected =
        name == "cmdStep4" ? StepButtonAccessibleName(4, true) : AccessibleNameOf(spec);
    QCOMPARE(spoken.toStdString(), expected);
    QVERIFY2(names.insert(spoken).second, "twice: " + spoken.toUtf8());
    QCOMPARE(iface->text(QAccessible::Description).toStdString(),
             std::string(spec.accessible_description));

    QAccessible::Role role = QAccessible::NoRole;
    switch (spec.kind) {
      case ControlKind::kStepButton:
      case ControlKind::kButton:
        role = QAccessible::Button;
        break;
      case ControlKind::kTextBox:
      case ControlKind::kTextArea:
        role = QAccessible::EditableText;
        break;
      case ControlKind::kCheckBox:
        role = QAccessible::CheckBox;
        break;
      case ControlKind::kStatusList:
        role = QAccessible::Tree;
        break;
      default:
        break;
    }
    QCOMPARE(iface->role(), role);
    QCOMPARE(iface->state().readOnly, spec.read_only || spec.kind == ControlKind::kTextArea);

    // A box and its label know each other.
    if (!spec.labelled_by.empty()) {
      auto* tied = t.Find<QLabel>(spec.labelled_by);
      QCOMPARE(tied->buddy(), control);
      const auto labels = iface->relations(QAccessible::Label);
      QCOMPARE(labels.size(), 1);
      QCOMPARE(labels.first().first->object(), tied);
      QAccessibleInterface* label_iface = QAccessible::queryAccessibleInterface(tied);
      const auto labelled = label_iface->relations(QAccessible::Labelled);
      QCOMPARE(labelled.size(), 1);
      QCOMPARE(labelled.first().first->object(), control);
    }
  }
  // The four "Browse" buttons are told apart.
  QVERIFY(names.count("Browse for the INF file"));
  QVERIFY(names.count("Browse for the MIPS launcher"));
  QVERIFY(names.count("Browse for the SH3 launcher"));
  QVERIFY(names.count("Browse for the ARM launcher"));

  // Pictures are decoration: no name, and the shown ones are graphics.
  for (const ControlSpec& spec : FormControls()) {
    if (spec.kind != ControlKind::kPicture) continue;
    QWidget* picture = t.Find(spec.name);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(picture);
    QCOMPARE(iface->text(QAccessible::Name), QString());
    if (picture->isVisible()) QCOMPARE(iface->role(), QAccessible::Graphic);
  }
  // Labels are read by their text, the about page's as the page logic sets it.
  t.Click("cmdStep5");
  QAccessibleInterface* version = QAccessible::queryAccessibleInterface(t.Find("lblVersion"));
  QCOMPARE(version->text(QAccessible::Name), QString("Version: 1.0.0"));
  QCOMPARE(version->role(), QAccessible::StaticText);

  // A status row says what the colour and image show.
  StatusLog& log = t.window->statusLog();
  log.LogAction("Move CAB", "a.CAB", "CD1\\", kStatusFailure, "No such file or directory");
  log.LogAction("INF Change", "Shortcuts", "QuilletShortcut", kStatusSuccess, "");
  QAbstractItemModel* model = t.Find<QTreeView>("lvwStatus")->model();
  QCOMPARE(model->index(0, 0).data(Qt::AccessibleDescriptionRole).toString(),
           QString("Failed: No such file or directory"));
  QCOMPARE(model->index(1, 0).data(Qt::AccessibleDescriptionRole).toString(), QString("Succeeded"));
}

void UsabilityTest::stepButtonsSayWhichPageIsShown() {
  TestWindow t;
  QVERIFY(t.Activate());
  struct Case {
    const char* how;
    std::function<void()> go;
    int shown;
  };
  const Case cases[] = {
      {"click", [&] { t.Click("cmdStep2"); }, 2},
      {"Ctrl+Tab", [&] { QTest::keyClick(t.window.get(), Qt::Key_Tab, Qt::ControlModifier); }, 3},
      {"Enter", [&] { QTest::keyClick(t.Find("cmdStep5"), Qt::Key_Return); }, 5},
  };
  for (const Case& c : cases) {
    c.go();
    for (int step = 1; step <= kStepCount; ++step) {
      QAccessibleInterface* iface =
          QAccessible::queryAccessibleInterface(t.Find(StepButtonName(step)));
      QVERIFY2(iface->text(QAccessible::Name).toStdString() ==
                   StepButtonAccessibleName(step, step == c.shown),
               c.how);
    }
  }
  QCOMPARE(QAccessible::queryAccessibleInterface(t.Find("cmdStep5"))->text(QAccessible::Name),
           QString("Step 5, about Quillet, current page"));
}

void UsabilityTest::clientAreaAroundThePagesIsThePageColour_data() {
  QTest::addColumn<int>("step");
  QTest::addColumn<bool>("dark");
  for (int step = 1; step <= kStepCount; ++step) {
    QTest::addRow("step %d", step) << step << false;
    QTest::addRow("step %d, dark desktop", step) << step << true;
  }
}

void UsabilityTest::clientAreaAroundThePagesIsThePageColour() {
  QFETCH(int, step);
  QFETCH(bool, dark);
  DesktopLook look({}, dark ? std::optional<QPalette>(DarkPalette()) : std::nullopt);
  TestWindow t;
  t.Click(StepButtonName(step));
  QApplication::processEvents();
  QWidget* client = t.window->centralWidget();
  const QImage image = client->grab().toImage();
  // What lies on the client area: the shown page, the step buttons and the marker.
  std::vector<QRect> covered = {t.Find(PageName(step))->geometry(), t.Find("txtEdge")->geometry()};
  for (int n = 1; n <= kStepCount; ++n) covered.push_back(t.Find(StepButtonName(n))->geometry());
  const QRgb page = WindowsColour(kPageColour).rgb();
  int bare = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QPoint at(x, y);
      if (std::any_of(covered.begin(), covered.end(),
                      [&](const QRect& r) { return r.contains(at); })) {
        continue;
      }
      ++bare;
      QVERIFY2((image.pixel(at) | 0xFF000000u) == page,
               QByteArray::number(x) + "," + QByteArray::number(y) + " is " +
                   QColor(image.pixel(at)).name().toLatin1());
    }
  }
  // The offscreen window has no frame: the pages leave a strip on the right
  // and at the bottom (the client is 8300 x 6450 twips, the pages 6135 high).
  QVERIFY(bare > 0);
  QCOMPARE(client->geometry(), QRect(QPoint(0, 0), t.window->size()));
}

void UsabilityTest::labelsGrowAwayFromTheirBoxesInEveryFace_data() { AddFaceRows(); }

void UsabilityTest::labelsGrowAwayFromTheirBoxesInEveryFace() {
  QFETCH(QString, face);
  if (!face.isEmpty() && !QFontDatabase::hasFamily(face)) {
    QSKIP("face not installed (Debian: fonts-liberation, fonts-dejavu-core)");
  }
  FaceOverride chosen(face);
  TestWindow t;
  if (!face.isEmpty()) QCOMPARE(QFontInfo(t.window->font()).family(), face);
  // A page's text is fitted to the face when the page is first shown: until
  // then its labels keep their table rectangles.
  auto* name_label = t.Find<QLabel>("Label6");
  QCOMPARE(name_label->geometry(), t.window->ToPixels(FindControlSpec("Label6")->rect));
  for (int step = 1; step <= kStepCount; ++step) t.Click(StepButtonName(step));

  // No label's text runs into the box it names.
  for (const ControlSpec& spec : FormControls()) {
    if (spec.labelled_by.empty()) continue;
    const QRect text = TextRect(t.Find<QLabel>(spec.labelled_by));
    const QRect box = t.Find(spec.name)->geometry();
    QVERIFY2(!text.intersects(box),
             QByteArray(spec.labelled_by.data(), qsizetype(spec.labelled_by.size())) + " text " +
                 Describe(text) + " box " + Describe(box));
  }
  // Nor into any other control that is not decoration: texts never overlap.
  for (const ControlSpec& spec : FormControls()) {
    if (spec.kind != ControlKind::kLabel || spec.page == 0) continue;
    auto* label = t.Find<QLabel>(spec.name);
    if (label->text().isEmpty()) continue;
    const QRect text = TextRect(label);
    for (const ControlSpec& other : FormControls()) {
      if (other.page != spec.page || other.name == spec.name || IsDecorative(other) ||
          other.kind == ControlKind::kPage) {
        continue;
      }
      QWidget* control = t.Find(other.name);
      if (control->isHidden()) continue;  // the licence box covers the about lines only when shown
      QRect occupied = control->geometry();
      if (auto* other_label = qobject_cast<QLabel*>(control)) occupied = TextRect(other_label);
      QVERIFY2(!text.intersects(occupied),
               QByteArray(spec.name.data(), qsizetype(spec.name.size())) + " runs into " +
                   QByteArray(other.name.data(), qsizetype(other.name.size())));
    }
  }
  // Right-aligned labels keep the right edge the table gives them.
  for (const char* name : {"Label6", "Label7"}) {
    const ControlSpec& spec = *FindControlSpec(name);
    const QRect table = t.window->ToPixels(spec.rect);
    QCOMPARE(t.Find(name)->geometry().right(), table.right());
  }

  // Nothing with text is cut short: every label and the check box has the
  // room its text needs, inside its page; every button's caption fits.
  for (const ControlSpec& spec : FormControls()) {
    const QByteArray name(spec.name.data(), qsizetype(spec.name.size()));
    QWidget* control = t.Find(spec.name);
    if (spec.kind == ControlKind::kLabel || spec.kind == ControlKind::kCheckBox) {
      const QSize needed = control->sizeHint();
      QVERIFY2(control->width() >= needed.width() && control->height() >= needed.height(),
               name + " " + Describe(control->geometry()));
      QVERIFY2(control->parentWidget()->rect().contains(control->geometry()),
               name + " " + Describe(control->geometry()));
    } else if (spec.kind == ControlKind::kButton) {
      auto* button = static_cast<QPushButton*>(control);
      const QString caption = button->text().remove('&');
      const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
      const int room = button->width() - 2 * frame;
      QVERIFY2(button->fontMetrics().horizontalAdvance(caption) <= room,
               name + " needs " +
                   QByteArray::number(button->fontMetrics().horizontalAdvance(caption)) + " of " +
                   QByteArray::number(room));
    }
  }
}

void UsabilityTest::ctrlKeysMoveBetweenSteps_data() {
  QTest::addColumn<int>("from");
  QTest::addColumn<QString>("focus");  // the control with the focus when the keys come
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("to");
  const int ctrl = Qt::ControlModifier;
  const int ctrl_shift = Qt::ControlModifier | Qt::ShiftModifier;
  QTest::newRow("Ctrl+Tab from a step button") << 4 << "cmdStep4" << int(Qt::Key_Tab) << ctrl << 5;
  QTest::newRow("Ctrl+Tab wraps") << 5 << "cmdLicense" << int(Qt::Key_Tab) << ctrl << 1;
  QTest::newRow("Ctrl+Shift+Tab as Backtab")
      << 1 << "txtStep1" << int(Qt::Key_Backtab) << ctrl_shift << 5;
  QTest::newRow("Ctrl+Shift+Tab") << 3 << "txtStep3" << int(Qt::Key_Tab) << ctrl_shift << 2;
  QTest::newRow("Ctrl+PgDn in a name box")
      << 2 << "txtAppName" << int(Qt::Key_PageDown) << ctrl << 3;
  QTest::newRow("Ctrl+PgUp in the code box") << 2 << "txtCode" << int(Qt::Key_PageUp) << ctrl << 1;
  QTest::newRow("Ctrl+PgDn in a path box")
      << 4 << "txtDPackage" << int(Qt::Key_PageDown) << ctrl << 5;
  QTest::newRow("Ctrl+PgUp in the status list")
      << 4 << "lvwStatus" << int(Qt::Key_PageUp) << ctrl << 3;
  QTest::newRow("Ctrl+Tab in the check box") << 2 << "chkSame" << int(Qt::Key_Tab) << ctrl << 3;
}

void UsabilityTest::ctrlKeysMoveBetweenSteps() {
  QFETCH(int, from);
  QFETCH(QString, focus);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, to);
  TestWindow t;
  QVERIFY(t.Activate());
  t.Click(StepButtonName(from));
  QWidget* focused = t.Find(focus.toStdString());
  focused->setFocus();
  QCOMPARE(QApplication::focusWidget(), focused);
  if (focus == "txtAppName") QTest::keyClicks(focused, "ab");

  QTest::keyClick(focused, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

  QCOMPARE(t.window->wizard().CurrentStep(), to);
  QVERIFY(t.Find(PageName(to))->isVisible());
  QCOMPARE(QApplication::focusWidget(), t.Find(StepButtonName(to)));
  // Nothing else happened to the box that had the focus.
  if (focus == "txtAppName") QCOMPARE(t.Find<QLineEdit>("txtAppName")->text(), QString("ab"));
}

void UsabilityTest::picturesAreRedrawnForAnotherScale() {
  TestWindow t;
  QApplication::processEvents();
  std::vector<PictureBox*> shown;
  for (PictureBox* picture : Pictures(*t.window)) {
    // Drawn at first showing: only the shown page's pictures so far.
    QVERIFY2((picture->RenderedRatio() != 0) == picture->isVisible(),
             qPrintable(picture->objectName()));
    if (picture->isVisible()) shown.push_back(picture);
  }
  QVERIFY(!shown.empty());
  const qreal ratio = t.window->devicePixelRatioF();
  for (PictureBox* picture : shown) QCOMPARE(picture->pixmap().devicePixelRatio(), ratio);

  t.window->RedrawPictures(2 * ratio);
  for (PictureBox* picture : Pictures(*t.window)) {
    if (picture->RenderedRatio() == 0) continue;  // drawn when first shown, for the screen then
    QCOMPARE(picture->RenderedRatio(), 2 * ratio);
    QCOMPARE(picture->pixmap().devicePixelRatio(), 2 * ratio);
    if (picture->Stretched()) QCOMPARE(picture->pixmap().size(), picture->size() * 2 * ratio);
  }
  QVERIFY(shown.front()->RenderedRatio() == 2 * ratio);
}

void UsabilityTest::picturesFollowTheWindowToAnotherScreen() {
  const QList<QScreen*> screens = QGuiApplication::screens();
  QScreen* other = nullptr;
  for (QScreen* screen : screens) {
    if (screen->devicePixelRatio() != screens.front()->devicePixelRatio()) other = screen;
  }
  if (other == nullptr) {
    QSKIP("needs two screens of different scale (quillet_two_screens_tests sets them up)");
  }
  TestWindow t;
  QApplication::processEvents();
  auto* picture = dynamic_cast<PictureBox*>(t.Find("Image12"));
  QCOMPARE(picture->RenderedRatio(), screens.front()->devicePixelRatio());

  t.window->windowHandle()->setScreen(other);
  QTRY_COMPARE(t.window->devicePixelRatioF(), other->devicePixelRatio());
  QTRY_COMPARE(picture->RenderedRatio(), other->devicePixelRatio());
  QCOMPARE(picture->pixmap().devicePixelRatio(), other->devicePixelRatio());
  QCOMPARE(picture->pixmap().size(), picture->size() * other->devicePixelRatio());
  // A page first shown there draws its pictures for that screen too.
  t.Click("cmdStep2");
  QCOMPARE(dynamic_cast<PictureBox*>(t.Find("Image7"))->RenderedRatio(), other->devicePixelRatio());
}

void UsabilityTest::toolTipsShowLineBreaks() {
  QCOMPARE(ToolTipText("one line"), QString("one line"));
  QCOMPARE(ToolTipText("cabwiz.exe Project1.inf\r\nerror: no CAB made\r\n"),
           QString("cabwiz.exe Project1.inf\nerror: no CAB made\n"));
  // Text that looks like markup is shown as written, line breaks and all.
  const QString markup = ToolTipText("<b>Project1.inf</b>\r\nline & more");
  QVERIFY2(markup.contains("&lt;b&gt;Project1.inf&lt;/b&gt;<br>line &amp; more"),
           qPrintable(markup));
  QVERIFY(!markup.contains('\r'));

  TestWindow t;
  t.window->statusLog().LogAction("Run CMD", "C:\\Pkg\\", "", kStatusInformation,
                                  "\"C:\\cabwiz.exe\" a.inf\r\nCAB made\r\nDone");
  const QModelIndex action = t.Find<QTreeView>("lvwStatus")->model()->index(0, 0);
  const QString tip = action.data(Qt::ToolTipRole).toString();
  QCOMPARE(tip, QString("\"C:\\cabwiz.exe\" a.inf\nCAB made\nDone"));
  QVERIFY(!Qt::mightBeRichText(tip));
}

void UsabilityTest::windowIconFollowsTheFirstPaint() {
  TestWindow t;
  // Drawn from its rasters once the window has been painted.
  QTRY_VERIFY(!t.window->windowIcon().isNull());
  const QList<QSize> sizes = t.window->windowIcon().availableSizes();
  for (const int size : {16, 32, 48, 64}) QVERIFY(sizes.contains(QSize(size, size)));
}

}  // namespace quillet

QTEST_MAIN(quillet::UsabilityTest)
#include "usability_test.moc"
