#!/usr/bin/env bash
# End to end: a 100 KiB file sent to veltrano-sim over JACK MIDI ports, listed, copied back,
# compared byte for byte and deleted.
set -u
bin=$1
. "$(dirname "$0")/jack_common.inc"

start_sim VSim
head -c 102400 /dev/urandom >"$work/tune.mid"
mkdir -p "$work/back"

cli device put "$work/tune.mid" 'USER\SONG' >"$work/put.out" 2>"$work/put.log" ||
    fail "device put failed"
[ -f "$work/storage/USER/SONG/tune.mid" ] || fail "the instrument did not store the file"
cmp -s "$work/tune.mid" "$work/storage/USER/SONG/tune.mid" || fail "stored bytes differ"

cli device ls 'USER\SONG' >"$work/ls.out" 2>"$work/ls.log" || fail "device ls failed"
grep -q "tune.mid *102400 bytes" "$work/ls.out" || fail "ls does not show the file"

cli device get 'USER\SONG\tune.mid' "$work/back" >"$work/get.out" 2>"$work/get.log" ||
    fail "device get failed"
cmp -s "$work/tune.mid" "$work/back/tune.mid" || fail "the copy differs from the original"

cli device rm 'USER\SONG\tune.mid' >"$work/rm.out" 2>"$work/rm.log" || fail "device rm failed"
[ -e "$work/storage/USER/SONG/tune.mid" ] && fail "the file is still on the instrument"
cli device ls 'USER\SONG' >"$work/ls2.out" 2>&1 || fail "second ls failed"
grep -q "tune.mid" "$work/ls2.out" && fail "ls still shows the deleted file"
echo "PASS"
