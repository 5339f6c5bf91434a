#!/usr/bin/env bash
# Esc stops a long search in the real program: the get-files button is pressed over a slow
# tree (a disk that takes 20 ms for every entry read below "slow-tree", about a minute in all),
# the progress window comes up in place of the main window, and a real Esc key press, sent
# wherever the window manager put the keyboard focus, brings the main window back within
# seconds with the song found so far playing.
source "$(dirname "$0")/lib.sh"
e2e_start_xserver "$@"
e2e_setup "$1"
e2e_wait_for bash -c "xprop -root _NET_CLIENT_LIST | grep -q '#'" || e2e_fail "openbox is not ready"

# The slow disk: every directory read below a folder named slow-tree waits 20 ms.
cat >"$E2E_DIR/slow_readdir.c" <<'EOF'
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static void slowDown(DIR *folder)
{
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd(folder));
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length > 0 && (path[length] = '\0', strstr(path, "/slow-tree")))
        usleep(20000);
}

struct dirent *readdir(DIR *folder)
{
    static struct dirent *(*real)(DIR *);
    if (!real)
        real = (struct dirent * (*)(DIR *)) dlsym(RTLD_NEXT, "readdir");
    slowDown(folder);
    return real(folder);
}

struct dirent64 *readdir64(DIR *folder)
{
    static struct dirent64 *(*real)(DIR *);
    if (!real)
        real = (struct dirent64 * (*)(DIR *)) dlsym(RTLD_NEXT, "readdir64");
    slowDown(folder);
    return real(folder);
}
EOF
"${CC:-cc}" -shared -fPIC -O1 -o "$E2E_DIR/slow_readdir.so" "$E2E_DIR/slow_readdir.c" -ldl \
    || e2e_fail "the slow-disk library did not build"

# The starting folder's own song is listed at once; then 600 slow folders with a song each.
music="$E2E_DIR/music"
mkdir -p "$music/slow-tree"
song=$(ls "$E2E_DIR"/program/demo/*.mp3 | head -n 1)
cp "$song" "$music/first.mp3"
for i in $(seq 600); do
    mkdir "$music/slow-tree/$i"
    ln "$music/first.mp3" "$music/slow-tree/$i/song$i.mp3"
done
# FORMEXPAND=2 is one step back from the full height the window opens at.
printf '[FILE]\nDRIVE=/\nFILEPATH=%s\n[ATTRIBUTE]\nFORMEXPAND=2\nFORMTOP=1500\nFORMLEFT=1500\nRANDOM=0\nPLAYREPEAT=0\nPLAYLOOP=0\nAUTOPLAY=0\nMINIMUM=0\n' \
    "$music" >"$E2E_INI"

export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_DIR/audio.raw"
export LD_PRELOAD="$E2E_DIR/slow_readdir.so"
e2e_start_app
unset LD_PRELOAD
e2e_wait_for e2e_window_visible Brenlowick || e2e_fail "the main window did not appear"
window=$(e2e_window Brenlowick)
# The progress window bears the same title: the main window is told by its id.
main_visible() {
    xdotool search --onlyvisible --name '^Brenlowick$' 2>/dev/null | grep -qx "$window"
}
main_hidden() {
    ! main_visible
}

# Clicked only once the window has its full height, where the button is.
full_height() {
    [ "$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p')" -gt 400 ]
}
e2e_wait_for full_height || e2e_fail "the window did not open at its full height"
# The get-files button stands at 12, 320 pixels (180, 4800 twips).
xdotool mousemove --window "$window" 130 330 click 1
if ! e2e_wait_for main_hidden; then
    e2e_screenshot search-escape-not-hidden
    e2e_fail "the main window was not hidden for the search"
fi
e2e_screenshot search-escape-searching
xdotool key Escape
E2E_LIMIT=15 e2e_wait_for main_visible \
    || e2e_fail "Esc did not stop the search: the main window is still hidden"
has_sound() {
    [ -s "$SDL_DISKAUDIOFILE" ] && [ -n "$(head -c 400000 "$SDL_DISKAUDIOFILE" | tr -d '\0' | head -c 1)" ]
}
E2E_LIMIT=30 e2e_wait_for has_sound || e2e_fail "no sound was written after the search stopped"
e2e_screenshot search-escape-playing
echo "PASS: Esc stops a long search and the song found so far plays"
