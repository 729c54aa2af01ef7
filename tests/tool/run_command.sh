#!/usr/bin/env bash
# qeb run end to end: both start modes, the captured output log, environment
# entries, failures with the catalogue message, and exit codes.
qeb=$1
source "$(dirname "$0")/common.sh"
export TMPDIR=$work/tmp
mkdir "$TMPDIR"

# Direct: each argument as it stands; the log is one line.
[ "$("$qeb" run --capture -- printf '[%s]\r\n' 'a  b' '"q"' '' '$HOME')" = '[a  b]  ["q"]  []  [$HOME]  ' ]
# Shell: the items joined by blanks, those with a blank quoted.
[ "$("$qeb" run --shell --capture -- printf '[%s]' 'a  b' '$0')" = '[a  b][sh]' ]
# Without --capture the command writes to the tool's own output.
[ "$("$qeb" run -- printf 'as is\n')" = 'as is' ]
[ "$("$qeb" run --capture --env QEB_A=1 --env QEB_A=2 -- printenv QEB_A)" = '2 ' ]
[ "$(QEB_B=x "$qeb" run --shell --capture --env QEB_B=y -- echo '"$QEB_B"')" = 'y ' ]
head -c 9000 /dev/zero | tr '\0' x >"$work/long"
[ "$("$qeb" run --capture -- cat "$work/long" | wc -c)" = 8192 ]  # 8191 and the newline
expect_exit 0 "$qeb" run --shell -- 'exit 3'  # the exit status is not a failure

# Failures: the catalogue message on standard error, exit code 1.
set +e; "$qeb" run --capture -- qeb-no-such-program >"$work/out" 2>"$work/err"; code=$?; set -e
[ "$code" = 1 ]
[ "$(cat "$work/out")" = "Failed to execute command qeb-no-such-program. Error: cannot start 'qeb-no-such-program': No such file or directory" ]
[ "$(cat "$work/err")" = "qeb: Cannot start the command: cannot start 'qeb-no-such-program': No such file or directory" ]
set +e; "$qeb" run --shell -- kill -9 '$$' 2>"$work/err"; code=$?; set -e
[ "$code" = 1 ]
[ "$(cat "$work/err")" = "qeb: The command was aborted with code 9." ]
[ -z "$(ls -A "$TMPDIR")" ]  # no output file left

for arguments in "" "--capture --" --env "--env NOVALUE -- true" "--verbose -- true"; do
  expect_exit 2 "$qeb" run $arguments
done
echo "run checks passed"
