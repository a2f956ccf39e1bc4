# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libqcustomplot-dev libusb-1.0-0-dev
          libgl-dev xvfb xauth fonts-dejavu-core)
# Only ./scripts/test --fuzz needs these.
FUZZ_PACKAGES=(clang-14 libfuzzer-14-dev)

# install_missing [more packages...]
install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build DIR [extra cmake arguments...]; BUILD_TARGET, when set, builds only that target.
build() {
    local dir="$1"; shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
    fi
    cmake --build "$dir" ${BUILD_TARGET:+--target "$BUILD_TARGET"} -- -j"$(nproc)"
}
