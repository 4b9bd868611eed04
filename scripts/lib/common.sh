# Shared by the scripts: where the tree is, and installing the Debian packages the build needs.
# shellcheck shell=bash

VOXTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# What building and running the program needs.
VOXTREL_RUN_PACKAGES=(
    cmake ninja-build g++ pkg-config
    libboost-serialization-dev libdevil-dev
    libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri
    libgtk-3-dev libx11-dev libxext-dev libxrandr-dev libxss-dev libxi-dev
    shared-mime-info librsvg2-common
)
# What the tests add: unit tests, a real X server to drive, the Windows compile check.
VOXTREL_TEST_PACKAGES=(
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xdotool x11-utils x11-xserver-utils imagemagick trayer tint2 openbox picom pcmanfm
    desktop-file-utils appstream dbus-daemon weston
    g++-mingw-w64-x86-64-posix
    # The Wayland sessions the program is tested in, through their XWayland.
    mutter gnome-shell gnome-shell-extension-appindicator sway xwayland
    libglib2.0-bin procps util-linux passwd
    # A second icon theme, chosen as the user's through GTK's settings file and XSETTINGS.
    papirus-icon-theme xsettingsd
)

# What the Windows suite adds: the cross build's libraries and GoogleTest's sources, Wine with
# OSMesa (OpenGL into DIB sections) to run the program and its unit tests.
VOXTREL_WINDOWS_TEST_PACKAGES=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest xz-utils
    wine wine64 libosmesa6 x11-xserver-utils
)

# What making the packages adds: dpkg-shlibdeps for the Debian package's dependencies, lintian
# to check it, NSIS for the Windows installer and zip for the portable one.
VOXTREL_PACKAGE_PACKAGES=(
    dpkg-dev file lintian nsis zip unzip
)

# Installs those of the given packages that are missing, as root or through sudo.
voxtrel_install_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "voxtrel: these packages are missing and installing them needs root: ${missing[*]}" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "voxtrel: installing ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "${missing[@]}" >/dev/null
}

voxtrel_jobs() {
    nproc 2>/dev/null || echo 2
}
