#!/usr/bin/env bash
# qeb run end to end: both start modes, the captured output log, environment
# entries, failures with the catalogue message, and exit codes. What the log
# and the environment hold is test_execute.cpp's.
qeb=$1
source "$(dirname "$0")/common.sh"
export TMPDIR=$work/tmp
mkdir "$TMPDIR"

# Direct: each argument as it stands; the log is one line.
[ "$("$qeb" run --capture -- printf '[%s]\r\n' 'a  b' '"q"' '' '$HOME')" = '[a  b]  ["q"]  []  [$HOME]  ' ]
# Without --capture the command writes to the tool's own output.
[ "$("$qeb" run -- printf 'as is\n')" = 'as is' ]
[ "$(QEB_B=x "$qeb" run --shell --capture --env QEB_B=y -- echo '"$QEB_B"')" = 'y ' ]
expect_exit 0 "$qeb" run --shell -- 'exit 3'  # the exit status is not a failure

# Failures: the catalogue message on standard error, exit code 1.
expect_exit 1 "$qeb" run --capture -- qeb-no-such-program
[ "$(cat "$work/out")" = "Failed to execute command qeb-no-such-program. Error: cannot start 'qeb-no-such-program': No such file or directory" ]
[ "$(cat "$work/err")" = "qeb: Cannot start the command: cannot start 'qeb-no-such-program': No such file or directory" ]
expect_exit 1 "$qeb" run --shell -- kill -9 '$$'
[ "$(cat "$work/err")" = "qeb: The command was aborted with code 9." ]
[ -z "$(ls -A "$TMPDIR")" ]  # no output file left

for arguments in "" "--capture --" --env "--env NOVALUE -- true" "--verbose -- true"; do
  expect_exit 2 "$qeb" run $arguments
done
echo "run checks passed"
