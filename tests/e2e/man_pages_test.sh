#!/usr/bin/env bash
# The manual pages: groff renders them without a warning, and each names the
# commands and options its program's --help names, no more and no fewer.
#   man_pages_test.sh MAN_DIR BIN_DIR
set -euo pipefail
man=$1
bin=$2
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for page in "$man"/*.1; do
    warnings=$(groff -man -Tutf8 -wall "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "groff warns on $(basename "$page"): $warnings"
done

# Same lines in both lists, else say what differs.
same() { # WHAT FROM_HELP FROM_PAGE
    local d
    d=$(diff <(sort -u <<<"$2") <(sort -u <<<"$3")) || fail "$1 (< --help only, > page only):"$'\n'"$d"
}

# faxrcp-cli: the command words of each usage line of --help, and the bold
# words of each entry under COMMANDS in the page.
help=$("$bin/faxrcp-cli" --help)
from_help=$(sed -n '/^Commands:/,/^$/{s/^  \(\([a-z]\+ \?\)\+\).*/\1/p}' <<<"$help" | sed 's/ *$//')
from_page=$(sed -n '/^\.SH COMMANDS/,/^\.SH /{/^\.TP/{n;p}}' "$man/faxrcp-cli.1" |
    sed -e 's/^\.B \(.*\)/\1/' -e 's/^\.BI "\([^"]*\)".*/\1/' -e 's/\\-/-/g' -e 's/ *$//')
[ -n "$from_help" ] || fail "no commands in faxrcp-cli --help"
same "faxrcp-cli commands" "$from_help" "$from_page"

# Long options: faxrcp-sim's and the panel's (--help, which every one has,
# need not list itself).
long_options() { grep -o -- '--[a-z][a-z-]*' | grep -v -- '-$' || true; }
for program in faxrcp-sim faxrcp-bridge faxrcp; do
    [ -x "$bin/$program" ] || continue
    from_help=$({ "$bin/$program" --help && echo --help; } | long_options)
    from_page=$(sed 's/\\-/-/g' "$man/$program.1" | long_options)
    [ -n "$from_help" ] || fail "no options in $program --help"
    same "$program options" "$from_help" "$from_page"
done

[ "$failures" -eq 0 ] || exit 1
echo "manual pages: clean, and as complete as --help"
