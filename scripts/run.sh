#!/usr/bin/env bash
# Sets up, builds the window and the CLI (nothing else: the tests and benchmarks are scripts/test.sh's)
# and starts the Quillard window.
set -euo pipefail
here="$PWD"
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# Set up and build first, so that a machine without a display is ready for xvfb-run afterwards.
scripts/setup.sh
cmake --build build -j"$(nproc)" --target quillard quillard-cli
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display found (DISPLAY is not set)." >&2
    echo "Start the window on a virtual display instead:  xvfb-run scripts/run.sh" >&2
    exit 2
fi
# The defaults file quildf.txt lives in the folder the window is started from: the caller's.
cd "$here"
exec "$root/build/quillard" "$@"
