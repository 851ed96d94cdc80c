#!/usr/bin/env bash
# The desktop program end to end: a real X server (Xvfb), a real tray host
# (trayer) and the test Dovecot. One POP3 account; the program must start in
# the tray without a window, check by itself, write obx.msf, show the new-mail
# icon and tooltip, and open its window from the tray menu. Screenshots go to
# $OMBRIX_BINARY_DIR/e2e-screenshots.
#
# Run by CTest under xvfb-run; exit 77 marks the test skipped.
set -euo pipefail

ombrix=${OMBRIX_EXECUTABLE:?}
server=${OMBRIX_DOVECOT_DIR:?}
shots="${OMBRIX_BINARY_DIR:?}/e2e-screenshots"
source_dir=${OMBRIX_SOURCE_DIR:?}

e2e_tools=(trayer xdotool import xwininfo)
# shellcheck source=e2e_common.sh
. "$(dirname "$0")/e2e_common.sh"

# Windows of the class ombrix: the main window is large, the tray icon small.
windows_of_ombrix() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^ombrix$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if [ "$1" = icon ] && [ "$WIDTH" -le 64 ]; then echo "$w"; fi
        if [ "$1" = main ] && [ "$WIDTH" -gt 64 ] &&
            [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Ombrix 2.5" ]; then echo "$w"; fi
    done
}

# shellcheck disable=SC1091
. "$server/server.env"
mkdir -p "$shots" "$work/dir" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export OMBRIX_TRAY_LOG="$work/tray.log" SSL_CERT_FILE="$CA_FILE"

"$source_dir/scripts/make-test-mails" --server "$server" --user oscar --count 5 --seed e2e >/dev/null
echo oscar-pw | "$ombrix" --dir "$work/dir" --add-account --name Oscar --host "$HOST" \
    --user oscar --port "$POP3_PORT" >/dev/null 2>&1

trayer --edge bottom --align right --widthtype pixel --width 160 --height 28 \
    --transparent false >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for 'xdotool search --classname trayer >/dev/null 2>&1' 10 || fail "trayer did not come up"

"$ombrix" --dir "$work/dir" >"$work/ombrix.log" 2>&1 &
pids+=($!)

wait_for '[ -n "$(windows_of_ombrix icon)" ]' 20 || fail "no tray icon"
[ -z "$(windows_of_ombrix main)" ] || fail "the main window showed at start with an account"

wait_for '[ -f "$work/dir/obx.msf" ]' 30 || fail "no check wrote obx.msf"
wait_for 'grep -q "^tooltip Oscar: 5 new mails !" "$work/tray.log" 2>/dev/null' 10 ||
    fail "no new-mail tooltip"
grep -q "^icon Checking" "$work/tray.log" || fail "the checking icon never showed"
[ "$(grep '^icon' "$work/tray.log" | tail -1)" = "icon NewMail" ] || fail "the last icon is not NewMail"
[ -z "$(windows_of_ombrix main)" ] || fail "the check opened the main window"
listed=$("$ombrix" --dir "$work/dir" --list 0 | wc -l)
[ "$listed" -eq 5 ] || fail "obx.msf lists $listed mails, not 5"

import -window root "$shots/tray.png"

icon=$(windows_of_ombrix icon | head -1)
xdotool mousemove --window "$icon" 11 13 click 3
wait_for '[ -n "$(xdotool search --onlyvisible --classname "^ombrix$" 2>/dev/null | while read -r w; do
    xwininfo -id "$w" | grep -q "Override Redirect State: yes" && echo "$w"; done)" ]' 10 ||
    fail "the tray menu did not open"
import -window root "$shots/tray-menu.png"
xdotool key Down Return
wait_for '[ -n "$(windows_of_ombrix main)" ]' 10 || fail "open Ombrix did not show the window"
import -window root "$shots/window.png"
echo "screenshots: $shots/tray.png $shots/tray-menu.png $shots/window.png"
