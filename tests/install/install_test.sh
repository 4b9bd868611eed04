#!/usr/bin/env bash
# `cmake --install` into a scratch root: the files a desktop needs, each accepted by its
# validator, the login entry added and taken back by its option, and the uninstall target.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
root=$(mktemp -d)
trap 'cmake -DVOXTREL_AUTOSTART=OFF "$build" >/dev/null; rm -rf "$root"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
install_into_root() { DESTDIR="$root" cmake --install "$build" >/dev/null; }

install_into_root
installed=$root$prefix
entry=$installed/share/applications/voxtrel.desktop
metainfo=$installed/share/metainfo/org.voxtrel.Voxtrel.metainfo.xml
icon=$installed/share/icons/hicolor/32x32/apps/voxtrel.png
svg=$installed/share/icons/hicolor/scalable/apps/voxtrel.svg
for file in "$entry" "$metainfo" "$icon" "$svg"; do
    [ -f "$file" ] || fail "$file was not installed"
done
[ -x "$installed/bin/voxtrel" ] || fail "the program is not in bin/"

desktop-file-validate "$entry" || fail "desktop-file-validate refused the entry"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused the metainfo"

# Exec names the installed program by its full path, and the icon name is the installed icon's.
# The entry's own Exec comes before its actions' groups, which add the program's options.
main_exec() { sed -n '/^\[Desktop Action/q; s/^Exec=//p' "$1"; }
exec_line=$(main_exec "$entry")
[ "$exec_line" = "$prefix/bin/voxtrel" ] || fail "Exec is '$exec_line', not $prefix/bin/voxtrel"
actions=$(sed -n '/^\[Desktop Action/,$ s/^Exec=//p' "$entry" | tr '\n' ';')
[ "$actions" = "$prefix/bin/voxtrel --new-cursor;$prefix/bin/voxtrel --save;$prefix/bin/voxtrel --exit;" ] ||
    fail "the actions run '$actions'"
[ "$(sed -n 's/^Icon=//p' "$entry")" = voxtrel ] || fail "Icon is not the installed icon's name"
grep -q '<launchable type="desktop-id">voxtrel.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not name the desktop entry"
# Its release is the project's one version.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$metainfo" ||
    fail "the metainfo's release is not the project's version $version"

# The theme's 32-pixel icon is the resource's own picture, pixel for pixel.
[ "$(identify -format '%wx%h' "$icon")" = 32x32 ] || fail "the hicolor icon is not 32x32"
frame=$(identify -format '%p %wx%h\n' "$source/resources/voxtrel.ico" | awk '$2 == "32x32" { print $1; exit }')
[ -n "$frame" ] || fail "the resource icon has no 32-pixel picture"
differing=$(compare -metric AE "$icon" "$source/resources/voxtrel.ico[$frame]" null: 2>&1 || true)
[ "$differing" = 0 ] || fail "the hicolor icon differs from the resource icon in $differing pixels"
grep -q '<svg' "$svg" || fail "the scalable icon is not an SVG"

# Not installed by default; added by the option, and taken back when it is off again.
autostart=$root/etc/xdg/autostart/voxtrel.desktop
[ ! -e "$autostart" ] || fail "a login entry was installed without the option"
cmake -DVOXTREL_AUTOSTART=ON "$build" >/dev/null
install_into_root
[ -f "$autostart" ] || fail "VOXTREL_AUTOSTART=ON installed no login entry"
desktop-file-validate "$autostart" || fail "desktop-file-validate refused the login entry"
grep -qx 'X-GNOME-Autostart-enabled=true' "$autostart" || fail "the login entry is not enabled"
[ "$(main_exec "$autostart")" = "$prefix/bin/voxtrel" ] || fail "the login entry's Exec"
cmake -DVOXTREL_AUTOSTART=OFF "$build" >/dev/null
install_into_root
[ ! -e "$autostart" ] || fail "installing with VOXTREL_AUTOSTART=OFF left the login entry"

# Uninstall leaves none of the files behind.
DESTDIR="$root" cmake --build "$build" --target uninstall >/dev/null
left=$(find "$root" -type f)
[ -z "$left" ] || fail "uninstall left: $left"
echo "install layout, validators, login entry and uninstall: all as expected"
