#!/usr/bin/env bash
# Times hearmark on a one-hour and a two-hour AAC .m4a recording (speech over
# music, 44.1 kHz mono, as a phone records it) against FFmpeg decoding the
# same file to nothing, and reports wall time, peak memory and speed.
#   bench/hearmark-bench.sh            uses build/bin/hearmark
#   BENCH_DIR=/tmp/x bench/hearmark-bench.sh
# The recordings are made once and kept in BENCH_DIR (default build/bench).
set -euo pipefail
cd "$(dirname "$0")/.."
hearmark=${HEARMARK:-build/bin/hearmark}
dir=${BENCH_DIR:-build/bench}
mkdir -p "$dir"

if [ ! -f "$dir/hour1.aac" ] || [ ! -f "$dir/hour2.aac" ]; then
  bench/hearmark-sounds.sh "$dir/sounds" >/dev/null
  s=$dir/sounds
  # One minute: the music throughout at a lower level, speech three times.
  sox "$s/music.wav" "$s/music-long.wav" repeat 16 trim 0 60 vol 0.4
  sox "$s/speech.wav" "$s/silence.wav" "$s/silence.wav" "$s/noise.wav" "$s/silence.wav" \
      "$s/speech.wav" "$s/silence.wav" "$s/speech.wav" "$s/silence.wav" "$s/speech-gaps.wav" \
      pad 0 40
  sox "$s/speech-gaps.wav" "$s/speech-long.wav" trim 0 60
  sox -m "$s/music-long.wav" "$s/speech-long.wav" "$s/minute.wav" norm -3
  for hours in 1 2; do
    ffmpeg -v error -y -stream_loop $((60 * hours - 1)) -i "$s/minute.wav" -ar 44100 -ac 1 \
           -c:a aac -b:a 64k "$dir/hour$hours.m4a"
    # The same audio without the MP4 sample index, which FFmpeg keeps in
    # memory (about 7 MB an hour, for ffmpeg itself as for hearmark).
    ffmpeg -v error -y -i "$dir/hour$hours.m4a" -c copy "$dir/hour$hours.aac"
  done
fi

# Prints "seconds cpu-seconds peak-kilobytes" for a command, its output
# discarded. CPU time tells the cost apart from what other programs on the
# machine take from the wall clock.
measure() {
  local report
  report=$(mktemp)
  /usr/bin/time -f "%e %U %S %M" -o "$report" "$@" >/dev/null
  awk '{ print $1, $2 + $3, $4 }' "$report"
  rm -f "$report"
}

echo "cores: $(nproc)"
printf "%-8s %-12s %9s %9s %10s %12s\n" file program seconds "cpu s" "peak MB" "x realtime"
for hours in 1 2; do
  file=$dir/hour$hours.m4a
  length=$((3600 * hours))
  read -r dsec dcpu dkb < <(measure ffmpeg -v error -i "$file" -f null -)
  read -r hsec hcpu hkb < <(measure "$hearmark" "$file")
  read -r asec acpu akb < <(measure "$hearmark" "$dir/hour$hours.aac")
  awk -v f="hour$hours" -v len="$length" -v ds="$dsec" -v dc="$dcpu" -v dk="$dkb" \
      -v hs="$hsec" -v hc="$hcpu" -v hk="$hkb" -v as="$asec" -v ac="$acpu" -v ak="$akb" 'BEGIN {
    row = "%-8s %-12s %9.2f %9.2f %10.1f %12.0f%s\n"
    printf row, f, "ffmpeg", ds, dc, dk / 1024, len / ds, ""
    printf row, f, "hearmark", hs, hc, hk / 1024, len / hs, ""
    printf row, f, "hearmark", as, ac, ak / 1024, len / as, "  (the same audio as ADTS: no MP4 index)"
    printf "%-8s hearmark / decode-only: %.2fx wall\n", f, hs / ds
  }'
done
