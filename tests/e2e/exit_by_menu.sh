# Sourced by the end-to-end tests: File, Exit in the catalogue window WINDOW
# of the program with process PID, which must then end within 10 seconds.
# Uses the sourcing script's fail(); sets STATUS to the exit status.
exit_by_menu() { # WINDOW PID
  xdotool windowfocus --sync "$1"
  xdotool key alt+f
  sleep 0.3
  xdotool key x
  for _ in $(seq 100); do
    kill -0 "$2" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$2" 2>/dev/null && fail "Alt+F X did not end the program"
  set +e
  wait "$2"
  STATUS=$?
  set -e
}
