#!/usr/bin/env bash
# Installs the build into a scratch prefix as a user would (cmake --install) and checks that each
# program is there and works, that its manual page is there, is found by `man 1 NAME` and renders
# without a warning, and that the licence is there.
#
# usage: check-install.sh CMAKE BUILD_DIR PROGRAM...
set -euo pipefail
source "$(dirname "$0")/manual-pages.sh"

cmake=$1
build=$2
shift 2
programs=("$@")

if ! command -v man >/dev/null 2>&1; then
    echo "SKIP: man (Debian package man-db) is not installed"
    exit 77
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.txt" || {
    cat "$scratch/install.txt"
    fail "cmake --install failed"
}
echo "== installed into the prefix:"
(cd "$prefix" && find . -type f | sort)

# The licence, where Debian keeps a package's copyright.
licence=$(cd "$(dirname "$0")/../.." && pwd)/LICENSE
cmp -s "$prefix/share/doc/drovane2csv/copyright" "$licence" ||
    fail "share/doc/drovane2csv/copyright is not the LICENSE file"
grep -q '^Copyright (c) 2026 the drovane2csv developers$' "$prefix/share/doc/drovane2csv/copyright" ||
    fail "the copyright file does not name the drovane2csv developers"
echo "ok: the licence is installed as share/doc/drovane2csv/copyright"

# The Python module, where Debian's Python looks under a prefix other than /usr, when it was built.
if [[ -f $build/python/drovane/__init__.py ]]; then
    site=$(/usr/bin/python3 -c 'import sys; print(f"lib/python{sys.version_info[0]}.{sys.version_info[1]}/dist-packages")')
    PYTHONPATH=$prefix/$site /usr/bin/python3 -c 'import drovane; drovane.read_log(b"")' ||
        fail "the module drovane is not installed in $site"
    echo "ok: the module drovane is installed in $site"
fi

for program in "${programs[@]}"; do
    [[ -x $prefix/bin/$program ]] || fail "bin/$program is not installed"
    page=$(MANPATH=$prefix/share/man man -w 1 "$program") || fail "man 1 $program finds no page"
    [[ $page == "$prefix"/share/man/man1/"$program".1* ]] || fail "man 1 $program finds $page"
    check_page "$page" "$program" "$(usage_text "$prefix/bin/$program")"
done

# The installed programs work together: a drive made, converted and drawn.
cd "$scratch"
if [[ -x $prefix/bin/drovane-synth ]]; then
    "$prefix/bin/drovane-synth" --minutes 0.5 trip.bin >/dev/null
    "$prefix/bin/drovane2csv" trip.bin 2>/dev/null || fail "the installed drovane2csv did not convert"
    [[ $(head -c 7 trip.csv) == '"Time",' ]] || fail "trip.csv does not begin with the heading row"
    if [[ -x $prefix/bin/drovane-plot ]]; then
        "$prefix/bin/drovane-plot" trip.csv >/dev/null || fail "the installed drovane-plot did not draw"
        grep -q '<svg' trip.svg || fail "trip.svg holds no picture"
    fi
    echo "ok: the installed programs made, converted and drew a drive"
fi
