#!/usr/bin/env bash
# Start-up of Quillet.exe against a bare Win32 window with one label and one
# button (bench/win32_bare_window.cpp), both 32-bit and both under Wine in a
# virtual X display, measured side by side: each program is launched RUNS
# times, alternating which goes first, and quits right after its first paint
# (the same hook in both). Prints the medians of the time from launch to the
# first paint (as the programs report it) and of the time from launch to exit,
# with Quillet's ratios to the bare window, and the load average.
#
#   bench/startup-windows.sh [RUNS]        (default 20)
#
# A launch here includes starting Wine's loader for the program, as it does
# for a user under Wine; the Wine server and its services run throughout.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-20}
build_dir=build-win32
jobs=${JOBS:-$(nproc)}

if [ "${2:-}" != "under-display" ]; then
  scripts/install-deps.sh windows
  [ -f "$build_dir/CMakeCache.txt" ] || cmake --preset windows-x86
  cmake --build "$build_dir" -j "$jobs" --target Quillet win32_bare_window
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$runs" under-display
fi

source scripts/wine-session.sh
prepare_win32_prefixes "$build_dir"

work=$(mktemp -d)
cleanup_work() { rm -rf "$work"; stop_wine; }
trap cleanup_work EXIT

# The real program keeps its settings file beside itself; run copies in a
# scratch folder so measuring never touches the build's own.
cp "$build_dir/src/win32/Quillet.exe" "$work/Quillet.exe"
cp "$build_dir/bench/win32_bare_window.exe" "$work/bare.exe"

# One launch: appends "exit-microseconds first-paint-milliseconds" to the
# program's result file.
measure() {
  local name=$1 program=$2
  local start end paint
  start=$(date +%s%N)
  if ! QUILLET_EXIT_AFTER_FIRST_PAINT=$start wine "$program" </dev/null >/dev/null \
      2>"$work/stderr"; then
    echo "$name failed:" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  end=$(date +%s%N)
  paint=$(sed -n 's/^first paint after \([0-9.]*\) ms.*$/\1/p' "$work/stderr" | head -n1)
  if [ -z "$paint" ]; then
    echo "$name reported no first paint:" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  echo "$(((end - start) / 1000)) $paint" >>"$work/$name"
}

# One unmeasured launch each, so both start with warm file caches.
measure warmup "$work/bare.exe"
measure warmup "$work/Quillet.exe"

for i in $(seq "$runs"); do
  if [ $((i % 2)) -eq 1 ]; then
    measure bare "$work/bare.exe"
    measure quillet "$work/Quillet.exe"
  else
    measure quillet "$work/Quillet.exe"
    measure bare "$work/bare.exe"
  fi
done

[ -n "${STARTUP_KEEP:-}" ] && cp "$work/bare" "$work/quillet" "$STARTUP_KEEP/"

# Median of one column (1 time to exit in microseconds, 2 time to first paint
# in milliseconds).
median() {
  sort -n -k"$2","$2" "$work/$1" | awk -v c="$2" '{v[NR] = $c}
    END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# The fastest launch too: the least disturbed by other work on the machine.
fastest() { sort -n -k2,2 "$work/$1" | head -n1 | awk '{print $2}'; }

echo "Wine $(wine --version 2>/dev/null), $runs runs each, load average:$(uptime | sed 's/.*load average://')"
awk -v bp="$(median bare 2)" -v be="$(median bare 1)" -v bf="$(fastest bare)" \
    -v qp="$(median quillet 2)" -v qe="$(median quillet 1)" -v qf="$(fastest quillet)" 'BEGIN {
  printf "%-12s %16s %14s %18s\n", "", "first paint (ms)", "exit (ms)", "fastest paint (ms)"
  printf "%-12s %16.1f %14.1f %18.1f\n", "bare window", bp, be / 1000, bf
  printf "%-12s %16.1f %14.1f %18.1f\n", "Quillet.exe", qp, qe / 1000, qf
  printf "%-12s %16.2f %14.2f %18.2f\n", "ratio", qp / bp, qe / be, qf / bf
  print "target: first paint (median) within 1.30 times the bare window"
  exit (qp / bp <= 1.30) ? 0 : 3
}'
