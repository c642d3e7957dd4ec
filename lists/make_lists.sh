#!/bin/sh
# Regenerates the sample word lists from their UTF-8 sources:
#   lists/source/NAME.utf8.txt  ->  lists/NAME.txt (GBK)
# everyday-100 gets CR LF line ends, as a Windows editor saves them; the
# others keep LF. The drill reads both alike.
set -eu
here=$(cd "$(dirname "$0")" && pwd)

convert() {  # name line-ends
    src="$here/source/$1.utf8.txt"
    out="$here/$1.txt"
    if [ "$2" = crlf ]; then
        sed 's/$/\r/' "$src" | iconv -f UTF-8 -t GBK > "$out.tmp"
    else
        iconv -f UTF-8 -t GBK "$src" > "$out.tmp"
    fi
    mv "$out.tmp" "$out"
    echo "wrote $out"
}

convert everyday-100 crlf
convert phrases lf
convert school-100 lf
