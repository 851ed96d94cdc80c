#!/usr/bin/env bash
# The main window's mail commands end to end: a real X server (Xvfb), a tray
# host (trayer) and the test Dovecot. One POP3 account with three mails; after
# the first check the window is opened from the tray menu, the account and its
# second mail are selected, the preview is opened from the menu bar with the
# keyboard and closed again, and the mail is deleted on the server through the
# Delete key, the question answered with Return. The server must have lost
# exactly that mail. Screenshots go to $OMBRIX_BINARY_DIR/e2e-screenshots.
#
# Run by CTest under xvfb-run; exit 77 marks the test skipped.
set -euo pipefail

ombrix=${OMBRIX_EXECUTABLE:?}
server=${OMBRIX_DOVECOT_DIR:?}
shots="${OMBRIX_BINARY_DIR:?}/e2e-screenshots"
source_dir=${OMBRIX_SOURCE_DIR:?}
user=heidi
password=heidi-pw

e2e_tools=(trayer xdotool import xwininfo)
# shellcheck source=e2e_common.sh
. "$(dirname "$0")/e2e_common.sh"

# Visible windows of the class ombrix. icon: the tray icon (small); main: the
# window with the program's title; menu: a popped-up menu; other: any further
# window (the preview, the question).
windows_of_ombrix() {
    local w name redirect
    for w in $(xdotool search --onlyvisible --classname '^ombrix$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
        name=$(xdotool getwindowname "$w" 2>/dev/null || true)
        redirect=no
        xwininfo -id "$w" | grep "Override Redirect State: yes" >/dev/null && redirect=yes
        if [ "$WIDTH" -le 64 ]; then
            [ "$1" = icon ] && echo "$w"
        elif [ "$name" = "Ombrix 2.5" ]; then
            [ "$1" = main ] && echo "$w"
        elif [ $redirect = yes ]; then
            [ "$1" = menu ] && echo "$w"
        else
            [ "$1" = other ] && echo "$w"
        fi
    done
    return 0
}

# The rows of the stored mail list: row, read flag, POP3 unique id.
stored_rows() {
    "$ombrix" --dir "$work/dir" --list 0 | cut -f1,2,7
}

# The unique ids the server holds, read by the test's own client.
server_uids() {
    "$source_dir/scripts/mailbox-tool" "$server" "$user" list | tail -n +2 | cut -f4 | sort
}

# shellcheck disable=SC1091
. "$server/server.env"
mkdir -p "$shots" "$work/dir" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export OMBRIX_TRAY_LOG="$work/tray.log" SSL_CERT_FILE="$CA_FILE"

"$source_dir/scripts/mailbox-tool" "$server" "$user" fill 3 e2e-commands >/dev/null
echo "$password" | "$ombrix" --dir "$work/dir" --add-account --name Heidi --host "$HOST" \
    --user "$user" --port "$POP3_PORT" >/dev/null 2>&1

trayer --edge bottom --align right --widthtype pixel --width 160 --height 28 \
    --transparent false >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for 'xdotool search --classname trayer >/dev/null 2>&1' 10 || fail "trayer did not come up"

"$ombrix" --dir "$work/dir" >"$work/ombrix.log" 2>&1 &
pids+=($!)

wait_for '[ -n "$(windows_of_ombrix icon)" ]' 20 || fail "no tray icon"
wait_for 'grep -q "^tooltip Heidi: 3 new mails" "$work/tray.log" 2>/dev/null' 30 ||
    fail "the first check did not find the three mails"
before=$(server_uids)
[ "$(echo "$before" | wc -l)" -eq 3 ] || fail "the server holds $(echo "$before" | wc -l) mails, not 3"
[ "$(stored_rows | cut -f2 | sort -u)" = 0 ] || fail "a mail is read before any was viewed"

icon=$(windows_of_ombrix icon | head -1)
xdotool mousemove --window "$icon" 11 13 click 3
wait_for '[ -n "$(windows_of_ombrix menu)" ]' 10 || fail "the tray menu did not open"
xdotool key Down Return # "open Ombrix"
wait_for '[ -n "$(windows_of_ombrix main)" ]' 10 || fail "open Ombrix did not show the window"
main=$(windows_of_ombrix main | head -1)
xdotool windowfocus --sync "$main" 2>/dev/null || true

# The account's row, then the first mail's row; Down moves to the second.
# Positions are inside the window: the account list's first row sits below
# its header, the mail list's likewise. X delivers the clicks in order, and
# the account's click fills the mail list before the next one is read.
xdotool mousemove --window "$main" 60 107 click 1
xdotool mousemove --window "$main" 300 225 click 1
xdotool key Down
import -window root "$shots/commands-selected.png"

# Alt opens the menu bar's first menu; two to the right is "Mail", whose
# first entry is "view mail".
xdotool key alt
xdotool key Right Right Down
wait_for '[ -n "$(windows_of_ombrix menu)" ]' 10 || fail "the Mail menu did not open"
import -window root "$shots/commands-mail-menu.png"
xdotool key Return
wait_for '[ -n "$(windows_of_ombrix other)" ]' 10 || fail "view mail showed no preview"
preview=$(windows_of_ombrix other | head -1)
wait_for '[ "$(stored_rows | awk -F"\t" "\$2 == 1" | wc -l)" -eq 1 ]' 10 ||
    fail "viewing did not mark exactly one mail read: $(stored_rows | tr '\n' ' ')"
viewed=$(stored_rows | awk -F'\t' '$2 == 1')
viewed_uid=$(echo "$viewed" | cut -f3)
import -window root "$shots/commands-preview.png"

# The preview's default button closes it.
xdotool windowfocus --sync "$preview" 2>/dev/null || true
xdotool key Return
wait_for '[ -z "$(windows_of_ombrix other)" ]' 10 || fail "Return did not close the preview"

# Delete on the still selected mail asks first; Return answers Yes.
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key Delete
wait_for '[ -n "$(windows_of_ombrix other)" ]' 10 || fail "Delete asked no question"
import -window root "$shots/commands-delete-question.png"
question=$(windows_of_ombrix other | head -1)
xdotool windowfocus --sync "$question" 2>/dev/null || true
xdotool key Return
wait_for '[ "$(server_uids | wc -l)" -eq 2 ]' 30 ||
    fail "the server still holds $(server_uids | wc -l) mails after the deletion"
after=$(server_uids)
gone=$(comm -23 <(echo "$before") <(echo "$after"))
[ "$gone" = "$viewed_uid" ] || fail "the server lost $gone, not the selected mail $viewed_uid"
[ -z "$(comm -13 <(echo "$before") <(echo "$after"))" ] || fail "the server gained a mail"
wait_for '[ "$(stored_rows | wc -l)" -eq 2 ] && ! stored_rows | grep -q "$viewed_uid"' 30 ||
    fail "the stored list still shows the deleted mail: $(stored_rows | tr '\n' ' ')"
import -window root "$shots/commands-deleted.png"
echo "deleted $viewed_uid; screenshots: $shots/commands-selected.png $shots/commands-mail-menu.png" \
    "$shots/commands-preview.png $shots/commands-delete-question.png $shots/commands-deleted.png"
