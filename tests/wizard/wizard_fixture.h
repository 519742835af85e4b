// The page logic's tests: a Wizard over a RecordingView and ScriptedDialogs,
// loaded with its settings file in the test's own temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "package/run_fixture.h"
#include "recording_view.h"
#include "scripted_dialogs.h"
#include "wizard/wizard.h"

namespace quillet::testing {

class WizardTest : public run_test::RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    Start(15.0f);
  }

  void TearDown() override {
    wizard_.reset();
    RunTest::TearDown();
  }

  // A new window on a screen with that pixel size, loaded; the settings file
  // (when `settings` is not empty, written first) lives in the test's folder.
  void Start(float twips_per_pixel, const std::string& settings = {}) {
    wizard_.reset();
    if (!settings.empty()) run_test::WriteBytes(Dir() + kSettingsFileName, settings);
    view_ = std::make_unique<RecordingView>(twips_per_pixel);
    dialogs_ = std::make_unique<ScriptedDialogs>();
    dialogs_->is_busy = [this] { return view_->busy; };
    dialogs_->journal = &view_->journal;
    wizard_ = std::make_unique<Wizard>(state_, *view_, *dialogs_);
    view_->on_text_changed = [this](std::string_view box) { wizard_->TextChanged(box); };
    wizard_->Form_Load(root_.string());
  }

  RecordingView& view() { return *view_; }
  ScriptedDialogs& dialogs() { return *dialogs_; }
  Wizard& wizard() { return *wizard_; }

  void Click(std::string_view control) { EXPECT_TRUE(wizard_->Click(control)) << control; }

  // Picks a file through a "Browse" button.
  void Choose(std::string_view button, const std::string& path) {
    dialogs_->Pick(path);
    Click(button);
  }

  std::unique_ptr<RecordingView> view_;
  std::unique_ptr<ScriptedDialogs> dialogs_;
  std::unique_ptr<Wizard> wizard_;
};

}  // namespace quillet::testing
