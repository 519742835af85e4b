// The window as data: every control of frmMain with its control name, kind,
// page, rectangle in twips, caption, colours, font and start state, and the tab
// order. Both windows (Qt and Win32) build their controls from this one table,
// so no name, rectangle or caption is written twice; the tests hold each
// window against it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "status/status_log.h"
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
  // What a screen reader calls the control where neither its caption nor its
  // label tells it apart (the four "Browse" buttons); empty: AccessibleNameOf
  // derives it.
  std::string_view accessible_name{};
  // What a screen reader reads after the name; empty for nothing.
  std::string_view accessible_description{};
  // The label (its control name) that names this box: the two are tied, so a
  // screen reader reads the label's text as the box's name.
  std::string_view labelled_by{};
  // A text box that shows what its "Browse" button chose: it takes no typing
  // but keeps the focus, the selection and copying.
  bool read_only = false;
};

// Every control, window-level ones first (pages, step buttons, marker strip),
// then each page's controls. Order is z-order: of two controls on the same
// parent, the later one lies in front.
std::span<const ControlSpec> FormControls();

// The control of that name; nullptr when there is none.
const ControlSpec* FindControlSpec(std::string_view name);

// The client area around the pages (beside and below them, and below the step
// buttons) is painted in this colour, so no strip of another colour shows
// wherever the window system's frame leaves the client a little larger.
inline constexpr std::uint32_t kClientColour = kPageColour;

// The colour of a control's text: its own where the table gives one; black
// where the table fixes the background the text is drawn on (a page, a box, a
// step button, the status list), so it reads whatever colours the desktop's
// theme gives text; the platform's (kSystemColour) elsewhere. Switched-off
// text on those backgrounds is kGreyTextColour.
std::uint32_t TextColourOf(const ControlSpec& spec);

// True for the controls that are decoration only (pictures, rules, the marker
// strip): a screen reader is given no name for them.
bool IsDecorative(const ControlSpec& spec);

// The name a screen reader gives the control: accessible_name where the table
// gives one; else the caption of its label (labelled_by); else its own
// caption. Mnemonic markers (&) are taken out, and so are leading and trailing
// spaces and a trailing colon. Empty for decoration and for the controls whose
// text the page logic sets (the window then names them by their text). The
// step buttons' names follow the shown page: StepButtonAccessibleName.
std::string AccessibleNameOf(const ControlSpec& spec);

// The name of step N's button (N from 1 to 5): "Step 1" to "Step 4" and
// "Step 5, about Quillet", followed by ", current page" for the step whose
// page is shown.
std::string StepButtonAccessibleName(int step, bool current);

// What a screen reader says after a status row's action, which the list shows
// by colour and image: "Succeeded", "Failed" or "Command", then ": " and the
// row's message when it has one (a success has none). Empty for a black row.
std::string StatusRowDescription(const StatusRow& row);

// Where a label, check box or push button goes once its text is measured in
// the face the window found, in logical pixels. `table` is its table rectangle
// in pixels, `text_width` and `text_height` what its text (with a check box's
// indicator, a button's edges) needs. An auto-sized label takes the size of
// its text; any other control keeps the table's size unless the text needs
// more. A wider control grows away from the control it names: a right-aligned
// one to the left, keeping its right edge; a centred one and a button on both
// sides; any other to the right; never past its page's left edge (0). A
// taller one grows downwards.
PixelRect TextControlRect(const ControlSpec& spec, const PixelRect& table, int text_width,
                          int text_height);

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
