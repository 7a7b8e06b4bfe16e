#!/bin/bash
# tern-ap-cli's bash completion, called as bash calls it: COMP_WORDS and
# COMP_CWORD set, the function run, COMPREPLY read. The APs of the last scan
# are the demo's, written where a scan keeps them.
#   tests/cli/completion_test.sh COMPLETION_SCRIPT TERN_AP_CLI
set -u
script=$1
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CACHE_HOME="$work/cache"
PATH="$(dirname "$cli"):$PATH"
failures=0

mkdir -p "$XDG_CACHE_HOME/tern-ap-utility"
"$cli" --demo --quiet scan --output csv | tail -n +2 | tr -d '\r' | cut -d, -f1,2 | tr , '\t' \
    >"$XDG_CACHE_HOME/tern-ap-utility/last-scan"
[ -s "$XDG_CACHE_HOME/tern-ap-utility/last-scan" ] || { echo "FAIL: no AP to complete"; exit 1; }

# shellcheck source=/dev/null
. "$script"

# expect "WORD..." -- EXPECTED...: the replies for the words, the last being
# the one completed, must be exactly EXPECTED (in any order).
expect() {
    local words=() want=()
    while [ "$1" != "--" ]; do words+=("$1"); shift; done
    shift
    want=("$@")
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMPREPLY=()
    _tern_ap_cli
    local got want_sorted
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    want_sorted=$(printf '%s\n' "${want[@]}" | sort)
    if [ "$got" != "$want_sorted" ]; then
        echo "FAIL: [${words[*]}] gave [$(echo $got)], wanted [$(echo $want_sorted)]"
        failures=$((failures + 1))
    else
        echo "ok: [${words[*]}]"
    fi
}

expect tern-ap-cli "" -- scan show set backup restore plan apply
expect tern-ap-cli --demo "" -- scan show set backup restore plan apply
expect tern-ap-cli --demo = 3 s -- scan show set
expect tern-ap-cli sh -- show
expect tern-ap-cli --out -- --output
expect tern-ap-cli scan --output "" -- table json jsonl csv
expect tern-ap-cli scan --output = js -- json jsonl
expect tern-ap-cli show Lo -- Lobby
expect tern-ap-cli show 02-54-45-00-00-0 -- 02-54-45-00-00-00 02-54-45-00-00-01 02-54-45-00-00-02 \
    02-54-45-00-00-03 02-54-45-00-00-04 02-54-45-00-00-05 02-54-45-00-00-06 02-54-45-00-00-07
expect tern-ap-cli --user admin set Lobby ss -- ssid= ssid_broadcast=
expect tern-ap-cli set Lobby radius_servers.2.s -- radius_servers.2.shared_secret=
expect tern-ap-cli set Lobby dot1x = t -- true
expect tern-ap-cli set Lobby wep_key_format = "" -- hex ascii
expect tern-ap-cli set Lobby ssid = "" --
expect tern-ap-cli --interface lo -- lo
expect tern-ap-cli --interface = lo -- lo

# Every option --help names is offered.
options=$("$cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
COMP_WORDS=(tern-ap-cli --)
COMP_CWORD=1
_tern_ap_cli
for o in $options; do
    printf '%s\n' "${COMPREPLY[@]}" | grep -qx -- "$o" || {
        echo "FAIL: --help names $o, completion does not offer it"; failures=$((failures + 1)); }
done

# Every setting name set takes, after a TARGET.
COMP_WORDS=(tern-ap-cli set Lobby "")
COMP_CWORD=3
_tern_ap_cli
names=$("$cli" --help | sed -n '/^NAME for set/{n;p;}' | tr -d ' ' | tr ',' '\n')
for n in $names; do
    printf '%s\n' "${COMPREPLY[@]}" | grep -qx -- "$n=" || {
        echo "FAIL: set takes $n, completion does not offer it"; failures=$((failures + 1)); }
done

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "every completion as expected"
