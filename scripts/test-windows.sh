#!/usr/bin/env bash
# `make test-windows`, in two parts:
#   1. the Qt-free core and its tests for 64-bit Windows (build-windows/), run
#      under Wine with ctest; no display;
#   2. the shipped 32-bit build (build-win32/): Quillet.exe, the Win32 window,
#      the core and the window tests, run under Wine inside a virtual X display
#      (xvfb-run), the layout tests a second time in a prefix set to 120 DPI.
# Each build has its own Wine prefixes inside its folder.
#   scripts/test-windows.sh            both parts
#   scripts/test-windows.sh win64      part 1 only
#   scripts/test-windows.sh win32      part 2 only
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-$(nproc)}
part=${1:-all}

export WINEDEBUG=-all                     # no fixme chatter in the test output
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install Mono or Gecko
export LC_ALL=C.UTF-8                     # code page 1252, UTF-8 file names on disk
unset WAYLAND_DISPLAY

wineserver=$(command -v wineserver || true)
for candidate in /usr/lib/wine/wineserver /usr/lib/wine/wineserver64; do
  [ -n "$wineserver" ] && break
  [ -x "$candidate" ] && wineserver=$candidate
done

started_prefixes=()
stop_wine() {
  for prefix in "${started_prefixes[@]}"; do
    WINEPREFIX=$prefix "$wineserver" -k >/dev/null 2>&1 || true
  done
}
trap stop_wine EXIT

# One Wine session per prefix for the whole run: a persistent server, and
# Wine's own services started here with their output going nowhere. Started by
# the first test instead, they would hold that test's output pipe open and
# ctest would wait for them; and each test would pay for starting them again.
# A missing prefix is made first (with WINEARCH for its architecture); one
# whose making was cut short is made again.
start_prefix() {
  local prefix=$1 arch=$2
  local fresh=false
  if [ ! -f "$prefix/.made-by-test-windows" ]; then
    fresh=true
    rm -rf "$prefix"
  fi
  mkdir -p "$prefix"  # the server wants the prefix folder to exist
  WINEPREFIX=$prefix WINEARCH=$arch "$wineserver" -p </dev/null >/dev/null 2>&1 ||
    { echo "Could not start wineserver for $prefix" >&2; exit 1; }
  started_prefixes+=("$prefix")
  if $fresh; then
    echo "Creating the Wine prefix in $prefix (once)"
    WINEPREFIX=$prefix WINEARCH=$arch wine wineboot -i </dev/null >/dev/null 2>&1 ||
      { echo "wineboot failed for $prefix" >&2; exit 1; }
    touch "$prefix/.made-by-test-windows"
  fi
}

# Registry values of a prefix, set each run (cheap, and a prefix made by an
# older script gets them too).
set_registry() {
  local prefix=$1 key=$2 name=$3 type=$4 data=$5
  WINEPREFIX=$prefix wine reg add "$key" /v "$name" /t "$type" /d "$data" /f \
    </dev/null >/dev/null 2>&1 || { echo "Could not set $key\\$name in $prefix" >&2; exit 1; }
}

run_win64() {
  local build_dir=${WINDOWS_BUILD_DIR:-build-windows}
  [ -f "$build_dir/CMakeCache.txt" ] || cmake --preset windows -B "$build_dir"
  cmake --build "$build_dir" -j "$jobs"
  export WINEPREFIX="$(cd "$build_dir" && pwd)/wine-prefix"
  (
    export DISPLAY=  # no window, even where a display exists
    start_prefix "$WINEPREFIX" win64
    wine cmd /c exit </dev/null >/dev/null 2>&1 || { echo "Wine cannot start cmd.exe" >&2; exit 1; }
    ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j "$jobs"
  )
}

run_win32() {
  local build_dir=build-win32
  [ -f "$build_dir/CMakeCache.txt" ] || cmake --preset windows-x86
  cmake --build "$build_dir" -j "$jobs"
  if [ -z "${QUILLET_UNDER_XVFB:-}" ]; then
    # The window tests need an X display for Wine; a private virtual one.
    QUILLET_UNDER_XVFB=1 JOBS=$jobs xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
      "$0" win32
    return
  fi
  local root
  root="$(cd "$build_dir" && pwd)"
  export WINEPREFIX=$root/wine-prefix
  start_prefix "$WINEPREFIX" win32
  # Windows that no window manager handles: Wine draws their frames itself and
  # does not wait for a manager's answer when they appear and go.
  set_registry "$WINEPREFIX" 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
  set_registry "$WINEPREFIX" 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 96
  # The 120-DPI prefix: a copy of the first (hard links; Wine replaces the
  # registry files it saves rather than writing into them), with its DPI set.
  local prefix120=$root/wine-prefix-120dpi
  if [ ! -f "$prefix120/.made-by-test-windows" ]; then
    # The server writes the registry out as it ends.
    WINEPREFIX=$WINEPREFIX "$wineserver" -k >/dev/null 2>&1 || true
    WINEPREFIX=$WINEPREFIX "$wineserver" -w
    rm -rf "$prefix120"
    cp -al "$WINEPREFIX" "$prefix120"
    for hive in "$WINEPREFIX"/*.reg; do cp --remove-destination "$hive" "$prefix120/"; done
    start_prefix "$WINEPREFIX" win32
  fi
  start_prefix "$prefix120" win32
  set_registry "$prefix120" 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
  set_registry "$prefix120" 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 120
  wine cmd /c exit </dev/null >/dev/null 2>&1 || { echo "Wine cannot start cmd.exe" >&2; exit 1; }
  ctest --test-dir "$build_dir" --output-on-failure --timeout 300 -j "$jobs"
}

scripts/install-deps.sh windows
[ -n "$wineserver" ] || { echo "wineserver not found; is wine installed?" >&2; exit 1; }
case $part in
  all) run_win64; run_win32 ;;
  win64) run_win64 ;;
  win32) run_win32 ;;
  *) echo "usage: $0 [all|win64|win32]" >&2; exit 2 ;;
esac
