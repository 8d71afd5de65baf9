# fish completion for lurvek
#
# Completes the command word, and after "add" or "remove" the names of the repositories in
# /etc/pacman.d/lurvek.conf, read by the same rules as the bash completion (completion/lurvek).

# Prints the repository names of the list file, one a line, as lurvek reads them: a section is a
# repository once it holds both a "Server" and a "SigLevel" key, and its name is one that lurvek
# takes. Blanks around a line do not count, ";" and "#" start comment lines, an indented line after
# a key continues that key, and a key ends at the first "=" or ":".
function __lurvek_names
    # A FIFO in its place would stall the shell; lurvek reads nothing from one either.
    path is -rf /etc/pacman.d/lurvek.conf; or return 0
    set -l section
    set -l in_section 0
    set -l server 0
    set -l level 0
    set -l key_seen 0
    while read -l line
        set -l text (string trim -- $line)
        string match -qr '^(|[;#].*)$' -- $text; and continue
        string match -qr '^\s' -- $line; and string match -qv 0 $key_seen; and continue
        if string match -q -- '[*' $text
            set -l header (string match -r '^\[([^\]]*)\]' -- $text); or continue
            # A ";" after a blank starts a comment before the "]".
            string match -qr '\s;' -- $header[2]; and continue
            set section $header[2]
            set in_section 1
            set server 0
            set level 0
            set key_seen 0
            continue
        end
        set -l key (string match -r '^([^=:]*)[=:]' -- $text); or continue
        set key (string trim -r -- $key[2])
        set key_seen (string length -- $key)
        string match -q 1 $in_section; and string match -qv 11 $server$level; or continue
        string match -q Server -- $key; and set server 1
        string match -q SigLevel -- $key; and set level 1
        string match -q 11 $server$level; or continue
        string match -qr '^(|\s.*|.*\s|.*[\[/].*|local|options)$' -- $section; and continue
        printf '%s\n' $section
    end </etc/pacman.d/lurvek.conf
end

# Whether the word being completed is the command word (1) or the word after "add" or "remove" (2).
function __lurvek_at --argument-names position
    set -l words (commandline -opc)
    switch $position
        case 1
            string match -q 1 (count $words)
        case 2
            string match -q 2 (count $words); and contains -- $words[2] add remove
    end
end

complete -c lurvek -f
complete -c lurvek -n '__lurvek_at 1' -a add -d 'Add or replace a repository'
complete -c lurvek -n '__lurvek_at 1' -a remove -d 'Remove a repository'
complete -c lurvek -n '__lurvek_at 1' -a list -d 'List the repositories'
complete -c lurvek -n '__lurvek_at 2' -a '(__lurvek_names)'
