#!/usr/bin/env bash
# Makes SECONDS of steady background noise of a KIND at an RMS level (dBFS)
# as a 16 kHz mono wave file:
#   pink   sox's pink noise (hiss, fans, air conditioning), the same on every run
#   brown  sox's brown noise (rumble, a car)
#   fan    a recorded fan (OpenArena's sound/world/fan4.wav, from Debian's
#          openarena-data, fetched once with apt-get download into a cache
#          outside the tree: ${XDG_CACHE_HOME:-~/.cache}/voxtext-bench), looped
#   bench/voxtext/make-noise.sh KIND SECONDS LEVEL_DB OUT.wav
set -euo pipefail
kind=$1 seconds=$2 level=$3 out=$4
raw="$out.raw.wav"
case "$kind" in
  pink | brown)
    sox -R -D -n -r 16000 -c 1 -b 16 "$raw" synth "$seconds" "${kind}noise" ;;
  fan)
    cache=${XDG_CACHE_HOME:-$HOME/.cache}/voxtext-bench
    fan="$cache/fan4.wav"
    if [ ! -f "$fan" ]; then
      mkdir -p "$cache"
      (cd "$cache" && apt-get download openarena-data >/dev/null 2>&1)
      deb=$(ls "$cache"/openarena-data_*.deb | head -n1)
      dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/games/openarena/baseoa/pak0.pk3 > "$cache/pak0.pk3"
      unzip -p "$cache/pak0.pk3" sound/world/fan4.wav > "$fan"
      rm -f "$cache/pak0.pk3"
    fi
    loops=$(awk -v s="$seconds" -v l="$(soxi -D "$fan")" 'BEGIN { printf "%d", s / l + 1 }')
    sox -D "$fan" -r 16000 -c 1 -b 16 "$raw" repeat "$loops" trim 0 "$seconds" ;;
  *) echo "make-noise: unknown kind $kind (pink, brown, fan)" >&2; exit 2 ;;
esac
rms=$(sox "$raw" -n stats 2>&1 | awk '/RMS lev dB/ { print $4 }')
sox -D "$raw" "$out" gain "$(awk -v t="$level" -v r="$rms" 'BEGIN { print t - r }')"
rm -f "$raw"
