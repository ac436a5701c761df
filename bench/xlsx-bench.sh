#!/usr/bin/env bash
# The workbook of --xlsx beside the CSV, with the release build linked statically to libxlsxwriter
# built from Debian's source package (tools/build-libxlsxwriter.sh, as tools/setup-debian.sh
# builds it): MB/s of raw log and peak
# memory on the benchmark's two-hour drive, as CSV and as workbook, on one thread and on the
# default threads (best of RUNS rounds); the peak memory of a workbook of a 100 MiB and a 1 GiB
# drive (one run each); and the start-up time of a one-minute log (best and median of 50 runs).
#
#   bench/xlsx-bench.sh        (bench/run-bench.sh runs it at its end)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build-release}
runs=${RUNS:-5}
cache=$root/bench/cache
mkdir -p "$cache"
# The set-up builds the static library into .deps/, where every build of this checkout finds it.
"$root/tools/setup-debian.sh" build
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DDROVANE_BENCH=ON -DDROVANE_TESTS=OFF \
  -DDROVANE_XLSXWRITER_PREFIX= >/dev/null
cmake --build "$build" -j2 --target drovane2csv drovane-synth drovane-measure >/dev/null
converter=$build/drovane2csv
measure=$build/bench/drovane-measure
synth=$build/tools/synth/drovane-synth

drive=$cache/drive-2h.bin
big=$cache/drive-100MiB.bin
huge=$cache/drive-1024MiB.bin
small=$cache/drive-1min.bin
[ -s "$drive" ] || "$synth" --minutes 120 --seed 7 --damage 0.02 --force "$drive" >/dev/null
[ -s "$big" ] || "$synth" --megabytes 100 --seed 7 --damage 0.02 --force "$big" >/dev/null
[ -s "$huge" ] || "$synth" --megabytes 1024 --seed 7 --damage 0.02 --force "$huge" >/dev/null
[ -s "$small" ] || "$synth" --minutes 1 --seed 7 --force "$small" >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

row() {  # name, input, seconds, peak KiB
  awk -v n="$1" -v b="$(stat -c %s "$2")" -v t="$3" -v m="$4" \
    'BEGIN{printf "%-28s %8.1f %9.3f s %8.1f MiB\n", n, b/1e6/t, t, m/1024}'
}

names=("2 h drive, CSV, -j 1" "2 h drive, CSV" "2 h drive, --xlsx, -j 1" "2 h drive, --xlsx")
options=("-j 1" "" "--xlsx -j 1" "--xlsx")
declare -a best_time best_rss
for _ in $(seq "$runs"); do
  for i in "${!names[@]}"; do
    # shellcheck disable=SC2086  # an empty option is no argument
    read -r t rss _ _ < <("$measure" --stderr /dev/null --remove "$out/out" -- \
      "$converter" ${options[$i]} "$drive" "$out/out")
    if [ -z "${best_time[$i]:-}" ] || awk "BEGIN{exit !($t < ${best_time[$i]})}"; then
      best_time[$i]=$t
      best_rss[$i]=$rss
    fi
  done
done
printf '%-28s %8s %11s %12s\n' mode "MB/s" time "peak RSS"
for i in "${!names[@]}"; do row "${names[$i]}" "$drive" "${best_time[$i]}" "${best_rss[$i]}"; done
for log in "$big" "$huge"; do
  read -r t rss _ _ < <("$measure" --stderr /dev/null --remove "$out/out" -- "$converter" --xlsx "$log" "$out/out")
  row "$(basename "$log" .bin), --xlsx" "$log" "$t" "$rss"
done

times=()
for _ in $(seq 50); do
  read -r t _ < <("$measure" --stderr /dev/null --remove "$out/out" -- "$converter" "$small" "$out/out")
  times+=("$t")
done
printf '%s\n' "${times[@]}" | sort -g | awk '{t[NR]=$1} END{printf "start-up, 1-minute log, CSV: best %.2f ms, median %.2f ms\n", t[1]*1000, t[int((NR+1)/2)]*1000}'
echo "logs: $drive, $big, $huge, $small; best of $runs rounds; $(nproc) cores"
