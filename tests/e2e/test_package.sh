#!/usr/bin/env bash
# The Debian package from build to removal: scripts/package builds it and lints it; it is
# installed into a scratch root with dpkg (never into the machine's own), the installed program
# is started as the desktop's menu starts it and finds its demo songs, and removing the package
# leaves the scratch root as it was before the install.
#   test_package.sh [BINARY]   (the binary is not used: the package builds its own)
source "$(dirname "$0")/lib.sh"
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

skip() {
    echo "SKIP: $*"
    exit 77
}
command -v dpkg-buildpackage >/dev/null || skip "dpkg-buildpackage is not installed"
command -v lintian >/dev/null || skip "lintian is not installed"
# dpkg installs files owned by root; a scratch root needs the same rights to unpack them.
[ "$(id -u)" -eq 0 ] || skip "installing into a scratch root needs root"
e2e_start_xserver "$@"

work=$(cd "$(mktemp -d)" && pwd -P)
root=$work/root
dpkg_in_root() {
    dpkg --root="$root" --log="$work/dpkg.log" "$@"
}
E2E_DIR=$work/session
trap 'e2e_teardown; rm -rf "$work"' EXIT

# Build and lint: scripts/package fails on any lintian error or warning not explained in
# debian/brenlowick.lintian-overrides, where every override carries a comment with its reason.
"$source_dir/scripts/package" "$work/dist" >"$work/package.log" 2>&1 || {
    tail -n 40 "$work/package.log" >&2
    e2e_fail "scripts/package failed (lintian's findings are above, if it got that far)"
}
deb=$(ls "$work"/dist/brenlowick_1.0.2-1_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || e2e_fail "no brenlowick_1.0.2-1 package was made: $(ls "$work/dist")"
if [ -f "$source_dir/debian/brenlowick.lintian-overrides" ]; then
    awk '/^[^#]/ && previous !~ /^#/ { bad = 1; print "override without a reason: " $0 }
         { previous = $0 } END { exit bad }' \
        "$source_dir/debian/brenlowick.lintian-overrides" >&2 ||
        e2e_fail "a lintian override has no comment giving its reason"
fi

# What apt would need: the libraries found by shlibs, the SDL the program loads when the first
# song plays (which shlibs cannot see), the toolkit's platform plugins and a Gothic font.
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libqt6widgets6 libqt6dbus6 libmpg123-0 libtag1v5 libsdl2-2.0-0 qt6-qpa-plugins \
    'fonts-ipafont-gothic | fonts-noto-cjk'; do
    grep -qF "$wanted" <<<"$depends" || e2e_fail "Depends lacks $wanted: $depends"
done
# apt's own resolver, on this machine's package lists, finds every dependency (a dry run).
apt-get --simulate install "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log" >&2; e2e_fail "apt cannot resolve the package's dependencies"; }
# The package has no maintainer scripts; were it to get one, it would have to run chrooted here.
dpkg-deb -e "$deb" "$work/control"
scripts=$(ls "$work/control" | grep -vxE 'control|md5sums|triggers' || true)
[ -z "$scripts" ] || e2e_fail "unexpected maintainer scripts: $scripts"

# A scratch root with an empty dpkg database: what is in it before the install must be all
# that is in it after the removal.
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
snapshot() {
    (cd "$root" && find . -path ./var/lib/dpkg -prune -o -print | sort)
}
before=$(snapshot)
# The libraries live in the machine's own root, not in the scratch one.
dpkg_in_root --force-depends --install "$deb" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; e2e_fail "dpkg could not install the package"; }
dpkg_in_root --status brenlowick | grep -qx 'Status: install ok installed' ||
    e2e_fail "the package is not recorded as installed"

# The layout: /usr/bin holds the program as a link into its own folder, whose demo link leads to
# the songs under /usr/share/brenlowick.
[ "$(ls -A "$root/usr/bin")" = brenlowick ] || e2e_fail "/usr/bin holds $(ls -A "$root/usr/bin")"
[ "$(readlink "$root/usr/bin/brenlowick")" = ../lib/brenlowick/brenlowick ] ||
    e2e_fail "/usr/bin/brenlowick is not a relative link to /usr/lib/brenlowick/brenlowick"
[ "$(readlink -f "$root/usr/lib/brenlowick/demo")" = "$root/usr/share/brenlowick/demo" ] ||
    e2e_fail "/usr/lib/brenlowick/demo does not lead to /usr/share/brenlowick/demo"
songs=$(find -L "$root/usr/lib/brenlowick" -name '*mp3' | wc -l)
[ "$songs" -eq 3 ] || e2e_fail "the program's folder leads to $songs songs, not the 3 demo songs"
entry=$root/usr/share/applications/brenlowick.desktop
desktop-file-validate "$entry" || e2e_fail "the installed desktop entry is not valid"

# Start it as the desktop's menu does: the entry's command, found on the PATH.
command_line=$(sed -n 's/^Exec=//p' "$entry")
mkdir -p "$E2E_DIR/home" "$E2E_DIR/runtime"
chmod 700 "$E2E_DIR/runtime"
export HOME=$E2E_DIR/home XDG_CONFIG_HOME=$E2E_DIR/home/.config XDG_RUNTIME_DIR=$E2E_DIR/runtime
export PATH=$root/usr/bin:$PATH QT_QPA_PLATFORM=xcb
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$E2E_DIR/audio.raw
unset DBUS_SESSION_BUS_ADDRESS
E2E_PIDS=()
openbox >/dev/null 2>&1 &
E2E_PIDS+=($!)
e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -q '#'" || e2e_fail "openbox did not start"
[ "$(command -v "$command_line")" = "$root/usr/bin/brenlowick" ] ||
    e2e_fail "the entry's command '$command_line' is not the installed program"
$command_line >"$E2E_DIR/app.log" 2>&1 &
E2E_APP_PID=$!
E2E_APP_PIDS+=("$E2E_APP_PID")
E2E_LIMIT=60 e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
window=$(e2e_window Brenlowick)

# A first start: two presses of the size button (129, 47 pixels in the client area), one of
# the get-files button (12, 320), and the first demo song plays.
for limit in 150 400; do
    xdotool mousemove --window "$window" 140 58 click 1
    e2e_wait_for bash -c "[ \$(xdotool getwindowgeometry --shell $window | sed -n 's/^HEIGHT=//p') -gt $limit ]" ||
        e2e_fail "the size button did not open the window beyond $limit pixels"
done
xdotool mousemove --window "$window" 130 330 click 1
has_sound() {
    [ -n "$(head -c 400000 "$SDL_DISKAUDIOFILE" 2>/dev/null | tr -d '\0' | head -c 1)" ]
}
E2E_LIMIT=60 e2e_wait_for has_sound || e2e_fail "no demo song played after getting the files"
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the window did not come back after the search"
# The end button (230, 47 pixels) ends it; the settings go to the user's folder, never the
# program's.
xdotool mousemove --window "$window" 241 58 click 1
e2e_wait_for e2e_process_gone "$E2E_APP_PID" || e2e_fail "the end button did not end the program"
settings=$XDG_CONFIG_HOME/Brenlowick/Brenlowick.ini
[ -f "$settings" ] || e2e_fail "no settings in the user's configuration folder"
grep -qx "FILEPATH=$root/usr/lib/brenlowick" "$settings" ||
    e2e_fail "the folder list did not start at the program's folder: $(grep FILEPATH "$settings")"

# Removal leaves nothing of the package, and nothing the program made, in the root.
dpkg_in_root --remove brenlowick >"$work/remove.log" 2>&1 ||
    { cat "$work/remove.log" >&2; e2e_fail "dpkg could not remove the package"; }
dpkg_in_root --status brenlowick 2>/dev/null | grep -q '^Status: install ok installed' &&
    e2e_fail "the package is still recorded as installed"
left=$(diff <(echo "$before") <(snapshot) | sed -n 's/^> //p')
[ -z "$left" ] || e2e_fail "the removal left behind: $left"
echo "PASS: the package builds, lints clean, installs, starts, finds its songs and removes cleanly"
