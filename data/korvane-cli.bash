# bash completion for korvane-cli                           -*- shell-script -*-
#
# Commands, each command's options, directories for export, gallery and
# config, .mlt files and directories of them for list, render and gallery
# (render takes a file), any file for --config, -o
# and config's --artidx, --artmul, --tiledata and --cache, and the
# entry names that "korvane-cli list" prints, quoted for the shell
# (Entry\ 12). Needs nothing but bash.

# A word before the cursor without its shell quoting: 'a b', "a b" or a\ b.
_korvane_cli_dequote()
{
    case $1 in
    \'*) local word=${1#\'} && printf '%s' "${word%\'}" ;;
    \"*) local word=${1#\"} && printf '%s' "${word%\"}" ;;
    *) _korvane_cli_unescape "$1" ;;
    esac
}

# Adds matches to COMPREPLY, escaped for the shell (Entry\ 12) unless the
# word being completed opened a quote, inside which they need none.
_korvane_cli_add()
{
    local match quoted
    for match; do
        if [[ -n $_korvane_cli_quote ]]; then
            COMPREPLY+=("$match")
        elif [[ $match == '~/'* ]]; then
            # compgen keeps a leading ~/ as typed; it must stay unescaped.
            printf -v quoted '%q' "${match:2}"
            COMPREPLY+=("~/$quoted")
        else
            printf -v quoted '%q' "$match"
            COMPREPLY+=("$quoted")
        fi
    done
}

# The files (-f, the default) or directories (-d) that start with the word;
# the shell escapes these itself and appends "/" to directories.
_korvane_cli_files()
{
    local matches
    compopt -o filenames 2>/dev/null
    mapfile -t matches < <(compgen "${2:--f}" -- "$1")
    COMPREPLY+=("${matches[@]}")
}

# Directories and .mlt files below the word, escaped here so that they can
# stand beside entry names.
_korvane_cli_mlt_files()
{
    local path directories files
    mapfile -t directories < <(compgen -d -- "$1")
    mapfile -t files < <(compgen -f -X '!*.mlt' -- "$1")
    for path in "${directories[@]}"; do
        _korvane_cli_add "$path/"
    done
    ((${#directories[@]} > 0)) && compopt -o nospace 2>/dev/null
    _korvane_cli_add "${files[@]}"
}

# Entry names that start with the word, as "list" prints them (first column),
# for the configuration the command line names.
_korvane_cli_entries()
{
    local program=$1 config=$2 word=$3 name arguments=(list)
    [[ $program == '~/'* ]] && program=$HOME/${program:2}
    [[ $config == '~/'* ]] && config=$HOME/${config:2}
    [[ -n $config ]] && arguments+=(--config "$config")
    while IFS=$'\t' read -r name _; do
        [[ $name == "$word"* ]] && _korvane_cli_add "$name"
    done < <(timeout 10 "$program" "${arguments[@]}" 2>/dev/null </dev/null)
}

# A word as typed with its backslash escapes removed.
_korvane_cli_unescape()
{
    local word=$1 out= i
    for ((i = 0; i < ${#word}; i++)); do
        [[ ${word:i:1} == \\ ]] && ((i++))
        out+=${word:i:1}
    done
    printf '%s' "$out"
}

_korvane_cli()
{
    # The word to complete: bash hands it over without an opening quote, which
    # only COMP_WORDS still shows.
    local cur=${2-${COMP_WORDS[COMP_CWORD]}} _korvane_cli_quote=
    case ${COMP_WORDS[COMP_CWORD]} in
    \'* | \"*) _korvane_cli_quote=1 ;;
    *) cur=$(_korvane_cli_unescape "$cur") ;;
    esac
    local i word command= config= option= positional=0
    COMPREPLY=()

    # The words before the cursor: the command, --config's value, how many
    # arguments follow the command, and an option still waiting for its value.
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -n $option ]]; then
            # "--config=FILE" arrives as three words when "=" breaks words.
            [[ $word == = ]] && continue
            [[ $option == --config ]] && config=$(_korvane_cli_dequote "$word")
            option=
            continue
        fi
        case $word in
        --config | -o | --output | --scale | --background | --jobs | --gallery) option=$word ;;
        --artidx | --artmul | --tiledata | --cache) option=$word ;;
        --config=*) config=$(_korvane_cli_dequote "${word#--config=}") ;;
        -*) ;;
        *)
            if [[ -z $command ]]; then
                command=$word
            else
                ((positional++))
            fi
            ;;
        esac
    done

    if [[ -n $option ]]; then
        # --scale, --jobs and --background take a number or a colour.
        case $option in
        --config | -o | --output | --artidx | --artmul | --tiledata | --cache)
            _korvane_cli_files "$cur"
            ;;
        --gallery) _korvane_cli_files "$cur" -d ;;
        esac
        return 0
    fi

    if [[ $cur == -* ]]; then
        local options='--config -h --help --help-all -v --version'
        case $command in
        list | check) options+=' --json' ;;
        export) options+=' --force' ;;
        render) options+=' -o --output --scale --background --trim' ;;
        gallery) options+=' --scale --background --trim --jobs --force' ;;
        config) options+=' --artidx --artmul --tiledata --cache --force --print' ;;
        diff) options+=' --json --components --renumbered --gallery --scale --background --trim --no-trim --jobs' ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return 0
    fi

    case $command in
    '') COMPREPLY=($(compgen -W 'list export render gallery check config diff' -- "$cur")) ;;
    diff) ((positional < 2)) && _korvane_cli_files "$cur" ;;
    list) _korvane_cli_mlt_files "$cur" ;;
    config) ((positional == 0)) && _korvane_cli_files "$cur" -d ;;
    export | gallery)
        if ((positional == 0)); then
            _korvane_cli_files "$cur" -d
        else
            _korvane_cli_entries "$1" "$config" "$cur"
            [[ $command == gallery ]] && _korvane_cli_mlt_files "$cur"
        fi
        ;;
    render)
        if ((positional == 0)); then
            _korvane_cli_entries "$1" "$config" "$cur"
            _korvane_cli_mlt_files "$cur"
        fi
        ;;
    esac
    return 0
}

complete -F _korvane_cli korvane-cli
