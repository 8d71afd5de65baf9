#!/usr/bin/env bash
# lurvek's verdicts on generated configurations, held against what the real pacman-conf reads:
# `list` appends the include block exactly when pacman does not reach the list file, and `add`
# refuses a name as already defined exactly when pacman knows it from another file. The
# configurations are drawn from a fixed seed (LURVEK_COMPARE_SEED, LURVEK_COMPARE_COUNT to vary
# them) out of the shapes where a reading could go wrong: Include entries by path, by pattern and
# through other files, indented and oddly written lines, lines longer than 199 and 4095 bytes,
# directories that a pattern names. Usage: compare.sh LURVEK (in the sandbox)
# shellcheck disable=SC2034 # the arrays of targets are taken by name
source "$(dirname "$0")/lib.sh"

seed=${LURVEK_COMPARE_SEED:-20}
count=${LURVEK_COMPARE_COUNT:-240}
RANDOM=$seed

gen=/etc/pacman.d/gen
leaf=/etc/pacman.d/lurvek.conx
probe=$(blocks probe file:///srv/probe Optional)$'\n\n'
stars=$(printf '*%.0s' {1..190})
c198=$(printf 'c%.0s' {1..198})
c4093=$(printf 'c%.0s' {1..4093})

# Sets choice to one of the arguments, drawn from the seeded sequence (no subshell, which would
# not advance it).
choose() {
    local at=$((RANDOM % $# + 1))
    choice=${!at}
}

# Where an Include may point from each file: the list file under several spellings, patterns that
# match it (one longer than 199 bytes) or only the leaf, and the generated files below, so that
# no chain comes back to where it began.
list_targets=(/etc/pacman.d/lurvek.conf /etc/pacman.d/./lurvek.conf '/etc/pacman.d/*.conf'
    "/etc/pacman.d/lurvek.con${stars}f" "/etc/pacman.d/lurvek.con${stars}x" "$leaf")
targets_c=("${list_targets[@]}")
targets_b=("${list_targets[@]}" "$gen/c.conf")
targets_a=("${list_targets[@]}" "$gen/b.conf" "$gen/c.conf")
targets_conf=("${list_targets[@]}" "$gen/a.conf" "$gen/b.conf" "$gen/*.conf" "$gen/*" "$gen/d")

# Sets line to an Include of one of the targets named, in one of the ways it may be written.
include_line() {
    local -n targets=$1
    choose "${targets[@]}"
    local target=$choice
    choose "Include = $target" "  Include = $target  " $'\t'"Include=$target" "Include: $target" \
        "include = $target" "#${c198}Include = $target" "#${c4093}Include = $target" \
        "#${c4093}cInclude = $target" "Include = $leaf"$'\n'"  $target" \
        "Server = file:///x"$'\n'"  Include = $target"
    line=$choice
}

# Sets line to a section header for one of the names r1 to r4, or to a line that is none.
section_line() {
    choose r1 r2 r3 r4
    local name=$choice
    choose "[$name]" "  [$name]  " "[$name] # mine" "#${c4093}c[$name]" "#${c4093}[$name]" \
        "[${name^^}]" "$name = file:///x" "[$name]"$'\n'"Server = file:///$name"
    line=$choice
}

# Sets text to LINES lines (at least one) for a file whose Includes may point at the targets named.
file_text() {
    text=$2
    local i lines=$((RANDOM % $1 + 1))
    for ((i = 0; i < lines; i++)); do
        choose include section other
        case $choice in
        include) include_line "$3" ;;
        section) section_line ;;
        other) choose "# a comment" "" "SigLevel = Never" && line=$choice ;;
        esac
        text+=$line$'\n'
    done
}

# Draws a configuration: pacman.conf, the files a.conf to c.conf it may include, a directory among
# them, and the leaf that a pattern matches.
draw_configuration() {
    rm -rf "$gen" "$leaf"
    mkdir -p "$gen/d"
    file_text 5 $'[options]\n' targets_conf
    conf=$text
    put_conf "$text"
    file_text 3 "" targets_a
    printf '%s' "$text" >"$gen/a.conf"
    file_text 3 "" targets_b
    printf '%s' "$text" >"$gen/b.conf"
    file_text 2 "" targets_c
    printf '%s' "$text" >"$gen/c.conf"
    choose "" $'[r4]\n'
    printf '%s' "$choice" >"$leaf"
    put_list "$probe"
}

# Shows what configuration number $1 was made of, long lines cut short, for a failure.
show_configuration() {
    echo "    configuration $1 of seed $seed:"
    local file
    for file in "$conf_file" "$gen"/*.conf "$leaf"; do
        echo "    --- $file"
        cut -c 1-120 "$file" | sed 's/^/    | /'
    done
}

compared=0 appended=0 refused=0
for ((n = 1; n <= count; n++)); do
    draw_configuration
    # pacman refuses a configuration with an Include of a file it cannot open; there lurvek keeps
    # its own rule, which the hook's own rows pin.
    repositories=$(pacman-conf --repo-list 2>/dev/null) || continue
    compared=$((compared + 1))
    failed_before=$failures
    reached=$(grep -c -x probe <<<"$repositories")
    want=$conf
    [ "$reached" -eq 0 ] && want=$conf$include_block && appended=$((appended + 1))
    run_lurvek list
    check_status "configuration $n: list" 0 "$status"
    load_file got "$conf_file"
    check "configuration $n: list" "pacman.conf (pacman reaches the list $reached times)" "$want" "$got"
    choose r1 r2 r3 r4
    run_lurvek add "$choice" "file:///srv/$choice"
    if grep -q -x "$choice" <<<"$repositories"; then
        refused=$((refused + 1))
        check_status "configuration $n: add $choice, which pacman knows" 1 "$status"
        check "configuration $n: add $choice" stdout "Repository $choice is already defined in" "${out% *}"
    else
        check_status "configuration $n: add $choice, which pacman does not know" 0 "$status"
    fi
    [ "$failures" -eq "$failed_before" ] || show_configuration "$n"
done
rm -rf "$gen" "$leaf"
# Most drawings must reach the comparison, or the test would prove little.
check "configurations compared" "at least two thirds of $count" 1 $((compared * 3 >= count * 2))
echo "$compared of $count configurations compared (seed $seed): the block appended to $appended, add refused on $refused"
finish
