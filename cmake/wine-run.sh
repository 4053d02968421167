#!/bin/sh
# Runs a Windows program under Wine in a private, quiet prefix; the exit code is
# the program's. TAVIK_WINEPREFIX picks the prefix (default: one per user in /tmp).
export WINEDEBUG=-all
export WINEPREFIX="${TAVIK_WINEPREFIX:-${TMPDIR:-/tmp}/tavik-wine-$(id -u)}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    # The services started while the prefix is made do not serve COM afterwards;
    # the next program starts them afresh.
    wineserver -k >/dev/null 2>&1 || true
fi
program="$1"
shift
exec wine "$program" "$@"
