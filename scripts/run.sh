#!/usr/bin/env bash
# Installs what is needed, builds the program and starts it in workdir/ with the delivered database.
# An existing workdir/data/Maindb.db is never overwritten.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/packages.sh"
cx_install_packages

cmake -S "$root" -B "$root/build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target chengxi_exam make_database

mkdir -p "$root/workdir/data"
"$root/build/tools/make_database" "$root/data/Maindb.sql" "$root/workdir/data/Maindb.db"

cd "$root/workdir"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the program in a virtual X server (xvfb-run)."
    exec xvfb-run -a -s '-screen 0 1024x768x24' "$root/build/app/chengxi_exam"
fi
exec "$root/build/app/chengxi_exam"
