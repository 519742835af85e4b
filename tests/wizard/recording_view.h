// A WizardView for the page logic's tests: every control of the form table
// with the state a window would keep for it (text, enabled, visible, checked,
// back colour, rectangle in pixels, z-order), changed only through the view
// calls, plus a journal of the calls that matter for the order of events.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/form.h"
#include "wizard/view.h"

namespace quillet::testing {

struct RecordedControl {
  const ControlSpec* spec = nullptr;
  std::string parent;  // "" for the window level, else the page's name
  std::string text;
  bool enabled = true;
  bool visible = true;
  bool checked = false;
  std::uint32_t back_colour = kSystemColour;
  PixelRect pixels;
  std::optional<MarkerRect> twips_given;  // the rectangle last set, as given
  std::string accessible_name;            // as a window names it from the table, then as set
};

class RecordingView : public WizardView {
 public:
  // A screen whose pixel is `twips_per_pixel` twips wide and high.
  explicit RecordingView(float twips_per_pixel = 15.0f) : twips_per_pixel_(twips_per_pixel) {
    for (const ControlSpec& spec : FormControls()) {
      RecordedControl control;
      control.spec = &spec;
      control.parent = spec.page == 0 ? std::string() : std::string(PageName(spec.page));
      control.text = std::string(spec.caption);
      control.enabled = spec.enabled;
      control.visible = spec.visible;
      control.checked = spec.checked;
      control.back_colour = spec.back_colour;
      control.pixels = TwipsToPixels(spec.rect, twips_per_pixel_, twips_per_pixel_);
      control.accessible_name = AccessibleNameOf(spec);
      controls_.emplace(std::string(spec.name), control);
      z_order_[control.parent].push_back(std::string(spec.name));
    }
  }

  // The control of that name; a test failure, and a stand-in, when there is none.
  RecordedControl& At(std::string_view name) {
    const auto found = controls_.find(name);
    if (found != controls_.end()) return found->second;
    ADD_FAILURE() << "no control named " << name;
    static RecordedControl missing;
    return missing;
  }
  const RecordedControl& At(std::string_view name) const {
    return const_cast<RecordingView*>(this)->At(name);
  }

  // The control's siblings from back to front, the control included.
  const std::vector<std::string>& Siblings(std::string_view name) const {
    return z_order_.at(At(name).parent);
  }
  // True when the control lies in front of all its siblings.
  bool InFront(std::string_view name) const { return Siblings(name).back() == name; }

  // What the user types into a text box: the text changes, and the window
  // tells the page logic as a real one does.
  std::function<void(std::string_view)> on_text_changed;
  void Type(std::string_view box, const std::string& text) {
    At(box).text = text;
    if (on_text_changed) on_text_changed(box);
  }

  // WizardView.
  void SetText(std::string_view control, const std::string& text) override {
    At(control).text = text;
  }
  std::string Text(std::string_view control) const override { return At(control).text; }
  void SetEnabled(std::string_view control, bool enabled) override {
    At(control).enabled = enabled;
  }
  bool IsEnabled(std::string_view control) const override { return At(control).enabled; }
  void SetBackColour(std::string_view control, std::uint32_t bgr) override {
    At(control).back_colour = bgr;
  }
  void SetVisible(std::string_view control, bool visible) override {
    At(control).visible = visible;
  }
  bool IsVisible(std::string_view control) const override { return At(control).visible; }
  void BringToFront(std::string_view control) override {
    auto& siblings = z_order_[At(control).parent];
    const auto at = std::find(siblings.begin(), siblings.end(), control);
    std::rotate(at, at + 1, siblings.end());
  }
  TwipsRect Rect(std::string_view control) const override {
    return PixelsToTwips(At(control).pixels, twips_per_pixel_, twips_per_pixel_);
  }
  void SetRect(std::string_view control, const MarkerRect& twips) override {
    RecordedControl& recorded = At(control);
    recorded.twips_given = twips;
    recorded.pixels = {TwipsToPixels(twips.left, twips_per_pixel_),
                       TwipsToPixels(twips.top, twips_per_pixel_),
                       TwipsToPixels(twips.width, twips_per_pixel_),
                       TwipsToPixels(twips.height, twips_per_pixel_)};
  }
  float TwipsPerPixelX() const override { return twips_per_pixel_; }
  float TwipsPerPixelY() const override { return twips_per_pixel_; }
  void SetChecked(std::string_view control, bool checked) override {
    At(control).checked = checked;
  }
  bool IsChecked(std::string_view control) const override { return At(control).checked; }
  void FocusAndSelectAll(std::string_view control) override {
    focused = std::string(control);
    selection = At(control).text;
  }
  void StatusRowsChanged(const StatusLog& log, int appended_row) override {
    rows_shown = log.Rows().size();
    if (appended_row < 0) selected_row.reset();  // a cleared list has no selection
  }
  void SelectStatusRow(int row) override {
    selected_row = row;
    journal.push_back("SelectStatusRow " + std::to_string(row));
  }
  void SetOuterSize(int width_twips, int height_twips) override {
    outer_size = {0, 0, width_twips, height_twips};
  }
  void SetBusy(bool is_busy) override {
    busy = is_busy;
    journal.push_back(is_busy ? "SetBusy true" : "SetBusy false");
  }
  void PumpEvents() override {
    ++pumps;
    // What the user does while the window handles its events.
    if (on_pump) on_pump();
  }
  void Close() override {
    closed = true;
    journal.push_back("Close");
  }
  void SetAccessibleName(std::string_view control, const std::string& name) override {
    At(control).accessible_name = name;
  }
  void SetFocus(std::string_view control) override { focused = std::string(control); }

  std::string focused;    // the control FocusAndSelectAll or SetFocus went to
  std::string selection;  // the text it selected
  std::size_t rows_shown = 0;
  std::optional<int> selected_row;
  TwipsRect outer_size;
  bool busy = false;
  int pumps = 0;
  std::function<void()> on_pump;
  bool closed = false;
  // SetBusy, SelectStatusRow and Close calls in order; the scripted dialogs
  // add their questions, so a test can check what came before what.
  std::vector<std::string> journal;

 private:
  float twips_per_pixel_;
  std::map<std::string, RecordedControl, std::less<>> controls_;
  std::map<std::string, std::vector<std::string>> z_order_;
};

}  // namespace quillet::testing
