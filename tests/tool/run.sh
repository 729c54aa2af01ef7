#!/usr/bin/env bash
# The qeb tool end to end: output bytes and exit codes.
qeb=$1 sample=$2
source "$(dirname "$0")/common.sh"

"$qeb" replace colour color "$sample" >"$work/out"
sed 's/colour/color/g' "$sample" >"$work/expected"
cmp "$work/out" "$work/expected"

# Bytes other than the replaced ones pass unchanged: NUL, CR, invalid UTF-8,
# a last line without its line end.
printf 'a\0ba\r\n\xff\xfea\xc3\xa9\na' | "$qeb" replace a ZZ >"$work/out"
printf 'ZZ\0bZZ\r\n\xff\xfeZZ\xc3\xa9\nZZ' >"$work/expected"
cmp "$work/out" "$work/expected"
printf 'x' | "$qeb" replace x '' - >"$work/out"
[ ! -s "$work/out" ]

[ "$("$qeb" uuid 5 | sort -u | wc -l)" = 5 ]
"$qeb" --version | grep -q '^qeb [0-9]'
"$qeb" --help | grep -q 'replace FROM TO'
expect_exit 2 "$qeb"
expect_exit 2 "$qeb" nosuchcommand
expect_exit 2 "$qeb" uuid 0
expect_exit 2 "$qeb" uuid 3x
expect_exit 2 "$qeb" uuid 1 2
expect_exit 2 "$qeb" replace onlyone
expect_exit 2 "$qeb" replace '' x "$sample"
expect_exit 1 "$qeb" replace a b "$work/missing"
echo "tool checks passed"
