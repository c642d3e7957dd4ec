#!/bin/sh
# Builds KESTRAN and starts it. Sets up a fresh Debian 12 machine first.
set -eu
cd "$(dirname "$0")"
./scripts/setup.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DKESTRAN_BENCH=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target kestran kestran-list
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "KESTRAN is built (build/release/kestran), but this terminal has no display to show it on."
  echo "Open a terminal inside your desktop session (or log in with ssh -X) and run ./run.sh again."
  exit 0
fi
# The program reads its pictures and sound from RES in its working directory.
exec build/release/kestran
