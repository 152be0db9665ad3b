#!/usr/bin/env bash
# Installs what is missing, builds, starts the logger simulator with a sample logger and then
# the viewer with the simulator's port in its port box. The port is printed and also reachable as
# /tmp/lmv-logger.
#
#   bash scripts/run-viewer.sh          sample RVA logger (portable flowmeter)
#   bash scripts/run-viewer.sh rvb      sample RVB logger (integrated monitoring host, model 4)
#   bash scripts/run-viewer.sh rvb16    sample RVB logger, model 16
#   bash scripts/run-viewer.sh none     the viewer alone
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
lmv_install
lmv_build -DLMV_BUILD_TESTS=OFF -DLMV_BUILD_BENCH=OFF
cd "$LMV_ROOT"

SIM="$LMV_BUILD/tools/logger-sim/limnova-logger-sim"
case "${1:-rva}" in
    rva)   SIM_ARGS=(samples/logger-rva) ;;
    rvb)   SIM_ARGS=(samples/logger-rvb) ;;
    rvb16) SIM_ARGS=(--config samples/logger-rvb/logger-model16.ini samples/logger-rvb) ;;
    none)  SIM_ARGS=() ;;
    *)     echo "usage: $0 [rva|rvb|rvb16|none]" >&2; exit 2 ;;
esac

if [ ${#SIM_ARGS[@]} -gt 0 ]; then
    SIM_OUT="$(mktemp)"
    "$SIM" --link /tmp/lmv-logger "${SIM_ARGS[@]}" >"$SIM_OUT" 2>/dev/null &
    SIM_PID=$!
    trap 'kill "$SIM_PID" 2>/dev/null; rm -f "$SIM_OUT"' EXIT
    for _ in $(seq 50); do [ -s "$SIM_OUT" ] && break; sleep 0.1; done
    echo "Logger simulator (${1:-rva}) on $(head -n 1 "$SIM_OUT"), also /tmp/lmv-logger."
    echo "In the viewer, press the connect button: the port box (端口:) holds /tmp/lmv-logger."
    "$LMV_BUILD/app/limnova-viewer" --port /tmp/lmv-logger
else
    "$LMV_BUILD/app/limnova-viewer"
fi
