#include "qt/main_window.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QStringList>
#include <QStyle>
#include <QTimer>
#include <QWindow>

#include "platform/platform.h"
#include "qt/status_list_model.h"
#include "qt/window_controls.h"

namespace quillet {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The face for each named face: the named face first; where a system lacks
// it, a face of about the same width, and the platform's sans serif face last.
// QUILLET_FONT, when set, names one face that takes the place of all of them:
// the window can then be looked at, and tested, in each face that a system may
// fall back on. The faces are looked up once, by name in the list of installed
// families: handing Qt the whole list instead makes it ask the system's font
// configuration about every missing face for every size, which costs start-up
// time, and gives the same face.
QString ChooseFace(std::string_view named, const QStringList& installed) {
  const QString chosen = qEnvironmentVariable("QUILLET_FONT");
  const QStringList candidates =
      !chosen.isEmpty() ? QStringList{chosen}
      : named == "Tahoma"
          ? QStringList{"Tahoma", "Verdana", "DejaVu Sans", "Liberation Sans", "Arial"}
          : QStringList{"MS Sans Serif",   "Microsoft Sans Serif", "Tahoma",    "Arial",
                        "Liberation Sans", "Nimbus Sans",          "Helvetica", "DejaVu Sans"};
  for (const QString& face : candidates) {
    if (installed.contains(face, Qt::CaseInsensitive)) return face;
  }
  return {};  // the platform's own sans serif face
}

QFont ToQFont(const FontSpec& spec, const QString& face) {
  QFont font;
  if (!face.isEmpty()) font.setFamily(face);
  // Latin text without kerning or ligatures, as the window's controls draw it
  // on Windows; Qt then need not shape it, which makes laying out and drawing
  // the pages' text cheaper. Text that needs shaping (other scripts) still is.
  font.setStyleHint(QFont::SansSerif, QFont::PreferNoShaping);
  font.setPointSizeF(spec.points);
  font.setBold(spec.bold);
  return font;
}

Qt::Alignment ToQtAlignment(TextAlign align) {
  switch (align) {
    case TextAlign::kRight:
      return Qt::AlignRight | Qt::AlignTop;
    case TextAlign::kCentre:
      return Qt::AlignHCenter | Qt::AlignTop;
    case TextAlign::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignTop;
}

}  // namespace

QFont WindowFont(FontRole role) {
  const FontSpec spec = FontOf(role);
  return ToQFont(spec, ChooseFace(spec.face, QFontDatabase::families()));
}

// While a run is busy: the wait cursor, and every click, key and wheel turn
// meant for the tool's windows is dropped rather than queued, so nothing the
// user does during the run (a second "Make Modifications" click above all)
// takes effect after it. Escape goes to the page logic, which offers to stop
// the CAB command; a close goes on to closeEvent, which asks the page logic.
class MainWindow::BusyFilter : public QObject {
 public:
  explicit BusyFilter(Wizard& wizard) : wizard_(wizard) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QCoreApplication::instance()->installEventFilter(this);
  }
  ~BusyFilter() override {
    QCoreApplication::instance()->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
  }
  BusyFilter(const BusyFilter&) = delete;
  BusyFilter& operator=(const BusyFilter&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) wizard_.EscapePressed();
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        return true;
      default:
        return QObject::eventFilter(watched, event);
    }
  }

 private:
  Wizard& wizard_;
};

MainWindow::MainWindow(ToolState& state, UserDialogs& dialogs, QWidget* parent)
    : MainWindow(state, dialogs, platform::ProgramDirectory(), parent) {}

MainWindow::MainWindow(ToolState& state, UserDialogs& dialogs, const std::string& program_directory,
                       QWidget* parent)
    : QMainWindow(parent), state_(state), dialogs_(dialogs), wizard_(state, *this, dialogs) {
  setObjectName(ToQString(kWindowName));
  setWindowTitle(ToQString(kWindowCaption));
  // A fixed layout: the window can be moved and minimised but not resized.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  for (const FontRole role :
       {FontRole::kDefault, FontRole::kPageTitle, FontRole::kAboutLine, FontRole::kProductTitle}) {
    fonts_[static_cast<int>(role)] = WindowFont(role);
  }
  setFont(fonts_[static_cast<int>(FontRole::kDefault)]);

  twips_per_pixel_x_ = TwipsPerPixel(logicalDpiX());
  twips_per_pixel_y_ = TwipsPerPixel(logicalDpiY());

  auto* client = new QWidget(this);
  client->setObjectName("client");
  // Where the frame leaves the client area larger than the pages, the page
  // colour continues, rather than a band of the desktop's grey.
  SetFillColour(client, kClientColour);
  setCentralWidget(client);
  // The table lists the pages before their controls, and on each parent the
  // controls from back to front.
  for (const ControlSpec& spec : FormControls()) {
    QWidget* parent_widget = spec.page == 0 ? client : Find(PageName(spec.page));
    QWidget* control = MakeControl(spec, parent_widget);
    control->setObjectName(ToQString(spec.name));
    controls_.emplace(std::string(spec.name), control);
    ConnectEvents(spec, control);
  }
  // Each box is tied to its label: a screen reader reads the label as the
  // box's name, and the label knows which box it names.
  for (const ControlSpec& spec : FormControls()) {
    if (spec.labelled_by.empty()) continue;
    if (auto* label = qobject_cast<QLabel*>(Find(spec.labelled_by)))
      label->setBuddy(Find(spec.name));
  }
  SetTabOrder();
  AddStepKeys();

  wizard_.Form_Load(program_directory);
}

// The remembered folders are saved once, when the window goes away.
MainWindow::~MainWindow() {
  wizard_.Form_Terminate();
  busy_filter_.reset();
  // The controls go first: the status list's model shows the wizard's log,
  // which is destroyed before the base class would delete the children.
  controls_.clear();
  delete takeCentralWidget();
}

QRect MainWindow::ToPixels(const TwipsRect& rect) const {
  return TwipsToQRect(rect, twips_per_pixel_x_, twips_per_pixel_y_);
}

QWidget* MainWindow::Control(std::string_view name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

QWidget* MainWindow::Find(std::string_view name) const {
  QWidget* control = Control(name);
  if (control == nullptr) qFatal("frmMain has no control named %s", std::string(name).c_str());
  return control;
}

QWidget* MainWindow::MakeControl(const ControlSpec& spec, QWidget* parent) {
  const QString caption = ToQString(spec.caption);
  QWidget* control = nullptr;
  switch (spec.kind) {
    case ControlKind::kPage: {
      auto* page = new QFrame(parent);
      page->setFrameShape(QFrame::NoFrame);
      // The window's icon follows its first paint, which paints the page shown
      // (see eventFilter).
      page->installEventFilter(this);
      SetFillColour(page, spec.back_colour);
      // What lies on the page reads on the page's own colours whatever the
      // desktop's theme: black text, and a white field in the check box.
      // Switched-off labels and boxes in grey text that stays distinct on the
      // page colour and on the grey of a switched-off box.
      SetTextColour(page, TextColourOf(spec));
      QPalette colours = page->palette();
      colours.setColor(QPalette::Base, WindowsColour(kEnabledBoxColour));
      colours.setColor(QPalette::Disabled, QPalette::WindowText, WindowsColour(kGreyTextColour));
      colours.setColor(QPalette::Disabled, QPalette::Text, WindowsColour(kGreyTextColour));
      colours.setColor(QPalette::Disabled, QPalette::ButtonText, WindowsColour(kGreyTextColour));
      page->setPalette(colours);
      page->setGeometry(ToPixels(spec.rect));
      control = page;
      break;
    }
    case ControlKind::kStepButton: {
      auto* button = new StepButton(caption, parent);
      button->SetBackColour(spec.back_colour);
      button->setGeometry(ToPixels(spec.rect));
      control = button;
      break;
    }
    case ControlKind::kMarker: {
      // A borderless patch of page colour that joins the pressed button to its
      // page. Clicks go through it to the button underneath.
      auto* strip = new QFrame(parent);
      strip->setFrameShape(QFrame::NoFrame);
      strip->setFocusPolicy(Qt::NoFocus);
      strip->setAttribute(Qt::WA_TransparentForMouseEvents);
      SetFillColour(strip, spec.back_colour);
      control = strip;
      break;
    }
    case ControlKind::kButton: {
      auto* button = new PushButton(caption, parent);
      button->setGeometry(ToPixels(spec.rect));  // fitted to its caption by FitPage
      control = button;
      break;
    }
    case ControlKind::kLabel: {
      auto* label = new QLabel(caption, parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(ToQtAlignment(spec.align));
      // The font first: the label's size follows its text in that font.
      if (spec.font != FontRole::kDefault) label->setFont(fonts_[static_cast<int>(spec.font)]);
      label->setGeometry(ToPixels(spec.rect));  // fitted to its text by FitPage
      control = label;
      break;
    }
    case ControlKind::kTextBox: {
      auto* box = new QLineEdit(parent);
      box->setGeometry(ToPixels(spec.rect));
      SetBoxBackColour(box, spec.back_colour);
      // Focus, selection and copying stay; typing and pasting do not.
      box->setReadOnly(spec.read_only);
      control = box;
      break;
    }
    case ControlKind::kTextArea: {
      auto* box = new TextArea(parent);
      box->setGeometry(ToPixels(spec.rect));
      if (spec.back_colour != kSystemColour) SetBoxBackColour(box, spec.back_colour);
      control = box;
      break;
    }
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(caption, parent);
      box->setChecked(spec.checked);
      box->setGeometry(ToPixels(spec.rect));  // fitted to its caption by FitPage
      control = box;
      break;
    }
    case ControlKind::kPicture: {
      auto* picture = new PictureBox(QStringLiteral(":/images/image%1").arg(spec.picture),
                                     spec.stretched, parent);
      pictures_.push_back(picture);
      control = picture;
      control->setGeometry(ToPixels(spec.rect));
      break;
    }
    case ControlKind::kRule: {
      auto* rule = new QFrame(parent);
      rule->setFrameShape(QFrame::NoFrame);
      SetFillColour(rule, spec.back_colour);
      QRect line = ToPixels(spec.rect);
      line.setHeight(1);  // one pixel, on any screen
      rule->setGeometry(line);
      control = rule;
      break;
    }
    case ControlKind::kStatusList: {
      auto column_width = [this](int twips) { return ToPixels({0, 0, twips, 0}).width(); };
      status_view_ = new StatusView(column_width(kStatusColumns[0].width),
                                    column_width(kStatusColumns[1].width),
                                    column_width(kStatusColumns[2].width), parent);
      status_view_->setGeometry(ToPixels(spec.rect));
      SetBoxBackColour(status_view_, spec.back_colour);
      status_model_ = new StatusListModel(wizard_.Log(), status_view_);
      status_view_->setModel(status_model_);
      control = status_view_;
      break;
    }
  }
  // A label or check box in its page's colour is left unfilled: the page
  // shows through in that colour, and a picture behind it stays visible
  // around its text.
  const bool static_text = spec.kind == ControlKind::kLabel || spec.kind == ControlKind::kCheckBox;
  if (static_text && spec.back_colour != kPageColour && spec.back_colour != kSystemColour) {
    SetFillColour(control, spec.back_colour);
  }
  if (spec.kind != ControlKind::kStepButton) SetTextColour(control, TextColourOf(spec));
  control->setEnabled(spec.enabled);
  if (!spec.visible) control->hide();
  // What a screen reader announces. Controls the table gives no name (labels
  // whose text the page logic sets) are read by their text.
  if (const std::string name = AccessibleNameOf(spec); !name.empty()) {
    control->setAccessibleName(ToQString(name));
  }
  if (!spec.accessible_description.empty()) {
    control->setAccessibleDescription(ToQString(spec.accessible_description));
  }
  return control;
}

void MainWindow::FitPage(int page) {
  if (page < 1 || page > kStepCount || page_fitted_[page]) return;
  page_fitted_[page] = true;
  for (const ControlSpec& spec : FormControls()) {
    if (spec.page != page) continue;
    if (spec.kind == ControlKind::kLabel || spec.kind == ControlKind::kCheckBox ||
        spec.kind == ControlKind::kButton) {
      PlaceTextControl(spec, Find(spec.name));
    }
  }
}

void MainWindow::PlaceTextControl(const ControlSpec& spec, QWidget* control) {
  QSize text = control->sizeHint();
  if (auto* button = qobject_cast<QPushButton*>(control)) {
    // A style asks buttons to be wide (80 pixels and more); the caption needs
    // its own width, the edges and a little air.
    const int edges =
        2 * (button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button) + 2);
    text = QSize(
        button->fontMetrics().horizontalAdvance(button->text().remove(QLatin1Char('&'))) + edges,
        button->fontMetrics().height() + edges);
  }
  const PixelRect table = TwipsToPixels(spec.rect, twips_per_pixel_x_, twips_per_pixel_y_);
  const PixelRect placed = TextControlRect(spec, table, text.width(), text.height());
  control->setGeometry(placed.left, placed.top, placed.width, placed.height);
}

void MainWindow::ConnectEvents(const ControlSpec& spec, QWidget* control) {
  const std::string name(spec.name);
  switch (spec.kind) {
    case ControlKind::kStepButton:
    case ControlKind::kButton:
    case ControlKind::kCheckBox:
      // A click by the user, not every change of a check box's state.
      connect(static_cast<QAbstractButton*>(control), &QAbstractButton::clicked, this,
              [this, name] { wizard_.Click(name); });
      break;
    case ControlKind::kTextBox:
      connect(static_cast<QLineEdit*>(control), &QLineEdit::textChanged, this,
              [this, name] { wizard_.TextChanged(name); });
      break;
    default:
      break;
  }
}

// Ctrl+Tab and Ctrl+Page Down go to the next step, Ctrl+Shift+Tab and
// Ctrl+Page Up to the previous one, from wherever the focus is in the window.
void MainWindow::AddStepKeys() {
  using Key = Wizard::StepKey;
  const struct {
    QKeyCombination keys;
    Key key;
    bool shift;
  } chords[] = {
      {Qt::CTRL | Qt::Key_Tab, Key::kTab, false},
      // Shift+Tab arrives as Backtab, with or without Shift still reported.
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, Key::kTab, true},
      {Qt::CTRL | Qt::Key_Backtab, Key::kTab, true},
      {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, Key::kTab, true},
      {Qt::CTRL | Qt::Key_PageDown, Key::kPageDown, false},
      {Qt::CTRL | Qt::Key_PageUp, Key::kPageUp, false},
  };
  for (const auto& chord : chords) {
    auto* shortcut = new QShortcut(QKeySequence(chord.keys), this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this,
            [this, key = chord.key, shift = chord.shift] { wizard_.StepKeyPressed(key, shift); });
  }
}

// Tab starts on cmdStep4; from each step button it runs through that step's
// page (hidden pages are skipped) and on to the next button.
void MainWindow::SetTabOrder() {
  QWidget* previous = nullptr;
  for (const std::string_view name : TabOrder()) {
    QWidget* next = Find(name);
    if (previous != nullptr) setTabOrder(previous, next);
    previous = next;
  }
  Find(TabOrder().front())->setFocus();
}

// --- WizardView ----------------------------------------------------------------

void MainWindow::SetText(std::string_view control, const std::string& text) {
  QWidget* widget = Find(control);
  if (auto* area = dynamic_cast<TextArea*>(widget)) {
    area->SetDisplayText(DisplayText(text));
  } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
    box->setText(QString::fromStdString(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(QString::fromStdString(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(QString::fromStdString(text));
    // A new text may need more room than the last one (the about page's lines).
    const ControlSpec* spec = FindControlSpec(control);
    if (spec != nullptr && page_fitted_[spec->page]) PlaceTextControl(*spec, label);
  }
}

std::string MainWindow::Text(std::string_view control) const {
  QWidget* widget = Find(control);
  QString text;
  if (auto* area = dynamic_cast<TextArea*>(widget)) {
    text = area->DisplayedText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
    text = box->text();
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    text = button->text();
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    text = label->text();
  }
  return text.toStdString();
}

void MainWindow::SetEnabled(std::string_view control, bool enabled) {
  Find(control)->setEnabled(enabled);
}

bool MainWindow::IsEnabled(std::string_view control) const {
  return Find(control)->isEnabledTo(this);
}

void MainWindow::SetBackColour(std::string_view control, std::uint32_t bgr) {
  QWidget* widget = Find(control);
  if (auto* button = dynamic_cast<StepButton*>(widget)) {
    button->SetBackColour(bgr);
  } else if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget)) {
    SetBoxBackColour(widget, bgr);
  } else {
    SetFillColour(widget, bgr);
  }
}

void MainWindow::SetVisible(std::string_view control, bool visible) {
  if (visible) {
    // A page's text is measured when it is first shown (see FitPage).
    for (int step = 1; step <= kStepCount; ++step) {
      if (control == PageName(step)) FitPage(step);
    }
  }
  Find(control)->setVisible(visible);
}

bool MainWindow::IsVisible(std::string_view control) const { return !Find(control)->isHidden(); }

void MainWindow::BringToFront(std::string_view control) { Find(control)->raise(); }

TwipsRect MainWindow::Rect(std::string_view control) const {
  return PixelsToTwips(Find(control)->geometry(), twips_per_pixel_x_, twips_per_pixel_y_);
}

void MainWindow::SetRect(std::string_view control, const MarkerRect& twips) {
  Find(control)->setGeometry(TwipsToPixels(twips.left, twips_per_pixel_x_),
                             TwipsToPixels(twips.top, twips_per_pixel_y_),
                             TwipsToPixels(twips.width, twips_per_pixel_x_),
                             TwipsToPixels(twips.height, twips_per_pixel_y_));
}

void MainWindow::SetChecked(std::string_view control, bool checked) {
  if (auto* box = qobject_cast<QAbstractButton*>(Find(control))) box->setChecked(checked);
}

bool MainWindow::IsChecked(std::string_view control) const {
  auto* box = qobject_cast<QAbstractButton*>(Find(control));
  return box != nullptr && box->isChecked();
}

void MainWindow::FocusAndSelectAll(std::string_view control) {
  QWidget* widget = Find(control);
  widget->setFocus();
  if (auto* box = qobject_cast<QLineEdit*>(widget)) {
    box->selectAll();
  } else if (auto* area = qobject_cast<QPlainTextEdit*>(widget)) {
    area->selectAll();
  }
}

void MainWindow::StatusRowsChanged(const StatusLog& /*log*/, int appended_row) {
  // The model shows the wizard's log, the one that changed.
  if (status_model_ != nullptr) status_model_->LogChanged(appended_row);
}

void MainWindow::SelectStatusRow(int row) {
  if (status_view_ == nullptr) return;
  const QModelIndex index = status_model_->index(row, 0);
  if (!index.isValid()) return;
  status_view_->setCurrentIndex(index);
  status_view_->scrollTo(index);
}

void MainWindow::SetOuterSize(int width_twips, int height_twips) {
  outer_size_ = ToPixels({0, 0, width_twips, height_twips}).size();
  FitOuterSize();
}

void MainWindow::SetBusy(bool busy) {
  if (busy && !busy_filter_) {
    busy_filter_ = std::make_unique<BusyFilter>(wizard_);
  } else if (!busy) {
    busy_filter_.reset();
  }
}

void MainWindow::PumpEvents() { QCoreApplication::processEvents(); }

void MainWindow::Close() { close(); }

void MainWindow::SetAccessibleName(std::string_view control, const std::string& name) {
  QWidget* widget = Find(control);
  const QString spoken = QString::fromStdString(name);
  if (widget->accessibleName() == spoken) return;
  widget->setAccessibleName(spoken);
  // Told to a listening screen reader, so it announces the new name (Qt 6.4
  // changes the name without saying so).
  QAccessibleEvent changed(widget, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
}

void MainWindow::SetFocus(std::string_view control) { Find(control)->setFocus(); }

void MainWindow::RedrawPictures(qreal ratio) {
  for (PictureBox* picture : pictures_) picture->RedrawFor(ratio);
}

// --- Window events ---------------------------------------------------------------

void MainWindow::FitOuterSize() {
  QMargins frame;
  if (const QWindow* handle = windowHandle()) frame = handle->frameMargins();
  if (frame == fitted_frame_ && !minimumSize().isNull() && minimumSize() == maximumSize()) return;
  fitted_frame_ = frame;
  setFixedSize(outer_size_.width() - frame.left() - frame.right(),
               outer_size_.height() - frame.top() - frame.bottom());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Paint && !icon_queued_ && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    // The icon is not part of the window's first picture: it is read once
    // that is on screen, so the window appears a little sooner.
    icon_queued_ = true;
    QTimer::singleShot(0, this, [this] {
      QIcon icon;
      for (const int size : {16, 32, 48, 64}) {
        icon.addPixmap(QPixmap::fromImage(
            ReadImage(QStringLiteral(":/images/quillet-%1.png").arg(size), "png")));
      }
      setWindowIcon(icon);
    });
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FitOuterSize();
  if (!screen_watched_ && windowHandle() != nullptr) {
    // On a screen with another scale the pictures are rendered again for it.
    screen_watched_ = true;
    connect(windowHandle(), &QWindow::screenChanged, this,
            [this] { RedrawPictures(devicePixelRatioF()); });
  }
}

// Some window systems tell the size of the frame only after the window is on
// screen, and move the window when they do.
void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  if (isVisible()) FitOuterSize();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!wizard_.Form_QueryUnload()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace quillet
