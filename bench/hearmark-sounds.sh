#!/usr/bin/env bash
# Makes the sounds hearmark's sample and benchmark are built from, as 16 kHz
# mono WAV files in the directory given: speech.wav (flite), music.wav (plucked
# chords and a melody from sox), silence.wav and noise.wav, and sounds.wav,
# the four one after another.
set -euo pipefail
out=${1:?usage: hearmark-sounds.sh DIRECTORY}
mkdir -p "$out"
cd "$out"
rate=(-r 16000 -c 1 -b 16)

flite -t "Please remember to call the garage tomorrow morning about the brakes." -o speech-raw.wav
sox speech-raw.wav "${rate[@]}" speech.wav norm -3

# Four bars of chords, each with a melody note on top.
notes=()
i=0
for chord in "C3 E3 G3 E4" "A2 C3 E3 C4" "F2 A2 C3 A3" "G2 B2 D3 B3" \
             "C3 E3 G3 G4" "A2 C3 E3 E4" "F2 A2 C3 F4" "G2 B2 D3 D4"; do
  tones=()
  for n in $chord; do tones+=(pluck "$n"); done
  sox -n "${rate[@]}" "note$i.wav" synth 0.45 "${tones[@]}" remix - fade 0 0.45 0.1
  notes+=("note$i.wav")
  i=$((i + 1))
done
sox "${notes[@]}" music.wav norm -3
rm -f note*.wav speech-raw.wav

sox -n "${rate[@]}" silence.wav trim 0 2
sox -n "${rate[@]}" noise.wav synth 2 pinknoise vol 0.3
sox speech.wav music.wav silence.wav noise.wav sounds.wav
