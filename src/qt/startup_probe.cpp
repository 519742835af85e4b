#include "qt/startup_probe.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace quillet {
namespace {

// Quits once the watched window has had its first paint event. The quit is
// queued, so the paint that is under way reaches the screen first.
class FirstPaintQuitter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !quitting_) {
      quitting_ = true;
      ReportTimeSinceLaunch();
      QTimer::singleShot(0, qApp, &QApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  // The variable may hold the launch time (nanoseconds since the epoch, as
  // `date +%s%N` gives it); then the time from launch to this first paint goes
  // to the error stream, leaving out the time the program takes to close.
  static void ReportTimeSinceLaunch() {
    bool ok = false;
    const qint64 launch_ns = qgetenv("QUILLET_EXIT_AFTER_FIRST_PAINT").toLongLong(&ok);
    if (!ok || launch_ns <= 0) return;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto now_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    std::fprintf(stderr, "first paint after %.1f ms\n", (now_ns - launch_ns) / 1e6);
  }

  bool quitting_ = false;
};

}  // namespace

void QuitAfterFirstPaintIfAsked(QWidget& window) {
  if (!qEnvironmentVariableIsSet("QUILLET_EXIT_AFTER_FIRST_PAINT")) return;
  window.installEventFilter(new FirstPaintQuitter(&window));
}

}  // namespace quillet
