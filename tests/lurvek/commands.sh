#!/usr/bin/env bash
# lurvek's commands, messages and exit statuses, the include hook and the refresh, run as the
# built binary at its real paths with a stand-in pacman. Usage: commands.sh LURVEK (in the sandbox)
source "$(dirname "$0")/lib.sh"

usage=$'\n\tLurvek 2015.3.1\n\tCopyright (C) 2026 The plendra authors\n\tFree software under the MIT License.\n\nUsage:\n\tlurvek add NAME URL\n\tlurvek remove NAME\n\tlurvek list\n\n'
a=$(blocks a file:///srv/a Optional)
b=$(blocks b file:///srv/b Optional)
c=$(blocks c file:///srv/c Optional)
a=$a$'\n\n' b=$b$'\n\n' c=$c$'\n\n'
handwritten=$'; kept by hand\n[a]\nSigLevel=Never\n\nServer  =  file:///srv/a   \n[b]\n# b\nServer = file:///srv/b\nSigLevel = Required DatabaseOptional\n'
name49=$(printf 'n%.0s' {1..49})
url190=file:///$(printf 'u%.0s' {1..182})
# Generated lists at the table's limit of 1024 records and past it.
many_records() {
    local i
    for ((i = 1; i <= $1; i++)); do
        printf '[r%d]\nServer = file:///srv/r%d\nSigLevel = Optional\n\n' "$i" "$i"
    done
}
records1024=$(many_records 1024)$'\n\n'
records1025=$(many_records 1025)$'\n\n'
records1100=$(many_records 1100)$'\n\n'
listing1024=$(for ((i = 1; i <= 1024; i++)); do listing "r$i" "file:///srv/r$i" Optional; done)$'\n'
too_many=$'Too many repositories in /etc/pacman.d/lurvek.conf.\n'

# One run of lurvek and everything it must leave behind:
#   label, list file before ("-": none), exit status, standard output,
#   list file after ("=": unchanged, "-": none), number of refreshes,
#   hook: "kept" (the include is there and stays), "added" (missing, and appended once),
#         "none" (missing, and left missing), then the command words.
run_row() {
    local label=$1 before=$2 want_status=$3 want_out=$4 after=$5 want_refreshes=$6 hook=$7
    shift 7
    put_list "$before"
    local conf=$machine_conf want_conf=$conf_with_include
    case $hook in
    kept) conf=$conf_with_include ;;
    none) want_conf=$machine_conf ;;
    esac
    put_conf "$conf"
    [ "$after" == "=" ] && after=$before
    run_lurvek "$@"
    check_status "$label" "$want_status" "$status"
    check "$label" stdout "$want_out" "$out"
    check "$label" stderr "" "$err"
    load_file list "$list_file"
    load_file conf "$conf_file"
    check "$label" "list file" "$after" "$list"
    check "$label" "refreshes" "$want_refreshes" "$refreshes"
    check "$label" "pacman.conf" "$want_conf" "$conf"
}

#       label                                  before       status out  after        refr hook   words
run_row "no command: usage, no file touched"   -            1 "$usage"  -            0 none
run_row "unknown command LIST"                 "$a"         1 $'Unknown command LIST.\n'"$usage" = 0 added LIST
run_row "empty command word"                   "$a"         1 $'Unknown command .\n'"$usage" = 0 added ""
run_row "--help is an unknown command word"    -            1 $'Unknown command --help.\n'"$usage" "" 0 kept --help
run_row "list creates an empty list file"      -            0 ""        ""           0 added list
run_row "list prints records in file order"    "$b$a"       0 "$(listing b file:///srv/b Optional a file:///srv/a Optional)"$'\n' = 0 kept list
run_row "list reads a hand-written file"       "$handwritten" 0 "$(listing a file:///srv/a Never b file:///srv/b 'Required DatabaseOptional')"$'\n' = 0 kept list
run_row "list with an extra argument"          "$a"         1 $'Extra arguments to list command.\n' = 0 added list x
run_row "add without arguments"                "$a"         1 $'Please specify the repository name and URL.\n' = 0 added add
run_row "add without a URL"                    "$a"         1 $'Please specify the repository name and URL.\n' = 0 added add c
run_row "add puts a new name last"             "$a$b"       0 ""        "$a$b$c"     1 kept add c file:///srv/c
run_row "add to an absent list file"           -            0 ""        "$c"         1 added add c file:///srv/c
run_row "add ignores further arguments"        "$a"         0 ""        "$a$c"       1 kept add c file:///srv/c more words
run_row "add replaces a record in place"       "$a$(blocks b file:///old Never)"$'\n\n'"$c" 0 "" "$a$(blocks b file:///new Optional)"$'\n\n'"$c" 1 kept add b file:///new
run_row "add: a name in other case is new"     "$a"         0 ""        "$a$(blocks A file:///srv/A Optional)"$'\n\n' 1 kept add A file:///srv/A
run_row "add rewrites a hand-written file"     "$handwritten" 0 ""      "$(blocks a file:///srv/a Never b file:///srv/b 'Required DatabaseOptional')"$'\n\n'"$c" 1 kept add c file:///srv/c
# A record takes its keys from its own section only, and pacman reads the rewritten file as the
# hand-written one meant it: a repository keeps its own server (the first of its mirrors) and level,
# and keys before any section make none.
mirrors=$'[x]\nSigLevel = Optional\nServer = file:///srv/x-main\nServer = file:///srv/x-mirror\n\n[y]\nSigLevel = Never\nServer = file:///srv/y-only\n'
run_row "add keeps mirrors in their section"   "$mirrors"   0 ""        "$(blocks x file:///srv/x-main Optional y file:///srv/y-only Never)"$'\n\n'"$c" 1 kept add c file:///srv/c
check "pacman reads y as written" "server and level" $'Server = file:///srv/y-only\nSigLevel = PackageNever\nSigLevel = DatabaseNever' "$(pacman-conf --repo y Server SigLevel)"
run_row "add drops keys before any section"    $'Server = file:///srv/q\nSigLevel = Never\n'"$a" 0 "" "$a$c" 1 kept add c file:///srv/c
check "pacman reads no nameless repository" "repositories" $'a\nc' "$(pacman-conf --repo-list)"
# pacman-conf's reading of the repositories NAMES: each name, then its servers and levels.
pacman_reads() {
    local name
    for name; do
        printf '[%s]\n' "$name"
        pacman-conf --repo "$name" Server SigLevel 2>&1
    done
}
# A hand-written list that lurvek reads line by line as pacman does: after `add c`, pacman reads the
# repositories NAMES as it did before, and c after them. Label, list file, then the names.
pacman_row() {
    local label="as pacman reads it: $1" list=$2 before
    shift 2
    put_list "$list"
    put_conf "$conf_with_include"
    before=$(pacman_reads "$@")
    run_lurvek add c file:///srv/c
    check_status "$label" 0 "$status"
    check "$label" "pacman's repositories" "$(printf '%s\n' "$@" c)" "$(pacman-conf --repo-list 2>&1)"
    check "$label" "pacman's reading" "$before" "$(pacman_reads "$@")"
}
pacman_row "indented lines" $'[mine]\n    SigLevel = Required\n    Server = file:///srv/mine\n[A]\nSigLevel = Never\n  Server = file:///srv/a\n  [B]\n  Server = file:///srv/b\n\tSigLevel = Optional\n' mine A B
pacman_row "blanks and carriage returns" $'[a]  \r\nServer = file:///srv/a;1 \r\nSigLevel=Never\t\r\n[b #2]\nServer =file:///srv/b\nSigLevel = Optional\n' a 'b #2'
# A header, Server or SigLevel line that pacman reads otherwise than the INI reader is refused
# before anything changes.
differs() {
    printf 'Line %d of /etc/pacman.d/lurvek.conf is read differently by pacman.\n' "$1"
}
run_row "a header for pacman only"             $'[h]\nServer = file:///srv/h\n[h ;b]\nSigLevel = Never\n' 1 "$(differs 3)"$'\n' = 0 none add b file:///srv/b
run_row "a header for the INI reader only"     "$a"$'[h] # mine\nServer = file:///srv/h\nSigLevel = Never\n' 1 "$(differs 5)"$'\n' = 0 none list
run_row "a byte-order mark before a header"    $'\xEF\xBB\xBF'"$a" 1 "$(differs 1)"$'\n' = 0 none list
run_row "a comment after a server"             $'[a]\nServer = file:///srv/a ;mirror\nSigLevel = Never\n' 1 "$(differs 2)"$'\n' = 0 none remove a
# A line that the reader would cut, or a section name that it would shorten, is refused before
# anything changes.
run_row "a 200-byte line is refused"           $'[a]\nServer = '"${url190}u"$'\nSigLevel = Optional\n' 1 $'Line 2 of /etc/pacman.d/lurvek.conf is longer than 199 bytes.\n' = 0 none add b file:///srv/b
run_row "a 50-byte section name is refused"    "$(blocks "n$name49" file:///srv/n Optional)" 1 $'Line 1 of /etc/pacman.d/lurvek.conf names a section longer than 49 bytes.\n' = 0 none list
run_row "remove the first of three"            "$a$b$c"     0 ""        "$b$c"       1 kept remove a
run_row "remove the only record"               "$a"         0 ""        ""           1 kept remove a
run_row "remove ignores further arguments"     "$a$b"       0 ""        "$b"         1 kept remove a b
run_row "remove without a name"                "$a"         1 $'Please specify the repository to remove.\n' = 0 added remove
run_row "remove an unknown name"               "$a"         1 $'Could not find repository zz.\n' = 0 added remove zz
run_row "remove compares case"                 "$a"         1 $'Could not find repository A.\n' = 0 kept remove A

# Which names and URLs the list file can carry is the validation's own table; here the program
# refuses one of each past its limit before anything is written, the name first, and stores the
# longest ones so that they come back unchanged.
run_row "invalid name: 50 bytes"               "$a"         1 "Invalid repository name n$name49."$'\n' = 0 added add "n$name49" file:///srv/x
run_row "invalid URL: 191 bytes"               "$a"         1 "Invalid repository URL ${url190}u."$'\n' = 0 added add c "${url190}u"
run_row "the name is checked before the URL"   "$a"         1 $'Invalid repository name .\n' = 0 added add "" ""
for row in "49-byte name|$name49|file:///x" "190-byte URL|c|$url190"; do
    IFS='|' read -r label name url <<<"$row"
    run_row "valid: $label" "$a" 0 "" "$a$(blocks "$name" "$url" Optional)"$'\n\n' 1 kept add "$name" "$url"
    run_row "read back: $label" "$(blocks "$name" "$url" Optional)"$'\n\n' 0 "$(listing "$name" "$url" Optional)"$'\n' = 0 kept list
done

run_row "1024 records are listed"              "$records1024" 0 "$listing1024" = 0 kept list
run_row "1025 records are too many"            "$records1025" 1 "$too_many" = 0 kept list
run_row "1100 records: list"                   "$records1100" 1 "$too_many" = 0 kept list
run_row "1100 records: add"                    "$records1100" 1 "$too_many" = 0 kept add c file:///srv/c
run_row "1100 records: remove"                 "$records1100" 1 "$too_many" = 0 kept remove r1
run_row "a new name in a full table"           "$records1024" 1 "$too_many" = 0 kept add c file:///srv/c
old=$'file:///srv/r7\n' new=$'file:///new\n'
run_row "replacing in a full table"            "$records1024" 0 "" "${records1024/"$old"/"$new"}" 1 kept add r7 file:///new

# A name that pacman.conf, or a file it includes, defines already is refused; the list file itself
# does not count. Label, configuration (the include entry is added), then the status and output of
# `add NAME URL` on a list that holds demo, NAME being demo unless a fifth word names another: on
# success demo gets the new URL in place, another name goes last. compare.sh holds the verdict against
# pacman on drawn configurations; these rows pin the message and what is written.
with_demo=$a$(blocks demo file:///old Never)$'\n\n'$b
defined_row() {
    local label="defined: $1" name=${5:-demo}
    put_list "$with_demo"
    put_conf "$2$include_block"
    printf '[demo]\nServer = file:///other\n' >/etc/pacman.d/other.conf
    run_lurvek add "$name" file:///srv/demo
    check_status "$label" "$3" "$status"
    check "$label" stdout "$4" "$out"
    local want=$with_demo
    [ "$3" == 0 ] && want=$a$(blocks demo file:///srv/demo Optional)$'\n\n'$b
    [ "$3" == 0 ] && [ "$name" != demo ] && want=$with_demo$(blocks "$name" file:///srv/demo Optional)$'\n\n'
    load_file list "$list_file"
    check "$label" "list file" "$want" "$list"
    check "$label" refreshes $((1 - $3)) "$refreshes"
    rm -f /etc/pacman.d/other.conf
}
in_conf=$'Repository demo is already defined in /etc/pacman.conf.\n'
in_other=$'Repository demo is already defined in /etc/pacman.d/other.conf.\n'
defined_row "in pacman.conf"           $'[options]\n[demo]\nServer = file:///x\n'                   1 "$in_conf"
defined_row "after an Include line"    $'[demo]\nInclude = /etc/pacman.d/mirrorlist\n'            1 "$in_conf"
defined_row "in an included file"      $'[options]\n[core]\nInclude = /etc/pacman.d/other.conf\n' 1 "$in_other"
defined_row "only in the list file"    $'[options]\nInclude = /etc/pacman.d/lurvek.conf\n'          0 ""
# Names are compared whole: pacman tells a 50-byte name from its first 49 bytes.
defined_row "a 50-byte name, 49 sought" $'[options]\n[n'"$name49"$']\nServer = file:///x\n'     0 ""  "$name49"
check "defined: a 50-byte name, 49 sought" "pacman's repositories" "n$name49"$'\na\ndemo\nb\n'"$name49" "$(pacman-conf --repo-list)"

# The include hook, on a configuration that lurvek only reads: label, configuration, "kept" when
# it holds the include entry already, "added" when lurvek must append the block, and where given,
# how many times the real pacman-conf lists the list's one repository afterwards. Which lines count
# as the entry is the readers' own tables; here the program finds the list file under other spellings
# of its path and through other files, which only the real file system can show, and appends the
# block to the machine's file.
# The package's purge script then takes back what the run left, and must see it as the program
# does: the block it appended, the list file exactly when the program found no entry, and the lock.
postrm=$(dirname "$0")/../../debian/lurvek.postrm
hook_row() {
    put_list "$a"
    put_conf "$2"
    rm -f /etc/pacman.d/.lurvek.lock
    local want=$2 before
    before=$(ls -A /etc/pacman.d)
    [ "$3" == added ] && want=$2$include_block
    run_lurvek list
    check_status "hook: $1" 0 "$status"
    load_file conf "$conf_file"
    check "hook: $1" "pacman.conf" "$want" "$conf"
    check "hook: $1" "refreshes" 0 "$refreshes"
    [ $# -lt 4 ] || check "hook: $1" "pacman lists it" "$4" "$(pacman-conf --repo-list 2>/dev/null | grep -c -x a)"
    sh "$postrm" purge
    check_status "hook, then purge: $1" 0 $?
    load_file conf "$conf_file"
    check "hook, then purge: $1" "pacman.conf" "$2" "$conf"
    [ "$3" == added ] && before=$(grep -v -x -F lurvek.conf <<<"$before")
    check "hook, then purge: $1" "/etc/pacman.d" "$before" "$(ls -A /etc/pacman.d)"
}
hook_row "entry in [options]"                 $'[options]\nInclude = /etc/pacman.d/lurvek.conf\n[core]\n' kept
ln -s /etc/pacman.d /etc/pacman.d.link
hook_row "path with /./"                      $'[options]\nInclude = /etc/pacman.d/./lurvek.conf\n' kept
hook_row "path with //"                       $'[options]\nInclude = /etc//pacman.d/lurvek.conf\n' kept
hook_row "path through a linked directory"    $'[options]\nInclude = /etc/pacman.d.link/lurvek.conf\n' kept
hook_row "pattern through a linked directory" $'[options]\nInclude = /etc/pacman.d.link/*.conf\n' kept
hook_row "another file in the directory"      $'[options]\nInclude = /etc/pacman.d/./mirrorlist\n' added
rm /etc/pacman.d.link
mkdir /etc/pacman.d/conf.d
printf 'Include = /etc/pacman.d/lurvek.conf\n' >/etc/pacman.d/conf.d/repos.conf
hook_row "from an included file"              $'[options]\nInclude = /etc/pacman.d/conf.d/repos.conf\n' kept 1
hook_row "from a file a pattern names"        $'[options]\nInclude = /etc/pacman.d/conf.d/*.conf\n' kept 1
rm -r /etc/pacman.d/conf.d
# Files d1.conf to dN.conf, each including the next, the last one the list file.
include_chain() {
    mkdir -p /etc/pacman.d/chain
    local i
    for ((i = 1; i < $1; i++)); do
        printf 'Include = /etc/pacman.d/chain/d%d.conf\n' $((i + 1)) >"/etc/pacman.d/chain/d$i.conf"
    done
    printf 'Include = /etc/pacman.d/lurvek.conf\n' >"/etc/pacman.d/chain/d$1.conf"
}
include_chain 9
hook_row "at the deepest Include pacman follows" $'[options]\nInclude = /etc/pacman.d/chain/d1.conf\n' kept 1
# pacman refuses a configuration that nests deeper, and does not see the list even after the block.
include_chain 10
hook_row "one Include past it"                $'[options]\nInclude = /etc/pacman.d/chain/d1.conf\n' added 0
rm -r /etc/pacman.d/chain
hook_row "a long comment ending in an entry"  $'[options]\n#'"$(printf 'c%.0s' {1..198})"$'Include = /etc/pacman.d/lurvek.conf\n' added 1
# pacman reads 4095 bytes of a line at a time, and the rest as a line of its own.
comment_4095=#$(printf 'c%.0s' {1..4094})
hook_row "an entry after 4095 bytes of a comment" "[options]"$'\n'"$comment_4095"$'Include = /etc/pacman.d/lurvek.conf\n' kept 1
hook_row "the machine's configuration"        "$machine_conf" added
# The second run finds the entry that the first one appended.
run_lurvek list
load_file conf "$conf_file"
check "hook: a second run appends nothing" "pacman.conf" "$machine_conf$include_block" "$conf"

# The refresh decides the exit status of add and remove: label, what the stand-in pacman does
# (or "missing": no pacman on PATH), the exit status expected, what the shell that runs the
# command prints on standard error, and the command words.
refresh_row() {
    put_list "$a$b"
    put_conf "$conf_with_include"
    local lurvek_path=
    [ "$2" == missing ] && lurvek_path=$work/empty
    FAKE_PACMAN=$2 LURVEK_PATH=$lurvek_path run_lurvek "${@:5}"
    check_status "refresh: $1" "$3" "$status"
    check "refresh: $1" stdout "" "$out"
    check "refresh: $1" stderr "$4" "$err"
    # There is no rollback: the list file stays as written whatever the refresh did.
    load_file list "$list_file"
    [ "$5" == add ] && check "refresh: $1" "list file" "$a$b$c" "$list"
    [ "$5" == remove ] && check "refresh: $1" "list file" "$b" "$list"
    [ "$2" == missing ] || check "refresh: $1" "refresh arguments" $'--sync --refresh\n' "$(cat "$refresh_log")"$'\n'
}
#           label                     pacman does      status stderr                     words
refresh_row "succeeds"                "exit 0"         0   ""                            add c file:///srv/c
refresh_row "fails with 3"            "exit 3"         3   ""                            add c file:///srv/c
refresh_row "fails with 255"          "exit 255"       255 ""                            add c file:///srv/c
refresh_row "fails on remove"         "exit 4"         4   ""                            remove a
refresh_row "killed by a signal"      'kill -TERM $$'  '!0' $'Terminated\n'              add c file:///srv/c
refresh_row "pacman is not installed" missing          127 $'sh: 1: pacman: not found\n' add c file:///srv/c
# A parent may start lurvek with SIGCHLD ignored; pacman's status must still come through.
LURVEK_WRAPPER="env --ignore-signal=CHLD" \
refresh_row "SIGCHLD ignored"         "exit 3"         3   ""                            add c file:///srv/c

# Lost output is a failure: label, standard output ("full": /dev/full, "closed"), list file, status,
# words. A closed one lends its descriptor to no file that lurvek opens, and stays closed for pacman,
# which here exits 9 when it finds it open.
full_row() {
    local label="$2 stdout: $1"
    put_list "$3"
    put_conf "$conf_with_include"
    rm -f /etc/pacman.d/.lurvek.lock
    if [ "$2" == closed ]; then
        FAKE_PACMAN='if (exec 3>&1) 2>/dev/null; then exit 9; fi' "$lurvek" "${@:5}" >&- 2>"$work/err"
    else
        "$lurvek" "${@:5}" >/dev/full 2>"$work/err"
    fi
    check_status "$label" "$4" $?
    check "$label" stderr "" "$(cat "$work/err")"
    check "$label" "lock file" "" "$(cat /etc/pacman.d/.lurvek.lock 2>/dev/null)"
}
full_row "list of one record"    full   "$a" 1 list
full_row "empty list, no output" full   ""   0 list
full_row "usage text"            full   ""   1
full_row "unknown command"       full   ""   1 frobnicate
full_row "list of one record"    closed "$a" 1 list
full_row "add, pacman sees it"   closed "$a" 0 add c file:///srv/c

finish
