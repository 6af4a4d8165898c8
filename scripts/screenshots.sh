#!/usr/bin/env bash
# Writes a picture of the main window for every page in English and Chinese into OUTDIR, taken
# offscreen in demo mode, so the look can be reviewed without a desktop.
set -euo pipefail
if [ $# -ne 1 ]; then
    echo "usage: $0 OUTDIR" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "$1")
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build"
# A program folder of its own, so the pictures show the bundled defaults and the user's own
# settings stay untouched.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
VELTRANO_HOME="$home" QT_QPA_PLATFORM=offscreen "$root/build/bin/veltrano" --screenshots "$out"
