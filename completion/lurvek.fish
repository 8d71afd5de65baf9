# fish completion for lurvek
#
# Completes the command word, and after "add" or "remove" the names of the repositories in
# /etc/pacman.d/lurvek.conf, read by the same rules as the bash completion (completion/lurvek).

# Prints the repository names of the list file, one a line, as lurvek reads them: each line on its
# own without the blanks around it, as pacman reads it; a line from "[" to "]" starts a section,
# which is a repository once it holds both a "Server" and a "SigLevel" key line (a key ends at the
# first "="), and its name is one that lurvek takes. No other line, comments among them, counts.
# lurvek refuses a file in which its own reader takes a header or such a key line otherwise than
# pacman, which then gives no names: a header with a "]", or a ";" after a blank, before its end
# ("[a] # b", "[a ;b]"), a byte-order mark before a header, and a "Server" or "SigLevel" key ended
# by a ":" ("Server: url") or with a ";" after a blank in its value ("Server = url ;note").
function __lurvek_names
    # A FIFO in its place would stall the shell; lurvek reads nothing from one either.
    path is -rf /etc/pacman.d/lurvek.conf; or return 0
    set -l names
    set -l section
    set -l found
    set -l first 1
    while read -l line
        set -l text (string trim -- $line)
        # lurvek's reader skips a byte-order mark that starts the file, and the blanks after it;
        # pacman takes the mark for part of the line.
        set -l bom 0
        if string match -q 1 $first; and string match -q \ufeff'*' -- $text
            set text (string replace -r '^\x{feff}\s*' '' -- $text)
            set bom 1
        end
        set first 0
        if string match -q -- '[*' $text
            # lurvek's reader takes a header up to its first "]", and none with a ";" after a blank
            # before that; pacman takes the whole line, when it ends at "]".
            set -l header (string match -r '^[^\]]*\]' -- $text | string match -rv '\s;')
            set -l whole (string match -q 0 $bom; and string match -- '*]' $text)
            contains -- "$header" "$whole"; or return 0
            if set -q header[1]
                set section (string sub -s 2 -e -1 -- $header)
                set found
            end
            continue
        end
        # lurvek's reader ends a key at the first "=" or ":", and a value at a ";" after a blank.
        set -l key (string match -r '^([^=:]*?)\s*([=:].*)$' -- $text); or continue
        contains -- $key[2] Server SigLevel; or continue
        string match -q 0 $bom; and string match -qr '^=(?!.*\s;)' -- $key[3]; or return 0
        contains -- $key[2] $found; and continue
        set -a found $key[2]
        contains -- Server $found; and contains -- SigLevel $found; or continue
        string match -qr '^(|\s.*|.*\s|.*[\[/\r].*|local|options)$' -- $section; and continue
        set -a names $section
    end </etc/pacman.d/lurvek.conf
    string join \n -- $names
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
