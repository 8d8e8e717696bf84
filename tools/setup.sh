#!/bin/sh
# Installs what building and playing Brunolt needs; with --test, also what its tests, package
# checks and tools need. Uses apt-get where it exists (through sudo when not root) and skips
# what is installed, so a second run costs only a package query. Elsewhere it names the
# packages to install and carries on when pkg-config already finds the libraries.
set -e

# Debian packages, one list per purpose; add to the list that says why a package is needed.
PLAY_PACKAGES="cmake g++ make pkg-config libsdl1.2-dev libsdl-mixer1.2-dev libsdl-ttf2.0-dev
libvorbis-dev libpng-dev"
TEST_PACKAGES="libgtest-dev libgmock-dev libbenchmark-dev desktop-file-utils appstream dpkg-dev
clang libclang-rt-14-dev xvfb xdotool emscripten node-acorn chromium"
# The same for systems without apt-get (told, not installed).
FEDORA_PLAY="cmake gcc-c++ make pkgconf-pkg-config SDL-devel SDL_mixer-devel SDL_ttf-devel
libvorbis-devel libpng-devel"
FEDORA_TEST="gtest-devel gmock-devel google-benchmark-devel desktop-file-utils appstream clang
compiler-rt xorg-x11-server-Xvfb xdotool emscripten chromium"
ARCH_PLAY="cmake gcc make pkgconf sdl12-compat sdl_mixer sdl_ttf libvorbis libpng"
ARCH_TEST="gtest benchmark desktop-file-utils appstream clang compiler-rt xorg-server-xvfb xdotool
emscripten chromium"

testing=false
case "${1:-}" in
    "") ;;
    --test) testing=true ;;
    --help)
        echo "usage: tools/setup.sh [--test]"
        echo "       installs what building and playing needs; --test adds what the tests need"
        exit 0 ;;
    *)
        echo "usage: tools/setup.sh [--test]" >&2
        exit 2 ;;
esac
packages=$PLAY_PACKAGES
fedora=$FEDORA_PLAY
arch=$ARCH_PLAY
if $testing; then
    packages="$packages $TEST_PACKAGES"
    fedora="$fedora $FEDORA_TEST"
    arch="$arch $ARCH_TEST"
fi
packages=$(echo $packages)

if ! command -v apt-get >/dev/null 2>&1; then
    echo "setup: this system has no apt-get; install these packages with its own tool:"
    echo "  Fedora: sudo dnf install" $fedora
    echo "  Arch:   sudo pacman -S --needed" $arch
    if pkg-config --exists sdl SDL_mixer SDL_ttf 2>/dev/null; then
        echo "setup: pkg-config finds SDL, SDL_mixer and SDL_ttf; going on"
        exit 0
    fi
    echo "setup: pkg-config does not find SDL, SDL_mixer and SDL_ttf yet" >&2
    exit 1
fi

missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "setup: these packages are missing:$missing" >&2
        echo "setup: run as root: apt-get update && apt-get install -y$missing" >&2
        exit 1
    fi
    SUDO="sudo"
fi
echo "setup: installing$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
