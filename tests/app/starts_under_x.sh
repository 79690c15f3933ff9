#!/usr/bin/env bash
# Starts the program from another folder (it must find its resources by its
# own path), waits until its 800 x 600 window is mapped, lets the page load
# and ends it. Fails when the program crashes, never shows its window or
# reports a missing resource. It starts twice, with its clock moved ahead by
# faketime (file times stay true): two hours ahead an attachment folder made
# a moment ago stays for the mail client that may still read it, two days
# ahead it goes; other folders stay.
set -u
program=$1
[ -n "${DISPLAY:-}" ] || { echo "starts_under_x: no DISPLAY (run the tests under xvfb-run)" >&2; exit 1; }
command -v faketime >/dev/null || { echo "starts_under_x: faketime is not installed (Debian package faketime)" >&2; exit 1; }
workdir=$(mktemp -d)
# faketime starts the program as a child of its own and ends with it, but a
# kill ends faketime alone: the program's own pid is what is ended.
pid=
wrapper=
# A program still running when the script ends, by a failure too, is ended.
cleanup() {
  [ -z "$pid" ] && [ -s "$workdir/program.pid" ] && pid=$(cat "$workdir/program.pid")
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  if [ -n "$wrapper" ]; then
    [ -n "$pid" ] || kill "$wrapper" 2>/dev/null
    wait "$wrapper" 2>/dev/null
  fi
  rm -rf "$workdir"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$workdir}
log=$workdir/program.log
fail() { echo "starts_under_x: $*" >&2; cat "$log" >&2; exit 1; }
windows() { xwininfo -root -tree 2>/dev/null | grep -c '"Vornhelm": ("vornhelm" "Vornhelm")  800x600'; }

# An attachment folder of an earlier run in the bundle's temporary folder,
# made now, and a folder of another name.
temp=$(dirname "$program")/../Resources/temp
leftover=$temp/20000101000000-2
kept=$temp/starts-under-x-kept
mkdir -p "$leftover" "$kept" && echo x > "$leftover/invoice.txt" && echo x > "$kept/invoice.txt" \
  || fail "cannot plant folders in $temp"
trap 'cleanup; rm -rf "$leftover" "$kept"' EXIT

# Starts the program with its clock OFFSET ahead, waits for its window and
# for its page to load, and ends it.
run() {
  local offset=$1 before pidfile=$workdir/program.pid
  : >"$log"
  rm -f "$pidfile"
  before=$(windows)
  (cd "$workdir" && exec env QT_QPA_PLATFORM=xcb NO_FAKE_STAT=1 faketime -f "$offset" \
     sh -c 'echo $$ >"$1.part" && mv "$1.part" "$1" && shift && exec "$@"' sh "$pidfile" "$program") >"$log" 2>&1 &
  wrapper=$!
  for _ in $(seq 1 100); do
    [ -s "$pidfile" ] && break
    sleep 0.1
  done
  [ -s "$pidfile" ] || fail "faketime did not start the program ($offset)"
  pid=$(cat "$pidfile")
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || fail "the program ended before its window was mapped ($offset)"
    [ "$(windows)" -gt "$before" ] && break
    sleep 0.2
  done
  [ "$(windows)" -gt "$before" ] || fail "no window mapped ($offset)"
  # Give the page time to load; a missing resource or a crash shows up here.
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "the program ended while its page loaded ($offset)"
  kill "$pid"
  wait "$wrapper" 2>/dev/null
  pid=
  wrapper=
  grep -q 'ENTERED MAIN FUNCTION IN MAIN.CPP' "$log" || fail "the start message is missing ($offset)"
  ! grep -qi 'not found\|No such file' "$log" || fail "the program reported a missing resource ($offset)"
  [ -f "$kept/invoice.txt" ] || fail "a folder of another name was removed ($offset)"
}

run +2h
[ -f "$leftover/invoice.txt" ] || fail "an attachment folder two hours old was removed"
run +2d
[ ! -e "$leftover" ] || fail "an attachment folder two days old is still there"
echo "starts_under_x: window mapped twice; the start kept a folder two hours old and removed one two days old"
