#!/usr/bin/env bash
# Compares the script interpreter with Lua 5.4 on the same six programs.
#
# Usage: bench/compare_scripts.sh [KAVREL]
#   KAVREL   the kavrel binary to measure (default: build/bin/kavrel of this checkout)
#
# Each program exists twice: bench/scripts/NAME.pas (run as `kavrel script NAME.pas`) and
# bench/peers/NAME.lua (run as `lua5.4 NAME.lua`). The first line of each holds the result
# it must print (`// expect: N`, `-- expect: N`); a run counts when one line of its output
# (standard output or standard error, where headless ShowMessage goes) equals it.
# Wall times are the best of RUNS runs (default 3), process start included.
#
# The table shows, per program, our time, Lua's time, the ratio ours/Lua and our status:
#   ok            the right result
#   WRONG         another result, a failed run or a time-out (details follow the table)
#   not runnable  kavrel cannot run scripts yet (it compiles them only)
# Lua's side is always measured and checked. The exit status is 1 when one of our results
# is not ok (wrong, failed, timed out or not runnable), a Lua result is wrong or Lua is
# missing; 0 when every result is right.
#
# Environment: RUNS (runs per side, default 3), TIMEOUT (seconds per run, default 300).
# Both sides run with the same glibc allocator settings: by default glibc hands freed
# large blocks back to the system at once, which turns the string-append program into a
# page-fault benchmark (35 s instead of 1 s for Lua here).
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
kavrel=${1:-$root/build/bin/kavrel}
[[ $kavrel == /* ]] || kavrel=$PWD/$kavrel
runs=${RUNS:-3}
limit=${TIMEOUT:-300}
programs=(loop fib strappend sieve nested exprs)

export MALLOC_MMAP_THRESHOLD_=1073741824 MALLOC_TRIM_THRESHOLD_=1073741824
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

lua=$(command -v lua5.4) || { echo "compare_scripts: lua5.4 not found (apt-get install lua5.4)" >&2; exit 1; }

out=$(mktemp)
trap 'rm -f "$out"' EXIT

# The value after "expect:" on the first line of FILE.
expected() {
    head -n 1 "$1" | sed -n 's/^.*expect:[[:space:]]*//p' | tr -d '\r[:space:]'
}

# Runs "$@" RUNS times. Sets best_ms (fastest run), rc (status of the last run) and leaves
# the last run's output in $out. Stops after the first run that fails.
measure() {
    best_ms=""
    local i start end ms
    for ((i = 0; i < runs; i++)); do
        start=$(date +%s%N)
        timeout "$limit" "$@" >"$out" 2>&1
        rc=$?
        end=$(date +%s%N)
        ms=$(((end - start) / 1000000))
        if [[ -z $best_ms ]] || ((ms < best_ms)); then best_ms=$ms; fi
        ((rc == 0)) || return
    done
}

# Status of the last measured run against the expected result $1.
verdict() {
    if ((rc == 2)) && grep -q "not available" "$out"; then
        echo "not runnable"
    elif ((rc == 0)) && tr -d '\r' <"$out" | sed 's/^[[:space:]]*//;s/[[:space:]]*$//' | grep -qxF -- "$1"; then
        echo "ok"
    else
        echo "WRONG"
    fi
}

# What the last measured run did, for the notes under the table.
describe() {
    if ((rc == 124)); then
        echo "timed out after ${limit}s"
    else
        echo "exit $rc, output: $(head -c 200 "$out" | tr '\n' ' ')"
    fi
}

printf '%-10s %10s %10s %10s  %s\n' program "ours ms" "Lua ms" ours/Lua status
lua_wrong=0
ours_wrong=0
notes=()
for name in "${programs[@]}"; do
    pas=$here/scripts/$name.pas
    peer=$here/peers/$name.lua
    want=$(expected "$pas")
    if [[ $(expected "$peer") != "$want" ]]; then
        notes+=("$name: the .pas and .lua files expect different results")
    fi

    measure "$lua" "$peer"
    lua_ms=$best_ms
    lua_status=$(verdict "$want")
    if [[ $lua_status != ok ]]; then
        lua_wrong=1
        notes+=("$name (Lua): expected $want; $(describe)")
        lua_ms="$lua_ms!"
    fi

    if [[ -x $kavrel ]]; then
        measure "$kavrel" script "$pas"
        ours_status=$(verdict "$want")
        [[ $ours_status == WRONG ]] && notes+=("$name (ours): expected $want; $(describe)")
    else
        ours_status="not runnable"
        best_ms=""
    fi

    ours_ms="-"
    ratio="-"
    if [[ $ours_status == ok ]]; then
        ours_ms=$best_ms
        ratio=$(awk -v a="$best_ms" -v b="${lua_ms%!}" 'BEGIN { printf (b > 0 ? "%.2f" : "-"), a / (b > 0 ? b : 1) }')
    elif [[ $ours_status == WRONG && -n $best_ms ]]; then
        ours_ms=$best_ms
    fi
    printf '%-10s %10s %10s %10s  %s\n' "$name" "$ours_ms" "$lua_ms" "$ratio" "$ours_status"
    [[ $ours_status == ok ]] || ours_wrong=1
done

[[ -x $kavrel ]] || notes+=("no kavrel at $kavrel: build it first (scripts/run) or name one")
((lua_wrong)) && notes+=("Lua times marked ! belong to wrong results")
for n in "${notes[@]}"; do echo "note: $n"; done
((lua_wrong || ours_wrong)) && exit 1
exit 0
