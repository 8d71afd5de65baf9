#!/usr/bin/env bash
# The package's life from installation to purge, with the real pacman: after every step,
# /etc/pacman.conf and /etc/pacman.d hold exactly what they should, and pacman still starts.
# Usage: life-cycle.sh DEB, inside `scripts/sandbox --packages`, which gives dpkg a private /usr
# and database.
source "$(dirname "$0")/../lurvek/lib.sh"

deb=$lurvek
if [ -z "${SANDBOX_PACKAGES:-}" ] || [ "$(stat -f -c %T /var/lib/dpkg)" != overlayfs ]; then
    echo "$0: refusing to run outside scripts/sandbox --packages: it installs a package" >&2
    exit 2
fi
if dpkg-query -W -f='${db:Status-Status}' lurvek 2>/dev/null | grep -qv not-installed; then
    echo "$0: lurvek is installed on this machine already, so its state is not a new one" >&2
    exit 77
fi
# The real pacman, not the stand-in that lib.sh puts first.
PATH=${PATH#"$work/bin:"}
repo=$TMPDIR/repo/greetings
"$(dirname "$0")"/../../scripts/make-local-repo "$repo" greetings >"$work/make.log" 2>&1 ||
    { cat "$work/make.log"; echo "FAIL: make-local-repo"; exit 1; }

# Every entry of /etc/pacman.d, one a line in name order: a file with its bytes, a link with its
# target. The six characters that mkstemp puts into the names of lurvek's temporary files show as
# XXXXXX.
entries() {
    local name bytes
    for name in $(cd /etc/pacman.d && ls -A); do
        if [ -L "/etc/pacman.d/$name" ]; then
            printf '%s -> %s\n' "$name" "$(readlink "/etc/pacman.d/$name")"
        else
            load_file bytes "/etc/pacman.d/$name"
            file "$name" "$bytes"
        fi
    done | sed -E 's/^\.lurvek\.conf\.[A-Za-z0-9]{6}/.lurvek.conf.XXXXXX/' | LC_ALL=C sort
}
file() {
    printf '%s %q\n' "$1" "$2"
}

# What lurvek leaves behind when a run dies between making its temporary files and renaming
# them (the new list and a link to the old one), and a link of such a name, which is not lurvek's
# to remove. Its own run, so that the names are the ones lurvek gives.
leave_temporaries() {
    strace -o /dev/null -e inject=rename:signal=KILL /usr/sbin/lurvek add other file:///srv/other
    [ $? -eq $((128 + 9)) ] || return 1
    ln -s /etc/pacman.conf /etc/pacman.d/.lurvek.conf.Zz99Zz
}
list=$(blocks greetings "file://$repo" Optional)$'\n\n'
longer=$(blocks greetings "file://$repo" Optional other file:///srv/other Optional)$'\n\n'
# lurvek's block with a hand-written Include after it: a pattern, spelt otherwise.
pattern=$'Include = /etc//pacman.d/*.conf\n'
write_block_and_pattern() {
    printf '%s' "$list" >/etc/pacman.d/lurvek.conf
    put_conf "$machine_conf$include_block$pattern"
}

lock=$(file .lurvek.lock "")
temporaries=$(file .lurvek.conf.XXXXXX "$longer")$'\n'$(file .lurvek.conf.XXXXXX.old "$list")
link=".lurvek.conf.XXXXXX -> /etc/pacman.conf"
with_list=$(file lurvek.conf "$list")
leftovers=$lock$'\n'$temporaries$'\n'$link
m=$machine_conf b=$include_block

# One step: label, exit status, pacman.conf and the entries of /etc/pacman.d afterwards, then the
# command. pacman must start after every step: `pacman -Sl` exits 0, or complains only that no
# repository is configured.
step() {
    local label=$1 want_status=$2 want_conf=$3 want_entries=$4 conf status err
    shift 4
    "$@" >"$work/step.log" 2>&1
    status=$?
    check_status "$label" "$want_status" "$status"
    [ "$status" -eq "$want_status" ] || sed 's/^/    /' "$work/step.log"
    load_file conf "$conf_file"
    check "$label" pacman.conf "$want_conf" "$conf"
    check "$label" /etc/pacman.d "$(LC_ALL=C sort <<<"$want_entries")" "$(entries)"
    pacman -Sl >/dev/null 2>"$work/pacman.err"
    status=$?
    load_file err "$work/pacman.err"
    [ "$status" -eq 0 ] || check "$label" "pacman -Sl (exit status $status)" \
        $'error: no usable package repositories configured.\n' "$err"
}
#    label                                    status pacman.conf  entries of /etc/pacman.d       command
step "install"                                0  "$m"           ""                             dpkg -i "$deb"
step "lurvek's lock, as its runs leave it"    0  "$m"           "$lock"                        touch /etc/pacman.d/.lurvek.lock
step "add a local repository"                 0  "$m$b"         "$lock"$'\n'"$with_list"       /usr/sbin/lurvek add greetings "file://$repo"
step "an interrupted run's temporary files"   0  "$m$b"         "$leftovers"$'\n'"$with_list"  leave_temporaries
step "upgrade keeps the list and the block"   0  "$m$b"         "$leftovers"$'\n'"$with_list"  dpkg -i "$deb"
step "remove keeps the list and the block"    0  "$m$b"         "$leftovers"$'\n'"$with_list"  dpkg -r lurvek
step "purge takes back what lurvek wrote"     0  "$m"           "$link"                        dpkg -P lurvek
step "install again"                          0  "$m"           "$link"                        dpkg -i "$deb"
step "the block, then a pattern by hand"      0  "$m$b$pattern" "$link"$'\n'"$with_list"       write_block_and_pattern
step "purge keeps what the pattern needs"     0  "$m$pattern"   "$link"$'\n'"$with_list"       dpkg -P lurvek
finish
