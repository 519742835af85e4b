#include <QApplication>

#include "qt/main_window.h"
#include "qt/qt_user_dialogs.h"
#include "qt/startup_probe.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  quillet::ToolState state;
  quillet::QtUserDialogs dialogs;
  quillet::MainWindow window(state, dialogs);
  dialogs.SetParent(&window);
  quillet::QuitAfterFirstPaintIfAsked(window);
  window.show();
  return app.exec();
}
