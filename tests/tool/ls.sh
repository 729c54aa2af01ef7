#!/usr/bin/env bash
# qeb ls end to end: kinds, local time stamps, read-only marks, sorting,
# hidden entries, options, errors and exit codes.
#   ls.sh QEB posix|windows
qeb=$1 os=$2
source "$(dirname "$0")/common.sh"

# A listing as Windows gives it: paths joined with '\', no links (only
# privileged users make them there).
native() { if [ "$os" = windows ]; then grep -v -E '(^| )(link|self)$' | sed 's|/|\\|g'; else cat; fi; }
# Windows converts to local time with the system's zone whatever TZ says:
# only the seconds are compared there.
zone_free() { if [ "$os" = windows ]; then sed -E 's/ [0-9-]{10} [0-9:]{5}:/ ..:/'; else cat; fi; }

# Root may write any file: the marks are checked as an ordinary user where
# one can run the tool.
run=() ro=ro
if [ "$(id -u)" = 0 ]; then
  chown -R nobody "$work"
  run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  "${run[@]}" "$qeb" --version >/dev/null 2>&1 || { run=() ro=rw; }
fi

tree=$work/tree
mkdir -p "$tree/sub/deeper" "$tree/.hdir"
touch "$tree/a.txt" "$tree/ro.txt" "$tree/.hidden" "$tree/sub/b.txt" "$tree/sub/deeper/c.txt" "$tree/.hdir/d.txt"
chmod 444 "$tree/ro.txt"
if [ "$os" = posix ]; then ln -s sub "$tree/link" && ln -s self "$tree/self"; fi
[ "$(id -u)" != 0 ] || chown -R -h nobody "$tree"
find "$tree" -exec touch -h -d @1709647629 {} +  # 2024-03-05 14:07:09 UTC
touch -d @981173106 "$tree/a.txt"                  # 2001-02-03 04:05:06 UTC
export TZ=XST-3                                    # three hours east of UTC

"${run[@]}" "$qeb" ls "$tree" | zone_free >"$work/out"
native <<END | zone_free >"$work/expected"
file 2001-02-03 07:05:06 rw a.txt
file 2024-03-05 17:07:09 $ro ro.txt
file 2024-03-05 17:07:09 ro self
END
diff -u "$work/expected" "$work/out"

# Sorted by path; a link to a directory is a directory and is not entered.
"${run[@]}" "$qeb" ls --recursive --dirs "$tree/" | zone_free >"$work/out"
native <<END | zone_free >"$work/expected"
file 2001-02-03 07:05:06 rw a.txt
dir  2024-03-05 17:07:09 ro link
file 2024-03-05 17:07:09 $ro ro.txt
file 2024-03-05 17:07:09 ro self
dir  2024-03-05 17:07:09 ro sub
file 2024-03-05 17:07:09 rw sub/b.txt
dir  2024-03-05 17:07:09 ro sub/deeper
file 2024-03-05 17:07:09 rw sub/deeper/c.txt
END
diff -u "$work/expected" "$work/out"

"${run[@]}" "$qeb" ls --all --recursive "$tree" | cut -d' ' -f5 >"$work/out"
printf '%s\n' .hdir/d.txt .hidden a.txt ro.txt self sub/b.txt sub/deeper/c.txt | native >"$work/expected"
diff -u "$work/expected" "$work/out"

# Failures: the catalogue message naming the directory, exit code 1.
expect_exit 1 "$qeb" ls "$work/missing"
[ "$(cat "$work/err")" = "qeb: The directory \"$work/missing\" does not exist." ]
expect_exit 1 "$qeb" ls "$tree/a.txt"
[ "$(cat "$work/err")" = "qeb: \"$tree/a.txt\" is not a directory." ]
mkdir -m 0 "$tree/closed"  # denied to the user the tool runs as, unless root ran it (ro=rw)
! "${run[@]}" "$qeb" ls "$tree/closed" 2>"$work/err"
tr -d '\r' <"$work/err" | grep -q "^qeb: Permission to read the directory \"$tree/closed\" is denied.$" ||
  [ "$ro" = rw ]
for arguments in "" "$tree $tree" "--long $tree"; do expect_exit 2 "$qeb" ls $arguments; done
echo "ls checks passed"
