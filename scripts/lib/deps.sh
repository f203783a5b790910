# Debian packages the project builds and runs with; installed only when missing.
FLUMPET_PACKAGES=(
    cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev
    nlohmann-json3-dev libtiff-dev libassimp-dev libembree-dev libcli11-dev libtinygltf-dev libzstd-dev libbullet-dev pkg-config assimp-testmodels
)

ensure_packages() {
    local missing=()
    for p in "${FLUMPET_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The Khronos glTF validator (npm), which the tests run on exported files; installed into
# tools/gltf-validator/node_modules from its lock file when missing.
ensure_gltf_validator() {
    local dir
    dir="$(dirname "${BASH_SOURCE[0]}")/../../tools/gltf-validator"
    [ -d "$dir/node_modules/gltf-validator" ] && return 0
    if ! command -v npm >/dev/null; then
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
    fi
    echo "Installing the glTF validator into tools/gltf-validator"
    (cd "$dir" && npm ci --no-audit --no-fund --silent)
}
