#!/usr/bin/env bash
# Start-up time of the seasky command: two builds side by side, timed as whole
# processes in the same run on the same machine.
#
#   bench/startup.sh [--runs N] [--label-a NAME] [--label-b NAME] PROGRAM_A PROGRAM_B [ARGUMENTS...]
#
# Each program runs N times (500 by default) with ARGUMENTS ("profiles" by
# default: the list of the bundled atmospheres, which parses the command line
# and prints a few lines without calculating anything). The runs go in blocks
# of 50, alternating between the two programs and /bin/true (the cost of
# starting any program from this loop), so that a change in the machine's load
# affects all alike. Prints the mean and the fastest block in milliseconds per
# invocation, and the ratio B/A of each.
#
# bench/startup_against.sh COMMIT builds another commit's seasky and runs this
# script against the present build for the commands that must start fast.
set -euo pipefail
runs=500
label_a=A
label_b=B
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs="$2"; shift 2 ;;
    --label-a) label_a="$2"; shift 2 ;;
    --label-b) label_b="$2"; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 2 ]; then
  echo "usage: $0 [--runs N] [--label-a NAME] [--label-b NAME] PROGRAM_A PROGRAM_B [ARGUMENTS...]" >&2
  exit 2
fi
case "$runs" in ""|*[!0-9]*|0) echo "--runs must be a positive number" >&2; exit 2;; esac
program_a="$1"
program_b="$2"
shift 2
[ $# -gt 0 ] || set -- profiles
block=50
blocks=$(( (runs + block - 1) / block ))

for program in "$program_a" "$program_b"; do
  "$program" "$@" > /dev/null || { echo "$program $* failed" >&2; exit 1; }
done

names=(a b true)
declare -A path=([a]="$program_a" [b]="$program_b" [true]=/bin/true)
declare -A label=([a]="$label_a" [b]="$label_b" [true]=/bin/true)
declare -A total fastest
for name in "${names[@]}"; do total[$name]=0; fastest[$name]=""; done

# One block of runs of a program; prints its wall time in nanoseconds.
time_block() {
  local program="$1"
  shift
  local start end i
  start=$(date +%s%N)
  for ((i = 0; i < block; ++i)); do "$program" "$@" > /dev/null; done
  end=$(date +%s%N)
  echo $(( end - start ))
}

load="$(cut -d' ' -f1-3 /proc/loadavg)"
for ((b = 0; b < blocks; ++b)); do
  for name in "${names[@]}"; do
    if [ "$name" = true ]; then
      ns=$(time_block /bin/true)
    else
      ns=$(time_block "${path[$name]}" "$@")
    fi
    total[$name]=$(( total[$name] + ns ))
    if [ -z "${fastest[$name]}" ] || [ "$ns" -lt "${fastest[$name]}" ]; then fastest[$name]=$ns; fi
  done
done

count=$(( blocks * block ))
echo "$count runs each of: seasky $* ($(nproc) cores, load average before: $load)"
printf '%-24s %12s %18s\n' program "mean ms" "fastest block ms"
for name in "${names[@]}"; do
  awk -v label="${label[$name]}" -v t="${total[$name]}" -v f="${fastest[$name]}" -v n="$count" -v k="$block" \
    'BEGIN { printf "%-24s %12.3f %18.3f\n", label, t / n / 1e6, f / k / 1e6 }'
done
awk -v ta="${total[a]}" -v tb="${total[b]}" -v fa="${fastest[a]}" -v fb="${fastest[b]}" -v la="$label_b/$label_a" \
  'BEGIN { printf "%-24s %12.2f %18.2f\n", "ratio " la, tb / ta, fb / fa }'
