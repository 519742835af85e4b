// The yardstick for Quillet's start-up: a bare Qt 6 window of the main
// window's size (8300 x 6450 twips) that quits right after its first paint.
// startup.sh runs it side by side with the real program.
#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace {

// Quits the application once the watched window has been painted for the first
// time; the quit is queued so that the paint reaches the screen first.
class QuitAfterFirstPaint : public QObject {
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
  // QUILLET_EXIT_AFTER_FIRST_PAINT, as for the real program, may hold the launch time (nanoseconds since the epoch, as
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

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  const QScreen* screen = window.screen();
  const double twips_per_pixel_x = 1440.0 / screen->logicalDotsPerInchX();
  const double twips_per_pixel_y = 1440.0 / screen->logicalDotsPerInchY();
  window.resize(static_cast<int>(8300 / twips_per_pixel_x),
                static_cast<int>(6450 / twips_per_pixel_y));
  QuitAfterFirstPaint quitter;
  window.installEventFilter(&quitter);
  window.show();
  return app.exec();
}
