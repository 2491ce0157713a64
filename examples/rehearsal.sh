#!/bin/sh
# A sine-with-dwell campaign rehearsed end to end on the rehearsal vehicle of simulate: six slowly
# increasing steer runs (three each way) give A; the standard series for that A is written, built
# and verified; every run is driven and judged, and the table and the PDF report are written. Run it
# in the folder that is to hold the files; quillard-cli comes from the PATH, else from the build folder
# of this checkout.
set -e
command -v quillard-cli >/dev/null 2>&1 || PATH="$(cd "$(dirname "$0")/.." && pwd)/build:$PATH"
quillard-cli simulate --default-vehicle > car.txt
quillard-cli simulate --template slowly-increasing-steer --steer-rate 13.5 --end-angle 270 --maxsteer 300 --lead 2 --runs 6 --vehicle car.txt -o sis.csv
quillard-cli evaluate sis sis-1.csv sis-2.csv sis-3.csv sis-4.csv sis-5.csv sis-6.csv --json > sis.json
quillard-cli template sine-with-dwell --series standard --amplitude-from sis.json --lead 2 --mark 3 -o swd.rom --json > runs.json
for set in swd-*.rom; do quillard-cli build "$set" -o "${set%.rom}.bin" --strict && quillard-cli verify "$set" "${set%.rom}.bin" --aux "${set%.rom}.aux"; done
quillard-cli simulate --run-list runs.json --vehicle car.txt -o swd.csv
quillard-cli evaluate campaign runs.json swd-??.csv --vehicle-name "Rehearsal car (simulate)" --vehicle car.txt --amplitude-from sis.json --images swd-1.bin --images swd-2.bin -o report.pdf --csv table.csv --json > campaign.json
