// Small controls and helpers of the main window: the graphical step button,
// the static picture, the status list view and the text and colour helpers
// that every page uses.
#pragma once

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTreeView>
#include <cstdint>
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

// A static picture drawn from an SVG resource, either scaled to the control's
// rectangle (stretched) or at its own size from the top-left corner. The
// drawing is rendered the first time the control is shown, so the pictures of
// pages nobody opens cost nothing at start-up, and rendered again when the
// window comes to a screen with another scale, so it stays crisp there. A
// missing resource leaves the control empty. Decoration: it has no name for a
// screen reader.
class PictureBox : public QLabel {
 public:
  PictureBox(const QString& resource, bool stretched, QWidget* parent);

  const QString& Resource() const { return resource_; }
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

  QString resource_;
  bool stretched_;
  qreal rendered_ratio_ = 0;
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
