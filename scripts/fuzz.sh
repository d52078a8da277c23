#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz and runs each for a bounded time,
# starting from its seed corpus under tests/fuzz_corpus/<target>/; reports executions and crashes.
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]   (targets: conversions xlsx xls)
# Inputs that crash are kept in build-fuzz/crashes/<target>/. Not part of CI.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(conversions xlsx xls)

source "$root/scripts/packages.sh"
cx_install_packages clang libclang-rt-14-dev

build="$root/build-fuzz"
cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCX_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
status=0
summary=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    crashes="$build/crashes/$target"
    mkdir -p "$corpus" "$crashes"
    cp -n "$root/tests/fuzz_corpus/$target/"* "$corpus/" 2>/dev/null || true
    log="$build/fuzz_$target.log"
    echo "== $target: ${seconds} s"
    set +e
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$crashes/" "$corpus" \
        >"$log" 2>&1
    rc=$?
    set -e
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || echo 0)
    found=$(find "$crashes" -type f | wc -l)
    summary+=("$(printf '%-12s %12s executions  %3d crash files  exit %d' "$target" "$runs" "$found" "$rc")")
    if [ "$rc" -ne 0 ] || [ "$found" -ne 0 ]; then
        status=1
        grep -m1 -A25 -E 'ERROR: |runtime error|deadly signal' "$log" || tail -30 "$log"
    fi
done
printf '%s\n' "${summary[@]}"
exit $status
