#!/usr/bin/env bash
# A Wayland session with XWayland for the tests, as a desktop would run it, kept apart from
# everything else on the machine: its own mount namespace with a private /tmp/.X11-unix (the
# other X servers are still reached through their abstract sockets), its own session bus, home
# and runtime folder.
#   wayland_session.sh gnome FOLDER   GNOME Shell with the AppIndicator extension, nested in
#                                     the X server of $DISPLAY
#   wayland_session.sh sway FOLDER    sway, nested in the X server of $DISPLAY too, run by USER
#                                     (sway refuses root), given in $VOXTREL_SESSION_USER
# Once the session's XWayland answers, FOLDER/session.env holds its variables (DISPLAY,
# XAUTHORITY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR, DBUS_SESSION_BUS_ADDRESS, and SWAYSOCK for sway)
# as shell assignments. It runs until it is ended (SIGTERM ends the session with it).
set -euo pipefail

kind=$1
folder=$2
here=$(cd "$(dirname "$0")" && pwd)

case "${3:-outside}" in
outside)
    mkdir -p "$folder/home" "$folder/runtime"
    chmod 700 "$folder/runtime"
    if [ "$kind" = sway ]; then
        chown "$VOXTREL_SESSION_USER" "$folder" "$folder/home" "$folder/runtime"
    fi
    exec unshare --mount --propagation private --kill-child \
        bash -c 'mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix && exec "$@"' session \
        "$here/wayland_session.sh" "$kind" "$folder" namespace
    ;;
namespace)
    export HOME="$folder/home" XDG_RUNTIME_DIR="$folder/runtime" XDG_CONFIG_HOME="$folder/home/.config"
    if [ "$kind" = sway ]; then
        exec su "$VOXTREL_SESSION_USER" -s /bin/bash -c \
            "HOME='$HOME' XDG_RUNTIME_DIR='$XDG_RUNTIME_DIR' XDG_CONFIG_HOME='$XDG_CONFIG_HOME' \
             exec dbus-run-session -- '$here/wayland_session.sh' sway '$folder' bus"
    fi
    exec dbus-run-session -- "$here/wayland_session.sh" "$kind" "$folder" bus
    ;;
esac

# On the session's own bus from here on.
write_environment() { # display, auth
    {
        echo "DISPLAY=$1"
        echo "XAUTHORITY=$2"
        echo "WAYLAND_DISPLAY=$WAYLAND_DISPLAY"
        echo "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR"
        echo "DBUS_SESSION_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS"
        [ -n "${SWAYSOCK:-}" ] && echo "SWAYSOCK=$SWAYSOCK"
    } >"$folder/session.env.new"
    mv "$folder/session.env.new" "$folder/session.env"
}

export WAYLAND_DISPLAY=wayland-voxtrel
case "$kind" in
gnome)
    # GNOME Shell asks the system bus for logins and power: a bus of its own stands in. It is
    # a child of this script, so that its end and its words are in the session's log, and the
    # shell starts only once it answers.
    dbus-daemon --session --nofork --nopidfile --nosyslog \
        --address="unix:path=$folder/system-bus" >"$folder/system-bus.log" 2>&1 &
    system_bus=$!
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$folder/system-bus"
    for _ in $(seq 100); do
        gdbus call --system -d org.freedesktop.DBus -o /org/freedesktop/DBus \
            -m org.freedesktop.DBus.GetId >/dev/null 2>&1 && break
        sleep 0.1
    done
    gsettings set org.gnome.shell enabled-extensions "['ubuntu-appindicators@ubuntu.com']"
    gsettings set org.gnome.desktop.interface enable-animations false
    gnome-shell --nested --wayland --wayland-display="$WAYLAND_DISPLAY" >"$folder/shell.log" 2>&1 &
    shell=$!
    trap 'kill $shell $system_bus 2>/dev/null' EXIT TERM
    # Mutter starts XWayland at once: its display and authority are on its command line.
    for _ in $(seq 200); do
        line=$(pgrep -a -P "$shell" Xwayland || true)
        if [ -n "$line" ]; then
            display=$(echo "$line" | grep -o ' :[0-9]*' | tr -d ' ')
            auth=$(echo "$line" | grep -o -- '-auth [^ ]*' | cut -d' ' -f2)
            if DISPLAY=$display XAUTHORITY=$auth xdpyinfo >/dev/null 2>&1 &&
                gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus \
                    -m org.freedesktop.DBus.NameHasOwner org.kde.StatusNotifierWatcher |
                grep -q true; then
                write_environment "$display" "$auth"
                break
            fi
        fi
        sleep 0.1
    done
    status=0
    wait $shell || status=$?
    bus_state=$(kill -0 $system_bus 2>/dev/null && echo "still runs" || echo "had ended")
    echo "GNOME Shell ended with status $status; the stand-in system bus $bus_state" >&2
    exit $status
    ;;
sway)
    printf 'output X11-1 resolution 1280x800\nxwayland enable\nbar {\n    position top\n    tray_output *\n}\n' >"$folder/sway.conf"
    # In a window of the X server of $DISPLAY, whose pointer and keyboard are its own: xdotool
    # there drives it as a hand would.
    WLR_BACKENDS=x11 WLR_X11_OUTPUTS=1 WLR_RENDERER=pixman \
        sway -c "$folder/sway.conf" >"$folder/sway.log" 2>&1 &
    compositor=$!
    trap 'kill $compositor 2>/dev/null' EXIT TERM
    for _ in $(seq 100); do
        SWAYSOCK=$(ls "$XDG_RUNTIME_DIR"/sway-ipc.* 2>/dev/null || true)
        [ -n "$SWAYSOCK" ] && break
        sleep 0.1
    done
    export SWAYSOCK
    # sway starts XWayland with its first X client; its display is in the environment it
    # gives the programs it starts.
    swaymsg exec "echo \$DISPLAY >'$folder/display'" >/dev/null
    for _ in $(seq 100); do
        [ -s "$folder/display" ] && DISPLAY=$(cat "$folder/display") xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    # Its XWayland lets in its own user only; the tests' programs run as root.
    DISPLAY=$(cat "$folder/display") xhost +si:localuser:root >/dev/null
    write_environment "$(cat "$folder/display")" ""
    wait $compositor
    ;;
esac
