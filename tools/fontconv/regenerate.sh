#!/bin/sh
# Rebuilds runtime/screen/font_data.h and .cpp from Debian's console-data fonts (run by hand).
set -e
cd "$(dirname "$0")/../.."
FONTS=/usr/share/consolefonts
if [ ! -f "$FONTS/default8x16.psf.gz" ] || [ ! -f "$FONTS/cp865-8x8.psf.gz" ]; then
    echo "regenerate.sh: install the console-data package first (apt-get install console-data)" >&2
    exit 1
fi
VERSION=$(dpkg-query -W -f='${Version}' console-data)
cmake -S . -B build-fontconv >/dev/null
cmake --build build-fontconv --target fontconv >/dev/null
./build-fontconv/bin/fontconv --out-dir runtime/screen \
    --note "Origin: the console fonts of Debian's package console-data $VERSION, covered by" \
    --note "the GNU GPL version 2.0 (docs/THIRD_PARTY.md). The 8 x 16 set is default8x16.psf.gz," \
    --note "taken through its Unicode table; the 8 x 8 set is cp865-8x8.psf.gz in code page 865" \
    --note "order, with 0x9B, 0x9D and 0xAF (where code page 865 differs from 437) taken from" \
    --note "cp850-8x8.psf.gz." \
    --set8 "$FONTS/cp865-8x8.psf.gz@cp865" "$FONTS/cp850-8x8.psf.gz@cp850" \
    --set16 "$FONTS/default8x16.psf.gz@unicode"
