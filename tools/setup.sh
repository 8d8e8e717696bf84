#!/bin/sh
# Installs, from Debian's packages, everything the build, the tests and the tools need.
# Packages already present are skipped, so a second run costs only a dpkg query.
set -e
PACKAGES="cmake g++ make pkg-config libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev \
libgtest-dev libgmock-dev libvorbis-dev"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    echo "setup: installing$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
fi
