#!/usr/bin/env bash
# Builds the C libraries the core links (zlib, KissFFT, nettle, liquid-dsp) and GoogleTest for
# WebAssembly with Debian's emcc, from the source packages Debian builds its own packages from, into build-wasm/libs/,
# and links the header-only libraries in beside them. A second run does nothing while this script and
# emcc are unchanged. Run by scripts/setup-web.sh, which installs the packages.
#
# MATLAB files are left out of the WebAssembly build: the package mirror serves no source of libmatio.
set -euo pipefail
cd "$(dirname "$0")/.."

libs="$PWD/build-wasm/libs"
prefix="$libs/prefix"
export NODE_PATH=/usr/share/nodejs # emcc's optimizer needs Debian's node-acorn

key="$(sha256sum "$0" | cut -c1-16) $(emcc --version | head -1)"
if [ -f "$libs/done" ] && [ "$(cat "$libs/done")" = "$key" ]; then
    exit 0
fi
rm -rf "$libs"
mkdir -p "$libs/src" "$prefix/include"
jobs=$(nproc)

# Debian's sources of the release this machine runs (its main suite: the source of an update is not
# always served), as a deb-src entry beside the system's own.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
sources=/etc/apt/sources.list.d/quillard-deb-src.sources
if ! grep -rqs "^Types:.*deb-src\|^deb-src" /etc/apt/sources.list /etc/apt/sources.list.d/; then
    mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
    [ -n "$mirror" ] || mirror=$(awk '$1 == "deb" {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
    [ -n "$mirror" ] || mirror=http://deb.debian.org/debian
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$mirror" "$codename" | "${sudo_cmd[@]}" tee "$sources" >/dev/null
    "${sudo_cmd[@]}" apt-get update -qq
fi

# The source of a package as its release ships it (not an update's, which the mirror may lack).
fetch() {
    local version
    version=$(apt-cache madison "$1" | awk -F'|' -v suite=" $codename/main Sources" \
        'index($3, suite) {gsub(/ /, "", $2); print $2; exit}')
    (cd "$libs/src" && apt-get source -qq "$1${version:+=$version}" >/dev/null 2>&1)
    find "$libs/src" -maxdepth 1 -mindepth 1 -type d -name "$2*" | head -1
}

export CFLAGS="-O2"
# The libraries' own build output goes to a log, shown when a step fails.
log="$libs/build.log"
quiet() {
    if ! "$@" >>"$log" 2>&1; then
        tail -30 "$log" >&2
        echo "web-libs.sh: failed: $*" >&2
        exit 1
    fi
}

zlib=$(fetch zlib zlib-)
(cd "$zlib" && quiet emconfigure ./configure --static --prefix="$prefix" &&
    quiet emmake make -j"$jobs" install)

kissfft=$(fetch kissfft kissfft-)
quiet emcmake cmake -S "$kissfft" -B "$libs/kissfft-build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DKISSFFT_DATATYPE=float -DKISSFFT_STATIC=ON -DKISSFFT_TEST=OFF \
    -DKISSFFT_TOOLS=OFF
quiet cmake --build "$libs/kissfft-build" -j"$jobs"
quiet cmake --install "$libs/kissfft-build"

# nettle's SHA-256, in portable C (no assembler), without GMP or the shared library.
nettle=$(fetch nettle nettle-)
(cd "$nettle" && quiet emconfigure ./configure --host=wasm32-unknown-emscripten --disable-assembler \
    --enable-mini-gmp --disable-documentation --disable-shared --disable-openssl --prefix="$prefix" &&
    quiet emmake make -j"$jobs" libnettle.a && quiet emmake make install-headers &&
    cp libnettle.a "$prefix/lib/")

# liquid-dsp as Debian configures it: the portable C code, no SIMD. Cross-compiled, configure cannot
# run a test program, so it is told what the C library's malloc does.
liquid=$(fetch liquid-dsp liquid-dsp-)
(cd "$liquid" && quiet ./bootstrap.sh &&
    quiet emconfigure ./configure --host=wasm32-unknown-emscripten --enable-simdoverride \
        --prefix="$prefix" ac_cv_func_malloc_0_nonnull=yes ac_cv_func_realloc_0_nonnull=yes &&
    quiet emmake make -j"$jobs" libliquid.a &&
    mkdir -p "$prefix/include/liquid" && cp include/liquid.h "$prefix/include/liquid/" &&
    cp libliquid.a "$prefix/lib/")

# GoogleTest from Debian's googletest sources, without threads.
quiet emcmake cmake -S /usr/src/googletest -B "$libs/googletest-build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -Dgtest_disable_pthreads=ON -DCMAKE_CXX_FLAGS=-fexceptions
quiet cmake --build "$libs/googletest-build" -j"$jobs"
quiet cmake --install "$libs/googletest-build"

# The header-only libraries, from their Debian packages.
ln -s /usr/include/fast_float /usr/include/nlohmann /usr/include/dtl "$prefix/include/"
ln -s "$(dirname "$(find /usr/include -path '*/dragonbox/dragonbox.h' | head -1)")" "$prefix/include/dragonbox"

echo "$key" >"$libs/done"
