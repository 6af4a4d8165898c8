#!/usr/bin/env bash
# The window program started in demo mode, offscreen: it connects to the built-in instrument,
# fetches its tables into a fresh program folder and draws every page in both languages.
set -u
bin=$1
[ -x "$bin/veltrano" ] || { echo "no window program built"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$bin/veltrano" --version | grep -q "^veltrano " || fail "--version"
"$bin/veltrano" --help | grep -q -- "--demo" || fail "--help does not offer --demo"

mkdir "$work/home"
VELTRANO_HOME="$work/home" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
    timeout 120 "$bin/veltrano" --screenshots "$work/shots" >"$work/out" 2>"$work/err" ||
    fail "demo run ended with $? ($(tail -3 "$work/err"))"
for lang in en zh; do
    for page in 0 1 2 3 4; do
        [ -s "$work/shots/page${page}_$lang.png" ] || fail "no picture of page $page ($lang)"
    done
done
folder="$work/home/Presets/Arranger SIM-61"
for f in device.ini VOICETAB.INI VOICETAB_CN.INI STYLETAB.INI ARPTAB.INI; do
    [ -f "$folder/$f" ] || fail "the connect did not store $f"
done
grep -q "Device=Arranger SIM-61" "$work/home/Cnfg.ini" || fail "Cnfg.ini not updated"
# The pictures were taken in both languages; the language chosen before is kept.
grep -qi "LanguageID=0" "$work/home/Cnfg.ini" || fail "language not restored"

# A wrong command line is a usage error.
QT_QPA_PLATFORM=offscreen "$bin/veltrano" --no-such-option >/dev/null 2>&1
[ $? -eq 2 ] || fail "a wrong option is not a usage error"
echo "PASS"
