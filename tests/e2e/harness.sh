# Shared by the end-to-end scripts, sourced with the command that runs Kestrow as arguments:
# the command in `tool`, the target in `target` (KESTROW_TARGET: posix or windows), a scratch
# folder `work` that is removed on exit and is the current folder, and the tally of checks.
set -u
tool=("$@")
target=${KESTROW_TARGET:-posix}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

passed=0
failed=0
pass() { passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }

# as_printed: standard input as the tool prints it on standard output, which ends each line with
# CR LF on Windows. The text has no line break after its last line, and gets none.
as_printed() {
  if [ "$target" = windows ]; then sed 's/$/\r/' | head -c -1; else cat; fi
}

# finish NAME: prints the tally and exits non-zero when a check failed.
finish() {
  echo "$1: $passed passed, $failed failed"
  exit $((failed > 0))
}
