#!/usr/bin/env bash
# Command-line behaviour of Kestrow: argument counts and the usage text, the layout switch, exit
# statuses, files that cannot be opened, and the guard against writing over the input.
#   cli_test.sh KESTROW...
# KESTROW is the command that runs the tool. With KESTROW_TARGET=windows the tool is a Windows
# program (run under Wine): its standard output ends lines with CR LF, and the checks that need
# POSIX devices give way to checks of Windows path spellings.
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
. "$here/harness.sh"

# The game every check runs on, and its output in each layout (banner included).
game="$here/cases/move_lines"

# run ARGS...: runs the tool in a fresh folder holding in.pgn; sets status, and stdout in ./stdout.
fresh() {
  rm -rf "$work/run" && mkdir "$work/run" && cd "$work/run" && cp "$game.pgn" in.pgn
}
run() {
  "${tool[@]}" "$@" > "$work/stdout" 2> "$work/stderr"
  status=$?
}
expect_status() {  # expect_status WANT WHAT
  if [ "$status" -eq "$1" ]; then pass; else fail "$2: exit status $status, expected $1"; fi
}
expect_silent() {  # expect_silent WHAT
  if [ -s "$work/stdout" ] || [ -s "$work/stderr" ]; then
    fail "$1: printed something"
  else
    pass
  fi
}
expect_same() {  # expect_same FILE EXPECTED WHAT
  if cmp -s "$1" "$2"; then pass; else fail "$3: $1 differs from $2"; fi
}

usage="$work/usage.expected"
as_printed < "$here/usage.txt" > "$usage"

# A wrong argument count prints the usage text, exits 1 and creates nothing.
for args in "" "in.pgn" "in.pgn out.pgn /2 extra" "in.pgn out.pgn a b c"; do
  fresh
  # shellcheck disable=SC2086 # the words of each case are its arguments
  run $args
  expect_status 1 "arguments '$args'"
  expect_same "$work/stdout" "$usage" "usage text for '$args'"
  if [ "$(ls)" = in.pgn ]; then pass; else fail "arguments '$args' created a file"; fi
done

# Only exactly "/2" selects the two-line layout; any other third argument is accepted silently.
for switch in "/2" "/2x" "/3" "/" "-2" "/2 " " /2" "//2" "\\2" "2" "" "*" "?"; do
  fresh
  run in.pgn out.pgn "$switch"
  expect_status 0 "switch '$switch'"
  expect_silent "switch '$switch'"
  if [ "$switch" = "/2" ]; then want="$game.out2"; else want="$game.out"; fi
  expect_same out.pgn "$want" "layout for switch '$switch'"
done

# Arguments reach the tool as typed: no wildcard expansion, though files match the patterns.
for pattern in "*.pgn" "i?.pgn" "in.pg?"; do
  fresh
  run "$pattern" out.pgn
  expect_status 1 "input '$pattern' (no such file)"
  if [ ! -e out.pgn ]; then pass; else fail "input '$pattern' created the output"; fi
done

# An input that cannot be opened leaves an existing output alone.
fresh
printf 'keep me' > out.pgn
run missing.pgn out.pgn
expect_status 1 "missing input"
expect_silent "missing input"
if [ "$(cat out.pgn)" = "keep me" ]; then pass; else fail "missing input touched the output"; fi

fresh
mkdir folder
printf 'keep me' > out.pgn
run folder out.pgn
expect_status 1 "a directory as input"
if [ "$(cat out.pgn)" = "keep me" ]; then pass; else fail "a directory as input touched the output"; fi

fresh
run in.pgn no/such/folder/out.pgn
expect_status 1 "output in a missing folder"
expect_silent "output in a missing folder"

fresh
: > empty.pgn
run empty.pgn out.pgn
expect_status 0 "empty input"
expect_same out.pgn "$here/cases/empty.out" "empty input gives the banner alone"

# The output naming the input file, however it is spelt, is refused before anything is written.
same_file() {  # same_file OUTPUT-SPELLING
  run in.pgn "$1"
  expect_status 1 "output '$1' is the input"
  expect_silent "output '$1' is the input"
  expect_same in.pgn "$game.pgn" "input kept when output is '$1'"
}
fresh
same_file in.pgn
same_file ./in.pgn
same_file ../run/in.pgn
ln in.pgn hard.pgn && same_file hard.pgn
if [ "$target" = windows ]; then
  same_file IN.PGN
  same_file .\\in.pgn
  same_file ..\\run\\IN.pgn
  same_file "$(winepath -w "$work/run/in.pgn" 2>/dev/null)"

  # Through another drive letter. Wine gives each letter a volume serial number of its own, so the
  # IDs of a file reached through two letters differ, as those of network drives mapped to
  # overlapping shares can on Windows: only holding the input against writing refuses the output
  # then. K: maps a second folder, which holds a hard link to the input, in a Wine prefix of the
  # test's own; it borrows the registry and the C: drive of the prefix in use, which stays as it
  # was.
  fresh
  mkdir k && ln in.pgn k/in.pgn
  prefix="$work/prefix"
  used="${WINEPREFIX:-$HOME/.wine}"
  mkdir -p "$prefix/dosdevices"
  if cp "$used"/*.reg "$used/.update-timestamp" "$prefix/"; then
    ln -s "$used/drive_c" "$prefix/dosdevices/c:"
    ln -s / "$prefix/dosdevices/z:"
    ln -s "$work/run/k" "$prefix/dosdevices/k:"
    WINEPREFIX="$prefix" run in.pgn 'K:\out.pgn'
    expect_status 0 "another file through K:"
    expect_same k/out.pgn "$game.out" "another file through K:"
    WINEPREFIX="$prefix" same_file 'K:\in.pgn'
    WINEPREFIX="$prefix" wineserver -k
  else
    fail "another drive letter: no initialised Wine prefix in $used to borrow from"
  fi
else
  ln -s in.pgn soft.pgn && same_file soft.pgn
  ln -s "$work/run" linked && same_file linked/in.pgn
fi

if [ "$target" != windows ]; then
  # Pipes and devices are no files to guard: standard input as the input works.
  fresh
  "${tool[@]}" /dev/stdin out.pgn < in.pgn > "$work/stdout" 2>&1
  status=$?
  expect_status 0 "/dev/stdin as input"
  expect_same out.pgn "$game.out" "/dev/stdin as input"

  fresh
  cat in.pgn | { "${tool[@]}" /dev/stdin out.pgn /2; echo $? > "$work/status"; }
  status=$(cat "$work/status")
  expect_status 0 "a pipe as input"
  expect_same out.pgn "$game.out2" "a pipe as input"

  # Failures during the run are not success: a full disk, and a read error.
  fresh
  run in.pgn /dev/full
  expect_status 1 "writing to a full disk"
  expect_silent "writing to a full disk"

  fresh
  run /proc/self/mem out.pgn
  expect_status 1 "a read error on the input"
  expect_silent "a read error on the input"
fi

finish cli
