#!/usr/bin/env bash
# lurvek with the real pacman: a repository made by scripts/make-local-repo is added, synced
# through lurvek's refresh, seen by `pacman -Sl`, and removed again. Usage: pacman.sh LURVEK
source "$(dirname "$0")/lib.sh"

# The real pacman, not the stand-in that lib.sh puts first.
PATH=${PATH#"$work/bin:"}
repo=$TMPDIR/repo
for name in greetings others; do
    "$(dirname "$0")/../../scripts/make-local-repo" "$repo/$name" "$name" >"$work/make.log" 2>&1 ||
        { cat "$work/make.log"; echo "FAIL: make-local-repo"; exit 1; }
done
put_conf "$machine_conf"
put_list -

# One step: label, exit status, standard output ("*": pacman's progress, not compared), then
# the program and its words.
step() {
    local label=$1 want_status=$2 want_out=$3 program=$4
    shift 4
    [ "$program" == lurvek ] && program=$lurvek
    "$program" "$@" >"$work/out" 2>"$work/err" </dev/null
    check_status "$label" "$want_status" $?
    local out
    load_file out "$work/out"
    [ "$want_out" == "*" ] || check "$label" stdout "$want_out" "$out"
}
greetings=$(listing greetings "file://$repo/greetings" Optional)$'\n'
#    label                                   status stdout                 words
step "add a local repository"                0  "*"                        lurvek add greetings "file://$repo/greetings"
step "pacman lists the repository's package" 0  $'greetings greeting 1.0-1\n' pacman -Sl greetings
step "lurvek lists the repository"           0  "$greetings"               lurvek list
step "a repository that cannot be synced"    1  "*"                        lurvek add nowhere file:///nonexistent
step "lurvek keeps it all the same"          0  "$greetings$(listing nowhere file:///nonexistent Optional)"$'\n' lurvek list
step "remove the one that cannot be synced"  0  "*"                        lurvek remove nowhere
step "add a second local repository"         0  "*"                        lurvek add others "file://$repo/others"
step "remove the first"                      0  "*"                        lurvek remove greetings
step "pacman no longer knows the first"      1  ""                         pacman -Sl greetings
step "pacman still lists the second"         0  $'others greeting 1.0-1\n' pacman -Sl others
# pacman refuses to refresh when no repository is left, and lurvek passes its status on.
step "remove the last repository"            1  "*"                        lurvek remove others

load_file conf "$conf_file"
check "include block" "pacman.conf" "$machine_conf$include_block" "$conf"
load_file list "$list_file"
check "list file at the end" "list file" "" "$list"
finish
