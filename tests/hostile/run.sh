#!/bin/bash
# Every malformed input of make_corpus.py through the real qulmo-x11 (under a private
# X server, sound into a file) or, for URI lists, through the real drop parser. A case
# passes when the program ends within its time with an accepted status and the
# expected line, and nothing crashed, tripped a sanitizer or ran out of memory.
#   run.sh BUILD SRC [CASE-NAME-PATTERN]
BUILD=$1 SRC=$2
only=${3:-}
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/lib/xvfb.sh"
source "$SRC/tests/lib/alsa.sh"
need_tools Xvfb xdpyinfo xdotool python3 flac lame

corpus="$WORK/corpus"
python3 "$SRC/tests/hostile/make_corpus.py" "$corpus" >/dev/null || e2e_fail "corpus generation failed"
alsa_file_setup "$WORK" "$WORK/out.raw"
e2e_font
config="$HOME/.config/qulmo"
xvfb_start || exit 1
E2E_CLEANUP+=(xvfb_stop)

# Sanitizer builds: any single request above 256 MB is refused, so it shows up as our
# out-of-memory message. Other builds: the whole address space is capped instead.
if grep -q '^QULMO_SANITIZE:BOOL=ON' "$BUILD/CMakeCache.txt" 2>/dev/null; then
    export ASAN_OPTIONS=allocator_may_return_null=1:max_allocation_size_mb=256:detect_leaks=0:abort_on_error=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    vlimit=unlimited
    per_run=${HOSTILE_TIMEOUT:-30}
else
    vlimit=$((640 * 1024))  # KiB: the program's own mappings plus 256 MB of room
    per_run=15
fi
BAD='AddressSanitizer|failed to allocate|LeakSanitizer|runtime error:|allocate memory failed|Segmentation fault|Aborted'

failures=0
count=0
report="$WORK/report"
: >"$report"
fail_case() {
    failures=$((failures + 1))
    echo "FAIL $1: $2" >&2
    sed -n '1,40p' "$3" | grep -v '^chunk name' >&2
}

# run_player LOG HOW ARGS...: runs the player in the case directory; prints its status.
run_player() {
    local log=$1 how=$2 pid status w
    shift 2
    (cd "$dir" && ulimit -v "$vlimit" && exec timeout -k 2 "$per_run" "$BUILD/qulmo-x11" "$@") >"$log" 2>&1 &
    pid=$!
    if [ "$how" = quit ]; then
        if e2e_wait_for "$log" '^loading file ' "$per_run" && w=$(e2e_wait_window 'qulmo$' 10); then
            xdotool windowfocus --sync "$w" key q >/dev/null 2>&1
        fi
    fi
    wait "$pid"
    echo $?
}

while IFS=$'\t' read -r name how statuses pattern rest; do
    [ -n "$only" ] && [[ ! "$name" =~ $only ]] && continue
    count=$((count + 1))
    dir="$corpus/$name"
    args=()
    if [ -n "$rest" ]; then
        IFS=$'\t' read -r -a args <<<"$rest"
        args=("${args[@]//@/$dir}")
    fi
    log="$WORK/$name.log"
    if [ "$how" = uri ]; then
        "$BUILD/tests/hostile/hostile_uri_list" "${args[@]}" >"$WORK/$name.out" 2>"$log"
        status=$?
        if grep -Eq "$BAD" "$log" || [ "$status" -ne 0 ]; then
            fail_case "$name" "status $status" "$log"
        elif ! cmp -s "$WORK/$name.out" "$dir/want"; then
            fail_case "$name" "paths differ: $(od -c "$WORK/$name.out" | head -3)" "$log"
        else
            echo "$name: $(wc -l <"$WORK/$name.out") paths" >>"$report"
        fi
        continue
    fi
    added=()
    if [ -d "$dir/config" ]; then
        for f in "$dir"/config/*; do
            cp "$f" "$config/" && added+=("$config/${f##*/}")
        done
    fi
    status=$(run_player "$log" "$how" "${args[@]}")
    for f in "${added[@]}"; do rm -f "$f"; done
    if [ "$status" -ge 124 ]; then
        fail_case "$name" "no end within $per_run s (status $status)" "$log"
    elif grep -Eq "$BAD" "$log"; then
        fail_case "$name" "status $status: $(grep -Em1 "$BAD" "$log")" "$log"
    elif [[ "|$statuses|" != *"|$status|"* ]]; then
        fail_case "$name" "status $status, wanted $statuses" "$log"
    elif [ "$pattern" != - ] && ! grep -Eq -- "$pattern" "$log"; then
        fail_case "$name" "no line matching '$pattern'" "$log"
    else
        # The last diagnostic says how the run ended; keep it for the summary.
        last=$(grep -E '^(ERROR|WARNING)|FATAL ERROR|WARNING:' "$log" | tail -n1)
        echo "$name: status $status${last:+, $last}" >>"$report"
    fi
done <"$corpus/cases.tsv"

[ -n "${HOSTILE_REPORT:-}" ] && cat "$report"
[ "$count" -gt 0 ] || e2e_fail "no case ran"
if [ "$failures" -ne 0 ]; then
    echo "$failures of $count hostile inputs failed" >&2
    exit 1
fi
echo "$count hostile inputs handled"
