// Hands the window's events to the page logic, as view.h describes: clicks
// and text changes by control name, a close request to Form_QueryUnload,
// Escape during a run, and the window's end to Form_Terminate.
#pragma once

#include "win32/main_window.h"
#include "wizard/wizard.h"

namespace quillet::win32 {

class WizardEvents final : public WindowEvents {
 public:
  explicit WizardEvents(Wizard& wizard) : wizard_(wizard) {}

  void Click(std::string_view control) override { wizard_.Click(control); }
  void TextChanged(std::string_view control) override { wizard_.TextChanged(control); }
  bool CloseRequested() override { return wizard_.Form_QueryUnload(); }
  void EscapePressed() override { wizard_.EscapePressed(); }
  void Destroyed() override { wizard_.Form_Terminate(); }

 private:
  Wizard& wizard_;
};

}  // namespace quillet::win32
