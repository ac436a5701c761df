#!/usr/bin/env bash
# Builds libxlsxwriter as a static library from Debian's own source package, for a converter
# linked statically (the workbook of --xlsx): with the library's locale-independent, faster number
# formatting (USE_DTOA_LIBRARY). Debian itself ships only the shared library.
#
# usage: tools/build-libxlsxwriter.sh PREFIX [TOOLCHAIN_FILE]
#   then: cmake -S . -B build -DDROVANE_XLSXWRITER_PREFIX=PREFIX
#
# For this machine it uses the C library's unnamed temporary files and the system's minizip and
# zlib. Given a CMake toolchain file for Windows (cmake/x86_64-w64-mingw32.cmake) it cross-builds
# with MinGW-w64 against Debian's MinGW zlib (libz-mingw-w64-dev): with the minizip that the
# source package holds for Windows, whose reading half and wide-name file functions go into
# PREFIX/lib/libminizip.a beside it (the workbook's mark), and the library's own temporary files in the
# user's temporary folder, removed by the system when closed.
#
# The source package comes through apt-get from the repositories this machine's apt is configured
# with: their deb entries, read from the apt configuration, are used as deb-src entries in a
# private list, so that nothing of the system's own apt state changes.
set -euo pipefail

prefix=${1:?usage: tools/build-libxlsxwriter.sh PREFIX [TOOLCHAIN_FILE]}
toolchain=${2:-}
[[ -z $toolchain ]] || toolchain=$(cd "$(dirname "$toolchain")" && pwd)/$(basename "$toolchain")
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

options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DUSE_DTOA_LIBRARY=ON
         -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DCMAKE_INSTALL_PREFIX="$prefix")
if [[ -z $toolchain ]]; then
    options+=(-DUSE_SYSTEM_MINIZIP=ON -DUSE_STANDARD_TMPFILE=ON)
else
    # Windows' tmpfile() writes into the root folder of the drive, which a user may not write to.
    triplet=$(sed -nE 's/^set\(DROVANE_MINGW_PREFIX[[:space:]]+([^)]+)\)/\1/p' "$toolchain")
    options+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DUSE_SYSTEM_MINIZIP=OFF -DUSE_STANDARD_TMPFILE=OFF
              -DZLIB_LIBRARY="/usr/$triplet/lib/libz.a" -DZLIB_INCLUDE_DIR="/usr/$triplet/include")
fi
cmake -S "$source_dir" -B "$work/build" "${options[@]}" >/dev/null 2>&1
cmake --build "$work/build" -j2 >/dev/null
cmake --install "$work/build" >/dev/null

if [[ -n $toolchain ]]; then
    # The library holds minizip's writing half (zip.c, ioapi.c); the reading half and the
    # functions that open files by their wide names go beside it, with the headers of all.
    minizip=$source_dir/third_party/minizip
    mkdir -p "$prefix/include/minizip" "$work/minizip"
    cp "$minizip/ioapi.h" "$minizip/zip.h" "$minizip/unzip.h" "$minizip/iowin32.h" "$prefix/include/minizip/"
    for part in unzip iowin32; do
        "$triplet-gcc-posix" -O2 -DNOUNCRYPT -I"/usr/$triplet/include" -c "$minizip/$part.c" -o "$work/minizip/$part.o"
    done
    "$triplet-ar" rcs "$prefix/lib/libminizip.a" "$work/minizip/unzip.o" "$work/minizip/iowin32.o"
fi
echo "build-libxlsxwriter: $(basename "$source_dir") in $prefix/lib/libxlsxwriter.a" >&2
