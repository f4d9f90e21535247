#!/usr/bin/env bash
# Kestrow on the oldest x86-64 CPU: the program as built runs under qemu-x86_64 -cpu qemu64 (SSE2
# and nothing newer) on every end-to-end case and example, in both layouts, and writes the
# expected bytes. A build that assumed a newer CPU would stop on an illegal instruction.
#   baseline_cpu_test.sh KESTROW
# Needs qemu-x86_64 (Debian: qemu-user).
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
. "$here/harness.sh"

if ! command -v qemu-x86_64 > /dev/null; then
  fail "qemu-x86_64 is not installed (Debian: qemu-user)"
  finish "baseline CPU"
fi

for input in "$here"/cases/*.pgn "$here"/../../examples/*.pgn; do
  case_path=${input%.pgn}
  for expected in "$case_path.out" "$case_path.out2"; do
    [ -f "$expected" ] || continue
    switch=()
    [ "${expected##*.}" = out2 ] && switch=(/2)
    rm -f out.pgn
    qemu-x86_64 -cpu qemu64 "${tool[@]}" "$input" out.pgn "${switch[@]}"
    status=$?
    if [ "$status" -ne 0 ]; then
      fail "${expected##*/}: exit status $status under qemu64"
    elif ! cmp -s out.pgn "$expected"; then
      fail "${expected##*/}: output differs under qemu64"
    else
      pass
    fi
  done
done

finish "baseline CPU"
