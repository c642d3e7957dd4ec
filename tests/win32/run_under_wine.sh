#!/bin/sh
# Runs the cross-built test programs under Wine, checks what the program
# imports, starts the unpacked program and checks the setup program, in a
# fresh Wine prefix with a Chinese (code page 936) locale. Needs an X server
# (run under xvfb-run).
#
#   run_under_wine.sh CROSS_BUILD_DIR ZIP SETUP_EXE
set -eu
cross=$(cd "$1" && pwd)
zip=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
setup=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
here=$(cd "$(dirname "$0")" && pwd)

scratch=$(mktemp -d /tmp/kestran-wine.XXXXXX)
export WINEPREFIX="$scratch/prefix" WINEARCH=win32 WINEDEBUG=-all
# zh_CN.UTF-8 gives code page 936 inside Wine, en_US.UTF-8 (the
# code page 1252 run) 1252; make either locale if missing. Without it Wine
# falls back to plain ASCII file names and Chinese ones cannot be made.
for loc in zh_CN en_US zh_TW; do
  if ! locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8\$"; then
    localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done
export LANG=zh_CN.UTF-8
finish() {
  wineserver -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap finish EXIT

# One server for the whole run, kept between the test programs instead of
# being started anew for each. It delivers the timer messages, so it runs
# ahead of a busy machine's other work, as the end-to-end program does
# (without the right to raise it, nice says so and runs it as it is).
mkdir -p "$WINEPREFIX"
nice -n -10 wineserver -p
wineboot -i >/dev/null 2>&1
status=0
# One Wine process per test program (each start costs seconds), not per case.
if ! (cd "$cross" && ctest --output-on-failure --timeout 600); then
  # Wine on a busy machine now and then fails a program that passes on the
  # next start. A program that fails again is a failure; one that passes is
  # named, with its first failure left in the log above.
  failed=$(sed 's/^[0-9]*://' "$cross/Testing/Temporary/LastTestsFailed.log" | tr '\n' ' ')
  if (cd "$cross" && ctest --rerun-failed --output-on-failure --timeout 600); then
    echo "Passed only when run again under Wine: $failed"
  else
    status=1
  fi
fi

sh "$here/check_imports.sh" "$cross/app/windows/KESTRAN.exe" || status=1
sh "$here/check_zip_starts.sh" "$zip" "$scratch/unpacked" || status=1
python3 "$here/check_setup.py" "$setup" "$zip" "$cross/app/windows/kestran.ico" || status=1
exit $status
