#!/usr/bin/env bash
# The three ways of converting give the same documents: the Linux vellumtext, the Windows
# vellumtext.exe under Wine and the plug-in under Wine, driven by plugin_convert as the mail client
# drives it. One data folder of many mail folders (the sample, a folder of UTF-8 cut short, 40
# seeded random folders, one named with ソ, whose Shift_JIS trail byte is "\") is converted by all
# three; each folder must get the same message, the documents must be byte-identical and their
# names must agree (but for the ソ folder, whose name loses that byte on Windows). A second data
# folder with a missing message file must fail alike.
#
#   cross_platform_test.sh LINUX_VELLUMTEXT VELLUMTEXT_EXE PLUGIN_CONVERT_EXE SOURCE_DIR
set -u
linux=$1
exe=$2
plugin=$3
src=$4
wine_run=$src/scripts/wine-run
work=$(mktemp -d /tmp/vellum-cross.XXXXXX)
trap 'rm -rf "$work"' EXIT
# shellcheck source=tests/checks.sh
. "$(dirname "$0")/checks.sh"

win() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }  # the folder as Wine shows it

# The document name on Windows: ソ is 0x83 0x5C in code page 932, and the name loses its 0x5C
# byte, which leaves 0x83 0x83 0x74 0x83 0x67, shown on disk as ャtト.
windows_name() { [ "$1" = "ソフト.REN" ] && echo "ャtト.REN" || echo "$1"; }

# cli_messages OUT DATA STDOUT STDERR: "folder<TAB>message<TAB>file name" for each message of a
# --recursive run, the folder taken from the path the message names (below OUT or DATA).
cli_messages() {
    local out=$1 data=$2
    shift 2
    cat "$@" | tr -d '\r' | awk 'prev != "" { print prev "\t" $0; prev = ""; next } /。$/ { prev = $0 }' |
        while IFS=$'\t' read -r message path; do
            path=${path#Z:}
            path=${path//\\//}
            case $path in
                "$out"/*) path=${path#"$out"/} ;;
                "$data"/*) path=${path#"$data"/} ;;
                *) path="(elsewhere)/$path" ;;
            esac
            printf '%s\t%s\t%s\n' "${path%/*}" "$message" "${path##*/}"
        done | sort
}

# plugin_messages OUT DATA STDOUT: the same from plugin_convert's lines; a document must lie in
# OUT itself, any other path in the folder.
plugin_messages() {
    local out=$1 data=$2
    tr -d '\r' <"$3" | while IFS=$'\t' read -r current result caption message path; do
        local folder=${current//\\//}
        folder=${folder%/}
        path=${path#Z:}
        path=${path//\\//}
        case $path in
            "$out/${path##*/}" | "$data/$folder/${path##*/}") ;;
            *) message="$message (path $path, caption $caption, result $result)" ;;
        esac
        printf '%s\t%s\t%s\n' "$folder" "$message" "${path##*/}"
    done | sort
}

# convert_all DATA FOLDERS...: runs the three converters on DATA into $work/{linux,exe,dll}-NAME
# and sets rc_linux, rc_exe, rc_dll and the message listings $work/{linux,exe,dll}.messages.
convert_all() {
    local data=$1
    shift
    local name=${data##*/}
    rm -rf "$work"/{linux,exe,dll}-"$name"
    mkdir "$work"/{linux,exe,dll}-"$name"
    "$linux" --recursive "$data" -o "$work/linux-$name" >"$work/linux.out" 2>"$work/linux.err"
    rc_linux=$?
    "$wine_run" "$exe" --recursive "$(win "$data")" -o "$(win "$work/exe-$name")" >"$work/exe.out" 2>"$work/exe.err"
    rc_exe=$?
    local currents=()
    for folder in "$@"; do currents+=("${folder//\//\\}\\"); done
    "$wine_run" "$plugin" "$(win "$work/dll-$name")" "$(win "$data")" "${currents[@]}" >"$work/dll.out" 2>"$work/dll.err"
    rc_dll=$?
    cli_messages "$work/linux-$name" "$data" "$work/linux.out" "$work/linux.err" >"$work/linux.messages"
    cli_messages "$work/exe-$name" "$data" "$work/exe.out" "$work/exe.err" >"$work/exe.messages"
    plugin_messages "$work/dll-$name" "$data" "$work/dll.out" >"$work/dll.messages"
}

same_listing() { diff "$1" "$2" >"$work/diff" || { echo "--- $1 +++ $2"; cat "$work/diff"; false; }; }

# ---- every folder converts ----
data=$work/data
folders=(Inbox Cut)
mkdir -p "$data"
cp -r "$src/examples/Inbox" "$data/"

# UTF-8 cut short at the end of a line, and broken inside one, in a subject and a body.
mkdir -p "$data/Cut"
printf '0\001K1\001c\001\344\274\232\350\255\260\343\201\001Name <a@b.jp>\001c@d.jp\001<id@x>\001\001\001\001\001\001\001\001\001\001utf-8\001\001\001utf-8\r\n' \
    >"$data/Cut/Folder.idx"
printf 'Date: Tue, 4 Feb 2020 18:15:00 +0900\r\nContent-Type: text/plain; charset=utf-8\r\nX-Becky-Status: 0,0,0,0,0,K1,0\r\n\r\n%s.\r\n' \
    $'\xe3\x81\x82\xe3\x81\r\na\xf0b\r\nx\xe3\x81y\xe3\r\n\xf0\x9f\x98\r\n' >"$data/Cut/c.bmf"

random=()
for n in $(seq -w 1 39); do
    if [ "$n" -le 20 ]; then random+=("box1/R$n"); else random+=("box2/R$n"); fi
done
random+=("box1/R01/Sub" "box2/ソフト")  # a mail folder inside another; the name with ソ
python3 "$src/tests/random_folders.py" 1 "${random[@]/#/$data/}" || { echo "FAILED: generator"; exit 1; }
folders+=("${random[@]}")

convert_all "$data" "${folders[@]}"
check "linux vellumtext: exit 0" test "$rc_linux" -eq 0
check "vellumtext.exe: exit 0" test "$rc_exe" -eq 0
check "plugin_convert: exit 0" test "$rc_dll" -eq 0
check "a message for every folder" test "$(wc -l <"$work/linux.messages")" -eq "${#folders[@]}"
check "every folder written" test "$(grep -vc $'\t出力しました。\t' "$work/linux.messages")" -eq 0
check "linux and vellumtext.exe: same messages" same_listing "$work/linux.messages" \
    <(sed 's/\tャtト\.REN$/\tソフト.REN/' "$work/exe.messages")
check "vellumtext.exe and the plug-in: same messages" same_listing "$work/exe.messages" "$work/dll.messages"

compared=0
bytes=0
for folder in "${folders[@]}"; do
    name=${folder##*/}.REN
    l=$work/linux-data/$folder/$name
    w=$work/exe-data/$folder/$(windows_name "$name")
    d=$work/dll-data/$(windows_name "$name")
    if [ -f "$l" ] && cmp -s "$l" "$w" && cmp -s "$l" "$d"; then
        compared=$((compared + 1))
        bytes=$((bytes + $(stat -c %s "$l")))
    else
        echo "FAILED: documents of $folder differ or are missing"
        failed=$((failed + 1))
    fi
done
check "nothing else in the output folders" test \
    "$(find "$work"/linux-data "$work"/exe-data "$work"/dll-data -type f | wc -l)" -eq $((3 * ${#folders[@]}))
check "the sample's document is the expected one" cmp -s "$work/linux-data/Inbox/Inbox.REN" "$src/tests/data/Inbox.REN"
# Each cut sequence becomes one "?" and the text after it stays.
cut_lines=$(tr -d '\r' <"$work/linux-data/Cut/Cut.REN" | grep -cxF -e '#T会議?' -e 'あ?' -e 'a?b' -e 'x?y?' -e '?')
check "cut UTF-8 kept as one '?' each" test "$cut_lines" -eq 5
check "the random folders hold cut UTF-8 too" test "$(cat "$data"/box*/R*/*.bmf | grep -caF $'a\xf0b')" -gt 0
echo "compared $compared of ${#folders[@]} folders, $bytes bytes of documents, alike from all three converters"

# ---- a missing message file fails alike ----
fail=$work/fail
mkdir -p "$fail"
cp -r "$src/examples/Inbox" "$fail/Broken"
cp -r "$src/examples/Inbox" "$fail/Whole"
rm "$fail/Broken/00002.bmf"
convert_all "$fail" Broken Whole
check "missing message file: every converter fails" test "$rc_linux" -eq 1 -a "$rc_exe" -eq 1 -a "$rc_dll" -eq 1
check "missing message file: reported with its path" same_listing "$work/linux.messages" \
    <(printf 'Broken\tメールファイルを開けません。\t00002.bmf\nWhole\t出力しました。\tWhole.REN\n')
check "missing message file: vellumtext.exe reports the same" same_listing "$work/linux.messages" "$work/exe.messages"
check "missing message file: the plug-in reports the same" same_listing "$work/linux.messages" "$work/dll.messages"
check "missing message file: only the other folder's document" test \
    "$(cd "$work" && find linux-fail exe-fail dll-fail -type f | sort | tr '\n' ' ')" = \
    "dll-fail/Whole.REN exe-fail/Whole/Whole.REN linux-fail/Whole/Whole.REN "

finish
