#!/bin/sh
# Builds the plugin and the stand-in host, then scores the bundled sample log with
# the Cabrillo export and prints the report and the Cabrillo log.
# The outputs (err.txt, Plugins/Tavik.ini, DL6NBS.cbr) land in build/sample-run/.
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target Tavik tavik-host
mkdir -p build/sample-run/Plugins
# The sample's header fields (name, address, soapbox), as the header form keeps them.
cp samples/Tavik.ini build/sample-run/Plugins/Tavik.ini
# Standard input from /dev/null: no header form, the stored fields are used as they are.
build/bin/tavik-host --cabrillo --dir build/sample-run samples/cis-dx-psk.adi "$@" </dev/null
echo
echo "== build/sample-run/DL6NBS.cbr"
tr -d '\r' < build/sample-run/DL6NBS.cbr | head -n 30
echo "..."
