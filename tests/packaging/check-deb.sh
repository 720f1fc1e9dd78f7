#!/usr/bin/env bash
# cpack builds a Debian package that installs the program under /usr, depends on the
# runtime libraries, the Qt window-system plugins and the fonts, recommends a speech
# engine, and ships no demo.
set -euo pipefail
build="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log"; fail "cpack failed"; }
debs=("$out"/ruvotimer_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one ruvotimer_*.deb in $out"
deb="${debs[0]}"

[ "$(dpkg-deb -f "$deb" Package)" = ruvotimer ] || fail "package name"
[ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no maintainer"
[ -n "$(dpkg-deb -f "$deb" Section)" ] || fail "no section"
description="$(dpkg-deb -f "$deb" Description)"
[ -n "$description" ] || fail "no description"
if grep ';' <<<"$description"; then fail "description lines were joined as a list"; fi
depends="$(dpkg-deb -f "$deb" Depends)"
# Debian 13 renamed libraries whose ABI holds a time_t (libqt6core6t64): either name.
for pkg in libusb-0.1-4 libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins fonts-liberation \
           fonts-dejavu-core libqt6texttospeech6 libqt6multimedia6 libqt6sql6-sqlite; do
    grep -Eq "(^|, )$pkg(t64)?( |,|$)" <<<"$depends" || fail "Depends lacks $pkg: $depends"
done
# A speech engine is recommended, not required: the station works without one.
recommends="$(dpkg-deb -f "$deb" Recommends)"
grep -Eq "(^|, )qt6-speech-flite-plugin( |,|$)" <<<"$recommends" ||
    fail "Recommends lacks qt6-speech-flite-plugin: $recommends"

contents="$(dpkg-deb -c "$deb" | awk '{print $NF}')"
for path in ./usr/bin/ruvotimer ./usr/share/applications/ruvotimer.desktop \
            ./usr/share/icons/hicolor/scalable/apps/ruvotimer.svg \
            ./usr/lib/udev/rules.d/60-ruvotimer-usbkey.rules; do
    grep -qx "$path" <<<"$contents" || fail "$path missing from the package"
done
if grep -Ei 'demo|sim' <<<"$contents"; then fail "the package ships the demo or simulator"; fi

dpkg-deb -x "$deb" "$out/root"
grep -q 'NEEDED.*\[libusb-0.1.so.4\]' <<<"$(readelf -d "$out/root/usr/bin/ruvotimer")" ||
    fail "the packaged program does not need libusb-0.1.so.4"
echo "package $(basename "$deb") as expected"
