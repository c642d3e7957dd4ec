#!/bin/sh
# Makes the Windows setup program from a staged folder (the unpacked zip's
# contents): every file of STAGE is installed, and the uninstaller removes
# exactly those files by name, so whatever the learner adds stays.
#
#   make_setup.sh STAGE VERSION ICON OUTFILE     (VERSION as a.b.c.d)
set -eu
stage=$(cd "$1" && pwd)
version=$2
icon=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
outfile=$(cd "$(dirname "$4")" && pwd)/$(basename "$4")
here=$(cd "$(dirname "$0")" && pwd)
lists=$(mktemp -d /tmp/kestran-setup.XXXXXX)
trap 'rm -rf "$lists"' EXIT

# Not echo: dash's echo reads the backslashes of Windows paths as escapes.
line() { printf '%s\n' "$1"; }
windows_path() { printf '%s' "$1" | sed 's|^\./||; s|/|\\|g'; }

# Folders parents first to install, deepest first to remove.
(cd "$stage" && find . -mindepth 1 -type d | sort) > "$lists/dirs"
{
  line '!macro InstallStagedFiles'
  line '  SetOutPath "$INSTDIR"'
  (cd "$stage" && find . -maxdepth 1 -type f | sort) | while read -r f; do
    line "  File \"$stage/${f#./}\""
  done
  while read -r d; do
    line "  SetOutPath \"\$INSTDIR\\$(windows_path "$d")\""
    (cd "$stage" && find "$d" -maxdepth 1 -type f | sort) | while read -r f; do
      line "  File \"$stage/${f#./}\""
    done
  done < "$lists/dirs"
  line '!macroend'
  line '!macro RemoveStagedFiles'
  (cd "$stage" && find . -type f | sort) | while read -r f; do
    line "  Delete \"\$INSTDIR\\$(windows_path "$f")\""
  done
  sort -r "$lists/dirs" | while read -r d; do
    line "  RMDir \"\$INSTDIR\\$(windows_path "$d")\""
  done
  line '!macroend'
} > "$lists/staged_files.nsh"

makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DICON="$icon" -DOUTFILE="$outfile" \
  -DSTAGED_FILES="$lists/staged_files.nsh" "$here/kestran.nsi"
