#!/bin/sh
# Builds Brunolt for a web browser into build-web/ with Debian's emscripten: the unchanged game
# and runtime (web/Makefile), its data files and the page (web/index.html). With --serve [PORT]
# it then serves build-web/ on localhost (default port 8000) with the headers that WebAssembly
# threads need; open http://localhost:PORT/ to play.
set -e
cd "$(dirname "$0")/.."
serve=false
port=8000
case "${1:-}" in
    "") ;;
    --serve) serve=true; port=${2:-8000} ;;
    --help)
        echo "usage: tools/web.sh [--serve [PORT]]"
        echo "       builds the game for a web browser into build-web/; --serve also serves it"
        exit 0 ;;
    *)
        echo "usage: tools/web.sh [--serve [PORT]]" >&2
        exit 2 ;;
esac

# Debian 12's emscripten needs node-acorn, and Node finds it only through NODE_PATH.
./tools/setup.sh
for p in emscripten node-acorn; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="${missing:-} $p"
    fi
done
if [ -n "${missing:-}" ]; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO=sudo
    echo "web: installing$missing"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq $missing >/dev/null
fi
export NODE_PATH=/usr/share/nodejs

# The data files (the pictures are made by a native tool) come from a native build of them.
cmake -S . -B build -DBRUNOLT_WERROR=ON >/dev/null
cmake --build build -j2 --target brunolt_data brunolt_pictures >/dev/null
mkdir -p build-web/data
for f in build/bin/*.grh build/bin/*.ogg build/bin/tempo.max; do
    cmp -s "$f" "build-web/data/${f##*/}" || cp "$f" build-web/data/
done

version=$(sed -n 's/^project(Brunolt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
make -s -f web/Makefile -j2 BUILD=build-web VERSION="$version"
cp web/index.html build-web/index.html
echo "web: built build-web/ (brunolt.js, brunolt.wasm, brunolt.data, index.html)"

if $serve; then
    echo "web: serving build-web/ on http://localhost:$port/ (Ctrl+C stops)"
    exec python3 web/serve.py build-web "$port"
fi
