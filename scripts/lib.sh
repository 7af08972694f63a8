# Shared by scripts/run and scripts/test: package installation and the build.
# shellcheck shell=bash

KORVEL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

korvel_packages() {
    grep -v -E '^\s*(#|$)' "$KORVEL_ROOT/scripts/packages.txt"
}

# Installs the packages that are missing; does nothing (and needs no network) when all are there.
install_packages() {
    local missing=()
    local p
    for p in $(korvel_packages); do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build <preset>: one configure per build tree, then an incremental build.
build() {
    local preset=$1
    cd "$KORVEL_ROOT"
    if [ ! -f "build/$preset/CMakeCache.txt" ]; then
        cmake --preset "$preset"
    fi
    cmake --build --preset "$preset"
}
