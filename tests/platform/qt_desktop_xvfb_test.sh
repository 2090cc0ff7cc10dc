#!/usr/bin/env bash
# Tests for platform/qt/desktop.cpp on a real X server: the desktop program
# on a virtual screen of 1600 by 1200 pixels at scale factor 2. The window
# opens inside the screen and shows the whole picture, fitted; made small,
# it still shows the typing at the first question, and made large again it
# shows what it showed before. At Actual size, made small, it brings the
# typing into view.
# Arguments: the program, its window title.
set -euo pipefail
program=$(realpath "$1")
title=$2
work=$(mktemp -d)
pids=()

cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    [ -f "$work/program.log" ] && sed 's/^/program: /' "$work/program.log" >&2
    exit 1
}

# Tries a condition every tenth of a second for up to two minutes.
poll() {
    local until=$((SECONDS + 120))
    while [ "$SECONDS" -lt "$until" ]; do
        if "$@"; then return 0; fi
        sleep 0.1
    done
    "$@"
}

# The server picks a free display and writes its number when it is ready.
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
poll test -s "$work/display" || fail "no X server: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

cd "$work"
QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=2 "$program" >"$work/program.log" 2>&1 &
pids+=($!)

window=
find_window() {
    window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n1)
    [ -n "$window" ]
}
poll find_window || fail "the window did not open"

# X, Y, WIDTH and HEIGHT of the window, in the screen's pixels.
geometry() { eval "$(xdotool getwindowgeometry --shell "$window")"; }
inside_screen() {
    geometry
    [ "$X" -ge 0 ] && [ "$Y" -ge 0 ] && [ $((X + WIDTH)) -le 1600 ] && [ $((Y + HEIGHT)) -le 1200 ]
}
poll inside_screen || fail "window ${WIDTH}x${HEIGHT} at $X,$Y is not inside the 1600x1200 screen"
full_width=$WIDTH
full_height=$HEIGHT

# A screenshot of the window that two shots in a row agree on.
steady_shot() {
    xwd -silent -id "$window" >"$work/probe.xwd"
    sleep 0.3
    xwd -silent -id "$window" >"$1"
    cmp -s "$work/probe.xwd" "$1"
}
changed_from() { steady_shot "$2" && ! cmp -s "$1" "$2"; }

# The width and height of the white part of a screenshot: the program's
# picture, white at the first question. The header of the dump gives its
# size, the width of a row in bytes and the number of colours before the
# pixels, 4 bytes each in the screen's order.
white_size() {
    local head
    read -ra head <<<"$(od -An -tu4 --endian=big -N 80 "$1" | tr -s ' \n' ' ')"
    od -An -v -tu4 -w"${head[12]}" -j $((head[0] + head[19] * 12)) "$1" | awk '
        { for (x = 1; x <= NF; ++x) if ($x % 16777216 == 16777215) {
              if (!seen || x < x0) x0 = x; if (x > x1) x1 = x
              if (!seen) y0 = NR; y1 = NR; seen = 1 } }
        END { print x1 - x0 + 1, y1 - y0 + 1 }'
}
# The whole surface, 1280 by 1024, fitted: its shape kept within 1 percent.
shows_whole_surface() {
    local w h
    read -r w h <<<"$(white_size "$1")"
    [ $((w * 1024 * 100)) -ge $((h * 1280 * 99)) ] && [ $((w * 1024 * 100)) -le $((h * 1280 * 101)) ] ||
        fail "the white picture is ${w}x${h}, not the shape of the whole surface"
}
poll steady_shot "$work/opened.xwd" || fail "the window never came to rest"
shows_whole_surface "$work/opened.xwd"

xdotool windowsize "$window" 420 300
is_small() { geometry && [ "$WIDTH" -eq 420 ] && [ "$HEIGHT" -eq 300 ]; }
poll is_small || fail "the window did not take 420x300, it is ${WIDTH}x${HEIGHT}"
timeout 60 xdotool windowfocus --sync "$window" || fail "the window did not take the keyboard"

# Fitted, the small window shows the echo; with the echo erased and the
# window as large as it opened, it shows what it showed then.
poll steady_shot "$work/asked.xwd" || fail "the window never came to rest"
xdotool type --delay 100 12
poll changed_from "$work/asked.xwd" "$work/typed.xwd" || fail "typing changed nothing in view"
xdotool key BackSpace BackSpace
poll changed_from "$work/typed.xwd" "$work/erased.xwd" || fail "a backspace changed nothing in view"
xdotool windowsize "$window" "$full_width" "$full_height"
same_as_opened() { steady_shot "$work/again.xwd" && cmp -s "$work/opened.xwd" "$work/again.xwd"; }
poll same_as_opened || fail "made small and large again, the window does not show what it showed"

# At Actual size the echo lies beyond the small window's view until the view
# follows it. A backspace leaves the view where it is: what changes then is
# the echo.
xdotool windowsize "$window" 420 300
poll is_small || fail "the window did not take 420x300 again, it is ${WIDTH}x${HEIGHT}"
poll steady_shot "$work/small.xwd" || fail "the window never came to rest"
xdotool key ctrl+1
poll changed_from "$work/small.xwd" "$work/actual.xwd" || fail "Actual size changed nothing"
xdotool type --delay 100 12
poll changed_from "$work/actual.xwd" "$work/typed.xwd" || fail "typing changed nothing in view"
xdotool key BackSpace
poll changed_from "$work/typed.xwd" "$work/erased.xwd" || fail "a backspace changed nothing in view"
echo "window inside the screen; the whole picture, fitted; the echo in view"
