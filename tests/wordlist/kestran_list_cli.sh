#!/bin/sh
# kestran-list as a process: output that cannot be written fails, and a large
# list is held once, with a clear message when memory cannot hold it.
# Usage: kestran_list_cli.sh KESTRAN_LIST [SANITIZERS]
# (With sanitizers the memory checks are skipped: they reserve address space.)
set -u
tool=$1
sanitizers=${2:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

printf 'apple \306\273\271\373\n' >"$dir/fruit.txt"
for mode in --check --json; do
    [ "$mode" = --check ] && set -- "$dir/fruit.txt" || set -- --json "$dir/fruit.txt"
    "$tool" "$@" >/dev/full 2>"$dir/err"
    status=$?
    [ "$status" -eq 1 ] || fail "$mode into /dev/full exits $status"
    grep -q "^kestran-list: cannot write the output: No space left on device" "$dir/err" ||
        fail "$mode into /dev/full says: $(cat "$dir/err")"
done

if [ -z "$sanitizers" ]; then
    # 100 MB of text without Chinese, then one entry.
    yes 'the quick brown fox jumps over the lazy dog again and again' | head -c 100000000 >"$dir/big.txt"
    cat "$dir/fruit.txt" >>"$dir/big.txt"
    # Room for the file once and 40 MB more: two copies would not fit.
    (ulimit -v 140000 && "$tool" "$dir/big.txt" >"$dir/out" 2>"$dir/err")
    status=$?
    [ "$status" -eq 0 ] || fail "100 MB list under 140 MB of address space exits $status: $(cat "$dir/err")"
    head -n 1 "$dir/out" | grep -q ": 1 entry, read as GBK$" || fail "100 MB list: $(head -n 1 "$dir/out")"
    # No room for the file: a message, not an abort.
    for mode in --check --json; do
        [ "$mode" = --check ] && set -- "$dir/big.txt" || set -- --json "$dir/big.txt"
        (ulimit -v 60000 && "$tool" "$@" >"$dir/out" 2>"$dir/err")
        status=$?
        [ "$status" -eq 1 ] || fail "$mode of 100 MB under 60 MB exits $status"
        grep -q "^kestran-list: .*big.txt: not enough memory to check this list$" "$dir/err" ||
            fail "$mode of 100 MB under 60 MB says: $(cat "$dir/err")"
    done
else
    echo "memory checks skipped under sanitizers ($sanitizers)"
fi

[ "$failed" -eq 0 ] && echo "kestran-list command checks passed"
exit "$failed"
