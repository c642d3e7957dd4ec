#!/bin/sh
# Fetches a Debian source package's files (.dsc, orig tarball, Debian
# changes) into FOLDER with apt, which checks them against the archive's
# signed index. Adds a deb-src entry for the machine's own Debian archive
# when there is none.
#
#   scripts/fetch-debian-source.sh PACKAGE FOLDER
set -eu
package=$1
out=$2
mkdir -p "$out"
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  # The first Debian archive the machine uses, for its source packages.
  entry=$(python3 - <<'PY'
import glob, re
for path in sorted(glob.glob("/etc/apt/sources.list.d/*.sources")):
    for stanza in open(path).read().split("\n\n"):
        f = dict(re.findall(r"^(\S+):\s*(.*)$", stanza, re.M))
        if f.get("Types", "").split() == ["deb"] and "debian.org/debian" in f.get("URIs", "") \
                and "security" not in f.get("URIs", ""):
            print("Types: deb-src")
            for k in ("URIs", "Suites", "Components", "Signed-By"):
                if k in f:
                    print(f"{k}: {f[k]}")
            raise SystemExit
try:
    for line in open("/etc/apt/sources.list"):
        if line.startswith("deb ") and "security" not in line:
            print("deb-src " + line[4:].strip())
            break
except FileNotFoundError:
    pass
PY
)
  [ -n "$entry" ] || { echo "no Debian archive entry to derive a deb-src entry from" >&2; exit 1; }
  case "$entry" in
    Types:*) echo "$entry" | $SUDO tee /etc/apt/sources.list.d/kestran-deb-src.sources >/dev/null ;;
    *) echo "$entry" | $SUDO tee /etc/apt/sources.list.d/kestran-deb-src.list >/dev/null ;;
  esac
  $SUDO apt-get update -qq
fi
# The Debian patch archive may be missing from a mirror: what was fetched
# is checked by the caller.
(cd "$out" && apt-get source --download-only "$package" >/dev/null 2>&1 || true)
