#!/usr/bin/env bash
# The desktop program on a Wayland desktop, end to end: Weston's headless
# compositor (no X server at all), a private session bus with a notification
# server that speaks body-markup and a tray watcher that comes up only after
# the program, and the test Dovecot. The program must check, announce the
# mail by its subject (escaped), register its tray item with the late
# watcher, take `ombrix --check` from the command line, mark the mails read
# from the notification's action, and withdraw the notification when the
# mails are gone. Run once per language (argument de or en).
#
# Exit 77 marks the test skipped.
set -euo pipefail

lang=${1:-en}

# Debian 12's Qt 6.4 Wayland client has a race between its event thread and
# the window thread over a surface's frame callback (fixed upstream in later
# Qt): now and then it aborts in libwayland's wl_proxy_unref while a window
# repaints. A run that ends in exactly that abort is run once more, and says
# so; any other failure, or that abort twice, fails the test.
qt_race=75
if [ -z "${OMBRIX_WAYLAND_RUN:-}" ]; then
    status=0
    OMBRIX_WAYLAND_RUN=1 "$0" "$@" || status=$?
    if [ "$status" -eq "$qt_race" ]; then
        echo "wayland e2e ($lang): Qt's Wayland client aborted (wl_proxy_unref); once more" >&2
        status=0
        OMBRIX_WAYLAND_RUN=2 "$0" "$@" || status=$?
        [ "$status" -eq "$qt_race" ] && status=1
    fi
    exit "$status"
fi
ombrix=${OMBRIX_EXECUTABLE:?}
server=${OMBRIX_DOVECOT_DIR:?}
source_dir=${OMBRIX_SOURCE_DIR:?}
here=$(cd "$(dirname "$0")" && pwd)
user=rupert
password=rupert-pw

e2e_tools=(weston dbus-daemon /usr/bin/python3)
OMBRIX_E2E_XVFB=none # no X server: Wayland only
# shellcheck source=e2e_common.sh
. "$here/e2e_common.sh"
eval "common_$(declare -f fail)"
fail() {
    if grep -q "wl_proxy_unref: Assertion" "$work/ombrix.log" 2>/dev/null; then
        echo "FAILED (Qt's Wayland client race): $*" >&2
        exit "$qt_race"
    fi
    common_fail "$@"
}
unset DISPLAY
/usr/bin/python3 -c 'from gi.repository import Gio' 2>/dev/null || skip "python3-gi is missing"

# shellcheck disable=SC1091
. "$server/server.env"
mkdir -p "$work/dir" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export OMBRIX_TRAY_LOG="$work/tray.log" SSL_CERT_FILE="$CA_FILE"
services_log="$work/services.log"

weston --backend=headless-backend.so --socket=wl-test --width=1280 --height=800 \
    --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
wait_for '[ -S "$XDG_RUNTIME_DIR/wl-test" ]' 10 || fail "weston did not come up"
export WAYLAND_DISPLAY=wl-test QT_QPA_PLATFORM=wayland

# A bus that starts no service on demand (never the machine's keyring).
read -r DBUS_SESSION_BUS_ADDRESS bus_pid < <(dbus-daemon --fork \
    --config-file="$source_dir/tests/support/session-bus.conf" \
    --print-address=1 --print-pid=1 | paste -s -d ' ')
export DBUS_SESSION_BUS_ADDRESS
pids+=("$bus_pid")

mkfifo "$work/commands"
/usr/bin/python3 "$here/fake_desktop_services.py" "$services_log" <"$work/commands" &
pids+=($!)
exec 3>"$work/commands" # held open: the services live until the test ends
wait_for 'grep -q "^ready" "$services_log" 2>/dev/null' 10 || fail "the fake services did not start"
services() { echo "$*" >&3; }

# A mail whose sender and subject need escaping in a body with markup.
deliver() {
    /usr/bin/python3 - "$HOST" "$IMAP_PORT" "$user" "$password" "$1" <<'PY'
import imaplib, sys, time
host, port, user, password, subject = sys.argv[1:]
mail = ("From: Tom & Jerry <tj@example.org>\r\nTo: %s@example.org\r\n"
        "Subject: %s\r\nMessage-ID: <%s@e2e>\r\nDate: Thu, 10 Dec 2026 10:00:00 +0000\r\n\r\n"
        "Hello.\r\n" % (user, subject, time.time_ns()))
imap = imaplib.IMAP4(host, int(port))
imap.login(user, password)
imap.append("INBOX", None, None, mail.encode())
imap.logout()
PY
}

"$source_dir/scripts/mailbox-tool" "$server" "$user" fill 0 >/dev/null
deliver "Q3 <budget> & plans"
echo "$password" | "$ombrix" --dir "$work/dir" --add-account --name "Work <rupert>" \
    --host "$HOST" --user "$user" --imap --port "$IMAP_PORT" >/dev/null 2>&1 ||
    fail "the account was not added"
# The pop-up on, as a user coming from X11 has it: Wayland cannot place it at
# the screen edge, so the desktop notification must announce instead.
"$source_dir/scripts/obx-settings" "$work/dir/obx.dat" "$IMAP_PORT" popup=1 ||
    fail "obx.dat is not laid out as expected"

"$ombrix" --lang "$lang" --dir "$work/dir" >"$work/ombrix.log" 2>&1 &
program=$!
pids+=($program)

notifications() { grep "^notify" "$services_log" 2>/dev/null || true; }
wait_for '[ -f "$work/dir/obx.msf" ]' 30 || fail "no check wrote obx.msf"
wait_for '[ -n "$(notifications)" ]' 20 ||
    fail "no notification after the first check (the pop-up is on but cannot be placed)"
[ "$(notifications | wc -l)" -eq 1 ] || fail "the arrival was announced more than once"
first=$(notifications | head -1)
id=$(cut -f2 <<<"$first")
body=$(cut -f5 <<<"$first")
grep -qF 'Q3 &lt;budget&gt; &amp; plans' <<<"$body" || fail "the body does not name the subject escaped: $body"
grep -qF 'Tom &amp; Jerry' <<<"$body" || fail "the body does not name the sender escaped: $body"
grep -qF 'desktop-entry=org.ombrix.Ombrix' <<<"$first" || fail "no desktop-entry hint: $first"
grep -q 'mark-read' <<<"$(cut -f6 <<<"$first")" || fail "no mark-read action: $first"

# A tray that comes up late at login, goes, and comes back.
services watcher-up
wait_for '[ "$(grep -c "^item.*ombrix$" "$services_log")" -ge 1 ]' 15 ||
    fail "the item did not register with a watcher that came late"
services watcher-down
services watcher-up
wait_for '[ "$(grep -c "^item.*ombrix$" "$services_log")" -ge 2 ]' 15 ||
    fail "the item did not register again with the watcher that came back"

# GNOME's "Check now" desktop action: the command hands the check over.
checks_before=$(grep -c "^icon Checking" "$work/tray.log")
"$ombrix" --dir "$work/dir" --check >"$work/check.out" 2>"$work/check.err" ||
    fail "--check beside the desktop program failed: $(cat "$work/check.err")"
wait_for '[ "$(grep -c "^icon Checking" "$work/tray.log")" -gt "$checks_before" ]' 20 ||
    fail "the handed-over check did not run"

# "Mark read" from the notification: read at once, and the notification goes.
services invoke "$id" mark-read
wait_for 'grep -q "^close	$id$" "$services_log"' 15 || fail "mark read did not withdraw the notification"
wait_for '[ "$("$ombrix" --dir "$work/dir" --unread 2>/dev/null)" = 0 ]' 15 ||
    fail "mark read left unread mail: $("$ombrix" --dir "$work/dir" --unread 2>&1)"

# A new mail, then every mail deleted in another client: the notification goes.
deliver "Second <one>"
"$ombrix" --dir "$work/dir" --check >/dev/null 2>&1 || fail "the second hand-over failed"
wait_for '[ "$(notifications | wc -l)" -ge 2 ]' 20 || fail "no notification for the second mail"
second=$(notifications | tail -1 | cut -f2)
count=$("$source_dir/scripts/mailbox-tool" "$server" "$user" list | tail -n +2 | wc -l)
"$source_dir/scripts/mailbox-tool" "$server" "$user" delete $(seq 1 "$count") >/dev/null
"$ombrix" --dir "$work/dir" --check >/dev/null 2>&1 || fail "the third hand-over failed"
wait_for 'grep -q "^close	$second$" "$services_log"' 20 ||
    fail "the notification stayed when every mail was gone"

kill -0 "$program" 2>/dev/null || fail "the program ended early"
echo "wayland e2e ($lang): passed"
