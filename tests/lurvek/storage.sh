#!/usr/bin/env bash
# lurvek on storage that fails it: full and read-only file systems under the list file and under
# pacman.conf, and the modes of the files it writes. Usage: storage.sh LURVEK (in the sandbox)
source "$(dirname "$0")/lib.sh"

a=$(blocks a file:///srv/a Optional b file:///srv/b Optional)$'\n\n'
a_b_c=$a$(blocks c file:///srv/c Optional)$'\n\n'
write_list_failed=$'Could not write /etc/pacman.d/lurvek.conf.\n'
write_conf_failed=$'Could not write /etc/pacman.conf.\n'

# Fill the file system that holds DIR: every block with "blocks", every inode with "inodes".
fill() {
    case $2 in
    blocks) dd if=/dev/zero of="$1/filler" bs=4096 status=none 2>/dev/null ;;
    inodes) for ((i = 0; i < 1000; i++)); do : 2>/dev/null >"$1/filler$i" || break; done ;;
    esac
    return 0
}

# Run lurvek with WORDS and check that it failed with MESSAGE and changed nothing: neither file,
# nor the names in /etc/pacman.d, and that no refresh ran.
expect_untouched() {
    local label=$1 message=$2
    shift 2
    local list_before conf_before names_before list conf
    load_file list_before "$list_file"
    load_file conf_before "$conf_file"
    names_before=$(names_in_pacman_d)
    run_lurvek "$@"
    check_status "$label" 1 "$status"
    check "$label" stdout "$message" "$out"
    check "$label" stderr "" "$err"
    load_file list "$list_file"
    load_file conf "$conf_file"
    check "$label" "list file" "$list_before" "$list"
    check "$label" "pacman.conf" "$conf_before" "$conf"
    check "$label" "names in /etc/pacman.d" "$names_before" "$(names_in_pacman_d)"
    check "$label" refreshes 0 "$refreshes"
}

# The list file on a small tmpfs: label, tmpfs options, what to fill (blocks, inodes or nothing).
# With nothing filled the change must go through, which shows that the fault alone stops it.
list_fault_row() {
    mount -t tmpfs -o "$2" lurvek-test /etc/pacman.d
    put_conf "$conf_with_include"
    # The lock file, made while there is room, as the first run on the machine made it.
    run_lurvek list
    for words in "add c file:///srv/c" "remove a"; do
        put_list "$a"
        fill /etc/pacman.d "$3"
        if [ "$3" == nothing ]; then
            run_lurvek $words
            check_status "$1: $words" 0 "$status"
            check "$1: $words" refreshes 1 "$refreshes"
        else
            expect_untouched "$1: $words" "$write_list_failed" $words
        fi
        rm -f /etc/pacman.d/filler*
    done
    umount /etc/pacman.d
}
list_fault_row "list file: no block left"   size=16k,mode=0755 blocks
list_fault_row "list file: no inode left"   size=1m,nr_inodes=8,mode=0755 inodes
list_fault_row "list file: room to spare"   size=16k,mode=0755 nothing

# Where no lock can be had, lurvek still reads, and every run that would change either file refuses,
# the one that would append the include entry too. Label, what stands at the lock file's name ("fit":
# the lock file that a run made, "none", "directory": no rename can put a file in its place), "ro"
# to make /etc/pacman.d read-only, and the message for a change. With the lock file made beforehand
# the lock is had, and changes fail as the list file cannot be written.
locked_out_row() {
    local label=$1 lock=/etc/pacman.d/.lurvek.lock
    put_conf "$conf_with_include"
    put_list "$a"
    rm -rf "$lock"
    case $2 in
    fit) run_lurvek list ;;
    directory) mkdir "$lock" ;;
    esac
    [ "$3" == ro ] && mount --bind /etc/pacman.d /etc/pacman.d && mount -o remount,bind,ro /etc/pacman.d
    run_lurvek list
    check_status "$label: list" 0 "$status"
    check "$label: list" stdout "$(listing a file:///srv/a Optional b file:///srv/b Optional)"$'\n' "$out"
    expect_untouched "$label: add" "$4" add c file:///srv/c
    expect_untouched "$label: remove" "$4" remove a
    expect_untouched "$label: unknown name" $'Could not find repository zz.\n' remove zz
    put_conf "$machine_conf"
    [ "$2" != fit ] && expect_untouched "$label: list without the include" "$lock_failed" list
    [ "$3" == ro ] && umount /etc/pacman.d
    rm -rf "$lock"
}
lock_failed=$'Could not lock /etc/pacman.d/lurvek.conf.\n'
#              label                                    lock file  directory message
locked_out_row "read-only directory"                    fit        ro        "$write_list_failed"
locked_out_row "read-only directory, no lock file"      none       ro        "$lock_failed"
locked_out_row "a directory at the lock file's name"    directory  rw        "$lock_failed"
put_list -
mount --bind /etc/pacman.d /etc/pacman.d
mount -o remount,bind,ro /etc/pacman.d
expect_untouched "read-only directory, no list file" $'Could not read /etc/pacman.d/lurvek.conf.\n' list
umount /etc/pacman.d
# Without /etc/pacman.conf there is nothing to hook the list into.
put_list "$a"
rm -f "$conf_file"
expect_untouched "no /etc/pacman.conf" $'Could not read /etc/pacman.conf.\n' add c file:///srv/c

# A list file that is a symbolic link: label, where the link points, then "follows" when the change
# must go through to /etc/lists/real.conf, or the message of the refusal. A link to something that
# is not a regular file (/etc/lists/null, a device like /dev/null, or /etc/lists/fifo) lists nothing,
# without waiting for a writer, and is never replaced.
link_row() {
    local label="link: $1"
    put_conf "$conf_with_include"
    rm -rf /etc/lists "$list_file"
    mkdir /etc/lists
    printf '%s' "$a" >/etc/lists/real.conf
    case $2 in
    */null) mknod /etc/lists/null c 1 3 || { echo "SKIP: $label: mknod is not allowed here" && return; } ;;
    */fifo) mkfifo /etc/lists/fifo ;;
    esac
    local files
    files=$(find /etc/lists -mindepth 1 -printf '%f %y\n' | sort)
    ln -s "$2" "$list_file"
    if [ -e "$list_file" ] && [ ! -f "$list_file" ]; then
        LURVEK_WRAPPER="timeout 10" run_lurvek list
        check_status "$label: list" 0 "$status"
        check "$label: list" stdout "" "$out"
    fi
    if [ "$3" == follows ]; then
        run_lurvek add c file:///srv/c
        check_status "$label" 0 "$status"
        check "$label" refreshes 1 "$refreshes"
        load_file list /etc/lists/real.conf
        check "$label" "target" "$a_b_c" "$list"
    else
        LURVEK_WRAPPER="timeout 10" expect_untouched "$label" "$3" add c file:///srv/c
        load_file list /etc/lists/real.conf
        check "$label" "target" "$a" "$list"
    fi
    check "$label" "the link" "$2" "$(readlink "$list_file")"
    check "$label" "files in /etc/lists and their types" "$files" \
        "$(find /etc/lists -mindepth 1 -printf '%f %y\n' | sort)"
    rm -rf /etc/lists "$list_file"
}
link_row "absolute"             /etc/lists/real.conf follows
link_row "relative"             ../lists/real.conf   follows
link_row "dangling"             /etc/lists/absent    $'Could not read /etc/pacman.d/lurvek.conf.\n'
link_row "to itself"            lurvek.conf          $'Could not read /etc/pacman.d/lurvek.conf.\n'
link_row "to a device"          /etc/lists/null      "$write_list_failed"
link_row "to a FIFO"            /etc/lists/fifo      "$write_list_failed"

# Nothing that lurvek reads may make it wait, or pacman after it. A file of the configuration that
# is neither a regular file nor a directory is refused by its name; a directory that a pattern
# names is passed over, as pacman passes it over; the include entry waits for a list file that is
# a regular file.
put_list "$a"
mkdir /etc/r3
mkfifo /etc/r3/f.conf
put_conf $'[options]\nInclude = /etc/r3/*.conf\n'"$include_block"
LURVEK_WRAPPER="timeout 10" expect_untouched "an included FIFO" $'Could not read /etc/r3/f.conf.\n' add c file:///srv/c
put_conf $'[options]\nInclude = /dev/zero\n'
LURVEK_WRAPPER="timeout 10" expect_untouched "an included device" $'Could not read /dev/zero.\n' list
rm /etc/r3/f.conf
mkdir /etc/r3/d.conf
put_conf $'[options]\nInclude = /etc/r3/*.conf\n'"$include_block"
run_lurvek add c file:///srv/c
check_status "a directory a pattern names" 0 "$status"
check "a directory a pattern names" refreshes 1 "$refreshes"
rm -r /etc/r3 "$conf_file"
mkfifo "$conf_file"
LURVEK_WRAPPER="timeout 10" expect_untouched "pacman.conf a FIFO" $'Could not read /etc/pacman.conf.\n' list
rm "$conf_file" "$list_file"
put_conf "$machine_conf"
mkfifo "$list_file"
LURVEK_WRAPPER="timeout 10" run_lurvek list
check_status "a FIFO for a list file" 0 "$status"
load_file conf "$conf_file"
check "a FIFO for a list file" "pacman.conf" "$machine_conf" "$conf"
rm "$list_file"

# Files that killed runs left behind: a run that holds the lock removes the regular files that have
# the hidden names of a rewrite, and nothing else.
put_conf "$conf_with_include"
put_list "$a"
kept_names=(.lurvek.conf.AbC12 .lurvek.conf.AbC1234 .lurvek.conf.AbC-12 .lurvek.conf.AbC123.bak
    .other.conf.AbC123 lurvek.conf.AbC123 .lurvek.conf.Dir123 .lurvek.conf.Lnk123)
for name in .lurvek.conf.AbC123 .lurvek.conf.AbC123.old .lurvek.conf.xyz789.old "${kept_names[@]}"; do
    : >"/etc/pacman.d/$name"
done
rm /etc/pacman.d/.lurvek.conf.Dir123 /etc/pacman.d/.lurvek.conf.Lnk123
mkdir /etc/pacman.d/.lurvek.conf.Dir123
ln -s lurvek.conf /etc/pacman.d/.lurvek.conf.Lnk123
run_lurvek list
check_status "leftovers" 0 "$status"
check "leftovers" "names in /etc/pacman.d" "$(printf '%s\n' "${kept_names[@]}" lurvek.conf | sort)" \
    "$(names_in_pacman_d | sort)"
load_file list "$list_file"
check "leftovers" "list file" "$a" "$list"
rm -rf "${kept_names[@]/#//etc/pacman.d/}"

# A list file that is a directory can be opened but not read.
put_conf "$conf_with_include"
rm -f "$list_file"
mkdir "$list_file"
run_lurvek list
check_status "list file is a directory" 1 "$status"
check "list file is a directory" stdout $'Could not read /etc/pacman.d/lurvek.conf.\n' "$out"
check "list file is a directory" "still an empty directory" "" "$(ls -A "$list_file")"
rmdir "$list_file"

# pacman.conf without the include entry, where the block cannot be appended: label and setup.
# A configuration of 4056 bytes leaves 40 bytes in its last page, so on a full tmpfs the 72-byte
# block is written in part before the file system refuses the rest.
conf_fault_row() {
    local size=$3
    mkdir -p "$work/conf"
    mount -t tmpfs -o size=16k lurvek-test "$work/conf"
    head -c "$size" </dev/zero | tr '\0' '#' >"$work/conf/pacman.conf"
    printf '\n[options]\n' | dd of="$work/conf/pacman.conf" bs=1 seek=$((size - 11)) conv=notrunc status=none
    [ "$2" == full ] && fill "$work/conf" blocks
    mount --bind "$work/conf/pacman.conf" "$conf_file"
    [ "$2" == read-only ] && mount -o remount,bind,ro "$conf_file"
    put_list "$a"
    if [ "$2" == writable ]; then
        run_lurvek list
        check_status "$1" 0 "$status"
        check "$1" "pacman.conf size" $((size + 72)) "$(stat -c %s "$conf_file")"
    else
        expect_untouched "$1: list" "$write_conf_failed" list
        expect_untouched "$1: add" "$write_conf_failed" add c file:///srv/c
    fi
    umount "$conf_file"
    umount "$work/conf"
}
conf_fault_row "pacman.conf: read-only"                 read-only 4056
conf_fault_row "pacman.conf: full, part of a block fits" full     4056
conf_fault_row "pacman.conf: full, last page full"      full      4096
conf_fault_row "pacman.conf: room to spare"             writable  4056

# A file-size limit of 4096 bytes that runs out part way through a write: in the include block
# after 4056 bytes of pacman.conf, or in the new list file of 100 records (about 5 KiB).
put_list "$a"
head -c 4045 </dev/zero | tr '\0' '#' >"$conf_file"
printf '\n[options]\n' >>"$conf_file"
LURVEK_WRAPPER="prlimit --fsize=4096" expect_untouched "file-size limit: pacman.conf" "$write_conf_failed" list
put_conf "$conf_with_include"
put_list "$(for ((i = 1; i <= 100; i++)); do blocks "r$i" "file:///srv/r$i" Optional; echo; done)"
LURVEK_WRAPPER="prlimit --fsize=4096" expect_untouched "file-size limit: list file" "$write_list_failed" add c file:///srv/c

# Modes and owners: label, umask, mode and owner of the list file before ("-": none), mode and
# owner after, then the command words. A new file is readable by everyone whatever the
# umask; a replaced one keeps what it had.
mode_row() {
    local label=$1 mask=$2 mode=$3 owner=$4 want=$5
    shift 5
    put_conf "$conf_with_include"
    put_list -
    if [ "$mode" != - ]; then
        put_list "$a"
        chmod "$mode" "$list_file"
        if ! chown "$owner" "$list_file" 2>/dev/null; then
            echo "SKIP: $label: cannot give the list file to $owner here"
            return
        fi
    fi
    local saved_mask
    saved_mask=$(umask)
    umask "$mask"
    run_lurvek "$@"
    umask "$saved_mask"
    check_status "$label" 0 "$status"
    check "$label" "mode and owner" "$want" "$(stat -c '%a %u:%g' "$list_file")"
}
#        label                           umask mode owner     after           words
mode_row "list creates 0644, umask 077"  077   -    -         "644 0:0"       list
mode_row "add creates 0644, umask 077"   077   -    -         "644 0:0"       add c file:///srv/c
mode_row "add creates 0644, umask 000"   000   -    -         "644 0:0"       add c file:///srv/c
mode_row "add keeps 0600"                022   0600 0:0       "600 0:0"       add c file:///srv/c
mode_row "add keeps 0664, umask 077"     077   0664 0:0       "664 0:0"       add c file:///srv/c
mode_row "remove keeps 0640 and owner"   022   0640 1234:5678 "640 1234:5678" remove a
mode_row "remove keeps another group"    022   0640 0:5678    "640 0:5678"    remove a
mode_row "remove keeps another owner"    022   0640 1234:0    "640 1234:0"    remove a

finish
