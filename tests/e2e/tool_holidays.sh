#!/bin/bash
# lumora-tool over one known year, line by line, plus its answers to bad input.
# $1: the Linux build folder. Exit 77 skips when the tool has not been built.
set -u
build=${1:-}
tool=$build/lumora-tool
[ -n "$build" ] && [ -x "$tool" ] || { echo "no lumora-tool in '$build'"; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect_status() { # expected-status description command...
    local want=$1 what=$2
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" = "$want" ] || fail "$what: exit $got, expected $want ($(head -c 300 "$work/err"))"
}

cat >"$work/expected" <<'LIST'
2026-01-01,元日
2026-01-12,成人の日
2026-02-11,建国記念の日
2026-02-23,天皇誕生日
2026-03-20,春分の日
2026-04-29,昭和の日
2026-05-03,憲法記念日
2026-05-04,みどりの日
2026-05-05,こどもの日
2026-05-06,振替休日
2026-07-20,海の日
2026-08-11,山の日
2026-09-21,敬老の日
2026-09-22,国民の休日
2026-09-23,秋分の日
2026-10-12,スポーツの日
2026-11-03,文化の日
2026-11-23,勤労感謝の日
LIST

expect_status 0 "holidays 2026" "$tool" holidays 2026-01-01 2026-12-31
diff "$work/expected" "$work/out" >"$work/diff" || fail "holidays 2026 differ: $(cat "$work/diff")"
grep -q $'\r' "$work/out" && fail "holidays output has CR characters"

# The whole range the shipped file is checked for, against the list written from the law.
expect_status 0 "holidays 2022-2050" "$tool" holidays 2022-01-01 2050-12-31
diff -q "$here/../calendar/holidays_2022_2050.csv" "$work/out" >/dev/null ||
    fail "holidays 2022-2050 differ from tests/calendar/holidays_2022_2050.csv"

# A rule file of its own, in Shift-JIS as a Windows editor saves it.
printf 'FIX,12,31,大晦日\r\nFIX,1,1,元日\r\n' | iconv -f UTF-8 -t CP932 >"$work/rules.dat"
expect_status 0 "holidays --rules" "$tool" holidays 2025-12-30 2026-01-02 --rules "$work/rules.dat"
printf '2025-12-31,大晦日\n2026-01-01,元日\n' | diff - "$work/out" >/dev/null ||
    fail "holidays --rules printed: $(cat "$work/out")"

expect_status 2 "impossible date" "$tool" holidays 2025-02-30 2025-03-01
grep -q "2025-02-30" "$work/err" || fail "the bad date is not named: $(cat "$work/err")"
expect_status 2 "one date only" "$tool" holidays 2025-01-01
expect_status 2 "dates reversed" "$tool" holidays 2025-02-01 2025-01-01
expect_status 2 "missing rule file" "$tool" holidays 2025-01-01 2025-01-31 --rules "$work/none.dat"
expect_status 0 "holidays --help" "$tool" holidays --help
grep -q "FROM TO" "$work/out" || fail "holidays --help says nothing useful"
expect_status 0 "tool --help" "$tool" --help
expect_status 2 "no command" "$tool"
expect_status 2 "unknown command" "$tool" frobnicate

# check-rules: quiet on the shipped file, line numbers for bad lines.
expect_status 0 "check-rules shipped" "$tool" check-rules "$here/../../data/Calender.dat"
[ -s "$work/out" ] && fail "check-rules on the shipped file printed: $(cat "$work/out")"
printf 'FIX,1,1,元日\r\nFIX,1\r\n FIX,2,11,空白\r\nFOO,3,1,謎\r\nFIX,4,31,無い日\r\nFIX,x,1,数でない\r\n' \
    >"$work/bad.dat"
expect_status 1 "check-rules bad" "$tool" check-rules "$work/bad.dat"
for line in 2 3 4 5 6; do
    grep -q "line $line:" "$work/out" || fail "check-rules does not report line $line: $(cat "$work/out")"
done
grep -q "line 1:" "$work/out" && fail "check-rules reports the good line 1"
expect_status 2 "check-rules missing file" "$tool" check-rules "$work/none.dat"
expect_status 0 "check-rules --help" "$tool" check-rules --help

[ "$failures" = 0 ] && echo "lumora-tool: all checks passed"
[ "$failures" = 0 ]
