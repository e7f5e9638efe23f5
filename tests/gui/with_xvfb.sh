#!/usr/bin/env bash
# Runs a command with DISPLAY set to a fresh Xvfb server of its own, and stops the
# server after. Xvfb picks a free display number itself (-displayfd), so tests
# started at the same moment never share a server.
set -u
fifo=$(mktemp -u /tmp/vt_xvfb.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xpid=$!
n=""
read -r -t 20 n <"$fifo"
rm -f "$fifo"
if [ -z "$n" ] || ! kill -0 $xpid 2>/dev/null; then
  echo "Xvfb did not start" >&2
  kill $xpid 2>/dev/null
  exit 1
fi
export DISPLAY=:$n
"$@"
rc=$?
kill $xpid 2>/dev/null
wait $xpid 2>/dev/null
exit $rc
