#!/usr/bin/env bash
# The set-up script's answers, from a copy of it beside a list of its own: nothing to do when every
# package is there, an unknown group refused, the missing packages and the one line to run for a
# user who is not root (nothing installed), and the packages named on a system without Debian's
# package tools.
#
# usage: setup-debian.sh SETUP_SCRIPT
set -euo pipefail
script=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

scratch=$(mktemp -d)
chmod 755 "$scratch"
trap 'rm -rf "$scratch"' EXIT
cp "$script" "$scratch/setup-debian.sh"
cat >"$scratch/debian-packages.txt" <<'LIST'
# a comment line
there  dpkg                        # installed wherever the script installs
absent drovane-no-such-package-1   # two that no machine has
absent drovane-no-such-package-2
LIST

# args, expected status, text that standard error must hold ('' for none)
check() {
    local expected=$1 wanted=$2
    shift 2
    local status=0
    "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
    [[ $status -eq $expected ]] || fail "$* gave status $status, not $expected: $(cat "$scratch/err")"
    [[ ! -s $scratch/out ]] || fail "$* wrote to standard output: $(cat "$scratch/out")"
    if [[ -z $wanted ]]; then
        [[ ! -s $scratch/err ]] || fail "$* said: $(cat "$scratch/err")"
    else
        grep -qF -- "$wanted" "$scratch/err" || fail "$* did not say '$wanted': $(cat "$scratch/err")"
    fi
}

check 0 '' "$scratch/setup-debian.sh" there
check 2 "no group 'nothing'" "$scratch/setup-debian.sh" there nothing
if command -v setpriv >/dev/null && [[ $(id -u) -eq 0 ]]; then
    check 1 'sudo apt-get install drovane-no-such-package-1 drovane-no-such-package-2' \
        setpriv --reuid=nobody --regid=nogroup --clear-groups "$scratch/setup-debian.sh" there absent
elif [[ $(id -u) -ne 0 ]]; then
    check 1 'sudo apt-get install drovane-no-such-package-1 drovane-no-such-package-2' "$scratch/setup-debian.sh" absent
fi
# Without dpkg-query and apt-get on the path: the packages are named and the command goes on.
mkdir "$scratch/bin"
for tool in bash sed awk dirname id; do ln -s "$(command -v "$tool")" "$scratch/bin/$tool"; done
check 0 'drovane-no-such-package-1 drovane-no-such-package-2' env PATH="$scratch/bin" bash "$scratch/setup-debian.sh" absent
echo "ok: the set-up script's answers"
