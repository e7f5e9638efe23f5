#!/usr/bin/env bash
# Runs every test of the Windows build under Wine: the unit tests through CTest,
# then the window, the batch export and the packaged zip (test_wine.py). Called by
# scripts/test-windows through tests/gui/with_xvfb.sh, so DISPLAY is a private
# Xvfb display. One Wine server serves all tests and is stopped at the end: the
# server and Wine's service processes start here, outside the tests, so none of
# them holds a test's output pipe open.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
export WINEPREFIX="$root/build-windows/wineprefix"
export WINEDEBUG=-all
wineserver=/usr/lib/wine/wineserver
trap '"$wineserver" -k 2>/dev/null || true' EXIT
# The prefix is made (or brought up to date) by wineboot, under the persistent server.
mkdir -p "$WINEPREFIX"
"$wineserver" -p
"$root/scripts/wine" wineboot -u </dev/null >/dev/null 2>&1

(cd "$root/build-windows/app" && ctest --output-on-failure -j"$(nproc)")
zip=$(ls "$root"/dist/veltrune-*-windows-x64.zip 2>/dev/null | tail -n 1 || true)
python3 "$root/tests/windows/test_wine.py" "$root/build-windows/app/veltrune.exe" "$root/build/veltrune" "$root" $zip
