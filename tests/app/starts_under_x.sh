#!/usr/bin/env bash
# Starts the program, waits until its 800 x 600 window is mapped, checks that
# it found its host page through the bundle layout, and ends it. Fails when
# the program crashes or never shows its window.
set -u
program=$1
if [ -z "${DISPLAY:-}" ]; then
  echo "starts_under_x: no DISPLAY (run the tests under xvfb-run)" >&2
  exit 1
fi
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$workdir}
log=$workdir/program.log

pattern='"Vornhelm": ("vornhelm" "Vornhelm")  800x600'
count_windows() { xwininfo -root -tree 2>/dev/null | grep -c "$pattern"; }
before=$(count_windows)

# Start from another folder: the program must find its resources by its own path.
(cd "$workdir" && exec env QT_QPA_PLATFORM=xcb "$program") >"$log" 2>&1 &
pid=$!

mapped=""
for _ in $(seq 1 100); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"; status=$?
    echo "starts_under_x: the program ended on its own with status $status" >&2
    cat "$log" >&2
    exit 1
  fi
  if [ "$(count_windows)" -gt "$before" ]; then
    mapped=yes
    break
  fi
  sleep 0.2
done

# Give the page time to load; a missing resource or a crash shows up here.
sleep 2
alive=yes
kill -0 "$pid" 2>/dev/null || alive=""
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null

if ! grep -q 'ENTERED MAIN FUNCTION IN MAIN.CPP' "$log"; then
  echo "starts_under_x: the start message is missing" >&2; cat "$log" >&2; exit 1
fi
if [ -z "$mapped" ] || [ -z "$alive" ]; then
  echo "starts_under_x: window mapped: ${mapped:-no}, still running after load: ${alive:-no}" >&2
  cat "$log" >&2
  exit 1
fi
if grep -qi 'not found\|No such file' "$log"; then
  echo "starts_under_x: the program reported a missing resource" >&2; cat "$log" >&2; exit 1
fi
echo "starts_under_x: window mapped, program ran and was ended"
