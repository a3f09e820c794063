#!/usr/bin/env bash
# Start-up time of the seasky command: the ordinary build (shared C++ and GCC
# runtimes) beside the one configured with -DSEASKY_STATIC_CLI=ON (runtimes
# linked in), timed in the same run on the same machine.
#
#   bench/startup.sh STATIC_SEASKY DYNAMIC_SEASKY [RUNS] [ARGUMENTS...]
#
# Each program runs RUNS times (500 by default) with ARGUMENTS ("profiles" by
# default: the list of the bundled atmospheres, which parses the command line
# and prints a few lines without calculating anything). The runs go in blocks
# of 50, alternating between the two programs (and /bin/true, the cost of
# starting any program from this loop), so that a change in the machine's load
# affects both alike. Prints the mean and the fastest block in milliseconds per
# invocation.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 STATIC_SEASKY DYNAMIC_SEASKY [RUNS] [ARGUMENTS...]" >&2
  exit 2
fi
static="$1"
dynamic="$2"
runs="${3:-500}"
case "$runs" in ""|*[!0-9]*) echo "RUNS must be a number" >&2; exit 2;; esac
shift $(( $# >= 3 ? 3 : 2 ))
[ $# -gt 0 ] || set -- profiles
block=50
blocks=$(( (runs + block - 1) / block ))

for program in "$static" "$dynamic"; do
  "$program" "$@" > /dev/null || { echo "$program $* failed" >&2; exit 1; }
done

declare -A total fastest
names=(static dynamic true)
declare -A path=([static]="$static" [dynamic]="$dynamic" [true]=/bin/true)
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
printf '%-10s %12s %18s\n' program "mean ms" "fastest block ms"
for name in "${names[@]}"; do
  label="$name"
  [ "$name" = true ] && label="/bin/true"
  awk -v label="$label" -v t="${total[$name]}" -v f="${fastest[$name]}" -v n="$count" -v k="$block" \
    'BEGIN { printf "%-10s %12.3f %18.3f\n", label, t / n / 1e6, f / k / 1e6 }'
done
