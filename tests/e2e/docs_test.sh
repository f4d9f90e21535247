#!/usr/bin/env bash
# What the README, the manual page and the Windows users' README.txt show of the program, checked
# against the program itself. A block is marked by a line before it: "<!-- check: KIND ARGS -->"
# in the README, where the block is the fenced one that follows; '.\" check: KIND ARGS' in the
# manual page, where the block is the text between .nf and .fi; and "<!-- check: KIND ARGS -->" in
# the source of README.txt (its markers are taken out when it is made), where the block is the
# lines indented by four spaces right after the marker, empty lines between them included.
#   usage                 the usage text, exactly as printed on standard output
#   banner                the output of an empty input
#   input NAME            the input of example NAME
#   output NAME [/2]      the whole output file of example NAME, line breaks shown as such
#   recipe NAME           a "Many files" recipe, run in a folder of games: NAME posix... in a
#                         POSIX shell, NAME cmd... in cmd.exe under Wine
# An output block ends with an empty line when the file ends with a line break (not shown in
# README.txt, whose blocks end with their last indented line).
#   docs_test.sh README MANUAL README.txt.in KESTROW...
here=$(cd "$(dirname "$0")" && pwd)
readme=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
manual=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
windows_readme=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
shift 3
# shellcheck source=harness.sh
. "$here/harness.sh"

# markers FILE: the KIND ARGS of every marker in FILE, one a line.
markers() {
  sed -n -E 's/^(<!-- |\.\\" )check: (.*[^ ])( -->)?$/\2/p' "$1" | sed 's/ -->$//'
}

# block FILE MARKER: the text of the block after the line "... check: MARKER ...".
block() {
  if [ "$1" = "$windows_readme" ]; then
    awk -v marker="$2" '
      !found && index($0, "<!-- check: " marker " -->") == 1 { found = 1; next }
      found && /^    / { for (; empty > 0; empty--) print ""; print substr($0, 5); next }
      found && /^$/ { empty++; next }
      found { exit }' "$1"
    return
  fi
  awk -v marker="$2" '
    !found && (index($0, "<!-- check: " marker " -->") == 1 || $0 == ".\\\" check: " marker) {
      found = 1; next
    }
    found == 1 && /^(```|\.nf$)/ { found = 2; next }
    found == 2 && /^(```|\.fi)$/ { exit }
    found == 2 { print }' "$1" |
    if [ "$1" = "$manual" ]; then sed -e 's/\\&//g' -e 's/\\-/-/g' -e 's/\\e/\\/g'; else cat; fi
}

# as_shown FILE: the output file as a block shows it: line breaks without their CR, and a line
# break after the last line.
as_shown() { tr -d '\r' < "$1"; echo; }

check_doc() {  # check_doc FILE
  local doc=$1 label
  label=$(basename "$doc")
  local found=0
  while read -r kind name args; do
    found=$((found + 1))
    case $kind in
      usage)
        block "$doc" "$kind" | head -c -1 | as_printed > expected
        "${tool[@]}" > got 2> /dev/null < /dev/null
        if cmp -s got expected; then pass; else fail "$label: usage text differs from the program's"; fi
        ;;
      banner)
        block "$doc" "$kind" > expected
        : > empty.pgn
        "${tool[@]}" empty.pgn out.pgn < /dev/null
        as_shown out.pgn > got
        if cmp -s got expected; then pass; else fail "$label: banner differs from the program's"; fi
        ;;
      input) ;;
      output)
        block "$doc" "input $name" > "$name.pgn"
        if [ ! -s "$name.pgn" ]; then
          fail "$label: no input block for example $name"
          continue
        fi
        block "$doc" "output $name${args:+ $args}" > expected
        # shellcheck disable=SC2086 # the switch, when there is one
        "${tool[@]}" "$name.pgn" out.pgn $args < /dev/null
        as_shown out.pgn > got
        if cmp -s got expected; then
          pass
        else
          fail "$label: example $name ${args:-(one line)} differs:"
          diff got expected | cat -A | head -20
        fi
        ;;
      recipe)
        check_recipe "$doc" "$name"
        ;;
      *) fail "$label: unknown check '$kind'" ;;
    esac
  done < <(markers "$doc")
  [ "$found" -gt 0 ] || fail "$label: no marked blocks"
}

# check_recipe DOC NAME: runs the recipe in a folder of three games, one of them with a Cyrillic
# name, and checks every output in out/.
check_recipe() {
  local doc=$1 recipe=$2 shell
  case $recipe in
    posix*) shell=posix && [ "$target" = posix ] || return 0 ;;
    cmd*) shell=cmd && [ "$target" = windows ] || return 0 ;;
    *) fail "unknown recipe $recipe" && return 0 ;;
  esac
  rm -rf games && mkdir games
  local name
  for name in move_lines two_games casual_game; do cp "$here/cases/$name.pgn" "games/$name.pgn"; done
  mv games/casual_game.pgn games/партия.pgn
  cp "$here/cases/casual_game.out" games/партия.expected
  (
    cd games || exit 1
    if [ "$shell" = posix ]; then
      # The tool on the PATH, as the recipe expects it.
      mkdir bin && printf '#!/bin/sh\nexec %s "$@"\n' "$(printf '%q ' "${tool[@]}")" > bin/Kestrow
      chmod +x bin/Kestrow
      PATH="$PWD/bin:$PATH" sh -e -c "$(block "$doc" "recipe $recipe")"
    else
      # cmd runs the program from the current folder first. The recipe is for the prompt; it runs
      # here as the batch file the README tells of, with %%f for %f: Wine's own way of handing a
      # command line to cmd.exe escapes the quotes in it.
      cp "${tool[-1]}" Kestrow.exe
      block "$doc" "recipe $recipe" | sed -e 's/%\([a-z]\)/%%\1/g' -e 's/$/\r/' > recipe.bat
      wine cmd /c recipe.bat < /dev/null
    fi
  ) > recipe.log 2>&1
  local status=$?
  for name in move_lines two_games партия; do
    local want="$here/cases/$name.out"
    [ "$name" = партия ] && want=games/партия.expected
    if [ -f "games/out/$name.pgn" ] && cmp -s "games/out/$name.pgn" "$want"; then
      pass
    else
      fail "recipe $recipe (exit status $status): out/$name.pgn missing or wrong: $(head -c 300 recipe.log)"
    fi
  done
}

check_doc "$readme"
check_doc "$manual"
check_doc "$windows_readme"
finish docs
