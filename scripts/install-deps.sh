#!/bin/sh
# Installs the Debian packages the build needs, only those that are missing.
# With "windows": also the cross compiler and Wine for the Windows build's tests.
set -eu
# libsystemd-dev: sd-bus for the host link; dbus-daemon: the session bus the tests
# run under (dbus-run-session); lintian: the Debian package's check.
packages="cmake g++ ninja-build make pkgconf libgtest-dev libncurses-dev libsystemd-dev dbus-daemon
    hamradio-files tmux lintian"
if [ "${1:-}" = windows ]; then
    packages="$packages g++-mingw-w64-i686 wine wine32:i386 xvfb xauth"
fi
if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
else
    sudo=
fi
missing=""
for package in $packages; do
    dpkg -s "$package" >/dev/null 2>&1 || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    case "$missing" in
        *:i386*)
            dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
            ;;
    esac
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing >/dev/null
fi
