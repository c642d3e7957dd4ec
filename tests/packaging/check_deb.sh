#!/bin/sh
# check_deb.sh BUILD_DIR VERSION PREFIX APP_ID
# Makes the Debian package into a scratch folder and checks its control
# fields and where its files go. Exit 77 (skipped) without the Debian tools.
set -u
build=$1 version=$2 prefix=$3 id=$4
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done

out=$(mktemp -d "${TMPDIR:-/tmp}/kestran-deb-XXXXXX")
trap 'rm -rf "$out"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; echo "FAIL: cpack"; exit 1; }
set -- "$out"/kestran_*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { ls "$out"; echo "FAIL: expected one kestran_*.deb"; exit 1; }
deb=$1
arch=$(dpkg --print-architecture)
[ "${deb##*/}" = "kestran_${version}_${arch}.deb" ] || fail "named ${deb##*/}"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kestran ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = education ] || fail "Section: $(field Section)"
[ "$(field Maintainer)" = "KESTRAN developers <dev@kestran.local>" ] || fail "Maintainer: $(field Maintainer)"
depends=$(field Depends)
# The fonts asked for by name, and the libraries found by dpkg-shlibdeps.
for needed in fonts-noto-cjk fonts-wqy-microhei fonts-dejavu-core qt6-translations-l10n libc6 libqt6widgets6 libqt6gui6 libsdl2-2.0-0 libflite1; do
    echo "$depends" | tr ',' '\n' | grep -q "^ *$needed\( \|$\)" || fail "Depends lacks $needed: $depends"
done
field Description | sed -n 1p | grep -q . || fail "no summary line"

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$out/files"
for path in "$prefix/bin/kestran" "$prefix/bin/kestran-list" "$prefix/bin/kestran-launch" \
            "$prefix/share/kestran/RES/bk.bmp" "$prefix/share/kestran/RES/bk.jpg" "$prefix/share/kestran/RES/41.wav" \
            "$prefix/share/applications/$id.desktop" "$prefix/share/metainfo/$id.metainfo.xml" \
            "$prefix/share/icons/hicolor/128x128/apps/$id.png" \
            "$prefix/share/kestran/lists/词库/books.tsv" "$prefix/share/kestran/lists/词库/phonetics.tsv" \
            "$prefix/share/kestran/lists/词库/LICENSE-ECDICT.txt" "$prefix/share/kestran/lists/词库/四级/四级-001.txt"; do
    grep -qx "$path" "$out/files" || fail "not in the package: $path"
done
# Built but never shipped.
grep -q bmp_from_picture "$out/files" && fail "the build-time converter is in the package"

exit $((failures > 0))
