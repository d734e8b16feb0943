#!/usr/bin/env bash
# voxtext's speed, accuracy and memory on five minutes of known speech.
#
# Runs the built voxtext, as the host does, on the AAC recording made by
# make-speech.sh, pinned to one processor and then to two, and prints for
# each: wall time, real-time factor and speed (whole process, model loading
# included), processor time, peak memory (maximum resident set) and the word
# error rate against the text that was spoken. On a busy machine wall times
# stretch, so the two-processor run also reports each thread's processor time
# (sampled from /proc) and the wall time two idle processors would take: the
# longer of the busiest thread's time and half the whole process's.
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
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    taskset -c "$cores" "$build/bin/voxtext" "$work/speech.m4a" > "$work/transcript.json" &
  timer=$!
  : > "$work/threads"
  while kill -0 "$timer" 2>/dev/null; do
    # The last sample of each thread: its user and system clock ticks.
    pid=$(pgrep -P "$timer" || true)
    [ -n "$pid" ] && cat /proc/"$pid"/task/*/stat 2>/dev/null >> "$work/threads" || true
    sleep 0.2
  done
  wait "$timer"
  read -r wall user system kb < "$work/time"
  wer=$("$build/bin/voxtext_wer" bench/voxtext/text.txt "$work/transcript.json")
  awk -v c="$count" -v w="$wall" -v u="$user" -v s="$system" -v k="$kb" -v a="$seconds" -v e="$wer" \
    'BEGIN { printf "%d core%s: wall %.1f s, real-time factor %.3f (%.1fx real time), processor %.1f s, peak memory %.0f MB, %s\n",
             c, (c > 1 ? "s" : ""), w, w / a, a / w, u + s, k / 1024, e }'
  if [ "$count" -gt 1 ]; then
    # Without the parenthesised name, a line is the thread id, its state, ...
    # and its user and system clock ticks as the 13th and 14th fields.
    sed 's/^\([0-9]*\) (.*) /\1 /' "$work/threads" |
      awk -v hz="$(getconf CLK_TCK)" -v u="$user" -v s="$system" -v a="$seconds" '
        { cpu[$1] = ($13 + $14) / hz }
        END {
          busiest = 0
          for (t in cpu) { if (cpu[t] > busiest) busiest = cpu[t]; list = list sprintf(" %.1f", cpu[t]) }
          idle = busiest > (u + s) / 2 ? busiest : (u + s) / 2
          printf "  threads (s):%s; two idle processors: about %.1f s, %.1fx real time\n", list, idle, a / idle
        }'
  fi
done
