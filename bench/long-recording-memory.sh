#!/usr/bin/env bash
# Peak memory of hearmark and voxtext over ever longer recordings: a minute,
# an hour and ten hours of 16 kHz mono silence. The recordings are sparse
# WAVE files (a header, then a hole), so making them costs no time or disk.
# Decoding streams, so the peak should stay nearly flat while the audio grows
# six hundred times; what does grow is hearmark's list of rows (one per half
# second) that it must hold to print them in order.
#
#   bench/long-recording-memory.sh [BUILD_DIR]     (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=${1:-build}/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# le BYTES VALUE: VALUE as BYTES little-endian bytes.
le() {
  local i
  for ((i = 0; i < $1; i++)); do printf "\\$(printf %03o $(( ($2 >> (8 * i)) & 255 )))"; done
}

# wave FILE SECONDS: a 16-bit mono 16 kHz header and a hole of that length.
wave() {
  local bytes=$(( $2 * 32000 ))
  { printf RIFF; le 4 $(( 36 + bytes )); printf 'WAVEfmt '; le 4 16; le 2 1; le 2 1
    le 4 16000; le 4 32000; le 2 2; le 2 16; printf data; le 4 "$bytes"; } >"$1"
  truncate -s $(( 44 + bytes )) "$1"
}

printf '%-10s %-9s %10s %12s %8s\n' program length seconds "peak KB" status
for length in 60 3600 36000; do
  wave "$work/$length.wav" "$length"
  for program in hearmark voxtext; do
    /usr/bin/time -f '%e %M %x' -o "$work/time" "$bin/$program" "$work/$length.wav" >/dev/null 2>"$work/err" || true
    read -r seconds peak status <"$work/time"
    printf '%-10s %-9s %10s %12s %8s\n' "$program" "${length}s" "$seconds" "$peak" "$status"
  done
done
