#!/usr/bin/env bash
# Compares recogniser settings on the benchmark speech: for each line of
# pocketsphinx options read from standard input, the processor time, wall
# time on two workers, peak memory and the word error rate. The options
# replace voxtext's own (defaultDecoderOptions); an empty line runs those.
#   printf '%s\n' '-lw 5' '-lw 5 -maxhmmpf 3000 -maxwpf 5' | bench/voxtext/voxtext-settings.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bench/voxtext/make-speech.sh "$work" >/dev/null
while IFS= read -r options; do
  # shellcheck disable=SC2086  # the options are words
  /usr/bin/time -f '%U %S %e %M' -o "$work/time" \
    "$build/bin/voxtext_decode" "$work/speech.wav" 2 $options > "$work/text" 2>/dev/null
  read -r user system wall kb < "$work/time"
  echo "${options:-(voxtext)} | processor $(awk -v u="$user" -v s="$system" 'BEGIN{printf "%.1f", u+s}') s, wall $wall s, $((kb / 1024)) MB | $("$build/bin/voxtext_wer" bench/voxtext/text.txt "$work/text")"
done
