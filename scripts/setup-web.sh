#!/usr/bin/env bash
# Installs what the browser edition needs (Debian 12 packages: emscripten, chromium; npm packages from
# web/package-lock.json), builds the C libraries for WebAssembly once (scripts/web-libs.sh), then
# configures and builds build-wasm/: the core as WebAssembly, its tests and the page (or only the targets
# named: scripts/setup-web.sh page). The web tests compare with the native build in build/ (scripts/test.sh builds it first).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(emscripten dpkg-dev autoconf automake googletest libfast-float-dev libdragonbox-dev nlohmann-json3-dev
          libdtl-dev chromium fonts-dejavu-core)
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)
scripts/install-packages.sh "${packages[@]}"
export NODE_PATH=/usr/share/nodejs # emcc's optimizer needs Debian's node-acorn

scripts/web-libs.sh

# The page's packages as the lock file has them; puppeteer-core brings no browser (Debian's is used).
if ! cmp -s web/package-lock.json web/node_modules/.quillard-lock.json 2>/dev/null; then
    (cd web && npm ci --no-audit --no-fund --loglevel=error >/dev/null && cp package-lock.json node_modules/.quillard-lock.json)
fi

prefix="$PWD/build-wasm/libs/prefix"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" emcmake cmake -S . -B build-wasm -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    "-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch" \
    -DQUILLARD_NATIVE_BUILD="$PWD/build" "${launcher[@]}" >/dev/null
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
cmake --build build-wasm -j"$(nproc)" "${targets[@]}"
