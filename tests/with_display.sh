#!/usr/bin/env bash
# Runs a command that shows windows: on the display in force, or, where
# there is none, on a private virtual one for the command's lifetime.
# Usage: with_display.sh COMMAND [ARG...]
if [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
