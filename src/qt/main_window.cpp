#include "qt/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStringList>
#include <QWindow>

#include "platform/platform.h"
#include "qt/status_list_model.h"
#include "qt/window_controls.h"

namespace quillet {
namespace {

QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The named faces first; where a system lacks them, faces of about the same
// width, and the platform's sans serif face last.
QFont ToQFont(const FontSpec& spec) {
  const QStringList families =
      spec.face == "Tahoma"
          ? QStringList{"Tahoma", "Verdana", "DejaVu Sans", "Liberation Sans", "Arial"}
          : QStringList{"MS Sans Serif",   "Microsoft Sans Serif", "Tahoma",    "Arial",
                        "Liberation Sans", "Nimbus Sans",          "Helvetica", "DejaVu Sans"};
  QFont font(families);
  font.setStyleHint(QFont::SansSerif);
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

QPlainTextEdit* MakeReadOnlyBox(QWidget* parent) {
  auto* box = new QPlainTextEdit(parent);
  box->setReadOnly(true);
  // Readers may still select and copy with the keyboard; Tab moves on.
  box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  box->setTabChangesFocus(true);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return box;
}

}  // namespace

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
  setWindowIcon(QIcon(":/images/quillet.svg"));
  // A fixed layout: the window can be moved and minimised but not resized.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFont(ToQFont(FontOf(FontRole::kDefault)));

  twips_per_pixel_x_ = TwipsPerPixel(logicalDpiX());
  twips_per_pixel_y_ = TwipsPerPixel(logicalDpiY());

  auto* client = new QWidget(this);
  client->setObjectName("client");
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
  SetTabOrder();

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
      SetFillColour(page, spec.back_colour);
      // Switched-off labels and boxes in grey text that stays readable on the
      // page colour and on the grey of a switched-off box.
      QPalette colours = page->palette();
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
      auto* button = new QPushButton(caption, parent);
      button->setAutoDefault(false);
      button->setGeometry(ToPixels(spec.rect));
      control = button;
      break;
    }
    case ControlKind::kLabel: {
      auto* label = new QLabel(caption, parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(ToQtAlignment(spec.align));
      // The font first: the label's size follows its text in that font.
      if (spec.font != FontRole::kDefault) label->setFont(ToQFont(FontOf(spec.font)));
      label->setGeometry(ToPixels(spec.rect));
      if (spec.auto_size) {
        label->adjustSize();
      } else if (label->sizeHint().width() > label->width()) {
        // Where the named face is missing, a wider one must not cut the caption
        // short: the label grows to the right as far as its text needs.
        label->resize(label->sizeHint().width(), label->height());
      }
      control = label;
      break;
    }
    case ControlKind::kTextBox: {
      auto* box = new QLineEdit(parent);
      box->setGeometry(ToPixels(spec.rect));
      SetBoxBackColour(box, spec.back_colour);
      control = box;
      break;
    }
    case ControlKind::kTextArea: {
      QPlainTextEdit* box = MakeReadOnlyBox(parent);
      box->setGeometry(ToPixels(spec.rect));
      if (spec.back_colour != kSystemColour) SetBoxBackColour(box, spec.back_colour);
      control = box;
      break;
    }
    case ControlKind::kCheckBox: {
      auto* box = new QCheckBox(caption, parent);
      box->setGeometry(ToPixels(spec.rect));
      box->setChecked(spec.checked);
      control = box;
      break;
    }
    case ControlKind::kPicture: {
      control = new PictureBox(QStringLiteral(":/images/image%1.svg").arg(spec.picture),
                               spec.stretched, parent);
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
  if (spec.text_colour != kSystemColour) SetTextColour(control, spec.text_colour);
  control->setEnabled(spec.enabled);
  if (!spec.visible) control->hide();
  return control;
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
  if (auto* area = qobject_cast<QPlainTextEdit*>(widget)) {
    area->setPlainText(DisplayText(text));
  } else if (auto* box = qobject_cast<QLineEdit*>(widget)) {
    box->setText(QString::fromStdString(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(QString::fromStdString(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(QString::fromStdString(text));
  }
}

std::string MainWindow::Text(std::string_view control) const {
  QWidget* widget = Find(control);
  QString text;
  if (auto* area = qobject_cast<QPlainTextEdit*>(widget)) {
    text = area->toPlainText();
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

// --- Window events ---------------------------------------------------------------

void MainWindow::FitOuterSize() {
  QMargins frame;
  if (const QWindow* handle = windowHandle()) frame = handle->frameMargins();
  if (frame == fitted_frame_ && !minimumSize().isNull() && minimumSize() == maximumSize()) return;
  fitted_frame_ = frame;
  setFixedSize(outer_size_.width() - frame.left() - frame.right(),
               outer_size_.height() - frame.top() - frame.bottom());
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FitOuterSize();
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
