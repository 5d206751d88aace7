#!/usr/bin/env bash
# The Windows vellumtext.exe as a user runs it, under Wine with the Japanese locale (code page
# 932): the sample folder's document, exit statuses, messages and what is left on disk.
# Usage: cli_wine_test.sh VELLUMTEXT_EXE SOURCE_DIR
set -u
exe=$1
src=$2
work=$(mktemp -d /tmp/vellum-cli-wine.XXXXXX)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"

run() {  # run ARGS...: sets rc, out, err (line ends as on Linux)
    "$src/scripts/wine-run" "$exe" "$@" >"$work/out" 2>"$work/err"
    rc=$?
    out=$(tr -d '\r' <"$work/out")
    err=$(tr -d '\r' <"$work/err")
}

w=Z:${work//\//\\}  # the work folder as Wine shows it

cp -r "$src/examples/Inbox" "$work/Inbox"
sums_before=$(cd "$work/Inbox" && sha256sum * | sort)
mkdir -p "$work/o"

run "$w\\Inbox" -o "$w\\o"
check "sample converts" test "$rc" -eq 0
check "success message" test "$out" = "出力しました。
$w\\o\\Inbox.REN"
check "document matches the expected one" cmp -s "$work/o/Inbox.REN" "$src/tests/data/Inbox.REN"
check "nothing else in the output folder" test "$(ls -A "$work/o")" = "Inbox.REN"
check "input files unchanged" test "$(cd "$work/Inbox" && sha256sum * | sort)" = "$sums_before"

rm "$work/o/Inbox.REN"
run "$w\\Inbox\\" --output-dir="$w\\o\\" -q
check "trailing separators name the same document, quietly" test "$rc" -eq 0 -a -z "$out" -a -f "$work/o/Inbox.REN"

# ソ is 0x83 0x5C: its trail byte is no separator, and the document's name loses that byte,
# which leaves 0x83 0x83 0x74 0x83 0x67, on disk ャtト.
cp -r "$work/Inbox" "$work/ソフト"
run "$w\\ソフト\\" -o "$w\\o"
check "a name with ソ converts" test "$rc" -eq 0 -a "$out" = "出力しました。
$w\\o\\ャtト.REN"
check "a name with ソ: the same document" cmp -s "$work/o/ャtト.REN" "$src/tests/data/Inbox.REN"

mkdir -p "$work/Empty"
echo "old" >"$work/o/Empty.REN"
run "$w\\Empty" -o "$w\\o"
check "missing index: exit 1, message and path" test "$rc" -eq 1 -a "$err" = "インデックスファイルを開けません。
$w\\Empty\\Folder.idx"
check "missing index: old document kept" test "$(cat "$work/o/Empty.REN")" = "old"

cp -r "$work/Inbox" "$work/Broken"
rm "$work/Broken/00002.bmf"
run "$w\\Broken" -o "$w\\o"
check "missing message file: exit 1 and its path" test "$rc" -eq 1 -a "$err" = "メールファイルを開けません。
$w\\Broken\\00002.bmf"
check "missing message file: nothing written" test "$(ls -A "$work/o" | sort | tr '\n' ' ')" = "Empty.REN Inbox.REN ャtト.REN "

run "$w\\Inbox" -o "$w\\nowhere"
check "missing output folder" test "$rc" -eq 1 -a "$err" = "出力フォルダが存在しません。
$w\\nowhere"

run "$w\\Inbox" -o "$w\\o\\Inbox.REN"
check "output folder is a file" test "$rc" -eq 1 -a "$err" = "出力ファイルを書き込めません。
$w\\o\\Inbox.REN\\Inbox.REN"

mkdir -p "$work/data/box1" "$work/data/box2" "$work/tree"
cp -r "$work/Inbox" "$work/data/box1/Inbox"
cp -r "$work/Inbox" "$work/data/box2/Inbox"
cp -r "$work/Broken" "$work/data/box2/Broken"
run --recursive "$w\\data" -o "$w\\tree"
check "recursive: exit 1 when a folder failed" test "$rc" -eq 1
for box in box1 box2; do
    check "recursive: $box's document as expected" cmp -s "$work/tree/$box/Inbox/Inbox.REN" "$src/tests/data/Inbox.REN"
done
check "recursive: the failure is reported and the others go on" test ! -e "$work/tree/box2/Broken/Broken.REN" -a \
    "$(printf '%s\n' "$err" | head -2)" = "メールファイルを開けません。
$w\\data\\box2\\Broken\\00002.bmf"
check "recursive: summary" grep -q "2 folder(s) converted, 1 failed" "$work/err"

for bad in "" "--bogus" "-o"; do
    # shellcheck disable=SC2086
    run $bad
    check "usage error for '$bad'" test "$rc" -eq 2 -a -n "$err"
done

finish
