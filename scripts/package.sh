#!/bin/sh
# Builds a Release tree in build/package and makes the Debian package
# build/package/kestran_<version>_<arch>.deb, installing under /usr.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake -S . -B build/package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKESTRAN_BENCH=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build/package -j"$(nproc)"
cd build/package
rm -f kestran_*.deb
cpack -G DEB
for deb in kestran_*.deb; do
  echo "Package: build/package/$deb"
done
