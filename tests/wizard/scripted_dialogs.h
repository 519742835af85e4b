// A UserDialogs for the page logic's tests, without a toolkit: records every
// request and answers from queues set up by the test, as a user at the
// keyboard would. The twin of the Qt tests' scripted dialogs.
#pragma once

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
    std::string title;  // the caption for questions and messages
    std::string text;
    bool busy_shown = false;  // the window was in its busy state while asking
    bool yes_is_default = false;
  };

  // Tells whether the window is busy at the moment of asking; and where to
  // note each question in the order of events (both optional).
  std::function<bool()> is_busy;
  std::vector<std::string>* journal = nullptr;

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
    warnings.push_back(Record("AskYesNoWarning", title, text, false));
    return Answer("warning: " + title, false);
  }

  bool AskYesNo(const std::string& caption, const std::string& text, bool yes_is_default) override {
    questions.push_back(Record("AskYesNo", caption, text, yes_is_default));
    return Answer("question: " + text, yes_is_default);
  }

  void ShowMessage(const std::string& caption, const std::string& text) override {
    messages.push_back(Record("ShowMessage", caption, text, false));
  }

  // Every scripted answer was asked for.
  bool AllAnswersUsed() const { return file_answers_.empty() && yes_no_answers_.empty(); }

  std::vector<OpenFileRequest> file_requests;
  std::vector<Question> warnings;
  std::vector<Question> questions;
  std::vector<Question> messages;
  std::vector<std::string> unexpected;  // asked without a scripted answer

 private:
  Question Record(const char* kind, const std::string& title, const std::string& text,
                  bool yes_is_default) {
    if (journal != nullptr) journal->push_back(std::string(kind) + " " + text);
    return {title, text, is_busy && is_busy(), yes_is_default};
  }

  // The next scripted answer; without one, the default button, as a user
  // pressing Enter would.
  bool Answer(const std::string& what, bool default_answer) {
    if (yes_no_answers_.empty()) {
      unexpected.push_back(what);
      return default_answer;
    }
    const bool yes = yes_no_answers_.front();
    yes_no_answers_.pop_front();
    return yes;
  }

  std::deque<std::function<std::optional<std::string>()>> file_answers_;
  std::deque<bool> yes_no_answers_;
};

}  // namespace quillet::testing
