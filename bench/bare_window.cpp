// The yardstick for Quillet's start-up: a bare Qt 6 window of the main
// window's size (8300 x 6450 twips) with one label and one button, so that it
// pays for the font system as any window with text does, and that quits right
// after its first paint through the same hook as the real program. startup.sh
// runs the two side by side.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

#include "qt/startup_probe.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Bare window"));
  const QScreen* screen = window.screen();
  const double twips_per_pixel_x = 1440.0 / screen->logicalDotsPerInchX();
  const double twips_per_pixel_y = 1440.0 / screen->logicalDotsPerInchY();
  window.resize(static_cast<int>(8300 / twips_per_pixel_x),
                static_cast<int>(6450 / twips_per_pixel_y));
  auto* label = new QLabel(QStringLiteral("A label"), &window);
  label->move(10, 10);
  auto* button = new QPushButton(QStringLiteral("A button"), &window);
  button->move(10, 40);
  quillet::QuitAfterFirstPaintIfAsked(window);
  window.show();
  return app.exec();
}
