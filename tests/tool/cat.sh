#!/usr/bin/env bash
# qeb cat and qeb detect --encoding end to end: encodings to UTF-8, marks,
# line ends, and clear failures.
#   cat.sh QEB posix|windows
qeb=$1 os=$2
source "$(dirname "$0")/common.sh"
py=/usr/bin/python3
text=$'caf\u00e9 \u00bd\r\nsecond\rthird'
want=$'caf\u00e9 \u00bd\nsecond\nthird'

for codec in utf-8 utf-16-le utf-16-be latin-1 cp1252; do
  printf '%s' "$text" | $py -c "import sys; sys.stdout.buffer.write(sys.stdin.buffer.read().decode('utf-8').encode('$codec'))" >"$work/$codec"
done
name() { case $1 in utf-8) echo UTF-8;; utf-16-le) echo utf-16le;; utf-16-be) echo UTF-16BE;;
                   latin-1) echo iso-8859-1;; cp1252) echo Windows-1252;; esac; }
for codec in utf-8 utf-16-le utf-16-be latin-1 cp1252; do
  [ "$("$qeb" cat --encoding "$(name $codec)" "$work/$codec")" = "$want" ] || { echo "cat $codec" >&2; exit 1; }
done
# Automatic: a byte-order mark decides, and is not written out. "-" is
# standard input, which the tool opens as /dev/stdin, a path Windows lacks.
if [ "$os" = posix ]; then printf '\xef\xbb\xbfx' | "$qeb" cat -
else printf '\xef\xbb\xbfx' >"$work/marked"; "$qeb" cat "$work/marked"; fi >"$work/out"
[ "$(cat "$work/out")" = x ]
# A last line without a line end stays without one.
printf 'a\nb' >"$work/plain"
"$qeb" cat "$work/plain" >"$work/out"
cmp "$work/out" "$work/plain"

# Invalid bytes: the text before them, then the catalogue message.
printf 'good\nbad \xff\n' >"$work/invalid"
expect_exit 1 "$qeb" cat "$work/invalid"
[ "$(cat "$work/out")" = $'good\nbad ' ]
grep -q 'not valid in its encoding' "$work/err"
expect_exit 1 "$qeb" cat "$work/missing"
grep -q "Cannot open the file \"$work/missing\": No such file or directory" "$work/err"
for arguments in "" "--encoding EBCDIC $work/plain" "$work/plain $work/plain"; do expect_exit 2 "$qeb" cat $arguments; done

# detect reads the same encodings.
printf 'n,when\n1,2024-03-05\n2,2023-01-02\n' | $py -c "import sys; sys.stdout.buffer.write(b'\xfe\xff' + sys.stdin.buffer.read().decode().encode('utf-16-be'))" >"$work/utf16.csv"
"$qeb" detect --header "$work/utf16.csv" >"$work/out"
grep -q '^when  *Date  *0  2023-01-02 00:00:00  *2024-03-05 00:00:00$' "$work/out"
"$qeb" detect --encoding UTF-16BE --header "$work/utf16.csv" >"$work/out"
grep -q '^n  *Integer  *0  1  *2$' "$work/out"
expect_exit 1 "$qeb" detect --encoding UTF-8 "$work/utf16.csv"
expect_exit 2 "$qeb" detect --encoding nope "$work/utf16.csv"
echo "cat checks passed"
