#!/bin/sh
# With ibus and its Pinyin engine on, the letters typed into the answer box
# go straight in: "ni1" stays "ni1" (through Pinyin it would become 你).
# Real X keys under a private X server and session bus; the box's text is
# read back through the clipboard.
#
#   input_method.sh KESTRAN SOURCE_DIR      (exit 77: no ibus Pinyin engine)
set -eu
if [ "${1:-}" != --inside ]; then
  if ! command -v ibus-daemon >/dev/null || ! [ -e /usr/share/ibus/component/libpinyin.xml ]; then
    echo "SKIPPED: ibus with the libpinyin engine is not installed"
    exit 77
  fi
  exec xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- sh "$0" --inside "$@"
fi
kestran=$2
work=$(mktemp -d /tmp/kestran-ime.XXXXXX)
# The real X server, whatever platform the test run chose for Qt.
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" QT_IM_MODULE=ibus QT_QPA_PLATFORM=xcb
pid=""
finish() {
  status=$?
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  ibus exit >/dev/null 2>&1 || true
  sleep 0.5  # the engine writes its cache as it goes
  rm -rf "$work" 2>/dev/null || true
  exit $status
}
trap finish EXIT

ibus-daemon -dx --panel=disable
for _ in $(seq 1 50); do
  ibus engine libpinyin >/dev/null 2>&1 && [ "$(ibus engine 2>/dev/null)" = libpinyin ] && break
  sleep 0.2
done
if [ "$(ibus engine 2>/dev/null)" != libpinyin ]; then
  echo "FAILED: the Pinyin engine could not be switched on"
  exit 1
fi

cd "$3"
"$kestran" >"$work/kestran.log" 2>&1 &
pid=$!
window=""
# A loaded machine can take a while to start it.
for _ in $(seq 1 150); do
  for w in $(xdotool search --name '^KESTRAN$' 2>/dev/null); do
    xdotool getwindowgeometry "$w" | grep -q 'Geometry: 601x276' && window=$w
  done
  [ -n "$window" ] && break
  sleep 0.2
done
if [ -z "$window" ]; then
  echo "FAILED: no main dialog"
  cat "$work/kestran.log"
  exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 304)) $((Y + 202)) click 1
sleep 0.5
xdotool type --delay 80 ni1
sleep 0.5
xdotool key ctrl+a ctrl+c
sleep 0.5
typed=$(xclip -o -selection clipboard 2>/dev/null || true)
if [ "$typed" != ni1 ]; then
  echo "FAILED: typing ni1 with Pinyin on left \"$typed\" in the answer box"
  exit 1
fi
echo "ni1 typed with ibus Pinyin on reached the answer box as ni1"
