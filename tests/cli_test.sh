#!/usr/bin/env bash
# Drives the vellumtext program as a user would: arguments, exit status, what it prints and
# what it leaves on disk. Usage: cli_test.sh VELLUMTEXT SOURCE_DIR
set -u
exe=$1
src=$2
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
unset XDG_DESKTOP_DIR
mkdir -p "$HOME"
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"

run() {  # run ARGS...: sets rc, out, err
    "$exe" "$@" >"$work/out" 2>"$work/err"
    rc=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
}

cp -r "$src/examples/Inbox" "$work/Inbox"
sums_before=$(cd "$work/Inbox" && sha256sum * | sort)
mkdir -p "$work/o"

run "$work/Inbox" -o "$work/o"
check "sample converts" test "$rc" -eq 0
check "success message" test "$out" = "出力しました。
$work/o/Inbox.REN"
check "document matches the expected one" cmp -s "$work/o/Inbox.REN" "$src/tests/data/Inbox.REN"
check "nothing else in the output folder" test "$(ls -A "$work/o")" = "Inbox.REN"
check "input files unchanged" test "$(cd "$work/Inbox" && sha256sum * | sort)" = "$sums_before"

rm "$work/o/Inbox.REN"
run "$work/Inbox/" --output-dir="$work/o/" -q
check "trailing separators name the same document, quietly" test "$rc" -eq 0 -a -z "$out" -a -f "$work/o/Inbox.REN"

(cd "$work/Inbox" && "$exe" . -o ../o >/dev/null 2>&1)
check "'.' is named after the real folder" test -f "$work/o/Inbox.REN" -a ! -e "$work/o/.REN"

mkdir -p "$work/Empty"
echo "old" >"$work/o/Empty.REN"
run "$work/Empty" -o "$work/o"
check "missing index: exit 1" test "$rc" -eq 1
check "missing index: message and path on stderr" test "$err" = "インデックスファイルを開けません。
$work/Empty/Folder.idx"
check "missing index: old document kept" test "$(cat "$work/o/Empty.REN")" = "old"

cp -r "$work/Inbox" "$work/Broken"
rm "$work/Broken/00002.bmf"
run "$work/Broken" -o "$work/o"
check "missing message file: exit 1 and its path" test "$rc" -eq 1 -a "$err" = "メールファイルを開けません。
$work/Broken/00002.bmf"
check "missing message file: nothing written" test ! -e "$work/o/Broken.REN" -a "$(ls -A "$work/o" | grep -c vellumtext)" -eq 0

for threads in 1 3; do
    mkdir -p "$work/o$threads"
    run "$work/Inbox" -o "$work/o$threads" -j "$threads"
    check "-j $threads gives the same document" cmp -s "$work/o$threads/Inbox.REN" "$src/tests/data/Inbox.REN"
done

run "$work/Inbox" -o "$work/nowhere"
check "missing output folder" test "$rc" -eq 1 -a "$err" = "出力フォルダが存在しません。
$work/nowhere"

run "$work/Inbox" -o "$work/o/Inbox.REN"
check "output folder is a file" test "$rc" -eq 1 -a "$err" = "出力ファイルを書き込めません。
$work/o/Inbox.REN/Inbox.REN"

if [ "$(id -u)" -ne 0 ]; then
    mkdir -p "$work/ro" && chmod a-w "$work/ro"
    run "$work/Inbox" -o "$work/ro"
    check "read-only output folder" test "$rc" -eq 1
fi

# Out of memory (a 100 MB line under a 300 MB address-space limit) is reported like any other
# failure to complete the document, and leaves nothing behind. (Not under AddressSanitizer, which
# needs far more address space for itself.)
if [ -z "${ASAN_OPTIONS:-}" ]; then
    mkdir -p "$work/Huge" "$work/small"
    printf '0\001K\001m\001s\n' >"$work/Huge/Folder.idx"
    { printf 'X-Becky-Status: 0,0,0,0,0,K\n\n'; head -c 100000000 /dev/zero | tr '\0' 'a'; printf '\n.\n'; } >"$work/Huge/m.bmf"
    (ulimit -v 300000; "$exe" "$work/Huge" -o "$work/small" >"$work/out" 2>"$work/err")
    rc=$?
    check "out of memory: exit 1 and the output message" test "$rc" -eq 1 -a "$(cat "$work/err")" = "出力ファイルを書き込めません。
$work/small/Huge.REN"
    check "out of memory: nothing left behind" test -z "$(ls -A "$work/small")"
    rm -rf "$work/Huge"
fi

run "$work/Inbox"
check "no setting, no desktop folder: reported" test "$rc" -eq 1 -a "$err" = "出力フォルダが存在しません。
$HOME/Desktop"
mkdir -p "$HOME/Desktop"
run "$work/Inbox"
check "desktop is the default output folder" test "$rc" -eq 0 -a -f "$HOME/Desktop/Inbox.REN"

mkdir -p "$work/stored"
run --set-output-dir "$work/stored"
check "--set-output-dir stores the folder" test "$rc" -eq 0 -a -f "$XDG_CONFIG_HOME/vellumtext/VellumText.ini"
run "$work/Inbox"
check "the stored folder is used" test "$rc" -eq 0 -a -f "$work/stored/Inbox.REN"
run "$work/Inbox" -o "$work/o"
check "-o wins over the stored folder" test "$rc" -eq 0 -a "$out" = "出力しました。
$work/o/Inbox.REN"

mkdir -p "$work/data/box1" "$work/data/box2" "$work/tree"
cp -r "$work/Inbox" "$work/data/box1/Inbox"
cp -r "$work/Inbox" "$work/data/box2/Inbox"
cp -r "$work/Broken" "$work/data/box2/Broken"
run --recursive "$work/data" -o "$work/tree"
check "recursive: exit 1 when a folder failed" test "$rc" -eq 1
check "recursive: same-named folders kept apart" cmp -s "$work/tree/box1/Inbox/Inbox.REN" "$work/tree/box2/Inbox/Inbox.REN"
check "recursive: the failure is reported and the others go on" test -f "$work/tree/box2/Inbox/Inbox.REN" -a ! -e "$work/tree/box2/Broken/Broken.REN"
check "recursive: summary" grep -q "2 folder(s) converted, 1 failed" "$work/err"
rm -rf "$work/data/box2/Broken"
run -r "$work/data" -o "$work/tree" -q
check "recursive: exit 0 and quiet when all convert" test "$rc" -eq 0 -a -z "$out" -a -z "$err"
run -r "$work/home" -o "$work/tree"
check "recursive: no mail folder at all" test "$rc" -eq 1 -a -n "$err"

run --help
check "--help" test "$rc" -eq 0 -a -n "$out"
run --version
check "--version" test "$rc" -eq 0 -a "${out#vellumtext }" != "$out"
for bad in "" "--bogus" "-o" "a b" "--set-output-dir" "-j 0 x" "-j 65 x" "--threads=2x x" "-j"; do
    # shellcheck disable=SC2086
    run $bad
    check "usage error for '$bad'" test "$rc" -eq 2 -a -n "$err"
done

finish
