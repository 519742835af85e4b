#!/usr/bin/env bash
# `make test-windows`: builds the Qt-free core and its tests for 64-bit Windows
# with mingw-w64 and runs them under Wine with ctest. Wine's prefix lives in the
# build folder; no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${WINDOWS_BUILD_DIR:-build-windows}
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh windows
[ -f "$build_dir/CMakeCache.txt" ] || cmake --preset windows -B "$build_dir"
cmake --build "$build_dir" -j "$jobs"

export WINEPREFIX="$(cd "$build_dir" && pwd)/wine-prefix"
export WINEDEBUG=-all                     # no fixme chatter in the test output
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install Mono or Gecko
export DISPLAY=                           # no window, even where a display exists
export LC_ALL=C.UTF-8                     # code page 1252, UTF-8 file names on disk
unset WAYLAND_DISPLAY

wineserver=$(command -v wineserver || true)
for candidate in /usr/lib/wine/wineserver /usr/lib/wine/wineserver64; do
  [ -n "$wineserver" ] && break
  [ -x "$candidate" ] && wineserver=$candidate
done
[ -n "$wineserver" ] || { echo "wineserver not found; is wine installed?" >&2; exit 1; }

# One Wine session for the whole run: a persistent server, and Wine's own
# services started here with their output going nowhere. Started by the first
# test instead, they would hold that test's output pipe open and ctest would
# wait for them; and each test would pay for starting them again.
fresh_prefix=false
[ -f "$WINEPREFIX/system.reg" ] || fresh_prefix=true
mkdir -p "$WINEPREFIX"  # the server wants the prefix folder to exist
"$wineserver" -p </dev/null >/dev/null 2>&1 || { echo "Could not start wineserver" >&2; exit 1; }
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
if $fresh_prefix; then
  echo "Creating the Wine prefix in $WINEPREFIX (once)"
  wine wineboot -i </dev/null >/dev/null 2>&1 || { echo "wineboot failed" >&2; exit 1; }
fi
wine cmd /c exit </dev/null >/dev/null 2>&1 || { echo "Wine cannot start cmd.exe" >&2; exit 1; }

ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j "$jobs"
