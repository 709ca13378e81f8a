#!/usr/bin/env bash
# The manual pages and the bash completion against the programs' own help texts: every option a help
# text names is described in the manual page (as the tag of a .TP paragraph) and every option the page
# describes is named by the help, per command of dedezuviv-tool; the completion offers the same
# commands and options and the files each option takes; man renders the pages without a warning.
#
#   check-man-pages.sh LOGGER TOOL SIMULATOR SOURCE_DIR
set -uo pipefail
LOGGER=$1 TOOL=$2 SIMULATOR=$3 SOURCE=$4
MAN="$SOURCE/data/man"
COMPLETION="$SOURCE/data/completion/dedezuviv-tool"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# "heading<TAB>tag" for each .TP paragraph of a page, with roff escapes removed; the heading is that
# of the enclosing .SS, or of the .SH when there is none.
tags() {
    awk '/^\.SH /{sh=substr($0,5); ss=""} /^\.SS /{ss=substr($0,5)}
         tag{print (ss!=""?ss:sh) "\t" $0; tag=0} /^\.TP/{tag=1}' "$1" |
        sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/"//g' -e 's/^\.[A-Z][A-Z]* //' -e 's/\t\.[A-Z][A-Z]* /\t/'
}
# The section heading of a .SS within a .SH, as tags() prints it.
section_tags() { tags "$1" | awk -F'\t' -v h="$2" '$1==h{print $2}'; }
# Options among the words of standard input: "--long", "-s", and with /SLASH also "/NAME".
options_in() {
    grep -oE "(^|[[:space:](,\[|])(--?[a-zA-Z][a-zA-Z-]*${1:+|/[A-Za-z]+})" | sed -E 's/^[[:space:](,\[|]//' | sort -u
}
compare() {  # what, the help's words, the other's words, what the other is (default: the manual page)
    local other=${4:-the manual page} missing extra
    missing=$(comm -23 <(echo "$2") <(echo "$3") | tr '\n' ' ')
    extra=$(comm -13 <(echo "$2") <(echo "$3") | tr '\n' ' ')
    [ -z "$missing" ] || fail "$1: in the help, not in $other: $missing"
    [ -z "$extra" ] || fail "$1: in $other, not in the help: $extra"
}
# The long options of a command of the tool (its help's examples call other programs with short ones).
command_options() { "$TOOL" "$1" --help | options_in | grep -E -- '^--' | grep -vx -- --help; }

# The logger: its /HELP text (options are compared without case).
help=$("$LOGGER" -headless /HELP | options_in slash | tr a-z A-Z | sort -u)
page=$(section_tags "$MAN/dedezuviv.1" OPTIONS | options_in slash | tr a-z A-Z | sort -u)
compare "dedezuviv" "$help" "$page"

# The simulator.
help=$("$SIMULATOR" --help | options_in)
page=$(tags "$MAN/dedezuviv-simulator.1" | cut -f2 | options_in)
compare "dedezuviv-simulator" "$help" "$page"

# The tool: its own options, its commands, and the options of each command.
tool_help=$("$TOOL" --help)
help=$(sed -n '/^Optionen/,$p' <<<"$tool_help" | options_in)
page=$(section_tags "$MAN/dedezuviv-tool.1" OPTIONS | options_in)
compare "dedezuviv-tool" "$help" "$page"
commands=$(sed -nE 's/^  ([a-z][a-z-]*) .*/\1/p' <<<"$tool_help" | sort -u)
page_commands=$(sed -n 's/^\.SS //p' "$MAN/dedezuviv-tool.1" | sed 's/\\-/-/g' | sort -u)
compare "dedezuviv-tool commands" "$commands" "$page_commands"
for command in $commands; do
    help=$(command_options "$command")
    page=$(section_tags "$MAN/dedezuviv-tool.1" "$command" | options_in)
    compare "dedezuviv-tool $command" "$help" "$page"
done

# The completion, in bash with the bash-completion functions it is written for.
complete_words() {  # the words of the command line, the last one being completed
    bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _dedezuviv_tool dedezuviv-tool "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"' bash "$COMPLETION" "$@" | sort -u
}
if [ -r /usr/share/bash-completion/bash_completion ]; then
    compare "completion of the commands" "$commands" "$(complete_words dedezuviv-tool '' | grep -v '^-')" "the completion"
    for command in $commands; do
        compare "completion of dedezuviv-tool $command" "$(command_options "$command")" \
            "$(complete_words dedezuviv-tool "$command" - | grep -vx -- --help)" "the completion"
    done
    # Files by extension, per option and per command's output.
    files=$(mktemp -d)
    trap 'rm -rf "$files"' EXIT
    touch "$files"/{Haus.p-p,Januar.csv,Januar.xls,Bild.png,13.def,LOG.l00,notes.txt}
    mkdir "$files/export"
    cd "$files" || exit 1
    while IFS='|' read -r line expected; do
        # shellcheck disable=SC2086
        got=$(complete_words $line '' | tr '\n' ' ' | sed 's/ $//')
        [ "$got" = "$expected" ] || fail "completion of \"$line\": \"$got\" instead of \"$expected\""
    done <<'EOF'
dedezuviv-tool export --project|Haus.p-p export
dedezuviv-tool export --project Haus.p-p --from 2026-01-01T00:00:00|Januar.csv Januar.xls export
dedezuviv-tool plot --size 1024x768|Bild.png export
dedezuviv-tool project --import-def|13.def export
dedezuviv-tool import --project Haus.p-p|LOG.l00 export
dedezuviv-tool def|13.def export
dedezuviv-tool export-batch --format|csv dat wk1 xls
dedezuviv-tool export-batch --folder|export
EOF
    cd - >/dev/null || exit 1
else
    echo "check-man-pages: bash-completion not installed, completion not checked" >&2
fi

# Each page's header names the version the programs print.
version=$("$TOOL" --version | cut -d' ' -f2)
for page in "$MAN"/*.1; do
    header=$(sed -n 's/^\.TH .*"dedezuviv \([^"]*\)".*/\1/p' "$page")
    [ "$header" = "$version" ] || fail "$(basename "$page"): header names version \"$header\", the programs $version"
done

# The pages as man renders them: no warning from groff or man.
if command -v man >/dev/null; then
    for page in "$MAN"/*.1; do
        warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    done
fi

[ "$failures" -eq 0 ] || exit 1
echo "check-man-pages: manual pages and completion name the options of the help texts"
