#!/bin/sh
# A test campaign made, checked strictly, built and reported as JSON: the standard sine-with-dwell
# series for A = 20 deg (25 runs, so campaign-1.rom and campaign-2.rom), a slowly increasing steer and
# a fishhook at 6.5 A after it, every manoeuvre marked on aux flag 3 for the logger. Run it in the folder that
# is to hold the files; quillard-cli comes from the PATH, else from the build folder of this checkout.
set -e
command -v quillard-cli >/dev/null 2>&1 || PATH="$(cd "$(dirname "$0")/.." && pwd)/build:$PATH"
quillard-cli template sine-with-dwell --series standard --amplitude 20 --mark 3 -o campaign.rom
quillard-cli put campaign-2.rom --program 9 --template slowly-increasing-steer --steer-rate 13.5 --end-angle 270 --maxsteer 300 --mark 3
quillard-cli put campaign-2.rom --program 10 --template fishhook --amplitude 130 --maxsteer 300 --mark 3
quillard-cli build campaign-1.rom -o campaign-1.bin --strict --report --json > campaign-1.json
quillard-cli build campaign-2.rom -o campaign-2.bin --strict --report --json > campaign-2.json
