# Shared by run-viewer.sh and run-tests.sh: installs the Debian packages and builds.
set -euo pipefail
LMV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
LMV_BUILD="${LMV_BUILD:-$LMV_ROOT/build}"

# Everything the build, the tests and the viewer need on a fresh Debian 12.
LMV_PACKAGES=(cmake make g++ qtbase5-dev libqt5serialport5-dev libqt5svg5-dev libqwt-qt5-dev fonts-noto-cjk
    fonts-wqy-microhei poppler-utils shared-mime-info libxml2-utils
    clang libclang-rt-14-dev desktop-file-utils appstream dpkg-dev file libqt5sql5-sqlite)

lmv_install() {
    local missing=()
    for p in "${LMV_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
    fi
}

# Optimised as the benchmarks are (-O2), without debug information: a third less to compile and
# link on a fresh machine. Configure by hand with RelWithDebInfo for a debugger.
lmv_build() {
    cmake -S "$LMV_ROOT" -B "$LMV_BUILD" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "$@"
    cmake --build "$LMV_BUILD" -j"$(nproc)"
}
