# A test script that cannot run on this machine reports as skipped, never as passed.
# Source this file, then:
#   skip MESSAGE          prints "SKIP: MESSAGE" and exits 77, which CTest counts as
#                         skipped (qulmo_script_test sets SKIP_RETURN_CODE 77).
#   need_tools TOOL...    skips unless every TOOL is on PATH.
# Tools the demo album of scripts/make-demo.sh is made with:
DEMO_TOOLS="sox flac metaflac lame eyeD3 convert python3"

skip() {
    echo "SKIP: $*"
    exit 77
}

need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || skip "$tool not installed"
    done
}
