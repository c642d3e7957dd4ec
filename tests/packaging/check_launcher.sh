#!/bin/sh
# check_launcher.sh LAUNCHER
# Runs the configured launcher next to a stand-in program that reports its
# working folder and arguments, from an unrelated folder and through a link.
set -u
launcher=$1

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestran-launch-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

relative=$(sed -n 's|^cd -- "$bindir/\(.*\)"$|\1|p' "$launcher")
[ -n "$relative" ] || { echo "FAIL: the launcher changes to no data folder"; exit 1; }

# A prefix with a space in it, as a user's home folder might have.
prefix="$scratch/my apps"
mkdir -p "$prefix/bin" "$prefix/bin/$relative/RES" "$scratch/elsewhere"
data=$(cd "$prefix/bin/$relative" && pwd -P)
cp "$launcher" "$prefix/bin/kestran-launch"
cat >"$prefix/bin/kestran" <<STANDIN
#!/bin/sh
touch "$scratch/ran"
pwd -P
for a in "\$@"; do echo "[\$a]"; done
STANDIN
chmod +x "$prefix/bin/kestran-launch" "$prefix/bin/kestran"
ln -s "$prefix/bin/kestran-launch" "$scratch/elsewhere/kestran-launch"

for how in "$prefix/bin/kestran-launch" "$scratch/elsewhere/kestran-launch"; do
    got=$(cd / && "$how" "two words" "" "-x" 2>&1)
    want=$(printf '%s\n[two words]\n[]\n[-x]' "$data")
    [ "$got" = "$want" ] || fail "started as $how: got
$got"
done

# Without its data folder the launcher must stop, not start the program elsewhere.
rm -rf "$prefix/bin/$relative"
rm -f "$scratch/ran"
(cd / && "$prefix/bin/kestran-launch" >/dev/null 2>&1) && fail "succeeded without its data folder"
[ -e "$scratch/ran" ] && fail "started the program without its data folder"

exit $((failures > 0))
