#!/usr/bin/env bash
# Throughput benchmark: converts two synthesized 1 GiB drive logs (the regular drive and a harsh
# one, whose messages come in an irregular order and seldom repeat, see drovane-synth --harsh),
# a 10 MiB drive, random bytes and a sparse file of zero bytes (a preallocated log, a card image)
# with the release build, each on one thread (-j 1) and on the default threads, and the regular
# drive in every other mode and on more threads than cores. For each it prints input MB/s, records/s, rows/s, peak memory and the processor time over the wall-clock time (the cores
# used), beside the time that `cat` takes to read the drive and the -j 1 figure of the same log.
# The logs are made once and kept in bench/cache/.
#
#   bench/run-bench.sh            (or: cmake --build build-release --target bench)
#   SIZE_MIB=256 bench/run-bench.sh   for a quicker, smaller run
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-release}
size_mib=${SIZE_MIB:-1024}
runs=${RUNS:-5}
cache=$root/bench/cache
mkdir -p "$cache"

if [ ! -x "$build/bench/drovane-measure" ] || [ ! -x "$build/drovane2csv" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDROVANE_BENCH=ON -DDROVANE_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 --target drovane2csv drovane-synth drovane-measure >/dev/null
fi
converter=$build/drovane2csv
measure=$build/bench/drovane-measure
synth=$build/tools/synth/drovane-synth

drive=$cache/drive-${size_mib}MiB.bin
harsh=$cache/harsh-${size_mib}MiB.bin
small=$cache/drive-10MiB.bin
noise=$cache/random-${size_mib}MiB.bin
zero=$cache/zero-${size_mib}MiB.bin
[ -s "$drive" ] || "$synth" --megabytes "$size_mib" --seed 7 --damage 0.02 --force "$drive" >/dev/null
[ -s "$harsh" ] || "$synth" --megabytes "$size_mib" --seed 7 --damage 0.02 --harsh --force "$harsh" >/dev/null
[ -s "$small" ] || "$synth" --megabytes 10 --seed 7 --damage 0.02 --force "$small" >/dev/null
[ -s "$noise" ] || head -c $((size_mib * 1048576)) /dev/urandom >"$noise"
[ -s "$zero" ] || truncate -s $((size_mib * 1048576)) "$zero"

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

bytes=$(stat -c %s "$drive")
records=$((bytes / 11))
cat "$drive" "$harsh" "$noise" >/dev/null  # into the page cache

# The modes: name, input, options, and the mode whose figure this one is compared with (the same
# log on one thread). The runs go in rounds, each round running every mode once, and each mode's
# best run counts: a slow minute on a shared machine then costs one run of each mode rather than
# every run of one mode.
names=("drive, -j 1" "drive" "harsh drive, -j 1" "harsh drive" "-UK" "-US" "-v" "-d" "-D"
  "10 MiB drive, -j 1" "10 MiB drive" "random bytes, -j 1" "random bytes" "zero bytes, -j 1" "zero bytes"
  "drive, -j 256")
inputs=("$drive" "$drive" "$harsh" "$harsh" "$drive" "$drive" "$drive" "$drive" "$drive"
  "$small" "$small" "$noise" "$noise" "$zero" "$zero" "$drive")
options=("-j 1" "" "-j 1" "" "-UK" "-US" "-v" "-d" "-D" "-j 1" "" "-j 1" "" "-j 1" "" "-j 256")
against=(-1 0 -1 2 0 0 0 0 0 -1 9 -1 11 -1 13 0)
declare -a best_time best_rss best_cpu rows
cat_time=""

for _ in $(seq "$runs"); do
  read -r t _ < <("$measure" --stdout /dev/null -- cat "$drive")
  if [ -z "$cat_time" ] || awk "BEGIN{exit !($t < $cat_time)}"; then cat_time=$t; fi
  for i in "${!names[@]}"; do
    # shellcheck disable=SC2086  # an empty option is no argument
    read -r t rss _ cpu < <("$measure" --stderr /dev/null --remove "$out/out.csv" -- \
      "$converter" ${options[$i]} "${inputs[$i]}" "$out/out.csv")
    if [ -z "${best_time[$i]:-}" ] || awk "BEGIN{exit !($t < ${best_time[$i]})}"; then
      best_time[$i]=$t
      best_rss[$i]=$rss
      best_cpu[$i]=$cpu
    fi
    if [ -z "${rows[$i]:-}" ]; then
      # Random and zero bytes hold nothing to convert: no CSV is written.
      rows[$i]=0
      [ -e "$out/out.csv" ] && rows[$i]=$(($(wc -l <"$out/out.csv") - 1))
    fi
  done
done

printf '%-20s %8s %12s %12s %10s %6s %7s %8s\n' mode "MB/s" "records/s" "rows/s" "peak RSS" cores "x cat" "x -j 1"
printf '%-20s %8.0f %12s %12s %10s %6s %7s %8s\n' "cat (reference)" "$(awk "BEGIN{print $bytes/1e6/$cat_time}")" - - - - 1.00 -
for i in "${!names[@]}"; do
  size=$(stat -c %s "${inputs[$i]}")
  base=${against[$i]}
  ratio=-
  if [ "$base" -ge 0 ]; then ratio=$(awk "BEGIN{printf \"%.2f\", ${best_time[$base]}/${best_time[$i]}}"); fi
  awk -v n="${names[$i]}" -v b="$size" -v t="${best_time[$i]}" -v r="${rows[$i]}" -v m="${best_rss[$i]}" \
      -v u="${best_cpu[$i]}" -v c="$cat_time" -v bs="$bytes" -v x="$ratio" 'BEGIN{
    printf "%-20s %8.0f %12.0f %12.0f %6.1f MiB %6.2f %7.2f %8s\n", n, b/1e6/t, (b/11)/t, r/t, m/1024, u/t, (b/t)/(bs/c), x}'
done
echo "logs: $drive ($bytes bytes, $records records), $harsh, $small, $noise, $zero; best of $runs rounds; $(nproc) cores"

# The workbook of --xlsx beside the CSV.
BUILD=$build RUNS=$runs "$root/bench/xlsx-bench.sh"
