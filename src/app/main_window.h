#pragma once

#include <QMainWindow>

#include "util/tool_state.h"

namespace quillet {

// The tool's one window, frmMain.
class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(ToolState& state, QWidget* parent = nullptr);
  ~MainWindow() override;

 private:
  ToolState& state_;
};

}  // namespace quillet
