#!/bin/bash
# Installs what is missing, builds the normal and the ASan+UBSan configurations
# and runs every test in both. Ends with "N passed, N failed, N skipped"; a test
# that cannot run on this machine is skipped, never counted as passed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$root/scripts/install-deps.sh" || { echo "installing packages failed"; exit 1; }

total_pass=0
total_fail=0
total_skip=0
run_config() {  # name, cmake args...
    local name=$1
    shift
    local dir="$root/build-test/$name"
    echo "== $name: configure and build"
    if ! cmake -S "$root" -B "$dir" -G Ninja "$@" >"$dir.configure.log" 2>&1; then
        cat "$dir.configure.log"; total_fail=$((total_fail + 1)); return
    fi
    if ! cmake --build "$dir" -j"$jobs" >"$dir.build.log" 2>&1; then
        tail -50 "$dir.build.log"; total_fail=$((total_fail + 1)); return
    fi
    echo "== $name: test"
    (cd "$dir" && ctest -j"$jobs" --output-on-failure --timeout 600) | tee "$dir.ctest.log" | grep -vE '^ *(Start|[0-9]+/[0-9]+ Test) ' || true
    local summary
    summary=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$dir.ctest.log" | tail -1)
    if [ -z "$summary" ]; then total_fail=$((total_fail + 1)); return; fi
    local failed all skipped
    failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    all=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/')
    # CTest counts a skipped test among the passed ones; its result line says so.
    skipped=$(grep -cE '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*Skipped' "$dir.ctest.log")
    total_pass=$((total_pass + all - failed - skipped))
    total_fail=$((total_fail + failed))
    total_skip=$((total_skip + skipped))
}
# Fatal paths end the process without freeing by design, and out-of-memory must
# reach our own handler rather than the sanitizer's report.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$root/build-test"
run_config release -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_config sanitize -DCMAKE_BUILD_TYPE=Debug -DQULMO_SANITIZE=ON -DQULMO_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
echo "$total_pass passed, $total_fail failed, $total_skip skipped"
[ "$total_fail" -eq 0 ]
