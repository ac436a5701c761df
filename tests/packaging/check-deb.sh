#!/usr/bin/env bash
# Builds the Debian package of the build tree with CPack, lists it, unpacks it into a scratch root
# (dpkg -x) and checks that the programs and their manual pages are there and work, that the
# licence is its copyright file, and that the package's version is the converter's own.
#
# usage: check-deb.sh CPACK BUILD_DIR PROGRAM...
set -euo pipefail
source "$(dirname "$0")/manual-pages.sh"

cpack=$1
build=$2
shift 2
programs=("$@")

for tool in dpkg dpkg-deb man; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed"
        exit 77
    fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.txt" 2>&1 || {
    cat "$scratch/cpack.txt"
    fail "cpack -G DEB failed"
}
debs=("$scratch"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}

echo "== $(basename "$deb"):"
dpkg-deb --field "$deb" Package Version Architecture Section Depends
echo "== its files:"
dpkg-deb --contents "$deb" | awk '{ print $NF }'

[[ $(dpkg-deb --field "$deb" Package) == drovane2csv ]] || fail "the package is not named drovane2csv"
[[ $(dpkg-deb --field "$deb" Depends) == *libc6* ]] || fail "the package depends on no C library"
# Every file lies where a Debian package of programs puts it.
stray=$(dpkg-deb --contents "$deb" | awk '{ print $NF }' | grep -v '/$' |
    grep -vE '^\./usr/(bin/[^/]+|share/man/man1/[^/]+\.1\.gz|share/doc/drovane2csv/.+|lib/python3/dist-packages/drovane/[^/]+)$' || true)
[[ -z $stray ]] || fail "files outside /usr/bin, the manual pages and the package's documents: $stray"

root=$scratch/root
dpkg -x "$deb" "$root"
for program in "${programs[@]}"; do
    [[ -x $root/usr/bin/$program ]] || fail "/usr/bin/$program is not in the package"
    page=$root/usr/share/man/man1/$program.1.gz
    [[ -f $page ]] || fail "the manual page of $program is not in the package"
    check_page "$page" "$program" "$(usage_text "$root/usr/bin/$program")"
done

# The Python module, where Debian's Python finds it, when it was built.
if [[ -f $build/python/drovane/__init__.py ]]; then
    PYTHONPATH=$root/usr/lib/python3/dist-packages /usr/bin/python3 -c 'import drovane; drovane.read_log(b"")' ||
        fail "the package's module drovane does not import"
    echo "ok: the package holds the module drovane in /usr/lib/python3/dist-packages"
fi

# The licence is the package's copyright file.
cmp -s "$root/usr/share/doc/drovane2csv/copyright" "$(dirname "$0")/../../LICENSE" ||
    fail "/usr/share/doc/drovane2csv/copyright is not in the package, or is not the LICENSE file"

# The package's version is the one the converter shows in its banner.
shown=$("$root/usr/bin/drovane2csv" -x 2>&1 | sed -n 's/^version [^ ]* \([0-9.]*\) .*/\1/p' || true)
[[ $(dpkg-deb --field "$deb" Version) == "$shown" ]] ||
    fail "package version $(dpkg-deb --field "$deb" Version), converter version '$shown'"
echo "ok: $(basename "$deb") unpacks into working programs with their manual pages"
