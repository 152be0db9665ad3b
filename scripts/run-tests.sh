#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test headless.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
lmv_install
lmv_build
export QT_QPA_PLATFORM=offscreen
cd "$LMV_BUILD"
ctest --output-on-failure -j"$(nproc)" --timeout 600
