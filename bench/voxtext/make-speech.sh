#!/usr/bin/env bash
# Makes the benchmark's speech in DIR: every sentence of TEXT (default
# text.txt beside this script) spoken by a flite VOICE (default slt, 16 kHz),
# half a second apart, as DIR/speech.wav and as AAC in DIR/speech.m4a, as
# Voice Memos records. Prints the length in seconds.
# No dither (-D): the same speech, bit for bit, on every run.
#   bench/voxtext/make-speech.sh DIR [TEXT [VOICE]]
set -euo pipefail
here=$(dirname "$0")
dir=$1
text=${2:-$here/text.txt}
voice=${3:-slt}
for tool in flite sox soxi ffmpeg; do
  command -v "$tool" >/dev/null || { echo "make-speech: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done
sox -D -n -r 16000 -c 1 -b 16 "$dir/gap.wav" trim 0 0.5
parts=()
n=0
while IFS= read -r sentence; do
  [ -n "$sentence" ] || continue
  n=$((n + 1))
  # Every voice at 16 kHz, the recogniser's rate (kal speaks at 8 kHz).
  flite -voice "$voice" -t "$sentence" -o "$dir/raw.wav"
  sox -D "$dir/raw.wav" -r 16000 "$dir/sentence$n.wav"
  parts+=("$dir/sentence$n.wav" "$dir/gap.wav")
done < "$text"
sox -D "${parts[@]}" "$dir/speech.wav"
rm -f "$dir"/sentence*.wav "$dir/gap.wav" "$dir/raw.wav"
ffmpeg -nostdin -v error -y -i "$dir/speech.wav" -c:a aac -b:a 64k "$dir/speech.m4a"
soxi -D "$dir/speech.wav"
