#!/usr/bin/env bash
# Runs the examples of the README's section "Python and clusters" exactly as written there: every
# fenced ```python block with Debian's /usr/bin/python3, every ```sh block with bash (where
# python3 is Debian's too), in a scratch folder that holds trip.bin, a synthesized drive with some
# damage, with the module drovane of the build on PYTHONPATH. Exits with 77 (a skip) when a
# Python module an example needs is missing.
#
# usage: readme-python.sh SYNTH PYTHON_PACKAGE_DIR
set -euo pipefail

synth=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
python=/usr/bin/python3
export PYTHONPATH=$2 PYTHONDONTWRITEBYTECODE=1

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin" "$scratch/blocks"
ln -s "$python" "$scratch/bin/python3"
export PATH="$scratch/bin:$PATH"

awk -v out="$scratch/blocks" '
    /^## / { inside = ($0 == "## Python and clusters"); next }
    !inside { next }
    /^```(python|sh)$/ { count++; file = sprintf("%s/%02d.%s", out, count, substr($0, 4)); next }
    /^```$/ { file = ""; next }
    file != "" { print > file }
' "$readme"
blocks=("$scratch/blocks"/*)
[[ ${#blocks[@]} -ge 4 ]] || fail "the README's section Python and clusters has ${#blocks[@]} examples, expected 4"

cd "$scratch"
"$synth" --minutes 6 --seed 1 --damage 0.02 trip.bin >/dev/null
for module in drovane pandas matplotlib distributed; do
    "$python" -c "import $module" 2>/dev/null || { echo "SKIP: the Python module $module is not installed"; exit 77; }
done
for block in "${blocks[@]}"; do
    name=$(basename "$block")
    case $name in
    *.python) run=("$python" "$block") ;;
    *.sh) run=(bash -e "$block") ;;
    esac
    "${run[@]}" >"$name.out" 2>"$name.err" </dev/null || { cat "$name.err" >&2; fail "the example $name failed"; }
    echo "== $name:"
    cat "$name.out"
done

# What the examples show agrees with the drive.
grep -q "^status 0, [1-9][0-9]* warnings$" ./*.python.out || fail "the frame's example shows no status and warnings"
[[ $(head -c 8 trip-from-python.png | od -An -c | tr -d ' ') == '211PNG\r\n032\n' ]] || fail "the plot is no PNG picture"
grep -qE "^ *trip.bin +0 +[1-9][0-9]+ " ./*.python.out || fail "the fleet table has no row for trip.bin"
grep -qE "^ *missing.bin +255 +0 " ./*.python.out || fail "the fleet table's missing.bin has not status 255"
grep -qx "path,status,message,rows" ./*.sh.out || fail "fleet.csv has not the table's headings"
grep -q "^logs/empty.bin,1,\*\*\* ERROR: unable to read file,0$" ./*.sh.out || fail "fleet.csv has no row for the empty log"
echo "ok: the README's Python examples ran"
