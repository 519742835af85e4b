#include <QApplication>

#include "app/main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  quillet::ToolState state;
  quillet::MainWindow window(state);
  window.show();
  return app.exec();
}
