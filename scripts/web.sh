#!/usr/bin/env bash
# Sets up and builds the browser edition (build-wasm/web/quillard.html, one self-contained file that also
# opens from file://), then serves it on http://127.0.0.1:PORT/ until stopped.
#   scripts/web.sh [PORT]      PORT defaults to 8040
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-web.sh page
echo "The page as one file, for a USB stick: $PWD/build-wasm/web/quillard.html"
exec node web/serve.mjs build-wasm/web/quillard.html "${1:-8040}"
