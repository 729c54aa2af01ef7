#!/usr/bin/env bash
# qeb detect end to end: the report on the bundled sample, options and errors.
#   detect.sh QEB posix|windows SAMPLE
qeb=$1 os=$2 sample=$3
source "$(dirname "$0")/common.sh"

"$qeb" detect --header "$sample" >"$work/out"
cat >"$work/expected" <<'END'
column               kind      empty  smallest                 largest
id                   Integer       1  1                        10
name                 String        0  Bretzel                  Quote "here"
price                Real          1  0.9                      100
in_stock             Boolean       0  false                    true
added                Date          1  1999-12-31 00:00:00      2024-03-05 00:00:00
code                 String        2  0042                     x9
END
diff -u "$work/expected" "$work/out"

# detect_text TEXT OPTION...: the report on the text from standard input,
# or on Windows from a file: the tool opens standard input as /dev/stdin, a
# path Windows lacks.
detect_text() {
  local text=$1; shift
  if [ "$os" = posix ]; then printf "$text" | "$qeb" detect "$@"
  else printf "$text" >"$work/in.csv"; "$qeb" detect "$@" "$work/in.csv"; fi >"$work/out"
}
# Another delimiter, quoted delimiters, a ragged row.
detect_text 'a;"b;c"\r\n1;2\n3\n' --delimiter ';'
grep -q '^1  *String  *0  1  *a$' "$work/out"
grep -q '^2  *String  *1  2  *b;c$' "$work/out"
# Blank lines are skipped, also before the header.
detect_text '\nn\n\n7\n' --header
grep -q '^n  *Integer  *0  7  *7$' "$work/out"
# The date order in force reads what month-day-year detection cannot.
detect_text '25/12/2024\n01/02/2023\n' --date-order DMY
grep -q '^1  *Date  *0  2023-02-01 00:00:00  *2024-12-25 00:00:00$' "$work/out"

expect_exit 1 "$qeb" detect "$work/missing.csv"
printf '"open\n' >"$work/bad.csv"
expect_exit 1 "$qeb" detect "$work/bad.csv"
for arguments in "--date-order XYZ" "--delimiter ab" --bogus "a.csv b.csv"; do
  expect_exit 2 "$qeb" detect $arguments
done
echo "detect checks passed"
