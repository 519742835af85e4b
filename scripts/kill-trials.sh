#!/usr/bin/env bash
# kill -9 trials: a process rewrites one INF over and over and is killed at a
# random moment. Counts the trials after which anything but the INF is left in
# its folder (a new temporary file of the killed write), and what is left once the
# next write of the same INF has run. The INF must read back whole every time.
#
#   scripts/kill-trials.sh [TRIALS] [PROBE]
#     TRIALS  number of trials (1000)
#     PROBE   the probe program (build/bench/file_write_probe)
set -euo pipefail
cd "$(dirname "$0")/.."

trials=${1:-1000}
probe=${2:-build/bench/file_write_probe}
[ -x "$probe" ] || { echo "No probe program at $probe; build it first (make build)" >&2; exit 2; }

work=$(mktemp -d /tmp/quillet-kill-trials.XXXXXX)
trap 'rm -rf "$work"' EXIT
pkg=$work/Pkg
mkdir -p "$pkg"
inf=$pkg/MyApp.inf
{
  printf '[Version]\r\nSignature="$Windows NT$"\r\nCounter=0\r\n[Strings]\r\n'
  for i in $(seq 1 300); do printf 'Line%03d=some value that fills the file %03d\r\n' "$i" "$i"; done
} >"$inf"

entries() { find "$pkg" -mindepth 1 | wc -l; }

leftover_trials=0
torn=0
for trial in $(seq 1 "$trials"); do
  before=$(entries)
  "$probe" rewrite "$inf" &
  pid=$!
  sleep "0.0$((RANDOM % 10))$((RANDOM % 10))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [ "$(entries)" -gt "$before" ]; then leftover_trials=$((leftover_trials + 1)); fi
  if [ "$("$probe" count "$inf" Version)" -ne 2 ]; then torn=$((torn + 1)); fi
done
left_at_end=$(($(entries) - 1))
"$probe" set "$inf" Version Counter after >/dev/null
left_after_write=$(($(entries) - 1))

echo "kill -9 trials: $trials, trials that left a temporary file: $leftover_trials," \
  "left in the folder at the end: $left_at_end, after the next write: $left_after_write," \
  "INF not whole: $torn"
[ "$left_after_write" -eq 0 ] && [ "$torn" -eq 0 ]
