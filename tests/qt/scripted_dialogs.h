// A UserDialogs for window tests: records every request and answers from
// queues set up by the test, as a user at the keyboard would.
#pragma once

#include <QApplication>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "wizard/user_dialogs.h"

namespace quillet::testing {

class ScriptedDialogs : public UserDialogs {
 public:
  struct Question {
    std::string title;
    std::string text;
    bool busy_cursor_shown = false;  // a wait cursor was up while asking
  };

  // What the file dialog does next: pick a path, cancel, or fail.
  void Pick(const std::string& path) {
    file_answers_.push_back([path] { return path; });
  }
  void Cancel() {
    file_answers_.push_back([] { return std::nullopt; });
  }
  void Fail(std::function<std::optional<std::string>()> thrower) {
    file_answers_.push_back(std::move(thrower));
  }
  void AnswerYes() { yes_no_answers_.push_back(true); }
  void AnswerNo() { yes_no_answers_.push_back(false); }

  std::optional<std::string> GetOpenFileName(const OpenFileRequest& request) override {
    file_requests.push_back(request);
    if (file_answers_.empty()) {
      unexpected.push_back("file dialog: " + request.title);
      return std::nullopt;
    }
    auto answer = std::move(file_answers_.front());
    file_answers_.pop_front();
    return answer();
  }

  bool AskYesNoWarning(const std::string& title, const std::string& text) override {
    warnings.push_back({title, text, QApplication::overrideCursor() != nullptr});
    if (yes_no_answers_.empty()) {
      unexpected.push_back("warning: " + title);
      return false;
    }
    const bool yes = yes_no_answers_.front();
    yes_no_answers_.pop_front();
    return yes;
  }

  bool AskYesNo(const std::string& caption, const std::string& text, bool yes_is_default) override {
    questions.push_back({caption, text, QApplication::overrideCursor() != nullptr});
    question_defaults.push_back(yes_is_default);
    if (yes_no_answers_.empty()) {
      unexpected.push_back("question: " + text);
      return yes_is_default;
    }
    const bool yes = yes_no_answers_.front();
    yes_no_answers_.pop_front();
    return yes;
  }

  void ShowMessage(const std::string& caption, const std::string& text) override {
    messages.push_back({caption, text, QApplication::overrideCursor() != nullptr});
  }

  // Answers the script did not provide for.
  bool AllAnswersUsed() const { return file_answers_.empty() && yes_no_answers_.empty(); }

  std::vector<OpenFileRequest> file_requests;
  std::vector<Question> warnings;
  std::vector<Question> questions;      // title = caption
  std::vector<bool> question_defaults;  // Yes the default button
  std::vector<Question> messages;       // title = caption
  std::vector<std::string> unexpected;

 private:
  std::deque<std::function<std::optional<std::string>()>> file_answers_;
  std::deque<bool> yes_no_answers_;
};

}  // namespace quillet::testing
