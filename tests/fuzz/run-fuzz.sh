#!/usr/bin/env bash
# Builds the fuzz targets and runs each of them for SECONDS, one after the other.
#
#   tests/fuzz/run-fuzz.sh SECONDS [TARGET...]     (targets: raw_log_fuzzer recipe_fuzzer parallel_fuzzer)
#
# Environment: BUILD_DIR (default build-fuzz), JOBS (default 2), FUZZ_FLAGS (more libFuzzer flags),
# NICE (a nice level, e.g. 19, for long runs on a shared machine).
#
# Each target first replays the committed seeds (corpus/<kind>/; the parallel target starts from the
# recipe seeds) and the kept findings
# (regressions/<kind>/), then fuzzes with a working corpus in BUILD_DIR/fuzz-corpus/<target> that
# grows from run to run. When a drovane-synth binary is built (build*/tools/synth/), a few of its
# drives, clean and damaged, join the raw-log target's working corpus. A finding stops the run with
# a non-zero status and leaves its input in BUILD_DIR/fuzz-artifacts/; keep it in regressions/ once
# fixed. The final lines of each run give the exec count (stat::number_of_executed_units) and the
# coverage (cov: edges, ft: features).
set -euo pipefail

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
  sed -n '2,4p' "$0" >&2
  exit 2
fi
seconds=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$root/build-fuzz}
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(raw_log_fuzzer recipe_fuzzer parallel_fuzzer)
run=()
[[ -n ${NICE:-} ]] && run=(nice -n "$NICE")

if [[ ! -f $build/CMakeCache.txt ]]; then
  CXX=${CXX:-clang++} cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDROVANE_FUZZ=ON -DDROVANE_TESTS=OFF -DDROVANE_TOOLS=OFF >/dev/null
fi
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}" >/dev/null

synth=$(ls "$root"/build*/tools/synth/drovane-synth 2>/dev/null | head -n 1 || true)
mkdir -p "$build/fuzz-artifacts"
for target in "${targets[@]}"; do
  kind=${target%_fuzzer}
  corpus=$build/fuzz-corpus/$target
  mkdir -p "$corpus"
  cp -n "$here/corpus/$kind"/* "$corpus"/ 2>/dev/null || true
  # The parallel target reads recipes as the recipe target does (byte 0 below 128).
  [[ $kind == parallel ]] && { cp -n "$here/corpus/recipe"/* "$corpus"/ 2>/dev/null || true; }
  if [[ $kind == raw_log && -n $synth && ! -e $corpus.synth ]]; then
    # An option byte and a plumbing byte, then the drive.
    for seed in 1 2 3; do
      for damage in 0 0.3; do
        "$synth" --cycles 20 --seed "$seed" --damage "$damage" --force "$build/fuzz-artifacts/drive.bin" >/dev/null
        { printf '\001\005'; cat "$build/fuzz-artifacts/drive.bin"; } >"$corpus/synth-$seed-$damage"
      done
    done
    touch "$corpus.synth"
  fi
  regressions=()
  if compgen -G "$here/regressions/$kind/*" >/dev/null; then regressions=("$here/regressions/$kind"/*); fi
  if [[ ${#regressions[@]} -gt 0 ]]; then
    echo "== $target: replaying ${#regressions[@]} kept findings"
    "$build/tests/fuzz/$target" "${regressions[@]}" >"$build/fuzz-artifacts/$target-replay.log" 2>&1 || {
      tail -n 40 "$build/fuzz-artifacts/$target-replay.log"
      echo "== $target: a kept finding fails again" >&2
      exit 1
    }
  fi
  echo "== $target: fuzzing for $seconds s"
  # shellcheck disable=SC2086
  "${run[@]}" "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 -max_len=8192 -timeout=10 \
    -artifact_prefix="$build/fuzz-artifacts/$target-" ${FUZZ_FLAGS:-} "$corpus" \
    >"$build/fuzz-artifacts/$target.log" 2>&1 || {
    tail -n 40 "$build/fuzz-artifacts/$target.log"
    echo "== $target: FINDING (input and log in $build/fuzz-artifacts/)" >&2
    exit 1
  }
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$build/fuzz-artifacts/$target.log" | tail -n 2 || true
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|slowest_unit_time_sec|peak_rss_mb)' \
    "$build/fuzz-artifacts/$target.log"
done
