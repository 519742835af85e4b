// Small controls and helpers of the main window: the graphical step button,
// the static picture, the status list view and the text and colour helpers
// that every page uses.
#pragma once

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QTreeView>
#include <cstdint>
#include <optional>
#include <string>

namespace quillet {

// A push button that Enter presses as well as Space, as on Windows: a plain
// press of Enter (or the keypad's) clicks the focused button once; held down,
// it does not repeat.
class PushButton : public QPushButton {
 public:
  PushButton(const QString& caption, QWidget* parent);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A command button in graphical style: painted in its back colour with a
// raised 3-D edge in the classic greys and black text, whatever the desktop's
// theme, its caption centred and wrapped onto several lines when the button
// is narrower than the text.
class StepButton : public PushButton {
 public:
  StepButton(const QString& caption, QWidget* parent);

  void SetBackColour(std::uint32_t bgr);
  // The colour set last, as a Windows colour value.
  std::uint32_t BackColour() const { return back_colour_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t back_colour_ = 0xC0C0C0;
};

// An image file of a known format ("png", "svg"), scaled while it is read
// when `scaled_to` is valid; null when it cannot be read.
QImage ReadImage(const QString& file, const char* format, const QSize& scaled_to = {});
// The size of an image file of a known format, read from its header.
QSize ImageSize(const QString& file, const char* format);

// A drawing (resource name without extension: name.svg, and its rasters
// name.png, name@1.5x.png and name@2x.png) at `size` logical pixels for a
// screen of that device pixel ratio: the raster made for that scale when it
// has the size needed, else the drawing rendered from its SVG. Null when it
// cannot be drawn.
QImage LoadPicture(const QString& drawing, const QSize& size, qreal ratio);

// A static picture (a drawing, as LoadPicture takes it), either scaled to the
// control's rectangle (stretched) or at its own size from the top-left corner.
// It is drawn the first time the control is shown, so the pictures of pages
// nobody opens cost nothing at start-up, and drawn again when the window comes
// to a screen with another scale, so it stays crisp there. A missing drawing
// leaves the control empty. Decoration: it has no name for a screen reader.
class PictureBox : public QLabel {
 public:
  PictureBox(const QString& drawing, bool stretched, QWidget* parent);

  const QString& Drawing() const { return drawing_; }
  bool Stretched() const { return stretched_; }
  // The device pixel ratio the picture was last rendered for; 0 before that.
  qreal RenderedRatio() const { return rendered_ratio_; }
  // Renders the picture again for that device pixel ratio, if it was rendered
  // before for another one; a picture not shown yet waits for its first showing.
  void RedrawFor(qreal ratio);

 protected:
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Render(qreal ratio);

  QString drawing_;
  bool stretched_;
  qreal rendered_ratio_ = 0;
};

// The read-only multi-line text box (guidance, code, licence): selectable and
// copyable from the keyboard, Tab moves on. Its text is laid out only once the
// box is first shown, so the boxes of pages nobody opens cost nothing at
// start-up.
class TextArea : public QPlainTextEdit {
 public:
  explicit TextArea(QWidget* parent);

  // Shows the text (line breaks as "\n"): at once when the box is on screen,
  // else when it is first shown.
  void SetDisplayText(const QString& text);
  // The text the box shows, or will show once it is shown.
  QString DisplayedText() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::optional<QString> pending_;
};

// The report-style status list: no tree decoration, a header, whole rows
// selected, and the three columns at their fixed widths (given in pixels)
// whenever a model is set.
class StatusView : public QTreeView {
 public:
  StatusView(int action_width, int value1_width, int value2_width, QWidget* parent);

  void setModel(QAbstractItemModel* model) override;

 private:
  void ApplyColumnWidths();

  int widths_[3];
};

// A CR LF text as a text box shows it: every line break becomes "\n", so no
// stray carriage returns appear.
QString DisplayText(const std::string& text);

// Paints a text box's background (its Base colour) in every state, enabled or not.
void SetBoxBackColour(QWidget* box, std::uint32_t bgr);

// Sets the colour of a widget's own background (its Window colour) and makes it fill it.
void SetFillColour(QWidget* widget, std::uint32_t bgr);

// Sets the colour of a control's text in every role its kind draws text with
// (labels and check boxes WindowText, boxes and lists Text, buttons ButtonText);
// kSystemColour leaves the desktop's.
void SetTextColour(QWidget* widget, std::uint32_t bgr);

// A status row's tool tip text: CR LF line breaks as line breaks, and text
// that Qt would take for markup shown as the plain text it is.
QString ToolTipText(const std::string& text);

}  // namespace quillet
