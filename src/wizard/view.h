// What the page logic needs from a window: one small interface that each
// front end implements with its toolkit (Qt, Win32), and that tests implement
// with a recording view. Controls are reached by their control names (form.h).
// Texts are UTF-8 with CR LF line breaks; a window shows them as line breaks.
//
// The other way round, a window hands its events to the Wizard (wizard.h):
// clicks to Wizard::Click(name), text changes to Wizard::TextChanged(name), a
// close request to Wizard::Form_QueryUnload (close only when it says true),
// Escape during a run to Wizard::EscapePressed, and its end to
// Wizard::Form_Terminate, and Ctrl with Tab, Page Down or Page Up to
// Wizard::StepKeyPressed. Only PumpEvents and Close may lead back into the
// wizard (they deliver window events); whether a text set through SetText
// counts as a change does not matter, since the wizard never sets the text of
// a box that has a change handler.
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
  // given in twips, turned into pixels with the screen's pixel size (rounded
  // to the nearest pixel). Used for the marker strip and to move the pages.
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
  // or the list was cleared (-1). `log` is the wizard's, the one the list shows.
  virtual void StatusRowsChanged(const StatusLog& log, int appended_row) = 0;
  // Selects a row of the status list and scrolls it into view.
  virtual void SelectStatusRow(int row) = 0;

  // Sets the window's outer size, frame included, in twips.
  virtual void SetOuterSize(int width_twips, int height_twips) = 0;

  // While busy: the wait cursor, and the user's clicks, keys and wheel turns
  // dropped (never queued for later), except that Escape goes to
  // Wizard::EscapePressed and a close request to Wizard::Form_QueryUnload.
  // Not busy: the normal cursor and input back. The wizard lifts the busy
  // state (false) while it asks the user something during a run and sets it
  // again (true) afterwards.
  virtual void SetBusy(bool busy) = 0;
  // Handles the window's pending events once, without waiting: it repaints,
  // and while busy drops input as SetBusy says. Called while the CAB command
  // runs (at least every 50 ms) and once at the end of a run.
  virtual void PumpEvents() = 0;

  // Closes the window as the user's close would: the window asks
  // Wizard::Form_QueryUnload, which agrees, since the wizard calls this only
  // after a run has ended (to do a close the user asked for during the run).
  virtual void Close() = 0;

  // The two below have a default that does nothing, so that a window written
  // before them still builds; every window should implement them.

  // Gives the control the name a screen reader announces (the step buttons'
  // names say which page is shown); a change is announced as such.
  virtual void SetAccessibleName(std::string_view /*control*/, const std::string& /*name*/) {}
  // Moves the keyboard focus to the control.
  virtual void SetFocus(std::string_view /*control*/) {}
};

}  // namespace quillet
