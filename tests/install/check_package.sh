#!/bin/sh
# Builds the Debian package from a build folder and checks it: exactly the installed files
# under /usr (no test, tool or replay driver), and run-time dependencies on SDL 1.2's
# libraries rather than their -dev packages.
# Usage: check_package.sh BUILD_DIR
set -eu
build=$1
list=$(cd "$(dirname "$0")" && pwd)/installed_files.txt
fail() { echo "FAIL: $*"; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
(cd "$build" && cpack -G DEB >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls -t "$build"/brunolt_*.deb | head -n 1)

dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./usr/||' |
    LC_ALL=C sort >"$tmp/found"
LC_ALL=C sort "$list" | diff -u - "$tmp/found" || fail "the package's files differ from $list"

[ "$(dpkg-deb --field "$deb" Package)" = brunolt ] || fail "package name"
depends=$(dpkg-deb --field "$deb" Depends)
for library in libsdl1.2debian libsdl-mixer1.2 libsdl-ttf2.0-0; do
    echo "$depends" | grep -q "$library" || fail "no dependency on $library: $depends"
done
if echo "$depends" | grep -q -- '-dev'; then fail "a build-time package in: $depends"; fi
echo "$(basename "$deb"): $(wc -c <"$deb") bytes, $(wc -l <"$tmp/found") files; Depends: $depends"
