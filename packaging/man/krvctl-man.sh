#!/bin/sh
# Writes krvctl's man page: the hand-written parts come from the template, the global options and
# one section per command from krvctl's own --help texts, so the page lists every command the
# program has and says about each what the program says.
#
#   krvctl-man.sh KRVCTL TEMPLATE OUT [LANG]
#
# LANG (en, the default, or ja) is the language of the template and of the help texts pasted in.
set -eu
krvctl=$1
template=$2
out=$3
lang=${4:-en}
case $lang in
    en) commands_heading='Commands:' options_heading='Options:' ;;
    ja) commands_heading='コマンド:' options_heading='オプション:' ;;
    *) echo "krvctl-man.sh: no language '$lang' (en or ja)" >&2; exit 2 ;;
esac

# Help text as roff inside .nf: backslashes and hyphens escaped, no line starting a request.
roff() {
    sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"
}

# In the page's language, that of the headings looked for below.
main_help=$("$krvctl" --lang "$lang" --help)
commands=$(printf '%s\n' "$main_help" | sed -n "/^$commands_heading\$/,/^\$/{/^  [a-z]/s/^  \([a-z][a-z0-9-]*\) .*/\1/p}")
[ -n "$commands" ] || { echo "krvctl-man.sh: no commands in '$krvctl --help'" >&2; exit 1; }

tmp_options=$(mktemp)
tmp_commands=$(mktemp)
trap 'rm -f "$tmp_options" "$tmp_commands"' EXIT

printf '%s\n' "$main_help" | sed -n "/^$options_heading\$/,/^\$/{/^$options_heading\$/d;/^\$/d;p}" | roff >"$tmp_options"
for command in $commands; do
    summary=$(printf '%s\n' "$main_help" | sed -n "s/^  $command  *//p" | head -n 1)
    {
        printf '.SS %s\n' "$command"
        printf '%s\n' "$summary" | roff
        printf '.PP\n.RS 4\n.nf\n'
        "$krvctl" --lang "$lang" "$command" --help | roff
        printf '.fi\n.RE\n'
    } >>"$tmp_commands"
done

awk -v options="$tmp_options" -v commands="$tmp_commands" '
    function paste(file,   line) { while ((getline line < file) > 0) print line; close(file) }
    $0 == "%KRVCTL_GLOBAL_OPTIONS%" { paste(options); next }
    $0 == "%KRVCTL_COMMANDS%" { paste(commands); next }
    { print }
' "$template" >"$out.tmp"
mv "$out.tmp" "$out"
