#!/usr/bin/env bash
# Alt+P reaches a running lumivex while another window has the focus and
# powers the simulated controller on: the frame 04 1C 01 DF arrives at
# zepta-sim. Runs inside an X display (ctest starts it under xvfb-run).
#   alt_p_test.sh BIN_DIR
set -euo pipefail
BIN="$1"
WORK="$(mktemp -d)"
PIDS=()
cleanup() {
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

# Polls a condition for up to 20 s; only a broken program waits that long.
wait_for() {
  for _ in $(seq 1 200); do
    if eval "$1" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "alt_p_test: gave up waiting for: $1" >&2
  [[ -f "$WORK/sim.log" ]] && tail -n 20 "$WORK/sim.log" >&2
  return 1
}

unset QT_QPA_PLATFORM
export XDG_RUNTIME_DIR="$WORK"
export ZEPTA_MESSAGE_LOG="$WORK/messages.log"
export ZEPTA_DDCHELPER="$BIN/libDDCHelper-sim.so"

"$BIN/zepta-sim" --persist --log "$WORK/sim.log" >"$WORK/sim.out" &
PIDS+=($!)
wait_for '[[ -s "$WORK/sim.out" ]]'
export ZEPTA_COM1="$(head -n1 "$WORK/sim.out")"

"$BIN/lumivex" &
PIDS+=($!)
wait_for 'xdotool search --onlyvisible --name Lumivex'
PANEL="$(xdotool search --onlyvisible --name Lumivex | head -n1)"

# Load COM1 with the keyboard, then show the Setting tab: its first
# showing registers the key.
xdotool windowfocus --sync "$PANEL" key --clearmodifiers Tab ctrl+a
xdotool type --delay 20 COM1
xdotool key --clearmodifiers Tab space
wait_for 'grep -q "Open COM1 successfully" "$WORK/messages.log"'
xdotool key --clearmodifiers ctrl+Tab ctrl+Tab
wait_for 'grep -q "rx 04 04 00 F8" "$WORK/sim.log"'

# Another program's window takes the focus.
xmessage -title "another program" "another program" &
PIDS+=($!)
wait_for 'xdotool search --onlyvisible --name "another program"'
OTHER="$(xdotool search --onlyvisible --name "another program" | head -n1)"
xdotool windowfocus --sync "$OTHER"
[[ "$(xdotool getwindowfocus)" != "$PANEL" ]]

xdotool key alt+p
wait_for 'grep -q "rx 04 1C 01 DF" "$WORK/sim.log"'
echo "alt_p_test: power on reached the controller"
