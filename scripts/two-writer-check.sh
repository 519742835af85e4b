#!/usr/bin/env bash
# Two processes edit one INF at once: each writes new keys (A0, A1, ... and B0,
# B1, ...) for a while through WriteIniValue. Every write that reported success
# must still be in the file at the end; the difference is the lost updates.
#
#   scripts/two-writer-check.sh [SECONDS] [PROBE]
#     SECONDS  how long both write (10)
#     PROBE    the probe program (build/bench/file_write_probe)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-10}
probe=${2:-build/bench/file_write_probe}
[ -x "$probe" ] || { echo "No probe program at $probe; build it first (make build)" >&2; exit 2; }

work=$(mktemp -d /tmp/quillet-two-writers.XXXXXX)
trap 'rm -rf "$work"' EXIT
inf=$work/MyApp.inf
printf '[Version]\r\nSignature="$Windows NT$"\r\n[Keys]\r\n' >"$inf"

"$probe" writer "$inf" A "$seconds" >"$work/a.out" &
a=$!
"$probe" writer "$inf" B "$seconds" >"$work/b.out" &
b=$!
wait "$a" || true
wait "$b" || true

read -r a_written a_failed <"$work/a.out"
read -r b_written b_failed <"$work/b.out"
present=$("$probe" count "$inf" Keys)
reported=$((a_written + b_written))
lost=$((reported - present))
echo "two-writer run, $seconds s: $reported writes reported done ($a_failed + $b_failed failed)," \
  "$present keys in the file, $lost lost ($(awk "BEGIN { printf \"%.1f\", $reported ? 100 * $lost / $reported : 0 }")%)"
[ "$lost" -eq 0 ]
