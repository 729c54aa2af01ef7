#!/usr/bin/env bash
# qeb run end to end: both start modes, the captured output log, environment
# entries, failures with the catalogue message, and exit codes. What the log
# and the environment hold is test_execute.cpp's.
#   run_command.sh QEB posix|windows COMMAND_HELPER
qeb=$1 os=$2 helper=$3
source "$(dirname "$0")/common.sh"
export TMPDIR=$work/tmp
mkdir "$TMPDIR"
# Standard error, which Windows writes with CR LF.
err() { tr -d '\r' <"$work/err"; }
# A shell line that ends as the system ends a process, and its code.
if [ "$os" = windows ]; then kill_line='exit -1073741510' killed=-1073741510; else kill_line='kill -9 $$' killed=9; fi

# Direct: each argument as it stands; the log is one line.
[ "$("$qeb" run --capture -- "$helper" args 'a  b' '"q"' '' '$HOME' '%OS%')" = '[a  b]["q"][][$HOME][%OS%]' ]
# Without --capture the command writes to the tool's own output.
[ "$("$qeb" run -- "$helper" out 'as is')" = 'as is' ]
[ "$(QEB_B=x "$qeb" run --shell --capture --env QEB_B=y -- "$helper" env QEB_B)" = 'y ' ]
expect_exit 0 "$qeb" run --shell -- exit 3  # the exit status is not a failure

# Failures: the catalogue message on standard error, exit code 1. The
# system's words are test_proc.cpp's.
expect_exit 1 "$qeb" run --capture -- qeb-no-such-program
reason=$(err | sed -n "s/^qeb: Cannot start the command: \(cannot start 'qeb-no-such-program': ..*\)$/\1/p")
[ -n "$reason" ]
[ "$(cat "$work/out")" = "Failed to execute command qeb-no-such-program. Error: $reason" ]
expect_exit 1 "$qeb" run --shell -- $kill_line  # word by word: an item with a blank is quoted
[ "$(err)" = "qeb: The command was aborted with code $killed." ]
# Wine gives its programs a TMP of its own: test_execute.cpp checks there.
[ "$os" = windows ] || [ -z "$(ls -A "$TMPDIR")" ]  # no output file left

for arguments in "" "--capture --" --env "--env NOVALUE -- true" "--verbose -- true"; do
  expect_exit 2 "$qeb" run $arguments
done
echo "run checks passed"
