#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
#   scripts/test.sh             the whole suite (build/)
#   scripts/test.sh --sanitize  the core and window tests and the fuzz corpora under
#                               AddressSanitizer and UndefinedBehaviorSanitizer, built with clang
#                               (build-asan/)
#   scripts/test.sh --tsan      the arpeggiator engine, its clock thread and the MIDI traffic log under
#                               ThreadSanitizer, built with clang (build-tsan/)
# VELTRANO_WERROR=ON turns warnings into errors.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"

werror=${VELTRANO_WERROR:-OFF}
if [ "${1:-}" = "--sanitize" ]; then
    dir="$root/build-asan"
    CC=clang CXX=clang++ "$root/scripts/build.sh" "$dir" \
        -DVELTRANO_BUILD_BENCH=OFF -DVELTRANO_WERROR="$werror" \
        -DVELTRANO_SANITIZE=address,undefined
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    cd "$dir" && ctest -L 'core|gui' --output-on-failure -j "$(nproc)"
elif [ "${1:-}" = "--tsan" ]; then
    dir="$root/build-tsan"
    CC=clang CXX=clang++ "$root/scripts/build.sh" "$dir" -DVELTRANO_BUILD_GUI=OFF \
        -DVELTRANO_BUILD_BENCH=OFF -DVELTRANO_WERROR="$werror" -DVELTRANO_SANITIZE=thread
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
    cd "$dir" && ctest -R 'PreviewClock|ArpEngine|ArpPlay|MidiTrafficLog|MidiPortsTraffic' --output-on-failure -j "$(nproc)"
else
    dir="$root/build"
    "$root/scripts/build.sh" "$dir" -DVELTRANO_WERROR="$werror"
    cd "$dir" && ctest --output-on-failure -j "$(nproc)"
fi
