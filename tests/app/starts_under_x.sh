#!/usr/bin/env bash
# Starts the program from another folder (it must find its resources by its
# own path), waits until its 800 x 600 window is mapped, lets the page load
# and ends it. Fails when the program crashes, never shows its window or
# reports a missing resource, or leaves an earlier run's attachment folder.
set -u
program=$1
[ -n "${DISPLAY:-}" ] || { echo "starts_under_x: no DISPLAY (run the tests under xvfb-run)" >&2; exit 1; }
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$workdir}
log=$workdir/program.log
fail() { echo "starts_under_x: $*" >&2; cat "$log" >&2; exit 1; }
windows() { xwininfo -root -tree 2>/dev/null | grep -c '"Vornhelm": ("vornhelm" "Vornhelm")  800x600'; }

# Attachment folders an earlier run left in the bundle's temporary folder go
# as the program starts; other folders stay.
temp=$(dirname "$program")/../Resources/temp
leftover=$temp/20000101000000-2
kept=$temp/starts-under-x-kept
mkdir -p "$leftover" "$kept" && echo x > "$leftover/invoice.txt" && echo x > "$kept/invoice.txt" \
  || fail "cannot plant folders in $temp"
trap 'rm -rf "$workdir" "$leftover" "$kept"' EXIT

before=$(windows)
(cd "$workdir" && exec env QT_QPA_PLATFORM=xcb "$program") >"$log" 2>&1 &
pid=$!
for _ in $(seq 1 100); do
  kill -0 "$pid" 2>/dev/null || fail "the program ended before its window was mapped"
  [ "$(windows)" -gt "$before" ] && break
  sleep 0.2
done
[ "$(windows)" -gt "$before" ] || fail "no window mapped"
# Give the page time to load; a missing resource or a crash shows up here.
sleep 2
kill -0 "$pid" 2>/dev/null || fail "the program ended while its page loaded"
[ ! -e "$leftover" ] || fail "an earlier run's attachment folder is still there"
[ -f "$kept/invoice.txt" ] || fail "a folder of another name was removed"
kill "$pid"
wait "$pid" 2>/dev/null
grep -q 'ENTERED MAIN FUNCTION IN MAIN.CPP' "$log" || fail "the start message is missing"
! grep -qi 'not found\|No such file' "$log" || fail "the program reported a missing resource"
echo "starts_under_x: window mapped, program ran and was ended"
