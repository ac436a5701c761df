#!/usr/bin/env bash
# Installs the Debian packages that the project needs and this machine lacks, from one list
# (tools/debian-packages.txt). Both of the README's commands and .ci/run call it first.
#
# usage: tools/setup-debian.sh [GROUP...]   (the groups of the list; default: build)
#
# Then it builds the static workbook library that the groups need, where this checkout lacks it.
# As root it installs what is missing with apt-get; as another user it prints the one line to run
# and stops with status 1; on a system without Debian's package tools it names the packages to
# find and goes on, leaving it to the build to say what it misses.
set -euo pipefail

list="$(dirname "$0")/debian-packages.txt"
groups=("$@")
((${#groups[@]} > 0)) || groups=(build)

wanted=()
for group in "${groups[@]}"; do
    found=$(sed 's/#.*//' "$list" | awk -v group="$group" '$1 == group && NF >= 2 { print $2 }')
    [[ -n $found ]] || { echo "setup-debian: no group '$group' in $list" >&2; exit 2; }
    mapfile -t -O "${#wanted[@]}" wanted <<<"$found"
done

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    echo "setup-debian: this is no Debian system; install the packages that Debian calls" >&2
    echo "  ${wanted[*]}" >&2
    echo "with this system's package manager (or check that their programs are there)." >&2
    exit 0
fi

# Debian ships libxlsxwriter as a shared library only, and linked to it every run of the converter
# starts in twice the time: the workbook's library is built statically from Debian's own source
# package into .deps/ of this checkout, once (tools/build-libxlsxwriter.sh), for this machine with
# the build group and for Windows with the ci group. The build finds it there.
build_static_libraries() {
    local root deps
    root=$(cd "$(dirname "$0")/.." && pwd)
    deps=$root/.deps/libxlsxwriter
    if [[ " ${groups[*]} " == *" build "* && ! -e $deps/$(uname -m)-$(uname -s)/lib/libxlsxwriter.a ]]; then
        "$root/tools/build-libxlsxwriter.sh" "$deps/$(uname -m)-$(uname -s)"
    fi
    if [[ " ${groups[*]} " == *" ci "* && ! -e $deps/x86_64-windows/lib/libxlsxwriter.a ]]; then
        "$root/tools/build-libxlsxwriter.sh" "$deps/x86_64-windows" "$root/cmake/x86_64-w64-mingw32.cmake"
    fi
}

missing=()
for package in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
done
if ((${#missing[@]} == 0)); then
    build_static_libraries
    exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
    echo "setup-debian: missing Debian packages (${groups[*]}): ${missing[*]}" >&2
    echo "run this once, then the same command again:" >&2
    echo "  sudo apt-get install ${missing[*]}" >&2
    exit 1
fi

echo "setup-debian: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
# A fresh machine's package lists may be empty or old: read them once before installing.
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
build_static_libraries
