# Shared by the tool's test scripts: a scratch folder removed on exit, and
# expect_exit CODE COMMAND... which runs a command and checks its exit code.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
expect_exit() {
  local want=$1; shift
  set +e; "$@" >/dev/null 2>&1; local got=$?; set -e
  [ "$got" = "$want" ] || { echo "exit $got, expected $want: $*" >&2; exit 1; }
}
