# Shared set-up of the desktop end-to-end tests; sourced, never run. Before
# sourcing, a test sets `server` (the test Dovecot's directory) and
# `e2e_tools` (the programs it needs). Afterwards it runs inside a private
# Xvfb, has a scratch directory `$work` that is removed at exit together with
# every process listed in `pids`, and may use skip, wait_for and fail.

skip() {
    echo "SKIPPED: $*" >&2
    [ -n "${CI:-}" ] && exit 1
    exit 77
}

[ -f "$server/server.env" ] || skip "no test Dovecot ($(cat "$server/unavailable" 2>/dev/null || echo 'not started'))"
for tool in "${e2e_tools[@]}"; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
if [ -z "${OMBRIX_E2E_XVFB:-}" ]; then
    # A private X server of our own, whatever display the caller has. Without
    # -noreset the server resets whenever its last client leaves and drops the
    # connections still being set up: a wait_for polling with xdotool while
    # the tray host is starting would leave it with "cannot open display".
    command -v xvfb-run >/dev/null || skip "xvfb-run is not installed"
    OMBRIX_E2E_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Waits for a condition (a shell command) for at most $2 seconds.
wait_for() {
    local deadline=$((SECONDS + $2))
    until eval "$1"; do
        [ $SECONDS -lt $deadline ] || return 1
        sleep 0.05
    done
}

fail() {
    echo "FAILED: $*" >&2
    [ -f "$work/trayer.log" ] && sed 's/^/trayer: /' "$work/trayer.log" >&2
    [ -f "$work/tray.log" ] && sed 's/^/tray.log: /' "$work/tray.log" >&2
    [ -f "$work/ombrix.log" ] && sed 's/^/ombrix: /' "$work/ombrix.log" >&2
    exit 1
}
