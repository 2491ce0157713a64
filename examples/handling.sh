#!/bin/sh
# A handling campaign rehearsed end to end: a step steer both ways, a single-period sine and a sweep on the
# linear reference vehicle of simulate (whose responses are known in closed form), slowly increasing
# steer runs and a fishhook on the rehearsal car; each evaluated, with its PDF report, and the sweep's
# frequency response drawn. Run it in the folder that is to hold the files; quillard-cli comes from the
# PATH, else from the build folder of this checkout.
set -e
command -v quillard-cli >/dev/null 2>&1 || PATH="$(cd "$(dirname "$0")/.." && pwd)/build:$PATH"
quillard-cli simulate --linear --template step-steer --amplitude 30 --steer-rate 200 --hold 4 --runs 2 -o step.csv
quillard-cli evaluate step step-1.csv step-2.csv --vehicle-name "Linear reference car" -o step.pdf --json > step.json
quillard-cli simulate --linear --template single-sine --amplitude 30 --frequency 0.5 -o sine.csv
quillard-cli evaluate sine sine.csv --vehicle-name "Linear reference car" -o sine.pdf --json > sine.json
quillard-cli template linear-sweep --amplitude 10 --start-frequency 0.2 --end-frequency 3 --sweep-time 25 --rate 512 > sweep.txt
quillard-cli simulate sweep.txt --linear -o sweep.csv
quillard-cli evaluate response sweep.csv --vehicle-name "Linear reference car" -o sweep.pdf --json > sweep.json
quillard-cli plot sweep.txt --log sweep.csv --bode -o sweep-bode.png --size 1200x700
quillard-cli simulate --template slowly-increasing-steer --steer-rate 13.5 --end-angle 270 --maxsteer 300 --lead 2 --runs 6 -o sis.csv
quillard-cli evaluate understeer sis-1.csv sis-2.csv sis-3.csv sis-4.csv sis-5.csv sis-6.csv --steering-ratio 16 --wheelbase 2.8 --vehicle-name "Rehearsal car (simulate)" -o understeer.pdf --json > understeer.json
quillard-cli simulate --template fishhook --amplitude 176 --maxsteer 300 -o fishhook.csv
quillard-cli evaluate rollover fishhook.csv --vehicle-name "Rehearsal car (simulate)" -o fishhook.pdf --json > fishhook.json
