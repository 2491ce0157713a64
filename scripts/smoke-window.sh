#!/usr/bin/env bash
# Runs the README's first command in its virtual-display form, xvfb-run -s '-screen 0 1280x800x24'
# scripts/run.sh, until the window it starts is on the screen, then closes it: once in an empty folder
# (the first-run dialog comes first there) and once with the example set in a folder that has its
# defaults file (the main window, captioned with the set). Exit 0 when both windows appeared. Run after
# scripts/setup.sh (it installs xwininfo); .ci/run calls it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# window_appears FOLDER TITLE [ARGUMENT...]: starts the window from FOLDER and waits up to two minutes
# (run.sh sets up and builds first) for a window whose title contains TITLE.
window_appears() {
    local folder=$1 title=$2
    shift 2
    local display=$((90 + RANDOM % 100)) auth="$scratch/auth"
    (cd "$folder" && exec setsid xvfb-run -n "$display" -f "$auth" -s '-screen 0 1280x800x24' \
        "$root/scripts/run.sh" "$@") >"$scratch/run.log" 2>&1 &
    local pid=$! found=1
    for _ in $(seq 120); do
        if DISPLAY=":$display" XAUTHORITY="$auth" xwininfo -root -tree 2>/dev/null | grep -qF "\"$title"; then
            found=0
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 1
    done
    kill -- "-$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    if [ "$found" -ne 0 ]; then
        echo "smoke-window.sh: no window \"$title\" appeared; run.sh said:" >&2
        tail -n 20 "$scratch/run.log" >&2
    fi
    return "$found"
}

mkdir "$scratch/fresh" "$scratch/set"
window_appears "$scratch/fresh" "First Run"
printf '%s\r\n' "default directories" "" "$scratch/set" "$scratch/set" "$scratch/set" "" \
    "Corvan 3 compatibility only selected" >"$scratch/set/quildf.txt"
window_appears "$scratch/set" "Helmcraft - manoeuvres.rom" "$root/examples/manoeuvres.rom"
echo "smoke-window.sh: the window starts, with and without a set"
