#!/usr/bin/env bash
# voxtext in background noise: the same speech clean and mixed with pink and
# brown noise at 20, 10 and 5 dB SNR and with a recorded fan at 10 dB, each
# AAC-coded as Voice Memos records, transcribed on two processors with the
# noise front end (voxtext itself) and without it (voxtext_decode --enhance
# none, the same service otherwise). Per condition and run: word error rate,
# wall time, processor time, the wall time two idle processors would take
# (timed.sh) and its real-time speed, and peak memory. Then noise alone
# (pink, brown, the fan; 30 s each at the 5 dB level): voxtext must print an
# empty transcript and end with status 0.
#
# The speech is TEXT spoken by a flite VOICE; by default the first 12
# sentences of text.txt (about a minute) by slt, the benchmark's voice. The
# SNR is the speech's RMS level over the whole recording (pauses included)
# against the noise's.
#   bench/voxtext/voxtext-noise-bench.sh [TEXT [VOICE]]   (after scripts/setup)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD_DIR:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -n "${1:-}" ]; then cp "$1" "$work/text.txt"; else head -n 12 bench/voxtext/text.txt > "$work/text.txt"; fi
voice=${2:-slt}
seconds=$(bench/voxtext/make-speech.sh "$work" "$work/text.txt" "$voice")
level=$(sox "$work/speech.wav" -n stats 2>&1 | awk '/RMS lev dB/ { print $4 }')
echo "speech: $(wc -l < "$work/text.txt") sentences, $(wc -w < "$work/text.txt") words, voice $voice, $seconds s at $level dBFS RMS"

# Prints the figures of one run: transcript in $1, timed.sh's line in $2.
report() {
  local wer
  wer=$("$build/bin/voxtext_wer" "$work/text.txt" "$1")
  read -r wall user system kb busiest <<< "$2"
  awk -v w="$wall" -v u="$user" -v s="$system" -v k="$kb" -v b="$busiest" -v a="$seconds" -v e="$wer" '
    BEGIN {
      split(e, f, /[= ]/); idle = b > (u + s) / 2 ? b : (u + s) / 2
      printf "WER %5.1f%% (%s errors) | wall %5.1f s, processor %5.1f s, two idle processors %5.1f s = %4.1fx real time | %3.0f MB\n",
             f[2] * 100, f[4], w, u + s, idle, a / idle, k / 1024 }'
}

for condition in "clean -" "pink 20" "pink 10" "pink 5" "brown 20" "brown 10" "brown 5" "fan 10"; do
  read -r kind snr <<< "$condition"
  if [ "$kind" = clean ]; then
    cp "$work/speech.m4a" "$work/mix.m4a"
    name="clean"
  else
    bench/voxtext/make-noise.sh "$kind" "$seconds" "$(awk -v l="$level" -v s="$snr" 'BEGIN { print l - s }')" "$work/noise.wav"
    sox -D -m -v 1 "$work/speech.wav" -v 1 "$work/noise.wav" "$work/mix.wav" 2>/dev/null
    ffmpeg -nostdin -v error -y -i "$work/mix.wav" -c:a aac -b:a 64k "$work/mix.m4a"
    name="$kind $snr dB"
  fi
  with=$(bench/voxtext/timed.sh 0,1 "$work/with.json" "$build/bin/voxtext" "$work/mix.m4a")
  without=$(bench/voxtext/timed.sh 0,1 "$work/without.txt" \
    "$build/bin/voxtext_decode" "$work/mix.m4a" 2 --enhance none 2>/dev/null)
  printf '%-12s front end    | %s\n' "$name" "$(report "$work/with.json" "$with")"
  printf '%-12s no front end | %s\n' "" "$(report "$work/without.txt" "$without")"
done

for kind in pink brown fan; do
  bench/voxtext/make-noise.sh "$kind" 30 "$(awk -v l="$level" 'BEGIN { print l - 5 }')" "$work/noise.wav"
  ffmpeg -nostdin -v error -y -i "$work/noise.wav" -c:a aac -b:a 64k "$work/noise.m4a"
  status=0
  "$build/bin/voxtext" "$work/noise.m4a" > "$work/noise.json" 2> "$work/noise.err" || status=$?
  words=$(jq -r '.text | length' "$work/noise.json" 2>/dev/null || echo "?")
  echo "noise alone, $kind 30 s: status $status, text of $words characters $(jq -c '.text' "$work/noise.json" 2>/dev/null)"
done
