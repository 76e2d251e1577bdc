#!/usr/bin/env bash
# Installs the build into a temporary prefix, as "cmake --install" does for a
# user, and checks what a desktop and a shell read there: the desktop entry
# and the metainfo through their validators, the icon the entry names, the
# manual pages through groff, and the bash completion asked as bash asks it.
#
#   install_test.sh BUILD_DIR APP_ID
set -uo pipefail
build=$1
id=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    echo "FAIL: cmake --install" >&2
    exit 1
fi
for tool in desktop-file-validate appstreamcli groff file; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup.sh test installs it)"
done
((failures == 0)) || exit 1

desktop=$prefix/share/applications/$id.desktop
completion=$prefix/share/bash-completion/completions/korvane-cli
for file in bin/korvane bin/korvane-cli bin/korvane-demodata bin/korvane-thumbnailer \
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    "share/icons/hicolor/scalable/apps/$id.svg" "share/mime/packages/$id.xml" \
    share/thumbnailers/korvane.thumbnailer share/man/man1/korvane.1.gz \
    share/man/man1/korvane-cli.1.gz share/man/man1/korvane-demodata.1.gz \
    share/man/man1/korvane-thumbnailer.1.gz share/bash-completion/completions/korvane-cli; do
    [[ -e $prefix/$file ]] || fail "$file is not installed"
done
((failures == 0)) || exit 1

# Desktop entry and metainfo: no remark from desktop-file-validate, no warning
# from appstreamcli, which also looks for the entry the metainfo launches.
out=$(desktop-file-validate "$desktop" 2>&1)
[[ -z $out ]] || fail "desktop-file-validate: $out"
appstreamcli validate-tree --no-net "$prefix" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate-tree --no-net: $(cat "$work/appstream.log")"

# The thumbnailer entry runs an installed program (desktop_test.py runs it
# through the thumbnail service, which looks at Exec only).
thumbnailer=$prefix/share/thumbnailers/korvane.thumbnailer
for key in TryExec Exec; do
    program=$(sed -n "s/^$key=\([^ ]*\).*/\1/p" "$thumbnailer")
    [[ -x $prefix/bin/$program ]] ||
        fail "the thumbnailer's $key=$program is not an installed program"
done

# The menu starts what Exec names and shows the icon Icon names: both must be
# installed, the PNGs at the sizes of their directories.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[[ -x $prefix/bin/$exec_name ]] || fail "Exec=$exec_name is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f $prefix/share/icons/hicolor/scalable/apps/$icon.svg ]] ||
    fail "Icon=$icon has no scalable icon"
pngs=0
for png in "$prefix"/share/icons/hicolor/*x*/apps/"$icon".png; do
    [[ -f $png ]] || continue
    size=$(basename "$(dirname "$(dirname "$png")")")
    file -b "$png" | grep -q "PNG image data, ${size/x/ x }," ||
        fail "$png is not a $size PNG: $(file -b "$png")"
    pngs=$((pngs + 1))
done
((pngs > 0)) || fail "Icon=$icon has no PNG sizes"

# Manual pages: not a single warning from groff.
for page in korvane korvane-cli korvane-demodata korvane-thumbnailer; do
    out=$(zcat "$prefix/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1)
    [[ -z $out ]] || fail "groff on $page.1: $out"
    # Nothing is hyphenated, at any terminal width: a file name split as
    # "kor-" / "vane.xml" cannot be copied.
    for width in 40 50 60 70 80; do
        out=$(zcat "$prefix/share/man/man1/$page.1.gz" |
            groff -man -Tutf8 -rLL=${width}n 2>/dev/null | grep -E '[[:alnum:]](‐|-)$')
        [[ -z $out ]] || fail "$page.1 hyphenates at $width columns: $out"
    done
done

# The completion, sourced into a bash without any other completion, asked as
# bash asks it: the words of the line, the last one being completed (bash
# hands that one over without an opening quote). Prints the completions.
complete_line() {
    HOME=$work/files PATH=$prefix/bin:$PATH bash --norc --noprofile -c '
        source "$1" || exit 1
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"
        COMP_POINT=${#COMP_LINE}
        current=${COMP_WORDS[COMP_CWORD]}
        quotes=$(printf "\"\\047")
        current=${current#[$quotes]}
        _korvane_cli "$1" "$current" "${COMP_WORDS[COMP_CWORD - 1]}"
        printf "%s\n" "${COMPREPLY[@]}"' bash "$completion" "$@" | sort
}
expect() {
    local want=$1
    shift
    local got
    got=$(complete_line "$@")
    [[ $got == "$(printf '%s' "$want" | sort)" ]] ||
        fail "completing [$*] gave [${got//$'\n'/|}], expected [${want//$'\n'/|}]"
}

mkdir -p "$work/files/out" "$work/files/more out"
touch "$work/files/a.mlt" "$work/files/b.txt" "$work/files/c d.mlt"
"$prefix/bin/korvane-demodata" --with-odd-entries "$work/files/demo" >/dev/null || fail "korvane-demodata"
cd "$work/files" || exit 1

expect $'check\nconfig\ndiff\nexport\ngallery\nlist\nrender' korvane-cli ''
expect gallery korvane-cli --config demo/korvane.xml ga
expect $'demo\nmore out\nout' korvane-cli export ''
expect $'a.mlt\nc\\ d.mlt\ndemo/\nmore\\ out/\nout/' korvane-cli list ''
expect $'--background\n--config\n--help\n--help-all\n--output\n--scale\n--trim\n--version' \
    korvane-cli render 'Entry 2' --
expect --jobs korvane-cli gallery out --j
expect --force korvane-cli gallery out --fo
expect --json korvane-cli check --j
expect $'demo\nmore out\nout' korvane-cli config ''
expect $'a.mlt\nb.txt\nc d.mlt\ndemo\nmore out\nout' korvane-cli config demo --tiledata ''
expect $'a.mlt\nb.txt\nc d.mlt\ndemo\nmore out\nout' korvane-cli render 'Entry 2' -o ''
expect $'~/c\\ d.mlt' korvane-cli list '~/c'
expect '' korvane-cli render 'Entry 2' ''
# Entry names from "list" with the line's --config: escaped, or as they are
# inside an open quote; "--config=FILE" arrives split at "=".
expect $'Entry\\ 1\nEntry\\ 10\nEntry\\ 11\nEntry\\ 12' \
    korvane-cli --config demo/korvane.xml export out 'Entry\ 1'
expect $'Entry 1\nEntry 10\nEntry 11\nEntry 12' \
    korvane-cli --config = demo/korvane.xml render '"Entry 1'
expect $'Entry\\ 3' korvane-cli export out 'Entry\ 0' --config ./demo/korvane.xml 'Entry\ 3'
# gallery takes entries and .mlt files after DIR.
expect a.mlt korvane-cli --config demo/korvane.xml gallery out 'Entry\ 12' a

# Every command and option the program itself lists has its completion and
# its place in the manual page.
manual=$(zcat "$prefix/share/man/man1/korvane-cli.1.gz")
commands=$("$prefix/bin/korvane-cli" --help |
    sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
[[ -n $commands ]] || fail "korvane-cli --help lists no commands"
offered=$(complete_line korvane-cli '')
for command in $commands; do
    grep -qx "$command" <<<"$offered" || fail "no completion for the command $command"
    grep -q "^\.B[RI]* \"*$command\b" <<<"$manual" ||
        fail "korvane-cli.1 does not describe the command $command"
    options=$("$prefix/bin/korvane-cli" "$command" --help |
        sed -n '/^Options:/,/^$/s/^ *\(-[a-z], \)\{0,1\}\(--[a-z-]*\).*/\2/p')
    offered_options=$(complete_line korvane-cli "$command" --)
    for option in $options; do
        grep -qx -- "$option" <<<"$offered_options" ||
            fail "no completion for $command $option"
        grep -qF -- "${option//-/\\-}" <<<"$manual" ||
            fail "korvane-cli.1 does not describe $command $option"
    done
done

if ((failures > 0)); then
    echo "$failures failures" >&2
    exit 1
fi
echo "installed files, validators, manual pages and completion: all good"
