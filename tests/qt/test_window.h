// The window as the Qt window tests drive it: the real MainWindow with its
// settings file in a fresh temporary folder, dialogs that answer nothing, and
// its controls found by their names.
#pragma once

#include <QGuiApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "qt/main_window.h"
#include "util/tool_state.h"
#include "wizard/units.h"
#include "wizard/user_dialogs.h"

namespace quillet::testing {

class SilentDialogs : public UserDialogs {
 public:
  std::optional<std::string> GetOpenFileName(const OpenFileRequest&) override { return {}; }
  bool AskYesNoWarning(const std::string&, const std::string&) override { return false; }
  bool AskYesNo(const std::string&, const std::string&, bool) override { return false; }
  void ShowMessage(const std::string&, const std::string&) override {}
};

struct TestWindow {
  TestWindow() {
    // The offscreen platform cannot pass a fixed size on to a window system and says so.
    if (QGuiApplication::platformName().startsWith("offscreen")) {
      QTest::ignoreMessage(QtWarningMsg, "This plugin does not support propagateSizeHints()");
    }
    window = std::make_unique<MainWindow>(state, dialogs, folder.path().toStdString());
    window->show();
  }

  template <typename T = QWidget>
  T* Find(std::string_view name) const {
    T* control = window->findChild<T*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
    if (control == nullptr) qFatal("no control named %s", std::string(name).c_str());
    return control;
  }

  void Click(std::string_view button) {
    QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton);
  }

  // Makes the window the active one, as the keyboard needs.
  bool Activate() {
    window->activateWindow();
    return QTest::qWaitForWindowActive(window.get());
  }

  // A control's rectangle in twips, on the 15-twip screen of the offscreen platform.
  TwipsRect Twips(std::string_view name) const {
    const QRect pixels = Find(name)->geometry();
    return {pixels.x() * 15, pixels.y() * 15, pixels.width() * 15, pixels.height() * 15};
  }

  QTemporaryDir folder;
  ToolState state;
  SilentDialogs dialogs;
  std::unique_ptr<MainWindow> window;
};

}  // namespace quillet::testing
