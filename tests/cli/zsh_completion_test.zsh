#!/bin/zsh -f
# tern-ap-cli's zsh completion in a real interactive zsh (through zpty):
# a line is typed with a TAB, and the line zsh completes it to is read back.
#   tests/cli/zsh_completion_test.zsh COMPLETION_FOLDER TERN_AP_CLI
emulate -L zsh
setopt extendedglob
zmodload zsh/zpty || { print "skipped: no zsh/zpty"; exit 77 }
zmodload zsh/datetime
folder=$1
cli=$2
work=$(mktemp -d)
trap 'zpty -d z 2>/dev/null; rm -rf $work' EXIT
export XDG_CACHE_HOME=$work/cache
mkdir -p $XDG_CACHE_HOME/tern-ap-utility
print -r -- $'02-54-45-00-00-00\tLobby\n02-54-45-00-00-05\tSecure-1X' \
  >$XDG_CACHE_HOME/tern-ap-utility/last-scan
failures=0

# Reads what the shell prints until `want` shows, or 10 s have passed.
read_until() {
  local want=$1 out= chunk deadline=$(( EPOCHREALTIME + 10 ))
  while (( EPOCHREALTIME < deadline )); do
    zpty -r -t z chunk 2>/dev/null && out+=$chunk || sleep 0.05
    [[ ${out//$'\e'\[[0-9;?]#[a-zA-Z]/} == *$want* ]] && { REPLY=$out; return 0 }
  done
  REPLY=$out
  return 1
}

zpty -b z "zsh -f -i"
zpty -w z "PS1='ready> '; fpath=($folder \$fpath); path=(${cli:h} \$path); autoload -Uz compinit; compinit -u -d $work/zcompdump; print -r started"
read_until started || { print "FAIL: zsh did not start"; exit 1 }

# expect TYPED EXPECTED: TYPED then TAB must show EXPECTED on the line.
expect() {
  zpty -w -n z "$1"$'\t'
  if read_until "$2"; then
    print -r -- "ok: [$1] -> [$2]"
  else
    print -r -- "FAIL: [$1] did not complete to [$2]; the shell printed: ${(q+)REPLY}"
    (( failures++ ))
  fi
  zpty -w -n z $'\C-u'
  sleep 0.2
  while zpty -r -t z chunk 2>/dev/null; do :; done
}

expect "tern-ap-cli sc" "tern-ap-cli scan "
expect "tern-ap-cli --outp" "tern-ap-cli --output="
expect "tern-ap-cli --output=jsonl sh" "show "
expect "tern-ap-cli show Lo" "tern-ap-cli show Lobby "
expect "tern-ap-cli show 02-54-45-00-00-05" "02-54-45-00-00-05 "
expect "tern-ap-cli set Lobby beacon_i" "beacon_interval="
expect "tern-ap-cli set Lobby radius_servers.2.sh" "radius_servers.2.shared_secret="

(( failures == 0 )) || { print "$failures failure(s)"; exit 1 }
print "every completion as expected"
