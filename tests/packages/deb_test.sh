#!/usr/bin/env bash
# The Debian package as a user meets it: its dependencies are the packages of the libraries the
# program links, `apt-get install ./voxtrel_*.deb` puts it in place with a valid desktop entry,
# the installed program starts and ends, and `apt-get remove` leaves none of its files.
# Installs on this machine itself, so it needs root (or sudo without a password).
# Usage: deb_test.sh PACKAGES_DIR (where scripts/package left them)
set -euo pipefail
packages=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

sudo=()
if [ "$(id -u)" != 0 ]; then
    if ! sudo -n true 2>/dev/null; then
        echo "deb test skipped: installing a package needs root or sudo without a password"
        exit 77
    fi
    sudo=(sudo -n)
fi
if dpkg-query -W -f='${Status}' voxtrel 2>/dev/null | grep -q 'install ok installed'; then
    echo "deb test skipped: a voxtrel package is installed on this machine already"
    exit 77
fi

deb=$(ls "$packages"/voxtrel_*.deb 2>/dev/null | tail -n 1)
[ -f "$deb" ] || fail "scripts/package made no .deb in $packages"

# Every library the program needs belongs to a package that Depends names.
depends=$(dpkg-deb -f "$deb" Depends)
unpacked=$(mktemp -d)
home=$(mktemp -d)
trap '"${sudo[@]}" apt-get remove -y voxtrel >/dev/null 2>&1 || true; rm -rf "$unpacked" "$home"' EXIT
dpkg-deb -x "$deb" "$unpacked"
for library in $(objdump -p "$unpacked/usr/bin/voxtrel" | awk '/NEEDED/ { print $2 }'); do
    path=$(ldconfig -p | awk -v name="$library" '$1 == name && /x86-64/ && !found { print $NF; found = 1 }')
    [ -n "$path" ] || fail "$library is not on this machine"
    owner=$(dpkg -S "$path" 2>/dev/null | sed -n 1p | cut -d: -f1) ||
        owner=$(dpkg -S "$(readlink -f "$path")" | sed -n 1p | cut -d: -f1)
    echo "$depends" | tr ',|' '\n\n' | sed 's/ *(.*//; s/^ *//; s/ *$//' | grep -qx "$owner" ||
        fail "$library comes from $owner, which Depends does not name: $depends"
done

DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y "$deb" >/dev/null ||
    fail "apt-get could not install $deb"
files=$(dpkg -L voxtrel)
[ -x /usr/bin/voxtrel ] || fail "no /usr/bin/voxtrel"
desktop-file-validate /usr/share/applications/voxtrel.desktop ||
    fail "desktop-file-validate refused the installed entry"

# The installed program starts, keeps running, and ends on SIGTERM (how a session ends it) as
# Exit ends it. Its output goes to a file: shared with this script's, under CTest, the script's
# own output was lost.
HOME="$home" VOXTREL_DISPLAY=headless /usr/bin/voxtrel >"$home/output.log" 2>&1 &
program=$!
sleep 3
kill -0 "$program" 2>/dev/null || fail "the installed program did not keep running"
kill -TERM "$program"
status=0
wait "$program" || status=$?
[ "$status" = 0 ] || fail "the installed program ended with status $status on SIGTERM: $(cat "$home/output.log")"

DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get remove -y voxtrel >/dev/null ||
    fail "apt-get could not remove voxtrel"
left=""
while read -r file; do
    [ -f "$file" ] && left="$left $file"
done <<<"$files"
[ -z "$left" ] || fail "removing the package left:$left"
echo "the Debian package: dependencies, install, desktop entry, start, end and removal as expected"
