#!/usr/bin/env bash
# Runs a program in a real X window with a window manager: starts Xvfb on a free display,
# starts openbox on it, waits until the window manager has announced itself, then runs the
# given command with QT_QPA_PLATFORM=xcb. The server and the window manager end with the
# script, whether the command passes, fails or the script is interrupted.
#   LUMORA_X_SCREEN   screen size and depth (default 1280x800x24)
#   LUMORA_X_WAIT     seconds to wait for the server and the window manager (default 20)
# The exit code is the command's, or 77 when the X server or the window manager cannot start.
set -uo pipefail

if [ $# -eq 0 ]; then
  echo "usage: $0 COMMAND [ARGUMENT...]" >&2
  exit 2
fi
screen=${LUMORA_X_SCREEN:-1280x800x24}
wait_seconds=${LUMORA_X_WAIT:-20}
for tool in Xvfb openbox xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "run-in-x: $tool is not installed (scripts/install-deps.sh installs it)" >&2
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/lumora-x.XXXXXX")
xvfb_pid=""
wm_pid=""
command_pid=""
cleanup() {
  [ -n "$command_pid" ] && kill "$command_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The server picks a free display itself and writes its number to the pipe (-displayfd).
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3>"$work/display" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
if ! read -r -t "$wait_seconds" display <"$work/display" || [ -z "$display" ]; then
  echo "run-in-x: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 77
fi
export DISPLAY=":$display"

# openbox with its defaults, away from the person's own configuration.
export XDG_CONFIG_HOME="$work/config"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
deadline=$((SECONDS + wait_seconds))
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
  if [ $SECONDS -ge $deadline ] || ! kill -0 "$wm_pid" 2>/dev/null; then
    echo "run-in-x: the window manager did not start" >&2
    cat "$work/openbox.log" >&2
    exit 77
  fi
  sleep 0.1
done

export QT_QPA_PLATFORM=xcb
# In the background, so that an interrupted script ends the command too.
"$@" &
command_pid=$!
wait "$command_pid"
status=$?
command_pid=""
exit "$status"
