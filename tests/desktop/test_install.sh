#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks that everything a desktop needs is
# there, valid and where the file-system hierarchy puts it: the program, its demo songs, the
# desktop entry, the AppStream file and the icon at every size.
#   test_install.sh <build folder>
set -euo pipefail

build=${1:?usage: test_install.sh <build folder>}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
prefix=$(cd "$(mktemp -d)" && pwd -P)
trap 'rm -rf "$prefix"' EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null

# Width and height of a PNG, from its header.
png_size() {
    local bytes
    bytes=$(od -An -tu1 -j16 -N8 "$1" | tr -s ' ' | sed 's/^ //')
    read -r w1 w2 w3 w4 h1 h2 h3 h4 <<<"$bytes"
    local width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
    local height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    echo "${width}x${height}"
}

# bin/ holds the program alone, as a link to the program in its own folder; that folder holds
# the program and a link to the demo songs, which live among the shared data.
program=$prefix/lib/brenlowick
[ "$(ls -A "$prefix/bin")" = brenlowick ] || fail "bin/ holds more than the program: $(ls -A "$prefix/bin")"
[ -L "$prefix/bin/brenlowick" ] || fail "bin/brenlowick is not a link"
[ "$(readlink -f "$prefix/bin/brenlowick")" = "$program/brenlowick" ] ||
    fail "bin/brenlowick does not lead to lib/brenlowick/brenlowick"
[ -f "$program/brenlowick" ] && [ -x "$program/brenlowick" ] ||
    fail "lib/brenlowick/brenlowick missing or not executable"
[ "$(ls -A "$program" | tr '\n' ' ')" = "brenlowick demo " ] ||
    fail "the program's folder holds more than the program and its songs: $(ls -A "$program")"
[ "$(readlink -f "$program/demo")" = "$prefix/share/brenlowick/demo" ] ||
    fail "lib/brenlowick/demo does not lead to share/brenlowick/demo"
for link in "$prefix/bin/brenlowick" "$program/demo"; do
    case $(readlink "$link") in /*) fail "${link#"$prefix"/} is an absolute link" ;; esac
done

shopt -s nullglob
demo_songs=("$source_dir"/demo/*.mp3)
[ ${#demo_songs[@]} -gt 0 ] || fail "no demo songs in the source tree to install"
for song in "${demo_songs[@]}"; do
    name=$(basename "$song")
    cmp -s "$song" "$prefix/share/brenlowick/demo/$name" || fail "demo song $name not installed"
done
# What a first start's search of the program's folder finds: the demo songs, nothing else.
found=$(find -L "$program" -name '*mp3' | wc -l)
[ "$found" -eq ${#demo_songs[@]} ] ||
    fail "the program's folder leads to $found songs, not the ${#demo_songs[@]} demo songs"

desktop=$prefix/share/applications/brenlowick.desktop
metainfo=$prefix/share/metainfo/io.github.brenlowick.metainfo.xml
icons=$prefix/share/icons/hicolor
for file in "$desktop" "$metainfo" "$icons/scalable/apps/brenlowick.svg" \
    "$prefix/share/man/man1/brenlowick.1"; do
    [ -f "$file" ] || fail "${file#"$prefix"/} missing"
done
for size in 16 32 48 128 256; do
    png=$icons/${size}x${size}/apps/brenlowick.png
    if [ ! -f "$png" ]; then
        fail "${png#"$prefix"/} missing"
    elif [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
        fail "${png#"$prefix"/} is not a PNG"
    elif [ "$(png_size "$png")" != "${size}x${size}" ]; then
        fail "${png#"$prefix"/} is $(png_size "$png"), not ${size}x${size}"
    fi
done

if [ -f "$desktop" ]; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the desktop entry"
    for line in 'Name=Brenlowick' 'Icon=brenlowick' 'Exec=brenlowick' \
        'Categories=AudioVideo;Audio;Player;'; do
        grep -qxF "$line" "$desktop" || fail "desktop entry lacks '$line'"
    done
    grep -q '^Comment=' "$desktop" || fail "desktop entry lacks an English comment"
    grep -q '^Comment\[ja\]=' "$desktop" || fail "desktop entry lacks a Japanese comment"
fi
if [ -f "$metainfo" ]; then
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo file"
    grep -qF '<launchable type="desktop-id">brenlowick.desktop</launchable>' "$metainfo" ||
        fail "metainfo does not launch brenlowick.desktop"
fi
# The icon name, the desktop entry and the AppStream file belong together as installed.
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli rejects the installed tree"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install into a temporary prefix: every file present and valid"
