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

# Prints "seconds peak-kilobytes" for a command, its output discarded.
measure() {
  local report
  report=$(mktemp)
  /usr/bin/time -f "%e %M" -o "$report" "$@" >/dev/null
  cat "$report"
  rm -f "$report"
}

echo "cores: $(nproc)"
printf "%-8s %-12s %9s %10s %12s\n" file program seconds "peak MB" "x realtime"
for hours in 1 2; do
  file=$dir/hour$hours.m4a
  length=$((3600 * hours))
  read -r dsec dkb < <(measure ffmpeg -v error -i "$file" -f null -)
  read -r hsec hkb < <(measure "$hearmark" "$file")
  awk -v f="hour$hours" -v len="$length" -v ds="$dsec" -v dk="$dkb" -v hs="$hsec" -v hk="$hkb" 'BEGIN {
    printf "%-8s %-12s %9.2f %10.1f %12.0f\n", f, "ffmpeg", ds, dk / 1024, len / ds
    printf "%-8s %-12s %9.2f %10.1f %12.0f\n", f, "hearmark", hs, hk / 1024, len / hs
    printf "%-8s hearmark / decode-only: %.2fx\n", f, hs / ds
  }'
  read -r asec akb < <(measure "$hearmark" "$dir/hour$hours.aac")
  awk -v f="hour$hours" -v len="$length" -v s="$asec" -v k="$akb" 'BEGIN {
    printf "%-8s %-12s %9.2f %10.1f %12.0f   (same audio as ADTS, no index)\n", f, "hearmark", s, k / 1024, len / s
  }'
done
