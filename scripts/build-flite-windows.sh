#!/bin/sh
# Builds flite, the synthesiser KESTRAN speaks with, as static libraries for
# 32-bit Windows (mingw-w64), from the upstream tarball Debian ships as the
# flite source package's orig tarball. The result is kept in the folder
# given (default build/windows/flite) and reused while the version matches,
# so only the first build pays for it.
#
#   scripts/build-flite-windows.sh [FOLDER]    prints FOLDER/install
#
# Fetching the tarball needs a deb-src entry: scripts/fetch-debian-source.sh
# adds one for the machine's own Debian archive when none exists.
set -eu
cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-build/windows/flite}" && cd "${1:-build/windows/flite}" && pwd)
version=2.2
prefix=$out/install
stamp=$prefix/.built-$version
# Only what the program links: the engine, its English front end and
# lexicon, and the two voices.
parts="include src lang/usenglish lang/cmulex lang/cmu_us_rms lang/cmu_us_awb"
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

tarball=$out/flite_$version.orig.tar.gz
if [ ! -f "$tarball" ]; then
  # The upstream tarball is all that is needed; apt checks it against the index.
  sh scripts/fetch-debian-source.sh flite "$out"
  [ -f "$tarball" ] || { echo "apt-get source did not fetch $tarball" >&2; exit 1; }
  want=$(sed -n '/^Checksums-Sha256:/,/^[^ ]/p' "$out"/flite_$version-*.dsc | awk -v f="flite_$version.orig.tar.gz" '$3 == f {print $1}')
  got=$(sha256sum "$tarball" | cut -d' ' -f1)
  [ -n "$want" ] && [ "$want" = "$got" ] || { echo "checksum mismatch for $tarball" >&2; rm -f "$tarball"; exit 1; }
fi

src=$out/flite-$version
rm -rf "$src" "$prefix"
tar -xzf "$tarball" -C "$out"
cd "$src"
# mingw-w64 has a C99 snprintf; the stand-in this header makes for old
# Microsoft compilers is inline only and would leave the link without it.
sed -i '/^#ifdef _WIN32$/{N;s/^#ifdef _WIN32\n#define snprintf c99_snprintf/#if defined(_WIN32) \&\& !defined(__MINGW32__)\n#define snprintf c99_snprintf/}' include/cst_file.h
grep -q '__MINGW32__' include/cst_file.h || { echo "flite's cst_file.h changed: check its snprintf" >&2; exit 1; }
./configure --build="$(./config.guess)" --host=i686-w64-mingw32 --target=i686-w64-mingw32 \
  --with-audio=none --disable-shared >"$out/configure.log" 2>&1
# configure names an old mingw's tools and asks for -shared: give the
# mingw-w64 ones, for static libraries.
for part in $parts; do
  make -C "$part" -j"$(nproc)" CC=i686-w64-mingw32-gcc AR=i686-w64-mingw32-ar RANLIB=i686-w64-mingw32-ranlib \
    "CFLAGS=-O2 -DCST_NO_SOCKETS -DUNDER_WINDOWS -DWIN32" >>"$out/make.log" 2>&1 ||
    { tail -20 "$out/make.log" >&2; exit 1; }
done
mkdir -p "$prefix/include/flite" "$prefix/lib"
cp include/*.h "$prefix/include/flite/"
cp build/*/lib/libflite.a build/*/lib/libflite_usenglish.a build/*/lib/libflite_cmulex.a \
  build/*/lib/libflite_cmu_us_rms.a build/*/lib/libflite_cmu_us_awb.a "$prefix/lib/"
cp COPYING "$prefix/COPYING"
touch "$stamp"
echo "$prefix"
