#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test (those marked SERVER also against
# a throw-away PostgreSQL cluster, scripts/pg_cluster.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
cx_install_packages "${CX_TEST_PACKAGES[@]}"

build="$root/build"
cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
# The tests marked SERVER run a second time against a throw-away PostgreSQL cluster.
eval "$(bash "$root/scripts/pg_cluster.sh" start)"
trap 'bash "$root/scripts/pg_cluster.sh" stop "$CX_PG_DIR"' EXIT
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
