#include <QApplication>

#include "qt/main_window.h"
#include "qt/qt_user_dialogs.h"
#include "qt/startup_probe.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The whole program in the window's face, its message boxes and file dialog
  // too, as the Windows tool shows them in the dialog face. The window's text
  // boxes then lay themselves out in that face from the start, and no second
  // face is loaded at start-up.
  QApplication::setFont(quillet::WindowFont(quillet::FontRole::kDefault));
  quillet::ToolState state;
  quillet::QtUserDialogs dialogs;
  quillet::MainWindow window(state, dialogs);
  dialogs.SetParent(&window);
  quillet::QuitAfterFirstPaintIfAsked(window);
  window.show();
  return app.exec();
}
