#!/usr/bin/env bash
# `make screenshots-windows`: PNGs of every page of the Win32 window and of
# the Step 4 states, drawn under Wine in a virtual X display at 96 DPI, into
# the folder given (build-win32/screenshots by default). The same names as
# the Qt window's (`make screenshots`), to look at them side by side.
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-build-win32/screenshots}
build_dir=build-win32
jobs=${JOBS:-$(nproc)}

if [ "${2:-}" != "under-display" ]; then
  scripts/install-deps.sh windows
  [ -f "$build_dir/CMakeCache.txt" ] || cmake --preset windows-x86
  cmake --build "$build_dir" -j "$jobs" --target quillet_win32_screenshots
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$out" under-display
fi

source scripts/wine-session.sh
prepare_win32_prefixes "$build_dir"
mkdir -p "$out"
# Wine starts the program in the current folder, so a relative path works.
wine "$build_dir/tests/win32/quillet_win32_screenshots.exe" "$out" </dev/null
