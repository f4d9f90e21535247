#!/usr/bin/env bash
# Inputs too large to keep as files, or that are no files at all, made on the spot:
# a 10 MB line without a delimiter, and a FIFO as the input.
#   generated_inputs_test.sh KESTROW...
# With KESTROW_TARGET=windows the FIFO check is left out.
# shellcheck source=harness.sh
. "$(cd "$(dirname "$0")" && pwd)/harness.sh"

check() {  # check WHAT STATUS WANT-STATUS FILE EXPECTED-FILE
  if [ "$2" -ne "$3" ]; then
    fail "$1: exit status $2, expected $3"
  elif ! cmp "$4" "$5"; then
    fail "$1: output differs"
  else
    pass
  fi
}

banner=$'[Kestrow PGN reformatter, by the Kestrow developers]\r\n[https://kestrow.example.org/]\r\n'

# 10 MiB of one word (20480 times 512 characters) and 7 more: all but the last 7 are dropped.
{ head -c $((10 * 1024 * 1024 + 7)) /dev/zero | tr '\0' 'x'; printf ' 1. e4 e5\n'; } > long.pgn
printf '%s xxxxxxx\r\n1. e4, e5' "$banner" > long.expected
"${tool[@]}" long.pgn long.out
check "a 10 MB line" $? 0 long.out long.expected

if [ "$target" != windows ]; then
  # A FIFO: read to its end like a file, written to slowly by another process.
  mkfifo game.fifo
  { printf '1. e4 '; sleep 1; printf 'e5 2. d4\n'; } > game.fifo &
  printf '%s\r\n1. e4, e5\r\n2. d4' "$banner" > fifo.expected
  "${tool[@]}" game.fifo fifo.out
  check "a FIFO as input" $? 0 fifo.out fifo.expected
  wait
fi

finish "generated inputs"
