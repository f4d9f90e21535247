#!/usr/bin/env bash
# Kestrow's reads and writes, watched with strace, in both layouts, on LF and CR LF files:
#  - every read of the input asks for 512 bytes, and it is made only when the reader needs a byte
#    that the reads before it have not brought (the last one finds the end of the file);
#  - every write of the output hands over 512 bytes, the last one may be fewer;
#  - before each read, every 512 bytes of output due by then have been written out.
# The reference reformatter (--reads) gives, for each read, the length of the output due by then.
#   syscalls_test.sh REFERENCE GENERATOR KESTROW...
# REFERENCE is the reference reformatter's command, GENERATOR the benchmark's PGN generator.
reference=$1
generator=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
. "$here/harness.sh"

if ! command -v strace > /dev/null; then
  fail "strace is not installed (Debian: strace)"
  finish "system calls"
fi

# A sanitized build's leak checker cannot work under ptrace: it is left to the other tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# trace INPUT [SWITCH]: runs Kestrow under strace on INPUT and prints one line per read of the
# input ("read ASKED") and per write of the output ("write SIZE"), in order.
trace() {
  local input=$1
  shift
  cp "$input" in.pgn
  strace -o strace.log -e trace=openat,read,write,close -s 0 "${tool[@]}" in.pgn out.pgn "$@" ||
    return 1
  awk '
    function arg(n,   fields) { split(substr($0, index($0, "(") + 1), fields, ", "); return fields[n] }
    function result() { return $NF }
    /^openat\(.*"in\.pgn"/ { input = result(); next }
    /^openat\(.*"out\.pgn"/ { output = result(); next }
    /^close\(/ { fd = arg(1) + 0; if (fd == input) input = ""; if (fd == output) output = ""; next }
    /^read\(/ && input != "" && arg(1) == input { print "read", arg(3) + 0; next }
    /^write\(/ && output != "" && arg(1) == output { print "write", arg(3) + 0 }
  ' strace.log
}

# expected INPUT [SWITCH]: the same lines as Kestrow must make them, from the reference: before
# each read, the whole 512-byte writes of the output due by then; at the end, the rest.
expected() {
  local input=$1
  shift
  "$reference" "$input" expected.pgn "$@" --reads > reads.txt || return 1
  awk -v total="$(stat -c %s expected.pgn)" '
    { while (written + 512 <= $1) { print "write", 512; written += 512 } print "read", 512 }
    END {
      while (written + 512 <= total) { print "write", 512; written += 512 }
      if (written < total) print "write", total - written
    }' reads.txt
}

"$generator" 200000 > games-lf.pgn
"$generator" 200000 crlf > games-crlf.pgn
for input in games-lf.pgn games-crlf.pgn "$here"/cases/*.pgn "$here"/../../examples/*.pgn; do
  for switch in "" /2; do
    name="$(basename "$input") ${switch:-one-line}"
    if ! trace "$input" $switch > got.txt; then
      fail "$name: strace or Kestrow failed"
    elif ! expected "$input" $switch > want.txt; then
      fail "$name: the reference failed"
    elif ! cmp -s got.txt want.txt; then
      fail "$name: the reads and writes differ (got, then expected, from the first difference):"
      diff got.txt want.txt | head -10
    else
      pass
    fi
  done
done

finish "system calls"
