#!/bin/sh
# check_launcher.sh LAUNCHER
# Runs the configured launcher next to a stand-in program that reports its
# working folder and arguments, from an unrelated folder and through a link:
# the program starts in the home folder, with the arguments as given.
set -u
launcher=$1

scratch=$(mktemp -d "${TMPDIR:-/tmp}/kestran-launch-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# A prefix and a home with spaces in them, as a user's folders might have.
prefix="$scratch/my apps"
home="$scratch/the home"
mkdir -p "$prefix/bin" "$home" "$scratch/elsewhere"
home_real=$(cd "$home" && pwd -P)
cp "$launcher" "$prefix/bin/kestran-launch"
cat >"$prefix/bin/kestran" <<STANDIN
#!/bin/sh
pwd -P
for a in "\$@"; do echo "[\$a]"; done
STANDIN
chmod +x "$prefix/bin/kestran-launch" "$prefix/bin/kestran"
ln -s "$prefix/bin/kestran-launch" "$scratch/elsewhere/kestran-launch"

for how in "$prefix/bin/kestran-launch" "$scratch/elsewhere/kestran-launch"; do
    got=$(cd / && HOME=$home "$how" "two words" "" "-x" 2>&1)
    want=$(printf '%s\n[two words]\n[]\n[-x]' "$home_real")
    [ "$got" = "$want" ] || fail "started as $how: got
$got"
done

# Without a usable home the program starts where it was started.
elsewhere=$(cd "$scratch/elsewhere" && pwd -P)
for home_value in "" "$scratch/no such folder"; do
    got=$(cd "$scratch/elsewhere" && HOME=$home_value "$prefix/bin/kestran-launch" 2>&1)
    [ "$got" = "$elsewhere" ] || fail "with HOME='$home_value': got $got"
done

exit $((failures > 0))
