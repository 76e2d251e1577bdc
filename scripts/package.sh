#!/usr/bin/env bash
# Builds the Debian package into build/package/ (or $KORVANE_BUILD_DIR/package/).
#
#   scripts/package.sh           build it
#   scripts/package.sh --check   build it and check it: its control fields and
#                                files, its programs run from an unpacked copy
#                                with no help from the build tree, the .mlt type
#                                and thumbnails as a desktop uses them, and lintian
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KORVANE_BUILD_DIR:-$root/build}
case ${1:-} in
'') check=false ;;
--check) check=true ;;
*)
    echo "usage: $0 [--check]" >&2
    exit 2
    ;;
esac

# Only what is shipped is built; a check keeps the build directory's tests
# (scripts/test.sh checks the package in its own full build).
if $check; then
    "$root/scripts/setup.sh" test
    "$root/scripts/build.sh"
else
    "$root/scripts/setup.sh" package
    "$root/scripts/build.sh" -DKORVANE_BUILD_TESTS=OFF
fi

out=$build/package
rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; exit 1; }
debs=("$out"/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "package: no single .deb in $out" >&2; exit 1; }
deb=${debs[0]}
echo "package: $deb"
$check || exit 0

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Control fields: the dependencies come from the executables (dpkg-shlibdeps),
# plus the platform plugins that Qt loads at run time.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[[ $(dpkg-deb -f "$deb" Package) == korvane ]] || fail "Package is not korvane"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "Version is not $version"
for field in Maintainer Description Section Priority; do
    [[ -n $(dpkg-deb -f "$deb" "$field") ]] || fail "no $field field"
done
depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins; do
    [[ $depends =~ (^|, )$package( |,|$) ]] || fail "Depends lacks $package: $depends"
done
[[ $(dpkg-deb -f "$deb" Recommends) == bash-completion ]] ||
    fail "Recommends is not bash-completion: $(dpkg-deb -f "$deb" Recommends)"

# The files: the programs, and the desktop entry with its icon and metainfo
# under one name; nothing outside /usr.
dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
desktop=$(grep -E '^/usr/share/applications/[^/]+\.desktop$' "$work/files" || true)
id=$(basename "$desktop" .desktop)
[[ $(wc -w <<<"$desktop") -eq 1 ]] || fail "not one desktop entry: $desktop"
for file in /usr/bin/korvane /usr/bin/korvane-cli /usr/bin/korvane-demodata \
    /usr/bin/korvane-thumbnailer "/usr/share/icons/hicolor/scalable/apps/$id.svg" \
    "/usr/share/icons/hicolor/48x48/apps/$id.png" "/usr/share/metainfo/$id.metainfo.xml" \
    "/usr/share/mime/packages/$id.xml" /usr/share/thumbnailers/korvane.thumbnailer \
    /usr/share/man/man1/korvane.1.gz /usr/share/man/man1/korvane-cli.1.gz \
    /usr/share/man/man1/korvane-demodata.1.gz /usr/share/man/man1/korvane-thumbnailer.1.gz \
    /usr/share/bash-completion/completions/korvane-cli /usr/share/doc/korvane/copyright \
    /usr/share/doc/korvane/changelog.gz; do
    grep -qxF "$file" "$work/files" || fail "the package lacks $file"
done
outside=$(grep -v '^/usr/\|^/$' "$work/files" || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"

# Unpacked into a directory of its own, the programs run as installed: Qt
# comes from the system, nothing from the build tree.
unpacked=$work/root
dpkg-deb -x "$deb" "$unpacked"
bin=$unpacked/usr/bin
run() { env -u LD_LIBRARY_PATH "$@"; }
out=$(run "$bin/korvane-cli" --version 2>&1) || fail "korvane-cli --version: $out"
[[ $out == "korvane-cli $version" ]] || fail "korvane-cli --version printed '$out'"
run "$bin/korvane-demodata" "$work/demo" >/dev/null || fail "korvane-demodata"
run "$bin/korvane-cli" list --config "$work/demo/korvane.xml" >"$work/list" ||
    fail "korvane-cli list"
[[ $(head -c 8 "$work/list") == "Entry 0"$'\t' ]] || fail "korvane-cli list printed: $(head -3 "$work/list")"
# The window keeps running until it is closed: still there after 3 s.
status=0
QT_QPA_PLATFORM=offscreen run timeout 3 "$bin/korvane" >/dev/null 2>&1 || status=$?
[[ $status -eq 124 ]] || fail "korvane ended with status $status instead of running"
grep -qx 'License: GPL-3+' "$unpacked/usr/share/doc/korvane/copyright" ||
    fail "the copyright file states no GPL-3+ licence"
appstreamcli validate-tree --no-net "$unpacked/usr" >"$work/appstream" 2>&1 ||
    fail "appstreamcli validate-tree: $(cat "$work/appstream")"

# The .mlt type and the thumbnailer of the unpacked package, as a desktop
# uses them (the MIME database built as the package's trigger builds it).
/usr/bin/python3 "$root/tests/install/desktop_test.py" --prefix "$unpacked/usr" ||
    fail "the .mlt type or the thumbnailer, as a desktop uses them"

# lintian: no error; its warnings, if any, are shown.
lintian_options=(--fail-on error)
[[ $(id -u) -eq 0 ]] && lintian_options+=(--allow-root)
lintian "${lintian_options[@]}" "$deb" || fail "lintian reports errors"

if ((failures > 0)); then
    echo "package: $failures failures" >&2
    exit 1
fi
echo "package: control fields, files, programs run from the unpacked package, .mlt type and thumbnails, lintian: all good"
