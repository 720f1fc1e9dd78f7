#!/usr/bin/env bash
# A staged install under prefix /usr holds exactly the program, its desktop entry,
# icon and udev rule: nothing of the demo, the simulator, the libraries or headers.
set -euo pipefail
build="$1"
source="$2"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "FAIL: $*"; exit 1; }

expected="usr/bin/ruvotimer
usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules
usr/share/applications/ruvotimer.desktop
usr/share/icons/hicolor/scalable/apps/ruvotimer.svg"
actual="$(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)"
if [ "$actual" != "$expected" ]; then
    echo "installed files:"; echo "$actual"
    echo "expected:"; echo "$expected"
    fail "the installed tree differs"
fi

[ -x "$stage/usr/bin/ruvotimer" ] || fail "usr/bin/ruvotimer is not executable"
find "$stage" -mindepth 1 -iname '*demo*' -o -iname '*sim*' | grep . && fail "demo or simulator installed"

# What the desktop entry names must be what the install provides.
entry="$stage/usr/share/applications/ruvotimer.desktop"
exec_name="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
icon_name="$(sed -n 's/^Icon=//p' "$entry")"
[ -x "$stage/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
[ -f "$stage/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
    fail "Icon=$icon_name has no installed icon"

for f in packaging/60-ruvotimer-usbkey.rules:usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules \
         packaging/ruvotimer.svg:usr/share/icons/hicolor/scalable/apps/ruvotimer.svg; do
    cmp -s "$source/${f%%:*}" "$stage/${f#*:}" || fail "${f#*:} differs from ${f%%:*}"
done
[ "$(stat -c %a "$stage/usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules")" = 644 ] ||
    fail "udev rule is not mode 644"
echo "install tree as expected"
