#!/bin/sh
# Builds SQLite, the study record's database, as a static library for
# 32-bit Windows (mingw-w64) from Debian's sqlite3 source package: the
# upstream release with Debian's patches, turned into the single-file
# amalgamation by its own build (which needs tclsh) and compiled once. The
# result is kept in the folder given (default build/windows/sqlite) and
# reused while the version matches.
#
#   scripts/build-sqlite-windows.sh [FOLDER]    prints FOLDER/install
set -eu
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-build/windows/sqlite}" && cd "${1:-build/windows/sqlite}" && pwd)
version=3.40.1
prefix=$out/install
stamp=$prefix/.built-$version
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

ls "$out"/sqlite3_$version-*.dsc >/dev/null 2>&1 || sh scripts/fetch-debian-source.sh sqlite3 "$out"
dsc=$(ls "$out"/sqlite3_$version-*.dsc 2>/dev/null | head -1)
[ -n "$dsc" ] || { echo "apt-get source did not fetch sqlite3 $version" >&2; exit 1; }
src=$out/sqlite3-$version
rm -rf "$src" "$prefix"
# dpkg-source checks every file against the .dsc and applies Debian's patches.
(cd "$out" && dpkg-source -x "$dsc" "$src" >"$out/extract.log" 2>&1) ||
  { cat "$out/extract.log" >&2; exit 1; }
mkdir -p "$out/amalgamation"
(cd "$out/amalgamation" && "$src/configure" --disable-tcl >"$out/configure.log" 2>&1 &&
  make sqlite3.c >"$out/make.log" 2>&1) || { tail -20 "$out/make.log" >&2; exit 1; }
mkdir -p "$prefix/include" "$prefix/lib"
# Threads for the record's own writer; no loadable extensions; WAL syncs at
# checkpoints (NORMAL) unless the program asks for more.
i686-w64-mingw32-gcc -O2 -c "$out/amalgamation/sqlite3.c" -o "$out/sqlite3.o" \
  -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_DEFAULT_WAL_SYNCHRONOUS=1 -DSQLITE_WIN32_MALLOC
i686-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$out/sqlite3.o"
cp "$out/amalgamation/sqlite3.h" "$prefix/include/"
cp "$src/debian/copyright" "$prefix/copyright"
touch "$stamp"
echo "$prefix"
