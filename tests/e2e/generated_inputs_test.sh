#!/usr/bin/env bash
# Inputs too large to keep as files, or that are no files at all, made on the spot:
# a 10 MB line without a delimiter, and a FIFO as the input.
#   generated_inputs_test.sh KESTROW...
# With KESTROW_TARGET=windows the FIFO check is left out.
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
. "$here/harness.sh"

check() {  # check WHAT STATUS WANT-STATUS FILE EXPECTED-FILE
  if [ "$2" -ne "$3" ]; then
    fail "$1: exit status $2, expected $3"
  elif ! cmp "$4" "$5"; then
    fail "$1: output differs"
  else
    pass
  fi
}

# The output of an empty input is the banner alone: each expected output starts with it.
banner="$here/cases/empty.out"

# 10 MiB of one word (20480 times 512 characters) and 7 more: all but the last 7 are dropped.
{ head -c $((10 * 1024 * 1024 + 7)) /dev/zero | tr '\0' 'x'; printf ' 1. e4 e5\n'; } > long.pgn
{ cat "$banner"; printf ' xxxxxxx\r\n1. e4, e5'; } > long.expected
"${tool[@]}" long.pgn long.out
check "a 10 MB line" $? 0 long.out long.expected

if [ "$target" != windows ]; then
  # A FIFO: read to its end like a file, written to slowly by another process.
  mkfifo game.fifo
  { printf '1. e4 '; sleep 1; printf 'e5 2. d4\n'; } > game.fifo &
  writer=$!
  { cat "$banner"; printf '\r\n1. e4, e5\r\n2. d4'; } > fifo.expected
  "${tool[@]}" game.fifo fifo.out
  check "a FIFO as input" $? 0 fifo.out fifo.expected
  # A tool that never opened the FIFO leaves the writer waiting for a reader: end it.
  kill "$writer" 2> /dev/null
  wait "$writer" 2> /dev/null
fi

finish "generated inputs"
