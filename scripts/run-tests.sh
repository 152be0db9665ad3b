#!/usr/bin/env bash
# Installs what is missing, builds everything, runs each fuzz target briefly, then runs every
# test headless. Exits non-zero on any failure.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
lmv_install
lmv_build -DLMV_BUILD_TESTS=ON -DLMV_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen
# A short fuzz run of every target, LMV_FUZZ_SECONDS each (the corpus is also replayed by CTest).
LMV_FUZZ_BUILD="$LMV_ROOT/build-fuzz" bash "$LMV_ROOT/tests/fuzz/smoke.sh" "${LMV_FUZZ_SECONDS:-5}"
cd "$LMV_BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 600
