#!/usr/bin/env bash
# Start-up of Quillet against a bare Qt 6 window of the same size with one label
# and one button (bench/bare_window.cpp), measured side by side: each program is
# launched RUNS times, alternating which goes first, and quits right after its
# first paint. Prints the medians of the time from launch to the end of the
# first paint (as the programs report it), of the time from launch to exit, and
# of the peak resident memory, with Quillet's ratios to the bare window and the
# load average before and after. Then the Win32 half (see the end).
#
#   bench/startup.sh [BUILD_DIR] [RUNS]        (defaults: build, 20)
#
# The platform: the current display if there is one; otherwise a private Xvfb
# server started (and stopped) by this script; QT_QPA_PLATFORM=offscreen in the
# environment measures on Qt's offscreen platform instead.
set -euo pipefail

build_dir=${1:-build}
runs=${2:-20}
bare="$build_dir/bench/bare_window"
quillet="$build_dir/src/qt/quillet"
for program in "$bare" "$quillet"; do
  if [ ! -x "$program" ]; then
    echo "missing $program: build first (cmake --build $build_dir)" >&2
    exit 1
  fi
done
if [ ! -x /usr/bin/time ]; then
  echo "needs /usr/bin/time for the peak memory (Debian package: time)" >&2
  exit 1
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

platform=${QT_QPA_PLATFORM:-}
if [ -z "$platform" ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "no display and no Xvfb" >&2; exit 1; }
  # Xvfb picks a free display number itself and reports it on the given descriptor.
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$work/display")"
fi
echo "platform: ${platform:-xcb on ${DISPLAY:-wayland}}; $runs runs each"
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"

# One launch: appends "exit-microseconds kilobytes first-paint-milliseconds" to
# the program's result file. The programs report the first paint themselves,
# given the launch time.
measure() {
  local name=$1
  shift
  local start end paint
  start=$(date +%s%N)
  # A program that never paints must not stall the measurement.
  if ! QUILLET_EXIT_AFTER_FIRST_PAINT=$start timeout 30 /usr/bin/time -f %M -o "$work/rss" "$@" \
      >/dev/null 2>"$work/stderr"; then
    echo "$name failed:" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  end=$(date +%s%N)
  paint=$(sed -n 's/^first paint after \([0-9.]*\) ms$/\1/p' "$work/stderr" | head -n1)
  if [ -z "$paint" ]; then
    echo "$name reported no first paint:" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  echo "$(((end - start) / 1000)) $(tail -n1 "$work/rss") $paint" >>"$work/$name"
}

# The real program keeps its settings file beside itself; run a copy in a
# scratch folder so measuring never touches the build's own settings.
mkdir -p "$work/app"
cp "$quillet" "$work/app/quillet"

# One unmeasured launch each, so both start with warm file caches.
measure warmup "$bare"
measure warmup "$work/app/quillet"

for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then
    measure bare "$bare"
    measure quillet "$work/app/quillet"
  else
    measure quillet "$work/app/quillet"
    measure bare "$bare"
  fi
done

# Median of one column (1 time to exit in microseconds, 2 peak memory in KB,
# 3 time to first paint in milliseconds).
median() {
  sort -n -k"$2","$2" "$work/$1" | awk -v c="$2" '{v[NR] = $c}
    END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

awk -v bp="$(median bare 3)" -v be="$(median bare 1)" -v br="$(median bare 2)" \
    -v qp="$(median quillet 3)" -v qe="$(median quillet 1)" -v qr="$(median quillet 2)" 'BEGIN {
  printf "%-12s %16s %14s %14s\n", "", "first paint (ms)", "exit (ms)", "peak RSS (KB)"
  printf "%-12s %16.1f %14.1f %14d\n", "bare window", bp, be / 1000, br
  printf "%-12s %16.1f %14.1f %14d\n", "quillet", qp, qe / 1000, qr
  printf "%-12s %16.2f %14.2f %14.2f\n", "ratio", qp / bp, qe / be, qr / br
  print "targets: first paint within 1.30 times the bare window, peak memory within 1.20"
}'
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"

# --- The Win32 half ------------------------------------------------------------
# Quillet.exe against the same yardstick built with Win32, both under Wine, is
# measured by bench/startup-windows.sh [RUNS], which builds what it needs and
# prints its own medians and ratio. When that script is there it runs here, so
# that `make startup` reports both ratios; STARTUP_WIN32=0 leaves it out.
win32_script="$(dirname "$0")/startup-windows.sh"
if [ "${STARTUP_WIN32:-1}" = 0 ]; then
  echo "Win32 window: left out (STARTUP_WIN32=0)"
elif [ -x "$win32_script" ]; then
  echo
  echo "Win32 window, under Wine:"
  "$win32_script" "$runs"
else
  echo "Win32 window: not measured here ($win32_script is not there)"
fi
