#include "qt/startup_probe.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace quillet {
namespace {

// Quits once the watched window has been painted for the first time. The
// first paint event of the window or of any widget in it (a window whose
// client area is covered by opaque children is never asked to paint itself)
// starts the window's paint; what follows it is queued, so it runs once the
// whole window is painted and handed to the screen: the time is taken then,
// and the program quits.
class FirstPaintQuitter : public QObject {
 public:
  explicit FirstPaintQuitter(QWidget* window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !quitting_ && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == window_) {
      quitting_ = true;
      QTimer::singleShot(0, qApp, [] {
        ReportTimeSinceLaunch();
        QApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  // The variable may hold the launch time (nanoseconds since the epoch, as
  // `date +%s%N` gives it); then the time from launch to the end of the first
  // paint goes to the error stream, leaving out the time the program takes to
  // close.
  static void ReportTimeSinceLaunch() {
    bool ok = false;
    const qint64 launch_ns = qgetenv("QUILLET_EXIT_AFTER_FIRST_PAINT").toLongLong(&ok);
    if (!ok || launch_ns <= 0) return;
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto now_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    std::fprintf(stderr, "first paint after %.1f ms\n", (now_ns - launch_ns) / 1e6);
  }

  QWidget* window_;
  bool quitting_ = false;
};

}  // namespace

void QuitAfterFirstPaintIfAsked(QWidget& window) {
  if (!qEnvironmentVariableIsSet("QUILLET_EXIT_AFTER_FIRST_PAINT")) return;
  qApp->installEventFilter(new FirstPaintQuitter(&window));
}

}  // namespace quillet
