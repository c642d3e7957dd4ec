#!/bin/sh
# check_install.sh BUILD_DIR SOURCE_DIR PREFIX APP_ID
# Installs the build into a scratch DESTDIR and checks what lands where: the
# files, the desktop entry and metainfo (validated), and that the entry's
# command points at what was installed.
set -u
build=$1 source=$2 prefix=$3 id=$4

stage=$(mktemp -d "${TMPDIR:-/tmp}/kestran-install-XXXXXX")
trap 'rm -rf "$stage"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$stage cmake --install "$build" >"$stage.log" 2>&1 || { cat "$stage.log"; rm -f "$stage.log"; echo "FAIL: install"; exit 1; }
rm -f "$stage.log"
root=$stage$prefix
data=$root/share/kestran

# Each expected file, and its source when the install must copy it unchanged.
expected=$stage.expected
: >"$expected"
expect() {  # path-under-root [source]
    echo "$root/$1" >>"$expected"
    [ -f "$root/$1" ] || { fail "missing $1"; return; }
    if [ $# -gt 1 ] && ! cmp -s "$2" "$root/$1"; then fail "$1 differs from $2"; fi
}
for program in kestran kestran-list kestran-launch; do
    expect "bin/$program"
    [ -x "$root/bin/$program" ] || fail "bin/$program is not executable"
done
for asset in "$source"/RES/*; do
    name=${asset##*/}
    [ "$name" = bk.bmp ] && continue  # a local run's copy; the built one ships
    expect "share/kestran/RES/$name" "$asset"
done
expect share/kestran/RES/bk.bmp "$build/packaging/RES/bk.bmp"
for list in "$source"/lists/*.txt; do
    expect "share/kestran/lists/${list##*/}" "$list"
done
# The word books, every file under its UTF-8 name.
(cd "$source/lists" && find 词库 -type f) >"$stage.books"
[ -s "$stage.books" ] || fail "no word books in the source tree"
while read -r file; do
    expect "share/kestran/lists/$file" "$source/lists/$file"
done <"$stage.books"
rm -f "$stage.books"
expect "share/icons/hicolor/128x128/apps/$id.png" "$source/packaging/kestran.png"
expect "share/applications/$id.desktop"
expect "share/metainfo/$id.metainfo.xml"
# The program's licence, then that of the word books' data.
expect share/doc/kestran/copyright "$build/packaging/copyright"
copyright=$root/share/doc/kestran/copyright
head -c "$(wc -c <"$source/LICENSE")" "$copyright" | cmp -s - "$source/LICENSE" || fail "copyright does not start with LICENSE"
grep -q "Copyright (c) 2017 Linwei" "$copyright" || fail "copyright lacks ECDICT's licence"
expect share/doc/kestran/changelog.gz
gzip -t "$root/share/doc/kestran/changelog.gz" 2>/dev/null || fail "changelog.gz is not gzip"
expect share/lintian/overrides/kestran "$source/packaging/lintian-overrides"

# Nothing else: no .gitignore, list sources or scripts swept in.
find "$stage" -type f | sort >"$stage.found"
sort "$expected" | diff - "$stage.found" | sed -n 's/^> /FAIL: unexpected /p' | tee "$stage.extra"
[ -s "$stage.extra" ] && failures=$((failures + 1))
rm -f "$expected" "$stage.found" "$stage.extra"

desktop=$root/share/applications/$id.desktop
metainfo=$root/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" || fail "desktop-file-validate"
# The tree check also finds the desktop entry the metainfo launches.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree"

key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Exec)" = "$prefix/bin/kestran-launch" ] || fail "Exec is '$(key Exec)', not $prefix/bin/kestran-launch"
# No fixed working folder: the launcher starts the program in the home folder.
grep -q '^Path=' "$desktop" && fail "the desktop entry sets Path=$(key Path)"
[ "$(key Icon)" = "$id" ] || fail "Icon is '$(key Icon)', not $id"
# The hicolor size folder must hold an icon of that size (PNG IHDR width, height).
size=$(od -An -tu1 -j16 -N8 "$root/share/icons/hicolor/128x128/apps/$id.png" | tr -s ' ' | sed 's/^ //')
[ "$size" = "0 0 0 128 0 0 0 128" ] || fail "the icon is not 128x128: $size"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "metainfo launches something else"
[ -d "$data/RES" ] || fail "no RES under $prefix/share/kestran"

exit $((failures > 0))
