# Measurement helpers shared by bench/run and bench/lurvek-cases; source it, do not run it.
# Every figure comes from a public tool: instructions from valgrind's callgrind, wall time from
# hyperfine, peak resident memory from GNU time. Every helper that runs a program takes its
# environment as NAME=VALUE words, then the program, then its arguments, and runs it under
# `env -i` with only those variables, so the shell's own environment changes no figure.
#
# Needs: BENCH_WORK (a scratch directory), BENCH_EXEC_WORDS (the built bench/exec_words.c).

# The instructions that PROGRAM executes from its first to its last, loader included.
count_instructions() {
    local log=$BENCH_WORK/callgrind.log
    split_environment "$@"
    env -i "${bench_env[@]}" valgrind --tool=callgrind --callgrind-out-file=/dev/null \
        --log-file="$log" "${bench_cmd[@]}" >/dev/null 2>&1 || true
    sed -n 's/.*Collected : *\([0-9][0-9]*\).*/\1/p' "$log"
}

# The peak resident set of PROGRAM, in KiB.
measure_peak_memory() {
    local out=$BENCH_WORK/time.out
    split_environment "$@"
    env -i "${bench_env[@]}" /usr/bin/time -f '%e %M' -o "$out" "${bench_cmd[@]}" \
        >/dev/null 2>&1 || true
    awk 'END { print $2 }' "$out"
}

# The smallest data limit (RLIMIT_DATA), in KiB and to 16 KiB, under which PROGRAM still exits
# with EXPECTED: what it maps and allocates beyond its start, which a peak resident set hides when
# the pages are never touched.
measure_data_floor() {
    local expected=$1 low=16 high=262144 middle status
    shift
    split_environment "$@"
    while [ $((high - low)) -gt 16 ]; do
        middle=$(((low + high) / 2 / 16 * 16))
        status=0
        env -i "${bench_env[@]}" prlimit --data=$((middle * 1024)) "${bench_cmd[@]}" >/dev/null 2>&1 \
            || status=$?
        if [ "$status" -eq "$expected" ]; then high=$middle; else low=$middle; fi
    done
    echo "$high"
}

# Whether the command exits with EXPECTED; if not, says so on standard error. A figure for a
# wrong answer measures nothing, so the callers mark the row and the run fails.
has_status() {
    local expected=$1 status=0
    shift
    split_environment "$@"
    env -i "${bench_env[@]}" "${bench_cmd[@]}" >/dev/null 2>&1 || status=$?
    [ "$status" -eq "$expected" ] && return 0
    echo "bench: ${bench_cmd[*]:0:3}... exits with $status, not $expected" >&2
    return 1
}

# Median and standard deviation of PROGRAM's wall time, in seconds, as "MEDIAN SD". The median,
# because other work on the machine only ever adds time. Failing runs are timed too (the
# diagnostics are part of what is measured): check the status with has_status. Short argument
# lists are handed to hyperfine as they are; long ones go through exec_words, because hyperfine
# takes its command as one string and the kernel refuses a single string over 128 KiB. Extra
# hyperfine options may precede a "--".
measure_wall_time() {
    local options=() csv=$BENCH_WORK/hyperfine.csv words=$BENCH_WORK/words command
    while [ "$1" != -- ]; do
        options+=("$1")
        shift
    done
    shift
    split_environment "$@"
    if [ "$(printf '%s ' "${bench_cmd[@]}" | wc -c)" -lt 4096 ] && is_plain "${bench_cmd[@]}"; then
        command="${bench_cmd[*]}"
    else
        printf '%s\0' "${bench_cmd[@]:1}" >"$words"
        command="$BENCH_EXEC_WORDS $words ${bench_cmd[0]}"
    fi
    env -i "${bench_env[@]}" hyperfine --shell=none --style=none --ignore-failure --warmup 5 \
        "${options[@]}" \
        --export-csv "$csv" "$command" >/dev/null 2>&1
    awk -F, 'NR == 2 { print $4, $3 }' "$csv"
}

# Whether every word can pass through hyperfine's splitting of its command string unchanged.
is_plain() {
    local word
    for word in "$@"; do
        case $word in
        '' | *[!A-Za-z0-9_./=+-]*) return 1 ;;
        esac
    done
}

# Splits "NAME=VALUE... PROGRAM ARGS..." into bench_env and bench_cmd.
split_environment() {
    bench_env=(PATH="$PATH")
    while [[ $1 == *=* && $1 != /* ]]; do
        bench_env+=("$1")
        shift
    done
    bench_cmd=("$@")
}

# 1234567 -> 1,234,567
group_digits() {
    sed ':a; s/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/; ta' <<<"$1"
}

# "MEDIAN SD" in seconds -> "1.234 ms (σ 0.056)"
format_wall_time() {
    awk '{ printf "%.3f ms (σ %.3f)\n", $1 * 1000, $2 * 1000 }' <<<"$1"
}

# One table row: benchmark, size, instructions, ratio, per unit, "MEDIAN SD", peak KiB.
print_row() {
    local instructions=$3 time=$6 memory=$7
    [ -n "$instructions" ] && instructions=$(group_digits "$instructions") || instructions=n/a
    [ -n "$time" ] && time=$(format_wall_time "$time") || time=n/a
    [ -n "$memory" ] && memory="$(group_digits "$memory") KiB" || memory=n/a
    printf '| %s | %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$instructions" "$4" "$5" "$time" "$memory"
}
