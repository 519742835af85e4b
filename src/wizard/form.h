// The window as data: every control of frmMain with its control name, kind,
// page, rectangle in twips, caption, colours, font and start state, and the tab
// order. Both windows (Qt and Win32) build their controls from this one table,
// so no name, rectangle or caption is written twice; the tests hold each
// window against it.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "wizard/units.h"

namespace quillet {

enum class ControlKind {
  kPage,        // a step's page (frame), in the page colour
  kStepButton,  // a command button in graphical style, so that its back colour shows
  kMarker,      // the borderless strip that joins the pressed step button to its page
  kButton,      // an ordinary push button
  kLabel,       // static text
  kTextBox,     // a single-line edit box
  kTextArea,    // a multi-line read-only text box with a vertical scroll bar
  kCheckBox,
  kPicture,     // a static picture: Image<picture>
  kRule,        // a one-pixel horizontal line; its rectangle has height 0
  kStatusList,  // the report-style list view with its row images
};

enum class FontRole {
  kDefault,       // "MS Sans Serif" 8.25 pt: the window's font
  kPageTitle,     // "MS Sans Serif" 8.25 pt bold
  kAboutLine,     // "MS Sans Serif" 9.75 pt
  kProductTitle,  // "Tahoma" 21.75 pt bold
};

struct FontSpec {
  std::string_view face;
  double points;
  bool bold;
};
FontSpec FontOf(FontRole role);

enum class TextAlign { kLeft, kRight, kCentre };

// The platform's own colour (default text, default control background).
inline constexpr std::uint32_t kSystemColour = 0xFFFFFFFFu;

struct ControlSpec {
  std::string_view name;
  ControlKind kind;
  int page = 0;      // 1 to 5; 0 for the window-level controls
  TwipsRect rect{};  // in the page for page controls, in the client area otherwise
  std::string_view caption{};
  std::uint32_t back_colour = kSystemColour;
  std::uint32_t text_colour = kSystemColour;
  FontRole font = FontRole::kDefault;
  TextAlign align = TextAlign::kLeft;
  // Auto-sized labels keep Left and Top and take the size of their text; a
  // non-zero height in the rectangle is the height the table fixes.
  bool auto_size = false;
  bool enabled = true;
  bool visible = true;
  bool checked = false;    // check box
  bool stretched = false;  // picture: scaled to the rectangle, else drawn at its own size
  int picture = 0;         // picture: N of ImageN
};

// Every control, window-level ones first (pages, step buttons, marker strip),
// then each page's controls. Order is z-order: of two controls on the same
// parent, the later one lies in front.
std::span<const ControlSpec> FormControls();

// The control of that name; nullptr when there is none.
const ControlSpec* FindControlSpec(std::string_view name);

// The tab order through the whole window, starting at cmdStep4: each step
// button followed by the controls of its page (a window skips the hidden ones).
std::span<const std::string_view> TabOrder();

// The five steps: step N has the step button cmdStepN and the page fraStepN.
inline constexpr int kStepCount = 5;
// The name of step N's step button, "cmdStep1" to "cmdStep5"; N from 1 to 5.
std::string_view StepButtonName(int step);
// The name of step N's page, "fraStep1" to "fraStep5"; N from 1 to 5.
std::string_view PageName(int step);

// The window's outer size, frame included, set at load.
inline constexpr int kWindowOuterWidth = 8300;
inline constexpr int kWindowOuterHeight = 6450;

// The status list's columns.
struct ColumnSpec {
  std::string_view header;
  int width;  // twips
};
inline constexpr ColumnSpec kStatusColumns[3] = {
    {"Action", 1900}, {"Value 1", 2600}, {"Value 2", 2600}};

// The row images, 16 x 16: image 1 the check mark, image 2 the X.
inline constexpr int kRowImageSize = 16;

// The window's caption and the caption of every message box.
inline constexpr std::string_view kWindowCaption = "Quillet";
// The window's own name, as its controls have theirs.
inline constexpr std::string_view kWindowName = "frmMain";

}  // namespace quillet
