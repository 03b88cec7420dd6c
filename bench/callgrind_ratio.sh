#!/usr/bin/env bash
# Instructions per packet of the receive path (header, check byte, decode,
# queue, statistics) against a bare opus_decode of the same packets, counted
# by callgrind. Unlike wall time on a shared machine, the counts repeat
# exactly from run to run. Only the measuring loops are counted: packet
# encoding and set-up are left out.
# Usage: bench/callgrind_ratio.sh [packets]     (default 200, four seconds of voice)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_ROOT="${KAVRI_BUILD_ROOT:-$ROOT/build}"
DRIVER="${KAVRI_RECEIVE_DRIVER:-$BUILD_ROOT/native/bench/kavri_receive_driver}"
PACKETS="${1:-200}"

if [ ! -x "$DRIVER" ]; then
  echo "no $DRIVER; build it with: scripts/build native" >&2
  exit 2
fi
command -v valgrind >/dev/null || { echo "valgrind is not installed (scripts/setup)" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

instructions() {
  local mode="$1"
  if ! valgrind --tool=callgrind --callgrind-out-file="$work/$mode.out" \
      --toggle-collect='kavri_measure_*' "$DRIVER" "$mode" "$PACKETS" >"$work/$mode.txt" 2>"$work/$mode.log"; then
    echo "$mode run failed:" >&2
    cat "$work/$mode.txt" "$work/$mode.log" >&2
    exit 1
  fi
  awk '/^(summary|totals):/ { print $2; exit }' "$work/$mode.out"
}

bare="$(instructions bare)"
path="$(instructions path)"
awk -v bare="$bare" -v path="$path" -v n="$PACKETS" 'BEGIN {
  printf "packets:            %d\n", n
  printf "bare opus_decode:   %d instructions, %.0f per packet\n", bare, bare / n
  printf "receive path:       %d instructions, %.0f per packet\n", path, path / n
  printf "ratio path/bare:    %.4f (the path adds %.2f%%)\n", path / bare, (path / bare - 1) * 100
}'
