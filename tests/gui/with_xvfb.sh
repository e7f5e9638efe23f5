#!/usr/bin/env bash
# Runs a command with DISPLAY set to a fresh Xvfb server of its own, and stops the server after.
set -u
for n in $(seq 50 150); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
  Xvfb :$n -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 1 50); do
    [ -e /tmp/.X11-unix/X$n ] && break
    sleep 0.1
  done
  if kill -0 $xpid 2>/dev/null && [ -e /tmp/.X11-unix/X$n ]; then
    export DISPLAY=:$n
    "$@"
    rc=$?
    kill $xpid 2>/dev/null
    wait $xpid 2>/dev/null
    exit $rc
  fi
done
echo "no free X display" >&2
exit 1
