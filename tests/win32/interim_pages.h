// Until the page logic (src/wizard) drives the Win32 window, tests bring a
// page forward with the same view calls it makes for a step button. To be
// replaced by clicks on the step buttons once the window is a view over it.
#pragma once

#include <string>

#include "wizard/form.h"
#include "wizard/view.h"

namespace quillet::win32::testing {

inline void ShowPage(WizardView& view, int step) {
  for (int i = 1; i <= 5; ++i) {
    view.SetBackColour("cmdStep" + std::to_string(i), kIdleButtonColour);
    view.SetVisible("fraStep" + std::to_string(i), false);
  }
  view.SetBackColour("txtEdge", kPageColour);
  const std::string button = "cmdStep" + std::to_string(step);
  const std::string page = "fraStep" + std::to_string(step);
  view.SetBackColour(button, kPageColour);
  view.BringToFront(page);
  const TwipsRect at = view.Rect(page);
  view.SetRect(page, MarkerRect{static_cast<float>(view.Rect("cmdStep1").width), 0.0f,
                                static_cast<float>(at.width), static_cast<float>(at.height)});
  view.SetVisible(page, true);
  view.SetRect("txtEdge",
               StepMarkerRect(view.Rect(button), view.TwipsPerPixelX(), view.TwipsPerPixelY()));
}

}  // namespace quillet::win32::testing
