# Shared by scripts/run and scripts/test: install what is missing, then configure and build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# help2man makes the manual pages from the programs' --help at build time. The alarm tests run
# a private D-Bus session bus (dbus-daemon) to receive the desktop notification. The window images
# the look test compares are drawn in DejaVu, with Noto Mono as the typewriter font (the desktop
# tools bring it in too): on a machine without it the test skips.
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libqcustomplot-dev libusb-1.0-0-dev
          libgl-dev xvfb xauth fonts-dejavu-core fonts-noto-mono help2man dbus-daemon prometheus-cpp-dev)
# Only ./scripts/test --fuzz needs these.
FUZZ_PACKAGES=(clang-14 libfuzzer-14-dev)
# Only ./scripts/test --strict needs this.
STRICT_PACKAGES=(clang-format)

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

# build PRESET [extra cmake arguments...]: configures with the preset of CMakePresets.json (again
# whenever arguments are given, so a switch given last time does not stick) and builds.
# BUILD_TARGET, when set, builds only that target.
build() {
    local preset="$1"; shift
    cd "$ROOT"
    if [ ! -f "$(preset_dir "$preset")/build.ninja" ] || [ $# -gt 0 ]; then
        cmake --preset "$preset" "$@" >/dev/null
    fi
    cmake --build --preset "$preset" ${BUILD_TARGET:+--target "$BUILD_TARGET"} -- -j"$(nproc)"
}

# The build folder of a preset.
preset_dir() {
    case "$1" in
        default) echo "$ROOT/build" ;;
        *) echo "$ROOT/build-$1" ;;
    esac
}

# Fails, listing them, when files differ from the project's .clang-format.
check_format() {
    local off
    off=$(cd "$ROOT" && git ls-files -- '*.cpp' '*.h' | while read -r f; do
              clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || echo "$f"; done)
    if [ -n "$off" ]; then
        echo "These files differ from .clang-format (clang-format -i FILE...):"
        echo "$off"
        return 1
    fi
}
