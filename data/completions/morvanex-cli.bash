# bash completion for morvanex-cli                                    -*- shell-script -*-
# Installed as share/bash-completion/completions/morvanex-cli. The keys after --set come from
# the program itself (morvanex-cli keys), so they are those of the program that is installed.

_morvanex_cli_options() {
    case $1 in
        new | history) ;;
        show) echo --ini --set ;;
        preview) echo --folder --list --format --set --quiet ;;
        run) echo --folder --list --yes --undo-on-failure --no-journal --set --quiet ;;
        apply) echo --folder --separator --header --format --yes --quiet ;;
        edit) echo --folder --list --format --yes --set --quiet ;;
        undo) echo --yes --quiet ;;
    esac
    echo --help --version
}

# Job files (*.mvx, *.mxs in any letter case) and the folders on the way to them.
_morvanex_cli_jobs() {
    local name
    while IFS= read -r name; do
        case $name in
            *.[mM][vV][xX] | *.[mM][xX][sS]) COMPREPLY+=("$name") ;;
        esac
    done < <(compgen -f -- "$1")
    while IFS= read -r name; do COMPREPLY+=("$name"); done < <(compgen -d -- "$1")
    compopt -o filenames 2>/dev/null
}

_morvanex_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    COMPREPLY=()

    # "--folder=x" reaches us as "--folder" "=" "x" (= breaks words): the option is the word
    # before the "=", and what is completed is what follows it.
    local before=
    if [[ $cur == = ]]; then
        cur=
        before=${COMP_WORDS[COMP_CWORD - 2]-}
    elif [[ $prev == = ]] && ((COMP_CWORD >= 2)); then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
        before=${COMP_WORDS[COMP_CWORD - 3]-}
    fi
    # After "--set KEY=" comes a value, which nobody can guess.
    [[ $before == --set ]] && return

    case $prev in
        --folder)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
            return
            ;;
        --list)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        -f | --format)
            mapfile -t COMPREPLY < <(compgen -W "text tsv json" -- "$cur")
            return
            ;;
        --separator)
            # Spreadsheets export with one of these; a bare ";" would end the command.
            local separator
            for separator in '\;' , tab; do
                [[ $separator == "$cur"* ]] && COMPREPLY+=("$separator")
            done
            return
            ;;
        --set)
            local key
            while IFS= read -r key; do
                # The program takes keys in any letter case; so does the completion.
                [[ ${key,,} == "${cur,,}"* ]] && COMPREPLY+=("$key=")
            done < <("$program" keys 2>/dev/null)
            compopt -o nospace 2>/dev/null
            return
            ;;
    esac

    # The command is the first word that is neither an option nor an option's value.
    local i word command= operands=0 ended=
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -n $ended || $word != -* ]]; then
            case ${COMP_WORDS[i - 1]} in
                --folder | --list | -f | --format | --set | --separator | =) continue ;;
            esac
            [[ $word == = ]] && continue
            if [[ -z $command ]]; then command=$word; else ((operands++)); fi
        elif [[ $word == -- ]]; then
            ended=1
        fi
    done

    if [[ -z $ended && $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_morvanex_cli_options "$command")" -- "$cur")
        return
    fi
    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "new show preview run apply edit undo history help" -- "$cur")
        return
    fi
    case $command in
        new | show | preview | run | edit)
            ((operands == 0)) && _morvanex_cli_jobs "$cur"
            ;;
        apply)
            # A mapping file: any file, a spreadsheet's export may be named anything.
            if ((operands == 0)); then
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi
            ;;
        help)
            ((operands == 0)) &&
                mapfile -t COMPREPLY < <(compgen -W "new show preview run apply edit undo history" -- "$cur")
            ;;
    esac
}

complete -F _morvanex_cli morvanex-cli
