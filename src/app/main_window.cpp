#include "app/main_window.h"

namespace quillet {

MainWindow::MainWindow(ToolState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
  setObjectName("frmMain");
  setWindowTitle("Quillet");
  InitToolState(state_);
}

// The remembered folders are saved once, when the window goes away.
MainWindow::~MainWindow() { SaveLastDirs(state_); }

}  // namespace quillet
