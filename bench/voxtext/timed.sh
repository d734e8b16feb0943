#!/usr/bin/env bash
# Runs COMMAND pinned to the processors CORES (taskset's list, 0 or 0,1) with
# its standard output in OUT, and prints one line of what it took:
#   wall user system peak-kB busiest-thread-seconds
# Wall time stretches on a busy machine; processor times do not, so the
# thread times are sampled from /proc every 0.2 s (the last sample of each
# thread counts) for the wall time idle processors would take: the longer of
# the busiest thread's time and the process's time shared by the processors.
#   bench/voxtext/timed.sh CORES OUT COMMAND...
set -euo pipefail
cores=$1 out=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/time -f '%e %U %S %M' -o "$work/time" taskset -c "$cores" "$@" > "$out" &
timer=$!
: > "$work/threads"
while kill -0 "$timer" 2>/dev/null; do
  pid=$(pgrep -P "$timer" || true)
  [ -n "$pid" ] && cat /proc/"$pid"/task/*/stat 2>/dev/null >> "$work/threads" || true
  sleep 0.2
done
wait "$timer"
read -r wall user system kb < "$work/time"
# Without the parenthesised name, a line is the thread id, its state, ... and
# its user and system clock ticks as the 13th and 14th fields.
busiest=$(sed 's/^\([0-9]*\) (.*) /\1 /' "$work/threads" |
  awk -v hz="$(getconf CLK_TCK)" '{ cpu[$1] = ($13 + $14) / hz }
    END { b = 0; for (t in cpu) if (cpu[t] > b) b = cpu[t]; printf "%.2f", b }')
echo "$wall $user $system $kb $busiest"
