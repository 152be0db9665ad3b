#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
lmv_install
LMV_BUILD_TESTS=OFF
lmv_build
cd "$LMV_ROOT"
exec "$LMV_BUILD/app/limnova-viewer"
