# bash completion for tern-ap-cli                           -*- shell-script -*-
#
# Commands, options, setting names after `set TARGET` (and values after
# NAME= where the setting has a few), interface names after --interface,
# files where a command wants one, and the names and MACs of the APs the last
# `tern-ap-cli scan` heard (it keeps them in
# ${XDG_CACHE_HOME:-~/.cache}/tern-ap-utility/last-scan).

_tern_ap_cli_settings() {
    # The names come from the program itself, so they never fall behind it.
    local cli=$1
    "$cli" --help 2>/dev/null | sed -n '/^NAME for set/{n;s/[ ,]\{1,\}/ /g;p;}'
}

_tern_ap_cli_targets() {
    local cache=${XDG_CACHE_HOME:-$HOME/.cache}/tern-ap-utility/last-scan
    [ -r "$cache" ] || return 0
    local mac name
    while IFS=$'\t' read -r mac name; do
        printf '%s\n' "$mac"
        [ -n "$name" ] && printf '%s\n' "$name"
    done <"$cache"
}

# AP names may hold blanks: each candidate is quoted as the shell reads it.
_tern_ap_cli_target_replies() {
    local cur=$1 t
    while IFS= read -r t; do
        [[ $t == "$cur"* ]] && printf '%q\n' "$t"
    done < <(_tern_ap_cli_targets)
}

_tern_ap_cli_values() {
    case $1 in
    dhcp_server.enabled | dot1x | ssid_broadcast | g_only | extended_mode)
        echo "true false" ;;
    encryption) echo "on off" ;;
    ip_mode) echo "fixed dhcp" ;;
    wep_key_length) echo "64 128" ;;
    wep_key_format) echo "hex ascii" ;;
    wep_default_key) echo "1 2 3 4" ;;
    dot1x_key_length) echo "5 13 29" ;;
    dot1x_key_lifetime) echo "86400 28800 3600 1800 900 300" ;;
    op_mode | auth_type | tx_power | super_g) echo "0 1 2 3" ;;
    wds) echo "0 1" ;;
    esac
}

_tern_ap_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local cli=${COMP_WORDS[0]}
    command -v "$cli" >/dev/null 2>&1 || cli=tern-ap-cli
    COMPREPLY=()

    # bash splits "--interface=eth" and "ssid=x" at the '=': the word
    # before the '=' says what the value is for.
    local option=$prev split=false
    if [ "$cur" = "=" ]; then
        cur=
        split=true
    elif [ "$prev" = "=" ] && [ "$COMP_CWORD" -ge 2 ]; then
        option=${COMP_WORDS[COMP_CWORD - 2]}
        split=true
    fi

    case $option in
    --interface)
        COMPREPLY=($(compgen -W "$(command ls /sys/class/net 2>/dev/null)" -- "$cur"))
        return ;;
    --output)
        COMPREPLY=($(compgen -W "table json jsonl csv" -- "$cur"))
        return ;;
    --logins | --password-file | --prometheus)
        COMPREPLY=($(compgen -f -- "$cur"))
        return ;;
    --backup-dir)
        COMPREPLY=($(compgen -d -- "$cur"))
        return ;;
    --timeout-ms | --retries | --parallel | --user | --password)
        return ;;
    esac

    # The command is the first word that is neither an option nor an
    # option's value.
    local i word command= positional=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        --interface | --output | --logins | --password-file | --prometheus | --backup-dir | \
            --timeout-ms | --retries | --parallel | --user | --password)
            ((i++))
            [ "${COMP_WORDS[i]}" = "=" ] && ((i++))
            continue ;;
        =)
            # The value after "--demo=" or "NAME=": not a command.
            ((i++))
            continue ;;
        -*) continue ;;
        esac
        if [ -z "$command" ]; then
            command=$word
        elif [ "${COMP_WORDS[i + 1]}" != "=" ]; then
            positional+=("$word")
        fi
    done

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--demo --interface --output --json --timeout-ms --quiet
            --show-secrets --all --all-fields --user --password --password-file --logins
            --backup-dir --keep-going --no-backup --retries --parallel --prometheus --help --version" \
            -- "$cur"))
        return
    fi
    if [ -z "$command" ]; then
        COMPREPLY=($(compgen -W "scan show set backup restore plan apply" -- "$cur"))
        return
    fi

    local IFS=$'\n'
    case $command in
    show)
        [ ${#positional[@]} -eq 0 ] &&
            COMPREPLY=($(_tern_ap_cli_target_replies "$cur")) ;;
    set)
        if $split; then
            COMPREPLY=($(compgen -W "$(_tern_ap_cli_values "$option" | tr ' ' '\n')" -- "$cur"))
        elif [ ${#positional[@]} -eq 0 ]; then
            COMPREPLY=($(_tern_ap_cli_target_replies "$cur"))
        else
            local names
            names=$(_tern_ap_cli_settings "$cli" | tr ' ' '\n' | sed '/^$/d;s/$/=/')
            COMPREPLY=($(compgen -W "$names" -- "$cur") $(_tern_ap_cli_target_replies "$cur"))
            compopt -o nospace 2>/dev/null
        fi ;;
    backup)
        if [ ${#positional[@]} -eq 0 ]; then
            COMPREPLY=($(_tern_ap_cli_target_replies "$cur"))
        else
            COMPREPLY=($(compgen -f -- "$cur") $(_tern_ap_cli_target_replies "$cur"))
        fi ;;
    restore)
        if [ ${#positional[@]} -eq 1 ]; then
            COMPREPLY=($(compgen -f -- "$cur") $(_tern_ap_cli_target_replies "$cur"))
        else
            COMPREPLY=($(compgen -f -- "$cur"))
        fi ;;
    plan | apply)
        [ ${#positional[@]} -eq 0 ] && COMPREPLY=($(compgen -f -- "$cur")) ;;
    esac
}
complete -F _tern_ap_cli tern-ap-cli
