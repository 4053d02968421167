#!/bin/sh
# Builds the plugin and the stand-in host, then scores the bundled sample log.
# The outputs (err.txt, Plugins/Tavik.ini) land in build/sample-run/.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target Tavik tavik-host
mkdir -p build/sample-run
exec build/bin/tavik-host --dir build/sample-run samples/cis-dx-psk.adi "$@"
