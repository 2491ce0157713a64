#!/usr/bin/env bash
# Installs what the build needs (Debian 12 packages) and configures the build folder build/; building is
# left to the command that needs it: scripts/run.sh builds the window and the CLI, scripts/test.sh
# everything.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev qt6-svg-dev libgl-dev fonts-dejavu-core xvfb xauth srecord
          libkissfft-dev libmatio-dev libliquid-dev nlohmann-json3-dev libdtl-dev zlib1g-dev
          nettle-dev
          libfast-float-dev libdragonbox-dev
          help2man appstream desktop-file-utils poppler-utils x11-utils
          python3-numpy python3-scipy)
scripts/install-packages.sh "${packages[@]}"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
