#!/usr/bin/env bash
# The Debian package built from this build tree: its control data, its files, and the programs
# unpacked into a fresh folder, where veltrano-cli seeds a per-user folder from the installed
# resources.
set -u
bin=$1
build=${2:-$(dirname "$1")}
missing=()
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli rsvg-convert readelf; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -ne 0 ]; then
    echo "SKIP: not installed: ${missing[*]} (scripts/deps.sh installs them)"
    exit 77
fi
[ -f "$build/CPackConfig.cmake" ] || { echo "FAIL: no CPackConfig.cmake in $build"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1 ||
    fail "cpack ended with $? ($(tail -5 "$work/cpack.log"))"
debs=("$work"/pkg/veltrano_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one veltrano_*.deb, got ${debs[*]}"
deb=${debs[0]}

# Control data: named and versioned like the programs, dependencies found by dpkg-shlibdeps.
version=$("$bin/veltrano-cli" --version | sed -n 's/^veltrano-cli //p')
[ -n "$version" ] || fail "no version from the built veltrano-cli"
[ "$(dpkg-deb -f "$deb" Package)" = veltrano ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 librtmidi libqt6widgets6 libqt6svg6 qt6-qpa-plugins; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
grep -q "(>= " <<<"$depends" || fail "Depends carries no versions, so it was not computed"
dpkg-deb -c "$deb" | awk '$2 != "root/root" { bad = 1 } END { exit bad }' ||
    fail "files not owned by root"

# Unpacked into a fresh folder, as dpkg would install it under /.
root="$work/root"
mkdir "$root"
dpkg -x "$deb" "$root" || fail "dpkg -x"
share="$root/usr/share"
for program in veltrano veltrano-cli veltrano-sim; do
    exe="$root/usr/bin/$program"
    [ -x "$exe" ] || fail "no $program in /usr/bin"
    readelf -S "$exe" | grep -q '\.debug_info' && fail "$program is not stripped"
    readelf -d "$exe" | grep -qE 'RPATH|RUNPATH' && fail "$program keeps a run path"
done
[ -e "$root/usr/bin/Cnfg.ini" ] && fail "Cnfg.ini next to the programs turns on portable mode"
[ -f "$share/veltrano/Cnfg.ini" ] || fail "no resources in /usr/share/veltrano"
[ -f "$share/veltrano/resources.manifest" ] || fail "no resources.manifest"
while read -r file; do
    [ -z "$file" ] || [ -f "$share/veltrano/$file" ] || fail "manifest names missing $file"
done <"$share/veltrano/resources.manifest"

app=io.github.veltrano.Veltrano
desktop="$share/applications/$app.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx "Exec=veltrano" "$desktop" || fail "the entry does not start veltrano"
grep -qx "Icon=veltrano" "$desktop" || fail "the entry's icon is not veltrano"
grep -q "^Categories=.*Audio;.*Midi;" "$desktop" || fail "categories"
metainfo="$share/metainfo/$app.metainfo.xml"
[ -f "$metainfo" ] || fail "no AppStream metadata"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
grep -q "<launchable type=\"desktop-id\">$app.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not launch the desktop entry"
grep -q "<release version=\"$version\"" "$metainfo" || fail "no release $version in the metadata"

icons="$share/icons/hicolor"
cmp -s "$icons/scalable/apps/veltrano.svg" "$share/veltrano/pictures/veltrano.svg" ||
    fail "no scalable icon"
for size in 16 24 32 48 64 128 256 512; do
    png="$icons/${size}x${size}/apps/veltrano.png"
    [ -f "$png" ] || fail "no ${size}x$size icon"
    # Width and height are the big-endian words at bytes 16 and 20 of the header.
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [ "$w $h" = "$size $size" ] || fail "the ${size}x$size icon is ${w}x$h"
done

# The manual page is compressed and names every command the program offers.
man="$share/man/man1/veltrano-cli.1.gz"
[ -f "$man" ] || fail "no manual page"
page=$(gzip -dc "$man" | sed 's/\\-/-/g') || fail "the manual page does not decompress"
grep -q '^\.TH VELTRANO-CLI 1' <<<"$page" || fail "the manual page has no title"
commands() { "$@" --help | awk '/^Subcommands:/ { on = 1; next } on && NF == 0 { on = 0 } on { print $1 }'; }
top=$(commands "$bin/veltrano-cli")
[ -n "$top" ] || fail "no commands in veltrano-cli --help"
for command in $top; do
    grep -qE "(\\\\fB|\\.B )$command\b" <<<"$page" || fail "the manual page lacks $command"
done
for command in $(commands "$bin/veltrano-cli" device); do
    grep -q "device $command" <<<"$page" || fail "the manual page lacks device $command"
done

# The unpacked programs run; the command line, with no program folder yet, fills one from the
# installed resources and writes nothing into the installed tree.
touch "$work/stamp"
sleep 1
"$root/usr/bin/veltrano-cli" --version | grep -qx "veltrano-cli $version" || fail "cli --version"
"$root/usr/bin/veltrano-sim" --help >/dev/null || fail "veltrano-sim --help"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/veltrano" --version | grep -q "^veltrano $version" ||
    fail "veltrano --version"

# The window program, installed, also starts from a new per-user folder.
mkdir "$work/gui"
env -u VELTRANO_HOME XDG_DATA_HOME="$work/gui" QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
    timeout 120 "$root/usr/bin/veltrano" --screenshots "$work/shots" >"$work/gui.out" \
    2>"$work/gui.err" || fail "the window program ended with $? ($(tail -3 "$work/gui.err"))"
[ -s "$work/shots/page0_en.png" ] || fail "the window program drew nothing"
[ -f "$work/gui/veltrano/Cnfg.ini" ] || fail "the window program seeded no folder"

seeded_by_catalog() {
    local folder=$1
    shift
    env -u VELTRANO_HOME "$@" "$root/usr/bin/veltrano-cli" catalog >"$work/catalog.out" \
        2>"$work/catalog.err" || fail "catalog ended with $? ($(tail -3 "$work/catalog.err"))"
    [ -s "$work/catalog.out" ] || fail "catalog printed nothing"
    grep -q "^SoftwareName=Veltrano" "$folder/Cnfg.ini" || fail "no Cnfg.ini in $folder"
    while read -r file; do
        [ -z "$file" ] || [ "$file" = Cnfg.ini ] && continue
        cmp -s "$share/veltrano/$file" "$folder/$file" || fail "$folder/$file not seeded"
    done <"$share/veltrano/resources.manifest"
}
mkdir "$work/data" "$work/home"
seeded_by_catalog "$work/data/veltrano" XDG_DATA_HOME="$work/data" HOME="$work/home"
[ -e "$work/home/.local/share/veltrano" ] && fail "XDG_DATA_HOME was not followed"
# Without XDG_DATA_HOME the folder is the one under HOME.
seeded_by_catalog "$work/home/.local/share/veltrano" XDG_DATA_HOME= HOME="$work/home"
changed=$(find "$root" -newer "$work/stamp")
[ -z "$changed" ] || fail "the programs wrote into the installed tree: $changed"
echo "PASS"
