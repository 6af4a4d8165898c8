#!/usr/bin/env bash
# End to end: veltrano-cli connects to veltrano-sim over JACK MIDI ports and stores the
# instrument's folder exactly as a connect does.
set -u
bin=$1
. "$(dirname "$0")/jack_common.inc"

start_sim VSim --product "E2E Arranger" --firmware "2.10"
cli device connect >"$work/connect.out" 2>"$work/connect.log" || fail "device connect failed"
grep -q "Product:     E2E Arranger" "$work/connect.out" || fail "no identity printed"

folder="$work/home/Presets/E2E Arranger"
tables="$work/home/Presets/Default"
for t in VOICETAB STYLETAB SONGTAB ARPTAB PERFTAB CHPTAB; do
    for f in "$t.INI" "${t}_CN.INI"; do
        [ -f "$folder/$f" ] || fail "missing $f"
        # Stored with CR LF line ends.
        sed 's/$/\r/' "$tables/$f" | cmp -s - "$folder/$f" || fail "$f differs"
    done
done
[ -f "$folder/Default.prf" ] || fail "missing Default.prf"
grep -q "FirmwareVersion=2.10" "$folder/device.ini" || fail "device.ini without the firmware"
grep -q "Device=E2E Arranger" "$work/home/Cnfg.ini" || fail "Cnfg.ini not updated"

# The same firmware again: connects without fetching.
cli device connect >/dev/null 2>"$work/again.log" || fail "second connect failed"
grep -q "Loading" "$work/again.log" && fail "tables fetched again for the same firmware"
echo "PASS"
