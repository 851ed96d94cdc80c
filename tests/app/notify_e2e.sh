#!/usr/bin/env bash
# The new-mail announcement end to end: a real X server (Xvfb), a tray host
# (trayer), the test Dovecot and ALSA's default device redirected into a WAV
# file. One POP3 account with the pop-up, the speaker alarm (a single short
# beep) and the Scroll Lock light switched on. After the first check found an
# empty mailbox, a new mail arrives and "check mails now" is chosen from the
# tray menu: the pop-up must show, the beep must land in the WAV file and the
# Scroll Lock light must blink. Screenshots go to
# $OMBRIX_BINARY_DIR/e2e-screenshots.
#
# Run by CTest under xvfb-run; exit 77 marks the test skipped.
set -euo pipefail

ombrix=${OMBRIX_EXECUTABLE:?}
server=${OMBRIX_DOVECOT_DIR:?}
shots="${OMBRIX_BINARY_DIR:?}/e2e-screenshots"
source_dir=${OMBRIX_SOURCE_DIR:?}
user=mallory
password=mallory-pw

e2e_tools=(trayer xdotool import xwininfo xset sox python3)
# shellcheck source=e2e_common.sh
. "$(dirname "$0")/e2e_common.sh"

# Visible windows of the class ombrix: the tray icon is small, the main
# window carries the program's title; every other one is the pop-up.
windows_of_ombrix() {
    local w name
    for w in $(xdotool search --onlyvisible --classname '^ombrix$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
        name=$(xdotool getwindowname "$w" 2>/dev/null || true)
        if [ "$1" = icon ] && [ "$WIDTH" -le 64 ]; then echo "$w"; fi
        if [ "$1" = main ] && [ "$WIDTH" -gt 64 ] && [ "$name" = "Ombrix 2.5" ]; then echo "$w"; fi
        if [ "$1" = popup ] && [ "$WIDTH" -gt 64 ] && [ "$name" != "Ombrix 2.5" ] &&
            ! xwininfo -id "$w" | grep -q "Override Redirect State: yes"; then echo "$w"; fi
    done
}

# The tray menu: an override-redirect window larger than the icon (the icon
# window is override-redirect too).
menu_is_open() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^ombrix$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
        [ "$WIDTH" -gt 64 ] && xwininfo -id "$w" | grep -q "Override Redirect State: yes" && return 0
    done
    return 1
}

scroll_lock_lit() {
    local mask
    mask=$(xset q | sed -n 's/.*LED mask: *\([0-9a-fA-F]*\).*/\1/p')
    [ $((0x$mask & 4)) -ne 0 ]
}

# shellcheck disable=SC1091
. "$server/server.env"
mkdir -p "$shots" "$work/dir" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export OMBRIX_TRAY_LOG="$work/tray.log" SSL_CERT_FILE="$CA_FILE"

# Every sound the program plays on `default` ends up in one WAV file.
wav="$work/speaker.wav"
cat >"$work/asound.conf" <<EOF
pcm.!default { type file; slave.pcm { type null }; file "$wav"; format "wav" }
EOF
export ALSA_CONFIG_PATH="$work/asound.conf"

"$source_dir/scripts/mailbox-tool" "$server" "$user" fill 0 >/dev/null
echo "$password" | "$ombrix" --dir "$work/dir" --add-account --name Mallory --host "$HOST" \
    --user "$user" --port "$POP3_PORT" >/dev/null 2>&1

# The announcement settings have no command-line switch: the defaults the
# program itself wrote are swapped for the wanted values, line for line. Should
# the layout ever change, the exact match fails and so does the test. Lines
# end in CR LF, as the program writes them.
"$source_dir/scripts/obx-settings" "$work/dir/obx.dat" "$POP3_PORT" speaker=1 pattern=2 popup=1 ||
    fail "obx.dat is not laid out as expected"

trayer --edge bottom --align right --widthtype pixel --width 160 --height 28 \
    --transparent false >"$work/trayer.log" 2>&1 &
pids+=($!)
wait_for 'xdotool search --classname trayer >/dev/null 2>&1' 10 || fail "trayer did not come up"

"$ombrix" --dir "$work/dir" >"$work/ombrix.log" 2>&1 &
pids+=($!)

wait_for '[ -n "$(windows_of_ombrix icon)" ]' 20 || fail "no tray icon"
# The first check finds nothing: no announcement, no light.
wait_for '[ -f "$work/dir/obx.msf" ] && [ "$(grep "^icon" "$work/tray.log" | tail -1)" = "icon Idle" ]' 30 ||
    fail "the first check did not end idle"
[ -z "$(windows_of_ombrix popup)" ] || fail "a pop-up showed without new mail"
[ ! -s "$wav" ] || [ "$(stat -c %s "$wav")" -le 44 ] || fail "a sound played without new mail"
scroll_lock_lit && fail "Scroll Lock is lit without new mail"

"$source_dir/scripts/mailbox-tool" "$server" "$user" add e2e-notify >/dev/null

icon=$(windows_of_ombrix icon | head -1)
xdotool mousemove --window "$icon" 11 13 click 3
wait_for menu_is_open 10 || fail "the tray menu did not open"
xdotool key Down Down Return # "check mails now"

wait_for 'grep -q "^tooltip Mallory: 1 " "$work/tray.log" 2>/dev/null' 30 ||
    fail "the second check did not find the new mail"
wait_for '[ -n "$(windows_of_ombrix popup)" ]' 10 || fail "no pop-up window showed"
popup=$(windows_of_ombrix popup | head -1)
eval "$(xdotool getwindowgeometry --shell "$popup")"
echo "pop-up: ${WIDTH}x${HEIGHT} at $X,$Y"
# It slides in from the bottom edge: wait until it stands still, then shoot.
wait_for 'prev="$X $Y"; sleep 0.2; eval "$(xdotool getwindowgeometry --shell "$popup")"; [ "$prev" = "$X $Y" ]' 10 ||
    fail "the pop-up never came to rest"
import -window root "$shots/notify-popup.png"
[ -s "$shots/notify-popup.png" ] || fail "no screenshot of the pop-up"

# The light runs while unread mail waits: Scroll Lock must be seen lit and dark.
seen_lit=0 seen_dark=0
both_seen() {
    if scroll_lock_lit; then seen_lit=1; else seen_dark=1; fi
    [ $seen_lit -eq 1 ] && [ $seen_dark -eq 1 ]
}
wait_for both_seen 10 || fail "Scroll Lock did not blink (lit seen: $seen_lit, dark seen: $seen_dark)"

# One beep of 1400 Hz for 200 ms; the stream is closed once it has played.
wav_length() {
    sox "$wav" -n stat 2>&1 | sed -n 's/^Length (seconds): *//p'
}
wait_for '[ -s "$wav" ] && awk -v l="$(wav_length)" "BEGIN { exit !(l + 0 >= 0.19) }"' 15 ||
    fail "the WAV file holds no beep ($(stat -c %s "$wav" 2>/dev/null || echo no) bytes)"
stat_out=$(sox "$wav" -n stat 2>&1)
frequency=$(echo "$stat_out" | sed -n 's/^Rough   frequency: *//p')
length=$(wav_length)
echo "beep: $length s, rough frequency $frequency Hz, $(stat -c %s "$wav") bytes"
awk -v l="$length" 'BEGIN { exit !(l < 1.0) }' || fail "the beep lasts $length s, not about 0.2 s"
awk -v f="$frequency" 'BEGIN { exit !(f > 1300 && f < 1500) }' ||
    fail "the beep's frequency is $frequency Hz, not about 1400"

echo "screenshots: $shots/notify-popup.png"
