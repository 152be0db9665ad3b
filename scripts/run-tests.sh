#!/usr/bin/env bash
# Installs what is missing, builds everything, then runs every test headless (the fuzz targets'
# corpus included). Exits non-zero on any failure. The fuzz campaigns themselves run outside this
# command: bash bench/fuzz.sh SECONDS.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
lmv_install
lmv_build -DLMV_BUILD_TESTS=ON -DLMV_BUILD_BENCH=ON
export QT_QPA_PLATFORM=offscreen
cd "$LMV_BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 600
