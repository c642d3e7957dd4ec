#!/bin/sh
# Unpacks the Windows zip into an empty folder and starts KESTRAN.exe there
# with nothing else beside it: the main dialog must appear.
#
#   check_zip_starts.sh ZIP SCRATCH_DIR     (WINEPREFIX, DISPLAY set)
set -eu
mkdir -p "$2"
unzip -q "$1" -d "$2"
folder=$(find "$2" -maxdepth 1 -mindepth 1 -type d | head -n 1)
extra=$(find "$folder" -maxdepth 1 -type f ! -name KESTRAN.exe ! -name README.txt)
if [ -n "$extra" ]; then
  echo "FAILED: files beside KESTRAN.exe: $extra"
  exit 1
fi
cd "$folder"
wine KESTRAN.exe >/dev/null 2>&1 &
pid=$!
found=""
for _ in $(seq 1 60); do
  found=$(xdotool search --name '^KESTRAN$' 2>/dev/null | head -n 1) || true
  [ -n "$found" ] && break
  sleep 0.5
done
kill "$pid" 2>/dev/null || true
wineserver -k 2>/dev/null || true
if [ -z "$found" ]; then
  echo "FAILED: the unpacked KESTRAN.exe showed no main dialog within 30 s"
  exit 1
fi
echo "Unpacked KESTRAN.exe started and showed its dialog"
