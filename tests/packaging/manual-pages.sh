# Checks of manual pages, for the packaging tests; sourced, not run.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# check_page PAGE PROGRAM HELP_TEXT: PAGE (a .1 or .1.gz file) renders as man shows it without a
# single warning of groff's, names PROGRAM, has the sections a reader looks for, and mentions every
# option that HELP_TEXT (the program's own usage text) lists.
check_page() {
    local page=$1 program=$2 help=$3 text warnings section option
    warnings=$(mktemp)
    text=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings=w -l "$page" 2>"$warnings") ||
        fail "man -l $page failed: $(cat "$warnings")"
    if [[ -s $warnings ]]; then
        fail "man -l $page warns: $(cat "$warnings")"
    fi
    rm -f "$warnings"
    grep -qE "^ *$program +- " <<<"$text" || fail "$page: the NAME section does not name $program"
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS DIAGNOSTICS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
        grep -qx "$section" <<<"$text" || fail "$page: no section $section"
    done
    for option in $(grep -oE '(^|[[ ,])--?[A-Za-z][A-Za-z-]*' <<<"$help" | grep -oE -- '--?[A-Za-z][A-Za-z-]*' | sort -u); do
        grep -qF -- "$option" <<<"$text" || fail "$page: option $option of $program's usage text is not described"
    done
    echo "ok: $page renders without warnings and describes every option"
}

# usage_text PROGRAM_PATH: the usage text the program prints (the converter prints it for an
# unknown option, the tools for --help).
usage_text() {
    local path=$1
    if [[ $(basename "$path") == drovane2csv ]]; then
        "$path" "-?" 2>&1 </dev/null || true
    else
        "$path" --help 2>&1 || true
    fi
}
