#!/bin/bash
# Runs both programs with bad command lines: the message and status 1, nothing else.
set -u
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
runs=0
check() {  # program expected-status expected-stderr args...
    local prog=$1 status=$2 want=$3
    shift 3
    local got home="$work/home$((runs += 1))"
    mkdir "$home"
    got=$(HOME=$home timeout 10 "$build/$prog" "$@" 2>&1 >/dev/null)
    local rc=$?
    if [ "$rc" != "$status" ] || [ "$got" != "$want" ]; then
        echo "FAIL: $prog $*: status $rc, stderr '$got' (want $status, '$want')"
        fail=1
    fi
}
for prog in qulmo-x11 qulmo-wayland; do
    check $prog 1 "ERROR: unknown option '--ui'" --ui x.txt
    check $prog 1 "ERROR: option '-port' missing param" -port
    check $prog 1 "ERROR: option '-volume' missing param" -ui a -volume
done
exit $fail
