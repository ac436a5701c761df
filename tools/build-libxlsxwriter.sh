#!/usr/bin/env bash
# Builds libxlsxwriter as a static library from Debian's own source package, for a converter
# linked statically (the workbook of --xlsx): with the library's locale-independent, faster number
# formatting (USE_DTOA_LIBRARY), the C library's unnamed temporary files, and the system's minizip
# and zlib. Debian itself ships only the shared library.
#
# usage: tools/build-libxlsxwriter.sh PREFIX
#   then: cmake -S . -B build -DDROVANE_XLSXWRITER_PREFIX=PREFIX
#
# The source package comes through apt-get from the repositories this machine's apt is configured
# with: their deb entries, read from the apt configuration, are used as deb-src entries in a
# private list, so that nothing of the system's own apt state changes.
set -euo pipefail

prefix=${1:?usage: tools/build-libxlsxwriter.sh PREFIX}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
work=$prefix/source
mkdir -p "$work/parts" "$work/lists/partial"

# The machine's repositories as source repositories: deb822 files (Types: deb) and one-line files
# (deb URI SUITE COMPONENTS).
for file in /etc/apt/sources.list.d/*.sources; do
    [[ -e $file ]] || continue
    sed -E 's/^Types:.*/Types: deb-src/' "$file" >"$work/parts/$(basename "$file")"
done
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -e $file ]] || continue
    sed -nE 's/^deb[[:space:]]/deb-src /p' "$file" >"$work/parts/$(basename "$file")"
done

apt=(apt-get -q -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$work/parts"
     -o "Dir::State::Lists=$work/lists")
"${apt[@]}" update >/dev/null
(cd "$work" && "${apt[@]}" source libxlsxwriter >/dev/null 2>&1)
source_dir=$(find "$work" -maxdepth 1 -type d -name 'libxlsxwriter-*' | sort | tail -1)
[[ -n $source_dir ]] || { echo "build-libxlsxwriter: no source package found" >&2; exit 1; }

cmake -S "$source_dir" -B "$work/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DUSE_SYSTEM_MINIZIP=ON -DUSE_DTOA_LIBRARY=ON -DUSE_STANDARD_TMPFILE=ON \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" >/dev/null
echo "build-libxlsxwriter: $(basename "$source_dir") in $prefix/lib/libxlsxwriter.a" >&2
