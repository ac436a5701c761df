#!/usr/bin/env bash
# Runs the recipes of the README's section "Reading the CSV" exactly as written there: every
# fenced ```python block with Debian's /usr/bin/python3, every ```sh block with bash, in a scratch
# folder that holds trip.bin (a synthesized drive with some damage) and trip.csv (its conversion),
# with the converter first on PATH. PART is "plain" for the recipes without --hold, "hold" for
# those under the heading that names --hold. Exits with 77 (a skip) when a tool a recipe needs is
# missing, or when the converter under test rejects --hold.
#
# usage: readme-recipes.sh CONVERTER SYNTH PART
set -euo pipefail

converter=$1
synth=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
part=$3
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
python=/usr/bin/python3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
skip() {
    echo "SKIP: $*"
    exit 77
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export PATH="$(cd "$(dirname "$converter")" && pwd):$PATH"

# The blocks of the section, each in a file of its own: NN-HEADING.python or NN-HEADING.sh, where
# HEADING is "hold" for a block under a heading that names --hold, "plain" otherwise.
mkdir "$scratch/blocks"
awk -v out="$scratch/blocks" '
    /^## / { inside = ($0 == "## Reading the CSV"); next }
    !inside { next }
    /^### / { kind = index($0, "--hold") ? "hold" : "plain"; next }
    /^```(python|sh)$/ { count++; file = sprintf("%s/%02d-%s.%s", out, count, kind, substr($0, 4)); next }
    /^```$/ { file = ""; next }
    file != "" { print > file }
' "$readme"
blocks=("$scratch/blocks"/*-"$part".*)
[[ -f ${blocks[0]} ]] || fail "no recipes for '$part' in the README's section Reading the CSV"

cd "$scratch"
"$synth" --minutes 6 --seed 1 --damage 0.02 trip.bin >/dev/null
drovane2csv trip.bin 2>/dev/null </dev/null
rows=$(($(wc -l <trip.csv) - 1))
[[ $rows -gt 1000 ]] || fail "trip.csv has only $rows rows"

if [[ $part == hold ]] && ! drovane2csv --hold trip.bin probe.csv >/dev/null 2>&1 </dev/null; then
    skip "the converter under test rejects --hold"
fi
rm -f probe.csv

for block in "${blocks[@]}"; do
    name=$(basename "$block")
    case $name in
    *.python)
        [[ -x $python ]] || skip "$python is not installed"
        for module in $(grep -oE '^import [a-z]+' "$block" | cut -d' ' -f2); do
            "$python" -c "import $module" 2>/dev/null || skip "the Python module $module is not installed (Debian: python3-$module)"
        done
        run=("$python" "$block")
        ;;
    *.sh)
        for tool in $(grep -oE '^[a-z0-9]+' "$block" | sort -u); do
            command -v "$tool" >/dev/null || skip "$tool is not installed"
        done
        run=(bash -e "$block")
        ;;
    esac
    "${run[@]}" >"$name.out" 2>"$name.err" </dev/null || {
        cat "$name.err" >&2
        fail "the recipe $name failed"
    }
    echo "== $name:"
    cat "$name.out"
    # The converter's banner and warnings go to standard error; Python's complaints must not.
    [[ $name != *.python || ! -s $name.err ]] || fail "the recipe $name wrote on standard error: $(cat "$name.err")"
done

# What the recipes tell agrees with the CSV.
if [[ $part == plain ]]; then
    grep -qx "$rows rows, top speed [0-9.]* km/h, EV mode reported in [1-9][0-9]* rows" ./*-plain.python.out ||
        fail "the csv module recipe does not count $rows rows"
    grep -qx "$rows|[0-9.]*|[0-9.]*" ./*-plain.sh.out || fail "the sqlite3 recipe does not count $rows rows"
    grep -qx "EV|[1-9][0-9]*" ./*-plain.sh.out || fail "the sqlite3 recipe does not count the rows in EV mode"
    grep -qx "$rows rows, median economy [0-9.]* km/L, [1-9][0-9]* rows moving without fuel" ./*-plain.python.out ||
        fail "the pandas recipe does not count $rows rows"
else
    [[ -s trip-held.csv && -s trip.png ]] || fail "the --hold recipe made no trip-held.csv and trip.png"
    [[ $(head -c 8 trip.png | od -An -c | tr -d ' ') == '211PNG\r\n032\n' ]] || fail "trip.png is no PNG picture"
fi
echo "ok: the README's recipes ($part) ran on $rows rows"
