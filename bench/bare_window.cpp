// The yardstick for Quillet's start-up: a bare Qt 6 window of the main
// window's size (8300 x 6450 twips) that quits right after its first paint.
// startup.sh runs it side by side with the real program.
#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>

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
      QTimer::singleShot(0, qApp, &QApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
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
