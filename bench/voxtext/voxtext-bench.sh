#!/usr/bin/env bash
# voxtext's speed, accuracy and memory on five minutes of known speech.
#
# Runs the built voxtext, as the host does, on the AAC recording made by
# make-speech.sh, pinned to one processor and then to two, and prints for
# each: wall time, real-time factor and speed (whole process, model loading
# included), processor time, peak memory (maximum resident set) and the word
# error rate against the text that was spoken. On a busy machine wall times
# stretch, so the two-processor run also reports the busiest thread's
# processor time (timed.sh samples them from /proc) and the wall time two idle
# processors would take: the longer of that and half the whole process's.
#   bench/voxtext/voxtext-bench.sh        (after scripts/setup; BUILD_DIR picks the build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds=$(bench/voxtext/make-speech.sh "$work")
echo "speech: $(wc -l < bench/voxtext/text.txt) sentences, $(wc -w < bench/voxtext/text.txt) words, $seconds s, AAC .m4a"
for cores in 0 0,1; do
  count=$(( $(tr -cd , <<< "$cores" | wc -c) + 1 ))
  read -r wall user system kb busiest < <(bench/voxtext/timed.sh "$cores" "$work/transcript.json" \
    "$build/bin/voxtext" "$work/speech.m4a")
  wer=$("$build/bin/voxtext_wer" bench/voxtext/text.txt "$work/transcript.json")
  awk -v c="$count" -v w="$wall" -v u="$user" -v s="$system" -v k="$kb" -v a="$seconds" -v e="$wer" \
    'BEGIN { printf "%d core%s: wall %.1f s, real-time factor %.3f (%.1fx real time), processor %.1f s, peak memory %.0f MB, %s\n",
             c, (c > 1 ? "s" : ""), w, w / a, a / w, u + s, k / 1024, e }'
  if [ "$count" -gt 1 ]; then
    awk -v b="$busiest" -v u="$user" -v s="$system" -v a="$seconds" 'BEGIN {
      idle = b > (u + s) / 2 ? b : (u + s) / 2
      printf "  busiest thread %.1f s; two idle processors: about %.1f s, %.1fx real time\n", b, idle, a / idle }'
  fi
done
