// The page logic's scripted dialogs for the Qt window's tests: a box counts as
// asked while busy when the wait cursor was up at that moment.
#pragma once

#include <QApplication>

#include "wizard/scripted_dialogs.h"

namespace quillet::testing {

class CursorScriptedDialogs : public ScriptedDialogs {
 public:
  CursorScriptedDialogs() {
    is_busy = [] { return QApplication::overrideCursor() != nullptr; };
  }
};

}  // namespace quillet::testing
