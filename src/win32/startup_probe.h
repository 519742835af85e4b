// Start-up measurement (bench/startup-windows.sh). When the environment
// variable QUILLET_EXIT_AFTER_FIRST_PAINT is set, the program paints its
// window once completely and quits; when the variable holds the launch time in
// nanoseconds since 1970 (as `date +%s%N` gives it), the time from launch to
// that first paint goes to the error stream as "first paint after N ms".
// Without the variable nothing changes. Shared with the bare-window yardstick.
#pragma once

#include <windows.h>

namespace quillet::win32 {

// Call right after the window was shown; it paints the window and all its
// controls now when asked, reports and posts WM_QUIT.
void QuitAfterFirstPaintIfAsked(HWND window);

}  // namespace quillet::win32
