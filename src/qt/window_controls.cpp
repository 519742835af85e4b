#include "qt/window_controls.h"

#include <algorithm>

#include <qdrawutil.h>
#include <QHeaderView>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QTextDocument>

#include "qt/twips.h"
#include "wizard/form.h"

namespace quillet {

PushButton::PushButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
  // Not a dialog's default button: no default frame, and Enter is handled below.
  setAutoDefault(false);
}

void PushButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (!enter || modifiers != Qt::NoModifier) {
    QPushButton::keyPressEvent(event);
    return;
  }
  // One press, one click: a held key must not start a run twice.
  if (!event->isAutoRepeat()) click();
  event->accept();
}

StepButton::StepButton(const QString& caption, QWidget* parent) : PushButton(caption, parent) {
  // The edges and the caption in the classic colours on any desktop: a dark
  // theme's light button text would vanish on the light grey and lavender.
  QPalette colours = palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::ButtonText, WindowsColour(kBlackTextColour));
  }
  colours.setColor(QPalette::Disabled, QPalette::ButtonText, WindowsColour(kGreyTextColour));
  colours.setColor(QPalette::Light, QColor(0xFF, 0xFF, 0xFF));
  colours.setColor(QPalette::Midlight, QColor(0xDF, 0xDF, 0xDF));
  colours.setColor(QPalette::Mid, QColor(0xA0, 0xA0, 0xA0));
  colours.setColor(QPalette::Dark, QColor(0x80, 0x80, 0x80));
  colours.setColor(QPalette::Shadow, QColor(0, 0, 0));
  setPalette(colours);
  SetBackColour(back_colour_);
}

void StepButton::SetBackColour(std::uint32_t bgr) {
  back_colour_ = bgr;
  // The palette carries the colour too, so styles and accessibility tools see it.
  QPalette colours = palette();
  colours.setColor(QPalette::Button, WindowsColour(bgr));
  setPalette(colours);
  update();
}

void StepButton::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QBrush fill(WindowsColour(back_colour_));
  const bool sunken = isDown();
  qDrawWinButton(&painter, rect(), palette(), sunken, &fill);

  // The caption wraps at spaces, as a narrow graphical button's caption does.
  QRect text_area = rect().adjusted(2, 2, -2, -2);
  if (sunken) text_area.translate(1, 1);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  // A word longer than the button is wide ("Quillet" in a wide face) is drawn in
  // a smaller size rather than cut off at both edges.
  const QFontMetricsF metrics(font());
  qreal longest_word = 0;
  for (const QString& word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    longest_word = std::max(longest_word, metrics.horizontalAdvance(word));
  }
  if (longest_word > text_area.width() && font().pointSizeF() > 0) {
    QFont smaller = font();
    smaller.setPointSizeF(std::max(5.0, font().pointSizeF() * text_area.width() / longest_word));
    painter.setFont(smaller);
  }
  painter.drawText(text_area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, text());

  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(4, 4, -4, -4);
    focus.backgroundColor = fill.color();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
  }
}

PictureBox::PictureBox(const QString& drawing, bool stretched, QWidget* parent)
    : QLabel(parent), drawing_(drawing), stretched_(stretched) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::showEvent(QShowEvent* event) {
  if (rendered_ratio_ == 0) Render(devicePixelRatioF());
  QLabel::showEvent(event);
}

bool PictureBox::event(QEvent* event) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
  // The scale changed without a change of screen (the window moving to
  // another screen is handled by the window, MainWindow::RedrawPictures).
  if (event->type() == QEvent::DevicePixelRatioChange) RedrawFor(devicePixelRatioF());
#endif
  return QLabel::event(event);
}

void PictureBox::RedrawFor(qreal ratio) {
  if (rendered_ratio_ == 0 || rendered_ratio_ == ratio) return;
  Render(ratio);
}

QImage ReadImage(const QString& file, const char* format, const QSize& scaled_to) {
  QImageReader reader(file, format);
  // Told the format, the reader goes straight to its handler; guessing would
  // load every image plugin there is (and the SVG module with one of them).
  reader.setAutoDetectImageFormat(false);
  if (scaled_to.isValid()) reader.setScaledSize(scaled_to);
  return reader.read();
}

QSize ImageSize(const QString& file, const char* format) {
  QImageReader reader(file, format);
  reader.setAutoDetectImageFormat(false);
  return reader.size();
}

QImage LoadPicture(const QString& drawing, const QSize& size, qreal ratio) {
  const QSize pixels(qRound(size.width() * ratio), qRound(size.height() * ratio));
  if (pixels.isEmpty()) return {};
  // The raster made for this scale at build time, when it has the size needed.
  const QString suffix = ratio == 1.0   ? QStringLiteral(".png")
                         : ratio == 1.5 ? QStringLiteral("@1.5x.png")
                         : ratio == 2.0 ? QStringLiteral("@2x.png")
                                        : QString();
  if (!suffix.isEmpty() && ImageSize(drawing + suffix, "png") == pixels) {
    QImage image = ReadImage(drawing + suffix, "png");
    if (!image.isNull()) return image;
  }
  // Any other size from the drawing itself (Qt's SVG image plugin).
  return ReadImage(drawing + QStringLiteral(".svg"), "svg", pixels);
}

void PictureBox::Render(qreal ratio) {
  // Tried once per ratio, also when the picture cannot be drawn.
  rendered_ratio_ = ratio;
  // Unstretched pictures have the drawing's own size, which its 100 % raster has.
  const QSize size = stretched_ ? this->size() : ImageSize(drawing_ + ".png", "png");
  // Rendered for the screen's device pixels, so the drawing stays crisp when scaled.
  QImage image = LoadPicture(drawing_, size, ratio);
  if (image.isNull()) return;
  QPixmap picture = QPixmap::fromImage(std::move(image));
  picture.setDevicePixelRatio(ratio);
  setPixmap(picture);
}

TextArea::TextArea(QWidget* parent) : QPlainTextEdit(parent) {
  setReadOnly(true);
  // Readers may still select and copy with the keyboard; Tab moves on.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setTabChangesFocus(true);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

void TextArea::SetDisplayText(const QString& text) {
  if (isVisible()) {
    pending_.reset();
    setPlainText(text);
    return;
  }
  pending_ = text;
}

QString TextArea::DisplayedText() const { return pending_ ? *pending_ : toPlainText(); }

void TextArea::showEvent(QShowEvent* event) {
  if (pending_) {
    setPlainText(*pending_);
    pending_.reset();
  }
  QPlainTextEdit::showEvent(event);
}

namespace {

// The status list's column headers. Their height follows the face and the
// style, not the columns: it is measured once (and again when the face or the
// style changes), not each time the list lays itself out.
class StatusHeader : public QHeaderView {
 public:
  explicit StatusHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // As a list view's column headers: captions on the left.
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  }

  QSize sizeHint() const override {
    if (!size_hint_.isValid()) size_hint_ = QHeaderView::sizeHint();
    return size_hint_;
  }

 protected:
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
      size_hint_ = QSize();
    }
    QHeaderView::changeEvent(event);
  }

 private:
  mutable QSize size_hint_;
};

}  // namespace

StatusView::StatusView(int action_width, int value1_width, int value2_width, QWidget* parent)
    : QTreeView(parent), widths_{action_width, value1_width, value2_width} {
  setHeader(new StatusHeader(this));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
}

void StatusView::setModel(QAbstractItemModel* model) {
  QTreeView::setModel(model);
  ApplyColumnWidths();
}

void StatusView::ApplyColumnWidths() {
  const int columns = std::min(header()->count(), 3);
  for (int column = 0; column < columns; ++column) setColumnWidth(column, widths_[column]);
}

QString DisplayText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return shown;
}

void SetBoxBackColour(QWidget* box, std::uint32_t bgr) {
  QPalette colours = box->palette();
  colours.setColor(QPalette::Base, WindowsColour(bgr));
  box->setPalette(colours);
}

void SetFillColour(QWidget* widget, std::uint32_t bgr) {
  QPalette colours = widget->palette();
  colours.setColor(QPalette::Window, WindowsColour(bgr));
  widget->setPalette(colours);
  widget->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, std::uint32_t bgr) {
  if (bgr == kSystemColour) return;
  QPalette colours = widget->palette();
  // Switched-off text keeps the grey it has; only the usable states change.
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text}) {
      colours.setColor(group, role, WindowsColour(bgr));
    }
  }
  widget->setPalette(colours);
}

QString ToolTipText(const std::string& text) {
  const QString shown = DisplayText(text);
  if (!Qt::mightBeRichText(shown)) return shown;
  // A message such as "<file> not found" would be read as markup and lose text.
  QString escaped = shown.toHtmlEscaped();
  escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
  return QStringLiteral("<p style=\"white-space:pre\">") + escaped + QStringLiteral("</p>");
}

}  // namespace quillet
