#!/usr/bin/env bash
# The real DDC/CI plugin on a machine without /dev/i2c-*: loading "DDC2Bi"
# says "Check DDC Port Fail", and the terminal gets the panel's one line of
# why, nothing of the libraries beneath.
# Runs the built lumivex inside an X display of its own (Xvfb).
#   ddc_quiet_test.sh BIN_DIR
set -euo pipefail
BIN="$1"
WORK="$(mktemp -d)"
PANEL_PID=""
XVFB_PID=""
cleanup() {
  [[ -n "$PANEL_PID" ]] && kill "$PANEL_PID" 2>/dev/null && wait "$PANEL_PID" 2>/dev/null
  [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "ddc_quiet_test: $*" >&2
  for f in out err messages.log xvfb.log; do [[ -f "$WORK/$f" ]] && { echo "--- $f" >&2; cat "$WORK/$f" >&2; }; done
  exit 1
}

wait_for() {
  # A ceiling for failure only (60 s): a loaded machine starts the panel slowly.
  for _ in $(seq 1 600); do
    if eval "$1" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  fail "gave up waiting for: $1"
}

if compgen -G "/dev/i2c-*" >/dev/null; then
  echo "ddc_quiet_test: this machine has /dev/i2c-*; the case needs a machine without"
  exit 77
fi

# The server picks a free number and writes it once it takes connections:
# no number guessed beside other tests' displays, no cookie to write.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
wait_for '[[ "$(cat "$WORK/display")" == *[0-9]* ]]'
export DISPLAY=":$(tr -d '[:space:]' <"$WORK/display")"
unset XAUTHORITY

unset QT_QPA_PLATFORM ZEPTA_DDCHELPER
export XDG_RUNTIME_DIR="$WORK"
export ZEPTA_MESSAGE_LOG="$WORK/messages.log"
# Under the sanitizers the rest of the suite checks for leaks; a leak report
# of the X libraries at exit would only be mistaken here for the program's
# own output. Any other sanitizer report still fails the case.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# The plugin beside the executable is the real one.
"$BIN/lumivex" >"$WORK/out" 2>"$WORK/err" &
PANEL_PID=$!
wait_for 'xdotool search --onlyvisible --name Lumivex'
PANEL="$(xdotool search --onlyvisible --name Lumivex | head -n1)"
xdotool windowfocus --sync "$PANEL" key --clearmodifiers Tab ctrl+a
xdotool type --delay 20 DDC2Bi
xdotool key --clearmodifiers Tab space
wait_for 'grep -q "Check DDC Port Fail" "$WORK/messages.log"'

# Closed as an operator closes it, so that whatever was written reaches
# the files rather than dying in a buffer.
xdotool windowfocus --sync "$PANEL" key --clearmodifiers Escape
wait_for '! kill -0 "$PANEL_PID"'
PANEL_PID=""
[[ ! -s "$WORK/out" ]] || fail "lumivex wrote to standard output"
[[ "$(cat "$WORK/err")" == "lumivex: DDC/CI: no monitor was found"* && $(wc -l <"$WORK/err") -eq 1 ]] \
  || fail "lumivex wrote other than its one line of why to standard error"
grep -qx $'info\tCheck DDC Port Fail' "$WORK/messages.log" || fail "no Check DDC Port Fail box"
echo "ddc_quiet_test: Check DDC Port Fail, nothing on the terminal"
