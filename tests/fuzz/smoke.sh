#!/usr/bin/env bash
# Smoke run of the fuzz targets: builds them with clang and runs each for SECONDS (default 5,
# two at a time on two cores: all targets together take under a minute).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
exec "$ROOT/bench/fuzz.sh" "${1:-5}"
