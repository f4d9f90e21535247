#!/usr/bin/env bash
# Runs Kestrow on one end-to-end case and compares the whole output file byte for byte.
#   run_case.sh CASE KESTROW...
# CASE is a path without its ending: CASE.pgn is the input, CASE.out the expected output of the
# one-line layout and CASE.out2, where present, that of the two-line layout ("/2"). KESTROW is the
# command that runs the tool (for example: wine path/to/Kestrow.exe).
set -u
case_path=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
tool=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$case_path.pgn" "$work/in.pgn"
cd "$work" || exit 1

failures=0
check() {  # check EXPECTED [SWITCH]
  local expected=$1
  shift
  rm -f out.pgn
  "${tool[@]}" in.pgn out.pgn "$@"
  local status=$?
  if [ "$status" -ne 0 ]; then
    echo "FAIL ${expected##*/}: exit status $status, expected 0"
    failures=$((failures + 1))
  elif ! cmp -s out.pgn "$expected"; then
    echo "FAIL ${expected##*/}: output differs (first difference, then both in hex):"
    cmp out.pgn "$expected" | head -1
    echo "--- got";      od -c out.pgn | head -20
    echo "--- expected"; od -c "$expected" | head -20
    failures=$((failures + 1))
  fi
}

check "$case_path.out"
if [ -f "$case_path.out2" ]; then check "$case_path.out2" /2; fi
exit $((failures > 0))
