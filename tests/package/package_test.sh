#!/usr/bin/env bash
# Builds the Debian package, unpacks it into an empty root and checks what a
# distribution would: the installed program runs, its menu entry, AppStream
# entry and the package itself pass their validators, and the dependencies
# came from the linked libraries.
set -euo pipefail

skip() {
    echo "SKIPPED: $*" >&2
    [ -n "${CI:-}" ] && exit 1
    exit 77
}
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian python3; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack --config "$OMBRIX_BINARY_DIR/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
debs=("$work"/out/ombrix_*.deb)
[ -f "${debs[0]}" ] || fail "cpack wrote no ombrix_*.deb"
deb=${debs[0]}
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"

root="$work/root"
dpkg-deb -x "$deb" "$root"

expected=(
    usr/bin/ombrix
    usr/libexec/ombrix/ombrix-desktop
    usr/libexec/ombrix/ombrix-cli
    usr/share/applications/org.ombrix.Ombrix.desktop
    usr/share/metainfo/org.ombrix.Ombrix.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/org.ombrix.Ombrix.svg
    usr/share/man/man1/ombrix.1.gz
    usr/share/ombrix/obx001.dat
    usr/share/ombrix/Manual.html
    usr/share/ombrix/Hilfe.html
    usr/share/doc/ombrix/copyright
    usr/share/doc/ombrix/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/org.ombrix.Ombrix.png")
done
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "the package lacks /$file"
done
echo "installed files:"
(cd "$root" && find . -type f | sed 's|^\.|  |' | sort)

# Each bitmap icon is as large as the directory it lies in says.
for size in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/org.ombrix.Ombrix.png"
    python3 - "$png" "$size" <<'PY' || fail "$png is not a ${size} px PNG"
import struct, sys
data = open(sys.argv[1], "rb").read(24)
size = int(sys.argv[2])
assert data[:8] == b"\x89PNG\r\n\x1a\n", "no PNG signature"
assert struct.unpack(">II", data[16:24]) == (size, size), struct.unpack(">II", data[16:24])
PY
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libssl3 libasound2 libsndfile1 libc6; do
    grep -q "\b$library\b" <<<"$depends" || fail "Depends does not name $library"
done

# The installed program, not the tree's: with the data files only under the root.
# A command goes from the installed launcher to the installed command line.
help=$("$root/usr/bin/ombrix" --lang en --help) || fail "the installed ombrix --help failed"
grep -q "^usage: ombrix" <<<"$help" || fail "the installed ombrix --help printed: $help"
# Commands must not pay for loading the window's libraries.
if readelf -d "$root/usr/bin/ombrix" | grep -q "libQt6"; then
    fail "the command ombrix links Qt"
fi
if readelf -d "$root/usr/libexec/ombrix/ombrix-cli" | grep -q "libQt6"; then
    fail "the command line links Qt"
fi
# Nor must the desktop program pay for the command line's libraries.
if readelf -d "$root/usr/bin/ombrix" | grep -qE "libssl|libsecret"; then
    fail "the command ombrix links the command line's libraries"
fi
# Without a command the installed command hands over to the installed desktop
# program, which finds no display here and says so.
started=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$root/usr/bin/ombrix" --lang en --dir "$work/program" 2>&1) && fail "no display, yet it ran"
grep -q "no display" <<<"$started" || fail "the installed desktop program did not start: $started"

desktop-file-validate "$root/usr/share/applications/org.ombrix.Ombrix.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.ombrix.Ombrix.metainfo.xml" ||
    fail "appstreamcli rejects the metainfo"

# Errors fail the test; warnings are shown for whoever reads the log.
lintian --allow-root --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
echo "package checks passed"
