#!/bin/sh
# The install tree: installs the build into a temporary prefix and checks its files, the
# desktop entry, the metainfo, the icons and the command run from another folder.
# Usage: install_tree_test.sh CMAKE BUILD_DIR FILE_LIST VERSION
set -eu
cmake=$1 build=$2 list=$3 version=$4
for tool in desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (tools/setup.sh --test installs it)"
        exit 77
    fi
done
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cmake" --install "$build" --prefix "$tmp/p" >/dev/null
(cd "$tmp/p" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort) >"$tmp/found"
LC_ALL=C sort "$list" | diff -u - "$tmp/found" || fail "the installed files differ from $list"

desktop-file-validate "$tmp/p/share/applications/"*.desktop || fail "desktop entry"
appstreamcli validate --no-net "$tmp/p/share/metainfo/"*.metainfo.xml >"$tmp/as" 2>&1 ||
    { cat "$tmp/as"; fail "metainfo"; }
[ "$(readlink "$tmp/p/bin/brunolt")" = ../lib/brunolt/Brunolt ] || fail "bin/brunolt link"

# Each icon is a square of its folder's size (the PNG header's width and height).
for size in 32 48 64 128 256; do
    icon=$tmp/p/share/icons/hicolor/${size}x$size/apps/org.brunolt.Brunolt.png
    dims=$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ')
    want=" 0 0 $((size / 256)) $((size % 256)) 0 0 $((size / 256)) $((size % 256))"
    [ "$dims" = "$want" ] || fail "icon $size is$dims"
done

# The command works from any folder and answers without a display.
mkdir "$tmp/elsewhere"
cd "$tmp/elsewhere"
[ "$(../p/bin/brunolt --version)" = "Brunolt $version" ] || fail "--version"
../p/bin/brunolt --help | grep -q -- "--version" || fail "--help"
echo "install tree of $(wc -l <"$list") files: ok"
