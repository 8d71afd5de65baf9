#!/usr/bin/env bash
# lurvek under system calls that fail or stall on demand (strace's fault injection): failed
# writes, flushes and renames must leave both files as they were, and concurrent runs must lose
# no update. Usage: injected.sh LURVEK (in the sandbox)
source "$(dirname "$0")/lib.sh"

if ! reason=$(strace -o /dev/null true 2>&1); then
    echo "injected.sh: strace cannot trace here: $reason" >&2
    exit 77
fi
# The leak checker stops the world with ptrace, which a traced process cannot do.
export ASAN_OPTIONS=detect_leaks=0

a=$(blocks a file:///srv/a Optional b file:///srv/b Optional)$'\n\n'

# Run lurvek under strace with the fault INJECTION (for example "write:error=ENOSPC:when=1", or
# "read:error=EIO:when=1@/etc/pacman.conf" for the calls on that file alone; several are separated
# by blanks) and
# check that it printed MESSAGE, exited 1, changed neither file nor the names in /etc/pacman.d
# and ran no refresh: label, include entry present ("kept") or not ("missing"), injection, message,
# then the command words.
fault_row() {
    local label=$1 hook=$2 injection=$3 message=$4
    shift 4
    put_list "$a"
    if [ "$hook" == kept ]; then put_conf "$conf_with_include"; else put_conf "$machine_conf"; fi
    local list_before conf_before names_before list conf
    load_file list_before "$list_file"
    load_file conf_before "$conf_file"
    names_before=$(names_in_pacman_d)
    rm -f "$refresh_log"
    local options=() one
    for one in $injection; do
        [[ $one == *@* ]] && options+=(-P "${one#*@}")
        options+=(-e "inject=${one%@*}")
    done
    strace -o /dev/null "${options[@]}" "$lurvek" "$@" >"$work/out" 2>"$work/err"
    check_status "$label" 1 $?
    local out
    load_file out "$work/out"
    check "$label" stdout "$message" "$out"
    check "$label" stderr "" "$(cat "$work/err")"
    load_file list "$list_file"
    load_file conf "$conf_file"
    check "$label" "list file" "$list_before" "$list"
    check "$label" "pacman.conf" "$conf_before" "$conf"
    check "$label" "names in /etc/pacman.d" "$names_before" "$(names_in_pacman_d)"
    check "$label" "refresh ran" "" "$([ -e "$refresh_log" ] && echo yes)"
}
# The number of the newfstatat call, among all that lurvek makes with WORDS on the files that
# fault_row puts in place with the include entry kept, that asks about the new list file: the
# first on a descriptor after the hidden link to the old file. The file has a random name, which
# no path filter can match.
new_file_fstat_call() {
    put_list "$a"
    put_conf "$conf_with_include"
    strace -o "$work/trace" -e trace=newfstatat,link "$lurvek" "$@" >/dev/null 2>&1
    awk '/^link\(/ { linked = 1; next } { calls++ } linked && /^newfstatat\([0-9]+, ""/ { print calls; exit }' \
        "$work/trace"
}
list_failed=$'Could not write /etc/pacman.d/lurvek.conf.\n'
conf_failed=$'Could not write /etc/pacman.conf.\n'
list_read_failed=$'Could not read /etc/pacman.d/lurvek.conf.\n'
conf_read_failed=$'Could not read /etc/pacman.conf.\n'
# With the include entry present, lurvek's first write is the one into the new list file; without
# it, the first write appends the block to pacman.conf.
#          label                          include  injection                                 message
fault_row "list file: write, ENOSPC"      kept    write:error=ENOSPC:when=1                  "$list_failed" add c file:///srv/c
fault_row "list file: write, EIO"         kept    write:error=EIO:when=1                     "$list_failed" remove a
fault_row "list file: fsync, EIO"         kept    fsync,fdatasync:error=EIO:when=1           "$list_failed" add c file:///srv/c
fault_row "list file: fsync on remove"    kept    fsync,fdatasync:error=EIO:when=1           "$list_failed" remove a
fault_row "list file: rename, EIO"        kept    rename,renameat,renameat2:error=EIO        "$list_failed" add c file:///srv/c
# The second flush is the directory's, after the rename: the old file must come back.
fault_row "directory: fsync after rename" kept    fsync,fdatasync:error=EIO:when=2           "$list_failed" add c file:///srv/c
# The first open of /etc/pacman.d is the look for leftovers, the second the one for its flush.
fault_row "directory: open for the flush" kept    openat:error=EMFILE:when=2@/etc/pacman.d   "$list_failed" add c file:///srv/c
# Without the hidden link to the old file there is no going back, so there must be no rename.
fault_row "no link, then no directory flush" kept "link,linkat:error=EPERM fsync,fdatasync:error=EIO:when=2" "$list_failed" add c file:///srv/c
fault_row "list file: rename, EXDEV"      kept    rename,renameat,renameat2:error=EXDEV      "$list_failed" remove a
fault_row "list file: fchmod, EPERM"      kept    fchmod,chmod,fchmodat:error=EPERM          "$list_failed" add c file:///srv/c
fault_row "list file: fstat of the new file" kept "newfstatat:error=EIO:when=$(new_file_fstat_call add c file:///srv/c)" "$list_failed" add c file:///srv/c
fault_row "pacman.conf: write, ENOSPC"    missing write:error=ENOSPC:when=1                  "$conf_failed" add c file:///srv/c
fault_row "pacman.conf: write, EIO"       missing write:error=EIO:when=1                     "$conf_failed" list
# A read that fails is no end of the file: the records after it would be lost.
fault_row "list file: read, EIO"          kept    read:error=EIO:when=1@$list_file           "$list_read_failed" add c file:///srv/c
fault_row "pacman.conf: read, EIO"        missing read:error=EIO:when=1@$conf_file           "$conf_read_failed" list

# A termination signal that arrives at the rename waits until the rewrite is over: the run then
# ends by that signal, with the new list in place, no hidden file left and no refresh.
for signal in TERM INT HUP; do
    label="SIG$signal at the rename"
    put_list "$a"
    put_conf "$conf_with_include"
    rm -f "$refresh_log"
    strace -o /dev/null -e inject=rename,renameat,renameat2:signal=$signal:when=1 \
        "$lurvek" add c file:///srv/c >"$work/out" 2>"$work/err"
    status=$?
    check_status "$label" $((128 + $(kill -l $signal))) "$status"
    load_file list "$list_file"
    check "$label" "list file" "$a$(blocks c file:///srv/c Optional)"$'\n\n' "$list"
    check "$label" "names in /etc/pacman.d" "lurvek.conf" "$(names_in_pacman_d)"
    check "$label" "refresh ran" "" "$([ -e "$refresh_log" ] && echo yes)"
done

# A local user (uid 65534) takes every flock and fcntl lock it can get on the files and directories
# under /etc and /etc/pacman.d; root's runs must still finish at once.
hostile_locks() {
    local label="locks held by a local user"
    put_list "$a"
    put_conf "$conf_with_include"
    local paths
    paths=$(shopt -s dotglob; printf '%s\n' /etc /etc/* /etc/pacman.d /etc/pacman.d/*)
    # Each path opened for writing if it can be, else for reading, then locked every way it allows.
    # shellcheck disable=SC2016 # perl's own variables
    setpriv --reuid 65534 --regid 65534 --clear-groups perl -e '
        use Fcntl qw(:DEFAULT :flock F_SETLK F_WRLCK F_RDLCK SEEK_SET);
        $| = 1; my @held; my $count = 0;
        for my $path (@ARGV) {
            my ($fh, $type);
            if (sysopen($fh, $path, O_RDWR | O_NONBLOCK)) { $type = F_WRLCK }
            elsif (sysopen($fh, $path, O_RDONLY | O_NONBLOCK)) { $type = F_RDLCK }
            else { next }
            $count++ if flock($fh, LOCK_EX | LOCK_NB);
            $count++ if fcntl($fh, F_SETLK, pack("s s x4 q q l x4", $type, SEEK_SET, 0, 0, 0));
            push @held, $fh;
        }
        print "$count\n"; sleep 600;' -- $paths >"$work/locked" &
    local locker=$! i=0
    while [ ! -s "$work/locked" ] && [ $i -lt 100 ]; do sleep 0.1 && i=$((i + 1)); done
    check "$label" "the user holds locks" yes "$([ "$(cat "$work/locked")" -gt 10 ] && echo yes)"
    LURVEK_WRAPPER="timeout 10" run_lurvek add c file:///srv/c
    check_status "$label: add" 0 "$status"
    check "$label: add" refreshes 1 "$refreshes"
    LURVEK_WRAPPER="timeout 10" run_lurvek list
    check_status "$label: list" 0 "$status"
    check "$label: list" stdout "$(listing a file:///srv/a Optional b file:///srv/b Optional c file:///srv/c Optional)"$'\n' "$out"
    kill "$locker"
    wait "$locker" 2>/dev/null
    check "$label" "lock file" "600 0 regular empty file" "$(stat -c '%a %u %F' /etc/pacman.d/.lurvek.lock)"
}
hostile_locks

# Whether the process PID sleeps in flock with the file at PATH open. (/proc/locks, which names
# the waiter, shows nothing inside some PID namespaces.)
waits_for_lock() {
    local inode fd
    inode=$(stat -c %d:%i "$2") || return 1
    grep -qE '^(locks|flock)_lock_inode_wait$' "/proc/$1/wchan" 2>/dev/null || return 1
    for fd in "/proc/$1/fd/"*; do
        [ "$(stat -L -c %d:%i "$fd" 2>/dev/null)" == "$inode" ] && return 0
    done
    return 1
}
# Wait up to ten seconds until the process PID waits for the flock of the file at PATH or has ended.
await_lock_wait() {
    local i
    for ((i = 0; i < 100; i++)); do
        waits_for_lock "$1" "$2" && return 0
        kill -0 "$1" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
# The lock file replaced by another file of the same file system while a run waits for its lock:
# once the run has the lock of the old file, it must see that the name names another file now, and
# wait for the lock of that one. The shell holds the locks of both files and lets the old one go
# first.
replaced_while_waiting() {
    local label="lock file replaced while a run waits" lock=/etc/pacman.d/.lurvek.lock
    put_list "$a"
    put_conf "$conf_with_include"
    install -m 0600 /dev/null "$lock"
    exec 7<>"$lock"
    flock -x 7
    "$lurvek" add c file:///srv/c >"$work/out" 2>&1 7>&- &
    local run=$!
    check "$label" "the run waits for the old file" yes "$(await_lock_wait $run "$lock" && echo yes)"
    install -m 0600 /dev/null "$lock.tmp"
    mv "$lock.tmp" "$lock"
    exec 8<>"$lock"
    flock -x 8
    exec 7>&-
    check "$label" "the run waits for the new file" yes "$(await_lock_wait $run "$lock" && echo yes)"
    load_file list "$list_file"
    check "$label" "list file while it waits" "$a" "$list"
    exec 8>&-
    wait $run
    check_status "$label" 0 $?
    load_file list "$list_file"
    check "$label" "list file" "$a$(blocks c file:///srv/c Optional)"$'\n\n' "$list"
}
replaced_while_waiting

# Twenty runs started together, each adding its own name, must leave twenty records. The delayed
# rename keeps every run between reading and replacing the file for a tenth of a second, so runs
# that did not wait for each other would overwrite each other's record. Label, what stands at the
# lock file's name beforehand (none, a file of mode 0644, a private file of another user, a FIFO, a
# symbolic link), then the command that starts lurvek. Whatever stood there, a private file of
# root's takes its place.
concurrent_round() {
    local label=$1 lock=/etc/pacman.d/.lurvek.lock
    shift
    put_list ""
    put_conf "$conf_with_include"
    rm -f "$refresh_log" "$lock"
    case $1 in
    0644) install -m 0644 /dev/null "$lock" ;;
    other) install -m 0600 -o 65534 /dev/null "$lock" 2>/dev/null ||
        { echo "SKIP: $label: cannot give a file to another user here" && return; } ;;
    fifo) mkfifo "$lock" ;;
    link) ln -s lurvek.conf "$lock" ;;
    esac
    shift
    local i pids=()
    for ((i = 1; i <= 20; i++)); do
        "$@" "$lurvek" add "r$i" "file:///srv/r$i" >"$work/out$i" 2>&1 &
        pids+=($!)
    done
    local failed=0
    for i in "${pids[@]}"; do wait "$i" || failed=$((failed + 1)); done
    check "$label" "failed runs" 0 "$failed"
    local want list
    want=$(for ((i = 1; i <= 20; i++)); do echo "r$i"; done | sort)
    load_file list "$list_file"
    check "$label" "repositories" "$want" "$(printf '%s' "$list" | sed -n 's/^\[\(.*\)\]$/\1/p' | sort)"
    check "$label" "blocks" 20 "$(printf '%s' "$list" | grep -c '^SigLevel = Optional$')"
    check "$label" refreshes 20 "$(grep -c -x -- '--sync --refresh' "$refresh_log")"
    check "$label" "lock file" "600 0 regular empty file" "$(stat -c '%a %u %F' "$lock")"
    check "$label" "names in /etc/pacman.d" "lurvek.conf" "$(names_in_pacman_d)"
}
slow_renames=(strace -o /dev/null -e inject=rename,renameat,renameat2:delay_enter=100000)
#                label                                   lock file  command
concurrent_round "twenty adds at once"                   none       env
concurrent_round "twenty adds, slow renames"             none       "${slow_renames[@]}"
concurrent_round "twenty adds, lock file of mode 0644"   0644       "${slow_renames[@]}"
concurrent_round "twenty adds, lock file of another user" other     "${slow_renames[@]}"
concurrent_round "twenty adds, a FIFO as lock file"      fifo       "${slow_renames[@]}"
concurrent_round "twenty adds, a link as lock file"      link       "${slow_renames[@]}"

finish
