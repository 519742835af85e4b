#include "app/startup_probe.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

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
      QTimer::singleShot(0, qApp, &QApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool quitting_ = false;
};

}  // namespace

void QuitAfterFirstPaintIfAsked(QWidget& window) {
  if (!qEnvironmentVariableIsSet("QUILLET_EXIT_AFTER_FIRST_PAINT")) return;
  window.installEventFilter(new FirstPaintQuitter(&window));
}

}  // namespace quillet
