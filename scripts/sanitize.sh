#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer in build-asan and runs every
# test there. The first report of either (LeakSanitizer's included) fails the test that made it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
cx_install_packages "${CX_TEST_PACKAGES[@]}"

build="$root/build-asan"
cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCX_SANITIZE=ON \
    >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
# The tests marked SERVER run a second time against a throw-away PostgreSQL cluster.
eval "$(bash "$root/scripts/pg_cluster.sh" start)"
trap 'bash "$root/scripts/pg_cluster.sh" stop "$CX_PG_DIR"' EXIT
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
# The package test builds and unpacks a Debian package of these binaries, which would need the
# sanitizer runtimes installed; it checks packaging, not memory, and runs in the normal build.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" -E '^package$' "$@"
