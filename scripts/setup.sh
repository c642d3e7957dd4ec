#!/bin/sh
# Installs what building, running and testing KESTRAN needs on Debian 12.
# Packages already present are skipped, so a second run touches nothing.
set -eu

PACKAGES="build-essential cmake pkg-config git
  qt6-base-dev libqt6svg6 libsdl2-dev libxcb1-dev libxcb-shm0-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk fonts-wqy-microhei fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth xdotool x11-utils imagemagick libxtst6 libxdamage1
  ibus ibus-libpinyin dbus xclip
  clang libclang-rt-14-dev
  appstream desktop-file-utils dpkg-dev file gdb python3
  flite flite1-dev pocketsphinx-en-us libpocketsphinx-dev libespeak-ng-dev
  libsqlite3-dev chromium"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
elif command -v sudo >/dev/null 2>&1; then
  SUDO="sudo"
else
  echo "These packages are missing and installing them needs root:$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
