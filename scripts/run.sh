#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program connected to its built-in simulated
# instrument. Extra arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: start this from a desktop session (or set QT_QPA_PLATFORM)." >&2
    exit 1
fi
exec "$root/build/bin/veltrano" --demo "$@"
