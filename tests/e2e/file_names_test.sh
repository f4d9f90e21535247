#!/usr/bin/env bash
# File names as users have them: every script (the table in file_names.txt), paths of about 300
# and of more than 1,000 characters, relative and absolute, the guard against writing over the
# input under other spellings of its name, and the platform's own cases (on POSIX a name that is
# no UTF-8 at all, on Windows the NUL device). Every created output is looked up from this side
# by the exact name it was given, so a name that came out wrong fails.
#   file_names_test.sh KESTROW...
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=harness.sh
. "$here/harness.sh"

game="$here/cases/move_lines"

# spell PATH: the path as it is handed to the tool; on Windows "/" becomes "\" when backslashes
# are asked for, an absolute POSIX path becomes its Windows form, and that gets the NT prefix \??\
# when nt_form is asked for.
spell() {
  local path=$1
  if [ "$target" = windows ]; then
    if [ "${path:0:1}" = / ]; then
      path="Z:$path"
      if [ "${nt_form:-no}" = yes ]; then path="/??/$path"; fi
    fi
    if [ "${backslashes:-no}" = yes ]; then path=${path//\//\\}; fi
  fi
  printf '%s' "$path"
}

# converts WHAT INPUT OUTPUT: the game at INPUT (made here) is reformatted into OUTPUT, which must
# then exist under exactly that name and hold the expected output.
converts() {
  local what=$1 input=$2 output=$3
  mkdir -p "$(dirname "$input")" "$(dirname "$output")"
  cp "$game.pgn" "$input"
  rm -f "$output"
  "${tool[@]}" "$(spell "$input")" "$(spell "$output")" > stdout 2>&1
  local status=$?
  if [ "$status" -ne 0 ]; then
    fail "$what: exit status $status, expected 0 ($(head -c 200 stdout))"
  elif [ ! -f "$output" ]; then
    fail "$what: no file by the output's name; the folder holds: $(ls "$(dirname "$output")")"
  elif ! cmp -s "$output" "$game.out"; then
    fail "$what: output differs"
  else
    pass
  fi
  rm -f "$input" "$output"
}

# refuses WHAT INPUT OUTPUT-SPELLING: the output names the input file; nothing may be written.
refuses() {
  local what=$1 input=$2 output=$3
  mkdir -p "$(dirname "$input")"
  cp "$game.pgn" "$input"
  "${tool[@]}" "$(spell "$input")" "$output" > stdout 2>&1
  local status=$?
  if [ "$status" -ne 1 ]; then
    fail "$what: exit status $status, expected 1"
  elif ! cmp -s "$input" "$game.pgn"; then
    fail "$what: the input was changed"
  else
    pass
  fi
}

# long_path COUNT LENGTH NAME: COUNT folders of LENGTH characters each, then NAME.
long_path() {
  local path="" i
  for ((i = 0; i < $1; i++)); do path+=$(printf "%0$2d" "$i" | tr 0-9 a-j)/; done
  printf '%s' "$path$3"
}

separators=(no)
[ "$target" = windows ] && separators=(no yes)
for backslashes in "${separators[@]}"; do
  while IFS=$'\t' read -r input output; do
    case $input in '#'* | '') continue ;; esac
    converts "'$input' -> '$output' (backslashes: $backslashes)" "$input" "$output"
    converts "absolute '$input' (backslashes: $backslashes)" "$work/$input" "$work/$output"
  done < "$here/file_names.txt"

  # About 300 characters (371: three folders of 120), and more than 1,000, one folder of them in Cyrillic.
  p300=$(long_path 3 95 game.pgn)
  p371=$(long_path 3 120 game.pgn)
  converts "a relative path of ${#p371} characters" "$p371" "${p371%.pgn}.out"
  p1000=$(long_path 8 120 "$(printf 'я%.0s' {1..100})/game.pgn")
  converts "a relative path of ${#p300} characters" "$p300" "${p300%.pgn}.out"
  converts "a relative path of ${#p1000} characters" "$p1000" "${p1000%.pgn}.out"
  converts "an absolute path of $((${#work} + ${#p300})) characters" "$work/$p300" \
    "$work/${p300%.pgn}.out"
  converts "an absolute path of $((${#work} + ${#p1000})) characters" "$work/$p1000" \
    "$work/${p1000%.pgn}.out"
done
backslashes=no

if [ "$target" = windows ]; then
  # Absolute paths in the NT form \??\, which Windows takes as they stand, short and long.
  backslashes=yes nt_form=yes
  converts "a short \\??\\ path" "$work/game.pgn" "$work/game.out"
  converts "a \\??\\ path of $((7 + ${#work} + ${#p300})) characters" "$work/$p300" \
    "$work/${p300%.pgn}.out"
  backslashes=no nt_form=no
fi

# The output naming the input, spelt otherwise. (Wine's root drive Z: is spelt here, as winepath
# cuts long paths short.)
p1000=$(long_path 8 120 game.pgn)
if [ "$target" = windows ]; then
  backslashes=yes
  refuses "a Cyrillic name in another case" партия.pgn ПАРТИЯ.PGN
  refuses "a Cyrillic name, absolute" партия.pgn "$(spell "$work/партия.pgn")"
  refuses "a long path in its \\\\?\\ form" "$p1000" "\\\\?\\$(spell "$work/$p1000")"
  refuses "a long path in its \\??\\ form" "$p1000" "\\??\\$(spell "$work/$p1000")"
  refuses "a long path in another case" "$p1000" "${p1000^^}"
  backslashes=no
else
  refuses "a Cyrillic name through ./" партия.pgn ./партия.pgn
  ln -sf партия.pgn ссылка.pgn
  refuses "a Cyrillic name through a link" партия.pgn ссылка.pgn
  refuses "a long path through ./" "$p1000" "./$p1000"
fi

if [ "$target" = windows ]; then
  # The NUL device takes the output and leaves no file behind.
  mkdir nul_case && cp "$game.pgn" nul_case/in.pgn
  (cd nul_case && "${tool[@]}" in.pgn NUL > ../stdout 2>&1)
  status=$?
  if [ "$status" -eq 0 ] && [ "$(ls nul_case)" = in.pgn ]; then
    pass
  else
    fail "NUL as output: exit status $status, folder holds: $(ls nul_case)"
  fi
else
  # Names are bytes on POSIX: a name that is no UTF-8 at all works as well.
  converts "a name that is no UTF-8" $'\xff\xfe game.pgn' $'out \xe9.pgn'
fi

finish "file names"
