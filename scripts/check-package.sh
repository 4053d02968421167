#!/bin/sh
# Packs the Debian package from a configured and built build folder
# (default: build) and checks it with lintian: fails on any error or warning,
# or when the program or the plugin is not where tavik-host looks for it.
# Usage: sh scripts/check-package.sh [BUILD_DIR]
set -eu
cd "$(dirname "$0")/.."
build_dir=${1:-build}
cd "$build_dir"
# An older version's package must not be the one checked.
rm -f tavik_*.deb
cpack -G DEB >/dev/null
set -- tavik_*.deb
if [ "$#" -ne 1 ] || [ ! -f "$1" ]; then
    echo "check-package: expected one tavik_*.deb in $build_dir, found: $*" >&2
    exit 1
fi
deb=$1
echo "check-package: $build_dir/$deb"
# tavik-host finds the plugin in ../lib/tavik beside its bin/.
files=$(dpkg-deb -c "$deb")
for path in ./usr/bin/tavik-host ./usr/lib/tavik/libTavik.so; do
    if ! printf '%s\n' "$files" | grep -q " $path\$"; then
        echo "check-package: $path missing from $deb" >&2
        exit 1
    fi
done
# Info tags are shown but do not fail; lintian warns on stderr when run as root.
lintian --display-info --fail-on error,warning "$deb"
echo "check-package: lintian reports no error or warning"
