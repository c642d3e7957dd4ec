#!/bin/sh
# Cross-builds KESTRAN for 32-bit Windows and writes
# build/windows/KESTRAN-<version>-win32.zip: KESTRAN.exe, RES\ with a
# ready-made bk.bmp, the sample lists, the word books (lists\词库) and a
# short read-me; and
# build/windows/KESTRAN-<version>-setup.exe, which installs the same files.
#
#   scripts/build-windows.sh          build and package
#   scripts/build-windows.sh --test   also run the test programs, the import
#                                     check, the unpacked program and the
#                                     setup program under Wine
#
# Installs what it needs (mingw-w64, NSIS; for --test Wine and a virtual X
# server) when missing.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
run_tests=0
[ "${1:-}" = "--test" ] && run_tests=1

missing_of() {
  for p; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || printf ' %s' "$p"
  done
}
install() {
  [ -z "$1" ] && return 0
  echo "Installing:$1"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  # shellcheck disable=SC2086
  $SUDO apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=900 $1
}

# The host build makes bk.bmp with the same converter the Linux package uses.
install "$(missing_of g++-mingw-w64-i686-posix nsis cmake python3 zip unzip qt6-base-dev libsdl2-dev libgtest-dev libgmock-dev flite1-dev dpkg-dev fonts-dejavu-core tcl)"
if [ $run_tests -eq 1 ]; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO dpkg --add-architecture i386
  fi
  # Without the 32-bit GL libraries Direct3DCreate9 returns null under Wine.
  # xwd reads the installed program's window back in the setup check.
  install "$(missing_of wine wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 xvfb xauth xdotool x11-apps locales)"
fi

version=$(sed -n 's/^project(kestran VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=build/windows
cross=$out/cross
host=$out/host
testing=OFF; [ $run_tests -eq 1 ] && testing=ON
jobs=$(nproc)

# The speech synthesiser, built once for Windows and kept in the build folder.
flite=$(sh scripts/build-flite-windows.sh "$out/flite")
# The study record's database, built the same way from Debian's source.
sqlite=$(sh scripts/build-sqlite-windows.sh "$out/sqlite")
cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" -DCMAKE_BUILD_TYPE=Release \
  -DKESTRAN_BENCH=OFF -DBUILD_TESTING=$testing -DFLITE_ROOT="$flite" -DSQLITE_ROOT="$sqlite" >/dev/null
cmake --build "$cross" -j"$jobs"
cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKESTRAN_BENCH=OFF >/dev/null
cmake --build "$host" --target kestran_background_bmp -j"$jobs"

name=KESTRAN-$version-win32
stage=$out/$name
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage/RES" "$stage/lists"
cp "$cross/app/windows/KESTRAN.exe" "$stage/"
i686-w64-mingw32-strip "$stage/KESTRAN.exe"
find RES -maxdepth 1 -type f ! -name bk.bmp ! -name '.*' -exec cp {} "$stage/RES/" \;
cp "$host/packaging/RES/bk.bmp" "$stage/RES/"
cp lists/*.txt "$stage/lists/"
cp -R lists/词库 "$stage/lists/"  # the word books, their phonetics and ECDICT's licence
cp app/windows/README-windows.txt "$stage/README.txt"
cp "$flite/COPYING" "$stage/flite-COPYING.txt"  # its licence asks for the notice
# The phonetic symbols of 显示音标: Windows's own faces differ in which they
# have, so the program brings one, registered for itself alone.
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf "$stage/RES/"
cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/DejaVu-COPYING.txt"
# Names stored as UTF-8 and marked so (flag 0x800), which Windows's own
# unzipping reads whatever the system code page.
(cd "$out" && zip -qr -UN=UTF8 "$name.zip" "$name")
echo "Wrote $out/$name.zip"
setup=$out/KESTRAN-$version-setup.exe
sh packaging/windows/make_setup.sh "$stage" "$version" "$cross/app/windows/kestran.ico" "$setup"
echo "Wrote $setup"

if [ $run_tests -eq 1 ]; then
  # Without shared memory: on a busy machine the software OpenGL's and
  # Wine's shared-memory image puts into this virtual screen now and then
  # fail (BadValue, X_ShmPutImage), and Xlib ends the program under test.
  xvfb-run -a -s "-screen 0 1024x768x24 -extension MIT-SHM" sh tests/win32/run_under_wine.sh "$cross" "$out/$name.zip" "$setup"
fi
