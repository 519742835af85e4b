// Start-up measurement. When the environment variable
// QUILLET_EXIT_AFTER_FIRST_PAINT is set, the program quits right after its
// window has been painted for the first time, so a script can time launch to
// first paint and read the peak memory (bench/startup.sh). When the variable
// holds the launch time in nanoseconds since the epoch, the time from launch to
// the first paint is written to the error stream. Without the variable nothing
// changes.
#pragma once

class QWidget;

namespace quillet {

void QuitAfterFirstPaintIfAsked(QWidget& window);

}  // namespace quillet
