// What the page logic needs from a window: one small interface that each
// front end implements with its toolkit (Qt, Win32), and that tests implement
// with a recording view. Controls are reached by their control names (form.h).
// Texts are UTF-8 with CR LF line breaks; a window shows them as line breaks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "status/status_log.h"
#include "wizard/units.h"

namespace quillet {

class WizardView {
 public:
  virtual ~WizardView() = default;

  // The text of a text box or text area, or the caption of a label or button.
  virtual void SetText(std::string_view control, const std::string& text) = 0;
  virtual std::string Text(std::string_view control) const = 0;

  virtual void SetEnabled(std::string_view control, bool enabled) = 0;
  virtual bool IsEnabled(std::string_view control) const = 0;

  // The control's back colour (a Windows colour value, 0x00BBGGRR).
  virtual void SetBackColour(std::string_view control, std::uint32_t bgr) = 0;

  // The control's own shown state, whether or not the window is on screen yet.
  virtual void SetVisible(std::string_view control, bool visible) = 0;
  virtual bool IsVisible(std::string_view control) const = 0;

  // Puts the control in front of its siblings.
  virtual void BringToFront(std::string_view control) = 0;

  // The control's current rectangle in twips (from its pixels), and a new one
  // given in twips, turned into pixels with the screen's pixel size.
  virtual TwipsRect Rect(std::string_view control) const = 0;
  virtual void SetRect(std::string_view control, const MarkerRect& twips) = 0;

  // The screen's pixel size in twips, horizontally and vertically.
  virtual float TwipsPerPixelX() const = 0;
  virtual float TwipsPerPixelY() const = 0;

  // The check box's state.
  virtual void SetChecked(std::string_view control, bool checked) = 0;
  virtual bool IsChecked(std::string_view control) const = 0;

  // Moves the keyboard focus into a text box and selects its whole text.
  virtual void FocusAndSelectAll(std::string_view control) = 0;

  // The status list: shows the log's rows after a row was appended (its index)
  // or the list was cleared (-1).
  virtual void StatusRowsChanged(const StatusLog& log, int appended_row) = 0;
  // Selects a row of the status list and scrolls it into view.
  virtual void SelectStatusRow(int row) = 0;

  // Sets the window's outer size, frame included, in twips.
  virtual void SetOuterSize(int width_twips, int height_twips) = 0;

  // While busy: the wait cursor, and user input to the window dropped.
  virtual void SetBusy(bool busy) = 0;
  // Lets the window repaint while a long task runs (input stays dropped).
  virtual void PumpEvents() = 0;

  // Closes the window (a close asked for during a run is done after it).
  virtual void Close() = 0;
};

}  // namespace quillet
