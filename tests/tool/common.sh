# Shared by the tool's test scripts: a scratch folder removed on exit, and
# expect_exit CODE COMMAND... which runs a command, checks its exit code and
# leaves its output in $work/out and its standard error, which Windows writes
# with CR LF, in $work/err with LF.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expect_exit() {
  local want=$1; shift
  set +e; "$@" >"$work/out" 2>"$work/err"; local got=$?; set -e
  sed -i 's/\r$//' "$work/err"
  [ "$got" = "$want" ] || { echo "exit $got, expected $want: $*" >&2; cat "$work/err" >&2; exit 1; }
}
