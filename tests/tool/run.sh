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
for arguments in "" nosuchcommand "uuid 0" "uuid 3x" "uuid 1 2" "replace onlyone"; do
  expect_exit 2 "$qeb" $arguments
done
expect_exit 2 "$qeb" replace '' x "$sample"
expect_exit 1 "$qeb" replace a b "$work/missing"

# calc: 52-digit decimal arithmetic, "(rounded)" after inexact results,
# clear errors (exit 1) for division by zero and unreadable input.
[ "$("$qeb" calc '1 + 2 * (3 - 4) / 8')" = "0.75" ]
[ "$("$qeb" calc 1 / 3)" = "0.3333333333333333333333333333333333333333333333333333 (rounded)" ]
[ "$("$qeb" calc '0.1 + 0.2')" = "0.3" ]
[ "$("$qeb" calc '7 % 4')" = "-1" ]
[ "$("$qeb" calc 'round(2.345, 2) + floor(-2.5) + ceil(0.1) + abs(-1E+2)')" = "100.34" ]
[ "$("$qeb" calc 'sqrt(16)')" = "4" ]
[ "$("$qeb" calc --width 5 123.456)" = "123.5" ]
[ "$("$qeb" calc --width 5 100000)" = "1E+5" ]
[ "$("$qeb" calc '1E+98304 * 10')" = "Infinity (rounded)" ]
expect_exit 1 "$qeb" calc 1/0
[ "$(cat "$work/err")" = "qeb: division by zero at character 2" ]
[ ! -s "$work/out" ]
for expression in '5 % 0' 1.2.3 'sqrt(-1)' '((1)' NaN "$(printf '(%.0s' $(seq 1000))1"; do
  expect_exit 1 "$qeb" calc "$expression"
done
expect_exit 1 "$qeb" calc --width 3 123.456
for arguments in "" "--width 0 1" --width; do expect_exit 2 "$qeb" calc $arguments; done
echo "tool checks passed"
