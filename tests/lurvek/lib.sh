# Shared by the end-to-end scripts of lurvek, which each take the path of the lurvek binary as
# their only argument and must run inside scripts/sandbox: they rewrite /etc/pacman.conf and
# /etc/pacman.d at will. A script ends with finish, which exits 1 if any check failed.
set -uo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 LURVEK" >&2
    exit 2
fi
lurvek=$(readlink -f "$1")
if [ -z "${SANDBOX:-}" ] || [ "$(stat -f -c %T /etc)" != overlayfs ]; then
    echo "$0: refusing to run outside scripts/sandbox: it rewrites /etc/pacman.conf" >&2
    exit 2
fi

list_file=/etc/pacman.d/lurvek.conf
conf_file=/etc/pacman.conf
include_block=$'\n# Automatically included by lurvek\nInclude = /etc/pacman.d/lurvek.conf\n'
# The machine's own configuration, as a new installation has it: no include line yet.
machine_conf=$(cat "$conf_file"; printf x)
machine_conf=${machine_conf%x}
conf_with_include=$machine_conf$include_block

work=$TMPDIR/e2e
mkdir -p "$work/bin"
refresh_log=$work/refresh.log
# The stand-in for pacman notes its arguments, then does what FAKE_PACMAN says (exit 0 by default).
cat >"$work/bin/pacman" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >>"$refresh_log"
eval "\${FAKE_PACMAN:-exit 0}"
EOF
chmod +x "$work/bin/pacman"
export PATH=$work/bin:$PATH

failures=0
checks=0

# Print FILE's bytes followed by the marker "x", for capture with $(...): the marker keeps the
# command substitution from dropping trailing newlines, and the caller takes it off with ${text%x}.
read_file() {
    cat "$1" && printf x
}

# Compare one result: check LABEL WHAT EXPECTED ACTUAL.
check() {
    checks=$((checks + 1))
    [ "$3" == "$4" ] && return 0
    failures=$((failures + 1))
    echo "FAIL: $1: $2"
    diff -u --label expected --label actual <(printf '%s' "$3") <(printf '%s' "$4") | sed 's/^/    /'
    if [ ${#3} -lt 400 ] && [ ${#4} -lt 400 ]; then
        printf '    expected %q\n    actual   %q\n' "$3" "$4"
    fi
}

# Compare an exit status, where "!0" stands for any failure.
check_status() {
    checks=$((checks + 1))
    if [ "$2" == "!0" ] && [ "$3" -ne 0 ]; then return 0; fi
    [ "$2" == "$3" ] && return 0
    failures=$((failures + 1))
    echo "FAIL: $1: exit status $3, expected $2"
}

# Set the list file to CONTENT, or remove it when CONTENT is "-".
put_list() {
    rm -f "$list_file"
    [ "$1" == "-" ] || printf '%s' "$1" >"$list_file"
}

put_conf() {
    printf '%s' "$1" >"$conf_file"
}

# Set the variable named by the first argument to the bytes of FILE, or to "-" when FILE does not
# exist. (A command substitution would drop trailing newlines, which matter here.) What is not a
# regular file, such as a FIFO, is not read.
load_file() {
    local -n into=$1
    if [ -f "$2" ]; then
        into=$(read_file "$2")
        into=${into%x}
    elif [ -e "$2" ]; then
        into="(not a regular file)"
    else
        into=-
    fi
}

# The names in /etc/pacman.d, one a line. The lock file, made once by the first run that can, is
# left out: it is no trace of any one run.
names_in_pacman_d() {
    ls -A /etc/pacman.d | grep -v -x -F .lurvek.lock
}

# Run lurvek with WORDS in the current state; leave status, out, err and refreshes behind. lurvek
# writes nothing to standard error itself, so err also catches the reports of the sanitizers.
# LURVEK_PATH, when set, is the PATH that lurvek alone sees; LURVEK_WRAPPER, when set, is the
# command (split into words) that starts it.
run_lurvek() {
    rm -f "$refresh_log"
    # shellcheck disable=SC2086 # the wrapper is meant to be split into words
    PATH=${LURVEK_PATH:-$PATH} ${LURVEK_WRAPPER:-} "$lurvek" "$@" >"$work/out" 2>"$work/err"
    status=$?
    out=$(read_file "$work/out")
    out=${out%x}
    err=$(read_file "$work/err")
    err=${err%x}
    refreshes=0
    [ -e "$refresh_log" ] && refreshes=$(grep -c -x -- '--sync --refresh' "$refresh_log")
    return 0
}

# The listing that lurvek prints for each NAME SERVER LEVEL triple.
listing() {
    while [ $# -ge 3 ]; do
        printf '%s\n\tServer: %s\n\tSigLevel: %s\n' "$1" "$2" "$3"
        shift 3
    done
}

# The list file that lurvek writes for each NAME SERVER LEVEL triple.
blocks() {
    while [ $# -ge 3 ]; do
        printf '[%s]\nServer = %s\nSigLevel = %s\n\n' "$1" "$2" "$3"
        shift 3
    done
}

finish() {
    echo "$checks checks, $failures failed"
    [ "$failures" -eq 0 ]
    exit
}
