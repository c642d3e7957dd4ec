#!/bin/sh
# Unpacks the Windows zip into an empty folder and starts KESTRAN.exe there
# with nothing beside it but the read-me and licence texts: the main dialog
# must appear, and Esc then OK in the exit question must end the program
# with status 0.
#
#   check_zip_starts.sh ZIP SCRATCH_DIR     (WINEPREFIX, DISPLAY set)
set -eu
mkdir -p "$2"
# Every name that is not plain ASCII is marked as UTF-8 (flag 0x800), so that
# Windows's own unzipping shows the word books' Chinese names.
python3 - "$1" <<'PY'
import sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).infolist()
unmarked = [i.filename for i in names if not i.filename.isascii() and not i.flag_bits & 0x800]
if unmarked or not any(i.filename.endswith("/lists/词库/books.tsv") for i in names):
    sys.exit(f"FAILED: names not marked UTF-8: {unmarked[:5]}, or no lists/词库/books.tsv")
PY
unzip -q "$1" -d "$2"
folder=$(find "$2" -maxdepth 1 -mindepth 1 -type d | head -n 1)
extra=$(find "$folder" -maxdepth 1 -type f ! -name KESTRAN.exe ! -name README.txt ! -name '*-COPYING.txt')
if [ -n "$extra" ]; then
  echo "FAILED: files beside KESTRAN.exe: $extra"
  exit 1
fi
# The word books unpacked: every chapter books.tsv lists, the phonetics and
# ECDICT's licence.
books=$folder/lists/词库
want=$(awk -F'\t' '{n += $3} END {print n}' "$books/books.tsv")
have=$(find "$books" -mindepth 2 -name '*.txt' | wc -l)
if [ "$have" -ne "$want" ] || [ ! -f "$books/phonetics.tsv" ] || [ ! -f "$books/LICENSE-ECDICT.txt" ]; then
  echo "FAILED: the zip's word books: $have of $want chapters, or no phonetics.tsv or LICENSE-ECDICT.txt"
  exit 1
fi
echo "The zip's word books: $have chapters under UTF-8 names"
cd "$folder"
wine KESTRAN.exe >/dev/null 2>&1 &
pid=$!
windows() { xdotool search --name '^KESTRAN$' 2>/dev/null | wc -l; }
for _ in $(seq 1 60); do
  [ "$(windows)" -ge 1 ] && break
  sleep 0.5
done
if [ "$(windows)" -lt 1 ]; then
  kill "$pid" 2>/dev/null || true
  echo "FAILED: the unpacked KESTRAN.exe showed no main dialog within 30 s"
  exit 1
fi
echo "Unpacked KESTRAN.exe started and showed its dialog"

# Esc asks whether to quit (a second window of that caption); OK ends it.
sleep 1
xdotool key Escape
for _ in $(seq 1 20); do
  [ "$(windows)" -ge 2 ] && break
  sleep 0.5
done
xdotool key Return
for _ in $(seq 1 40); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.5
done
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid" 2>/dev/null || true
  echo "FAILED: Esc then OK did not end the program"
  exit 1
fi
status=0
wait "$pid" || status=$?
if [ "$status" -ne 0 ]; then
  echo "FAILED: Esc then OK ended the program with status $status"
  exit 1
fi
echo "Esc then OK ended it with status 0"
