#!/usr/bin/env bash
# Sets up, builds and starts Quillard.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/quillard-cli check examples/manoeuvres.rom
