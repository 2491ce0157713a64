#!/usr/bin/env bash
# Sets up, builds everything (the window, the CLI, every test and benchmark, the browser edition) and
# runs every test: the native build's, then the browser edition's (the core's suites under node, the
# module against the native CLI, the page in headless Chromium).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --build build -j"$(nproc)"
scripts/setup-web.sh
status=0
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)") || status=1
(cd build-wasm && ctest --output-on-failure -j"$(nproc)") || status=1
exit $status
