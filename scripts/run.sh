#!/usr/bin/env bash
# Installs what is missing, builds, and shows the bundled demo instrument's preset catalogue.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" "$root/build"
exec "$root/build/bin/veltrano-cli" catalog "$@"
