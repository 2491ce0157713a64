#!/usr/bin/env bash
# Keeps the README and the user guide honest: every command line of a document's code blocks that starts
# with build/ (quillard-cli) or scripts/ runs, as pasted, in a scratch folder of that document where
# build/ is the build folder and examples/ a copy of the examples. The files a line reads that no
# earlier line of the document made are made first (see make_input); a line that cannot run here is
# skipped with its reason. A line fails when it exits with another status than it may (0; a diff also
# 1, as its versions differ), which is what a stale path or option does.
#   readme_examples.sh BUILD_DIR EXAMPLES_DIR WORK_DIR DOCUMENT.md...
set -uo pipefail
build=$1 examples=$2 work=$3
shift 3

# Lines that are not run here, and why.
skip_reason() {
    case $1 in
    scripts/run.sh*) echo "starts the window; .ci/run starts it on a virtual display" ;;
    scripts/test.sh* | scripts/test-sanitizers.sh*) echo "runs the test suite this test belongs to" ;;
    scripts/fuzz.sh*) echo "builds the fuzz targets with clang and runs them for minutes" ;;
    scripts/web.sh*) echo "serves the browser edition until stopped; the web tests build and drive the page" ;;
    *) return 1 ;;
    esac
}

# A measured log of a program: its steps as time and steer columns, as a logger that follows exactly
# would write them.
log_of() {
    build/quillard-cli steps "$@" | awk -F, 'NR == 2 { print "time,steer" } NR > 2 { print $2 "," $3 }'
}

# Makes FILE when a line reads it and no earlier line of the README made it.
make_input() {
    case $1 in
    prog.txt) build/quillard-cli export examples/manoeuvres.rom --program 2 --format text -o prog.txt ;;
    run.csv) log_of sid.rom --program 3 >run.csv ;;
    sweep.txt) build/quillard-cli template linear-sweep >sweep.txt ;;
    sweep.csv) log_of sweep.txt >sweep.csv ;;
    logger.csv)
        build/quillard-cli template sine-with-dwell --amplitude 60 --lead 2 >logger.txt &&
            build/quillard-cli simulate logger.txt -o simulated.csv &&
            sed -e '/^#/d' simulated.csv | sed -e '1s/.*/Time,SteerAng,Yaw_Rate,Y_Accel,Velocity/' >logger.csv ;;
    readback.bin) cp sid.bin readback.bin ;;
    readback.aux) cp sid.aux readback.aux ;;
    v2.rom)
        sed -e 's/stepto(30 deg, 3 sec)/stepto(35 deg, 3 sec)/' \
            -e 's/^; Ramp steer: a slow ramp/; Ramp steer, slow: a ramp/' \
            -e 's/rampto(-90 deg, 0.5 sec)/rampto(-90 deg, 0.4 sec)/' examples/manoeuvres.rom >v2.rom ;;
    *) return 1 ;;
    esac
}

allowed_status() {
    case $1 in
    *" diff "*) echo "0 1" ;; # the README's two versions differ on purpose, in some programs
    *) echo 0 ;;
    esac
}

# The code blocks' lines (indented four blanks) of the document $1, continuation lines joined.
command_lines() {
    local line joined=""
    while IFS= read -r line; do
        if [[ -n $joined ]]; then
            joined+=" ${line#"${line%%[![:space:]]*}"}"
        elif [[ $line == "    "[![:space:]]* ]]; then
            joined=${line#    }
        else
            continue
        fi
        if [[ $joined == *\\ ]]; then
            joined=${joined%\\}
            continue
        fi
        [[ $joined == build/* || $joined == scripts/* ]] && printf '%s\n' "$joined"
        joined=""
    done <"$1"
}

# Runs the lines of the document $1 in the scratch folder $2; the counts are added to ran and failed.
run_document() {
    local document=$1 folder=$2 command reason word status commands=()
    mapfile -t commands < <(command_lines "$document")
    rm -rf "$folder" && mkdir -p "$folder" && cd "$folder" || return 2
    ln -s "$build" build
    cp -R "$examples" examples
    for command in "${commands[@]}"; do
        if reason=$(skip_reason "$command"); then
            echo "skipped: $command  ($reason)"
            continue
        fi
        for word in $command; do
            [[ $word == *.* && $word != -* && ! -e $word ]] && make_input "$word" >/dev/null 2>&1
        done
        bash -c "$command" >out.txt 2>err.txt
        status=$?
        ran=$((ran + 1))
        if [[ " $(allowed_status "$command") " != *" $status "* ]]; then
            echo "FAILED (exit $status): $command"
            sed 's/^/    /' err.txt | head -n 5
            failed=$((failed + 1))
        fi
    done
    [[ ${#commands[@]} -gt 0 ]] || { echo "no command lines in $document"; failed=$((failed + 1)); }
}

documents=()
for document in "$@"; do documents+=("$(realpath "$document")"); done
failed=0 ran=0
for document in "${documents[@]}"; do
    before=$ran
    run_document "$document" "$work/$(basename "$document" .md)" || exit 2
    echo "$document: $((ran - before)) lines run"
done
echo "$ran lines run, $failed failed"
[[ $ran -gt 0 && $failed -eq 0 ]]
