#!/usr/bin/env bash
# Start-up of Quillet against a bare Qt 6 window of the same size, measured side
# by side: each program is launched RUNS times, alternating which goes first, and
# quits right after its first paint. Prints the medians of the wall time from
# launch to exit and of the peak resident memory, and Quillet's ratios to the
# bare window.
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
quillet="$build_dir/src/app/quillet"
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

# One launch: appends "milliseconds kilobytes" to the program's result file.
measure() {
  local name=$1
  shift
  local start end
  start=$(date +%s%N)
  if ! QUILLET_EXIT_AFTER_FIRST_PAINT=1 /usr/bin/time -f %M -o "$work/rss" "$@" \
      >/dev/null 2>"$work/stderr"; then
    echo "$name failed:" >&2
    cat "$work/stderr" >&2
    exit 1
  fi
  end=$(date +%s%N)
  echo "$(((end - start) / 1000)) $(tail -n1 "$work/rss")" >>"$work/$name"
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

# Median of one column (1 time in microseconds, 2 peak memory in KB).
median() {
  sort -n -k"$2","$2" "$work/$1" | awk -v c="$2" '{v[NR] = $c}
    END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

bare_time=$(median bare 1)
bare_rss=$(median bare 2)
quillet_time=$(median quillet 1)
quillet_rss=$(median quillet 2)
awk -v bt="$bare_time" -v br="$bare_rss" -v qt="$quillet_time" -v qr="$quillet_rss" 'BEGIN {
  printf "%-12s %12s %14s\n", "", "time (ms)", "peak RSS (KB)"
  printf "%-12s %12.1f %14d\n", "bare window", bt / 1000, br
  printf "%-12s %12.1f %14d\n", "quillet", qt / 1000, qr
  printf "%-12s %12.2f %14.2f   (targets: 1.30 and 1.20)\n", "ratio", qt / bt, qr / br
}'
