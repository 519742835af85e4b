# Sourced by the scripts that run Windows programs under Wine
# (test-windows.sh, screenshots-windows.sh, bench/startup-windows.sh): the
# environment, one persistent server per prefix, and the prefixes of the
# 32-bit build. Defines start_prefix, set_registry and prepare_win32_prefixes;
# every server it starts is stopped when the script exits.

export WINEDEBUG=-all                     # no fixme chatter in the output
export WINEDLLOVERRIDES="mscoree,mshtml=" # no offer to install Mono or Gecko
export LC_ALL=C.UTF-8                     # code page 1252, UTF-8 file names on disk
unset WAYLAND_DISPLAY

wineserver=$(command -v wineserver || true)
for candidate in /usr/lib/wine/wineserver /usr/lib/wine/wineserver64; do
  [ -n "$wineserver" ] && break
  [ -x "$candidate" ] && wineserver=$candidate
done
[ -n "$wineserver" ] || { echo "wineserver not found; is wine installed?" >&2; exit 1; }

started_prefixes=()
stop_wine() {
  for prefix in "${started_prefixes[@]}"; do
    WINEPREFIX=$prefix "$wineserver" -k >/dev/null 2>&1 || true
  done
}
trap stop_wine EXIT

# One Wine session per prefix for the whole run: a persistent server, and
# Wine's own services started here with their output going nowhere. Started by
# the first program instead, they would hold that program's output pipe open
# (ctest would wait for them), and each program would pay for starting them.
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
  WINEPREFIX=$prefix wine cmd /c exit </dev/null >/dev/null 2>&1 ||
    { echo "Wine cannot start cmd.exe in $prefix" >&2; exit 1; }
}

# Sets a registry value of a prefix (cheap, so done every run: a prefix made
# by an older script gets it too).
set_registry() {
  local prefix=$1 key=$2 name=$3 type=$4 data=$5
  WINEPREFIX=$prefix wine reg add "$key" /v "$name" /t "$type" /d "$data" /f \
    </dev/null >/dev/null 2>&1 || { echo "Could not set $key\\$name in $prefix" >&2; exit 1; }
}

# The 32-bit build's prefixes, started: BUILD/wine-prefix at 96 DPI and
# BUILD/wine-prefix-120dpi at 120 DPI, both with windows that no window
# manager handles (Wine draws their frames itself and does not wait for a
# manager's answer when they appear and go). Exports WINEPREFIX as the first.
prepare_win32_prefixes() {
  local root
  root="$(cd "$1" && pwd)"
  export WINEPREFIX=$root/wine-prefix
  start_prefix "$WINEPREFIX" win32
  set_registry "$WINEPREFIX" 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
  set_registry "$WINEPREFIX" 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 96
  local prefix120=$root/wine-prefix-120dpi
  if [ ! -f "$prefix120/.made-by-test-windows" ]; then
    # A copy of the first: hard links, but the registry files copied (the
    # server writes the registry out as it ends, and replaces those files).
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
}
