#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang into build-fuzz/ and runs each in turn on a copy
# of its corpus, printing its executions.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     SECONDS per target (default 60); TARGET is one of
#                                             compile programset timevalue eprom defaults (default all)
# An input that crashes or breaks an invariant is kept as build-fuzz/findings/<target>-crash-*; the
# exit status is then 1. Replay one with build-fuzz/fuzz/fuzz_<target> FILE.
set -euo pipefail
cd "$(dirname "$0")/.."

all=(compile programset timevalue eprom defaults)
seconds=${1:-60}
if ! [[ $seconds =~ ^[0-9]+$ ]]; then
    echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]   targets: ${all[*]}" >&2
    exit 2
fi
[ $# -gt 0 ] && shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")
for t in "${targets[@]}"; do
    if [ ! -d "fuzz/corpus/$t" ]; then
        echo "fuzz.sh: unknown target '$t' (${all[*]})" >&2
        exit 2
    fi
done

# clang and its libFuzzer runtime (Debian 12 packages), and the libraries the core links.
scripts/install-packages.sh clang libclang-rt-14-dev pkg-config libkissfft-dev libmatio-dev libliquid-dev libdtl-dev \
                             libfast-float-dev libdragonbox-dev

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DQUILLARD_FUZZ=ON \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

mkdir -p build-fuzz/findings
status=0
for t in "${targets[@]}"; do
    work="build-fuzz/corpus/$t"
    log="build-fuzz/fuzz_$t.log"
    rm -rf "$work"
    mkdir -p "$work"
    cp "fuzz/corpus/$t"/* "$work"/
    # The timeout is wall time, generous for a run at low priority on busy cores; a hang still shows.
    options=(-max_total_time="$seconds" -timeout=120 -print_final_stats=1
             -artifact_prefix="build-fuzz/findings/$t-")
    [ -f "fuzz/$t.dict" ] && options+=(-dict="fuzz/$t.dict")
    echo "fuzz_$t: running for $seconds s (log: $log)"
    if "build-fuzz/fuzz/fuzz_$t" "${options[@]}" "$work" >"$log" 2>&1; then
        result="no finding"
    else
        result="FINDING, see $log and build-fuzz/findings/"
        status=1
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    files=$(find "$work" -type f | wc -l)
    bytes=$(du -sb "$work" | cut -f1)
    echo "fuzz_$t: ${executions:-?} executions, corpus $files files ($bytes bytes): $result"
done
exit $status
