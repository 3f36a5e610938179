#!/bin/bash
# Help in the real windows, on a virtual display: F1 in the preview window and Help Contents
# in the host window hand their own page of the guide to the desktop's opener (a stand-in
# here that writes down what it was given). Skipped (77) without Xvfb or xdotool.
source "$(dirname "$0")/lib.sh"
kavrel=$1
examples=$2
command -v Xvfb > /dev/null && command -v xdotool > /dev/null || exit 77
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/bin"
printf '#!/bin/sh\necho "$1" >> %s/opened\n' "$work" > "$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

# The server picks a free display itself and writes its number (no race with another
# server starting at the same time). -noreset: it would otherwise reset when the first
# window closes, and refuse the next clients for as long as that takes on a loaded machine.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp -noreset 3> "$work/display" > /dev/null 2>&1 &
pids+=($!)
# A loaded machine may take seconds to start the server.
for _ in $(seq 300); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || fail "the virtual display did not start"
display=:$(head -1 "$work/display")
export DISPLAY=$display PATH=$work/bin:$PATH LC_ALL=C.UTF-8 LANG=C.UTF-8
unset QT_QPA_PLATFORM

# opens PAGE COMMAND...: starts kavrel with COMMAND, gives it KEYS once its window shows, and
# fails unless PAGE of the guide reaches the opener.
opens() {
    local page=$1 keys=$2
    shift 2
    rm -f "$work/opened"
    (cd "$examples" && exec "$kavrel" "$@") > "$work/out" 2>&1 &
    local pid=$!
    pids+=("$pid")
    local window
    window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" | head -1)
    [[ -n $window ]] || fail "no window for: $*"
    sleep 1
    xdotool windowfocus --sync "$window" 2> /dev/null
    xdotool key --delay 200 $keys
    for _ in $(seq 50); do [[ -s $work/opened ]] && break; sleep 0.1; done
    kill "$pid"
    [[ $(cat "$work/opened" 2> /dev/null) == "file://$(dirname "$kavrel")/help/$page" ]] \
        || fail "$*: $keys opened '$(cat "$work/opened" 2> /dev/null)' instead of $page"
}

opens Preview.htm F1 preview first.kv3
opens Designer.htm "alt+h Return" design first.kv3
echo "help keys ok"
