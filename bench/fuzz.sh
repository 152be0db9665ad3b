#!/usr/bin/env bash
# Builds the libFuzzer targets (device reply parsers and file readers) with clang (Debug at -O1,
# so Qt's own bounds checks stay in, with AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each one for SECONDS, as many at once as there are cores. Prints "name: value unit" lines; fails when a
# target finds a fault.
#
#   bench/fuzz.sh SECONDS [TARGET...]     (a target per folder of tests/fuzz/corpus; default all)
# LMV_FUZZ_BUILD sets the build folder (default build-fuzz below the repository). Inputs that the
# fuzzer finds go to $LMV_FUZZ_BUILD/fuzz-work/<target>/, never into the committed corpus.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${LMV_FUZZ_BUILD:-$ROOT/build-fuzz}"
SECONDS_EACH="${1:?usage: fuzz.sh SECONDS [TARGET...]}"
shift
TARGETS=("$@")
if [ ${#TARGETS[@]} -eq 0 ]; then
    for dir in "$ROOT"/tests/fuzz/corpus/*/; do
        TARGETS+=("$(basename "$dir")")
    done
fi

SAN="-fsanitize=address,undefined -fno-sanitize-recover=undefined"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ -DLMV_FUZZ=ON \
    -DLMV_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-O1 -fno-omit-frame-pointer -fsanitize=fuzzer-no-link $SAN" \
    -DCMAKE_EXE_LINKER_FLAGS="$SAN" >/dev/null
cmake --build "$BUILD" -j2 --target "${TARGETS[@]/#/fuzz_}" >/dev/null

# One target's run; its lines go to $work/result, its exit status is the finding.
run_target() {
    local t="$1" work="$BUILD/fuzz-work/$1" status=0
    mkdir -p "$work/corpus"
    local log="$work/last-run.log"
    # UBSan findings abort like ASan ones; LSan stays on.
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$BUILD/tests/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" -print_final_stats=1 \
        -artifact_prefix="$work/" "$work/corpus" "$ROOT/tests/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    local execs rate cov
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | sed 's/cov: //')
    {
        echo "fuzz_${t}_execs: ${execs:-0} execs"
        echo "fuzz_${t}_rate: ${rate:-0} execs/s"
        echo "fuzz_${t}_coverage: ${cov:-0} edges"
        echo "fuzz_${t}_seconds: $SECONDS_EACH s"
        if [ "$status" -ne 0 ]; then
            echo "fuzz_${t}_findings: 1 crash (see $log and $work/crash-*)"
        else
            echo "fuzz_${t}_findings: 0 crashes"
        fi
    } >"$work/result"
    return "$status"
}

# As many targets at once as there are cores; results printed in the targets' order.
JOBS="${LMV_FUZZ_JOBS:-$(nproc)}"
failed=0
pids=()
for i in "${!TARGETS[@]}"; do
    run_target "${TARGETS[$i]}" &
    pids[$i]=$!
    if [ $(( (i + 1) % JOBS )) -eq 0 ]; then
        for p in "${pids[@]}"; do wait "$p" || failed=1; done
        pids=()
    fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
for t in "${TARGETS[@]}"; do
    cat "$BUILD/fuzz-work/$t/result"
done
exit "$failed"
