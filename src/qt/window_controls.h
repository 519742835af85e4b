// Small controls and helpers of the main window: the graphical step button,
// the static picture, the status list view and the text and colour helpers
// that every page uses.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QTreeView>
#include <cstdint>
#include <string>

namespace quillet {

// A command button in graphical style: painted in its back colour with a
// raised 3-D edge, its caption centred and wrapped onto several lines when the
// button is narrower than the text.
class StepButton : public QPushButton {
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
// pages nobody opens cost nothing at start-up. A missing resource leaves the
// control empty.
class PictureBox : public QLabel {
 public:
  PictureBox(const QString& resource, bool stretched, QWidget* parent);

  const QString& Resource() const { return resource_; }
  bool Stretched() const { return stretched_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Render();

  QString resource_;
  bool stretched_;
  bool rendered_ = false;
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

// Sets the colour of a label's or check box's text.
void SetTextColour(QWidget* widget, std::uint32_t bgr);

}  // namespace quillet
