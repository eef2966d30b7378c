#!/usr/bin/env bash
# Desktop cost of the kobre window under Xvfb: CPU time of kobre and of the
# X server while a message waits for a click (cursor blinking) and while text
# types, 10 s each; then the CPU cost of presenting one frame scaled to full
# screen on 1920 x 1080 and 3840 x 2160 screens.
#
#   bench/desktop_cost.sh [BUILD_DIR]        (default: build)
#
# Needs Xvfb, xdotool and openbox (scripts/setup installs them). Prints one
# line per measurement; docs/benchmarks.md records the figures.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
kobre=$build/app/kobre
mkgame=$build/tools/mkgame/kobre-mkgame
seconds=${KOBRE_BENCH_SECONDS:-10}
for tool in Xvfb xdotool "$kobre" "$mkgame"; do
  command -v "$tool" >/dev/null || { echo "desktop_cost: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${KOBRE_BENCH_KEEP:-}" ] && trap - EXIT

# A game of one scene: a short message that waits, then a long one that types
# slowly (Message/Speed 0: one character every fifth frame).
mkdir -p "$work/src/scr" "$work/src/cg"
cp "$root/demo/cg/10_story.pic" "$root/demo/cg/30_screens.pic" "$work/src/cg/"
long=""
for i in $(seq 1 20); do long+="長い文章がゆっくりと一文字ずつ表示されていく。"; done
cat >"$work/src/scr/open.scr" <<EOF
;bench
window 0 20 20 760 560 24 20 30 22 _MsgWaku 0 0
bg bg_room FADE_IN
クリックを待つ短いメッセージ。
auto_ret_off
$long
ret
EOF
QT_QPA_PLATFORM=offscreen "$mkgame" "$work/src" "$work/game" >/dev/null
printf '[Message]\nSpeed=0\n' >"$work/game/KOBRE.ini"

# CPU time (utime + stime) of a process in clock ticks.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

# Starts Xvfb of the given size on a free display; sets display and xpid.
start_x() {
  local fifo=$work/displayfd
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xpid=$!
  pids+=("$xpid")
  local n
  read -r n <"$fifo"
  display=":$n"
}

# Starts kobre on the bench game; sets kpid and waits for its window.
start_kobre() {
  # Its own lock and log folders: a game played meanwhile does not stop it.
  DISPLAY=$display QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$work \
    XDG_STATE_HOME=$work "$kobre" "$@" "$work/game" \
    >"$work/kobre.log" 2>&1 &
  kpid=$!
  pids+=("$kpid")
  for _ in $(seq 1 100); do
    wid=$(DISPLAY=$display xdotool search --pid "$kpid" --onlyvisible --name . 2>/dev/null |
      head -1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "desktop_cost: no kobre window" >&2; exit 1; }
}

# measure LABEL: CPU of kobre and the X server over $seconds.
measure() {
  local k0 x0 k1 x1
  k0=$(ticks "$kpid")
  x0=$(ticks "$xpid")
  sleep "$seconds"
  k1=$(ticks "$kpid")
  x1=$(ticks "$xpid")
  awk -v l="$1" -v k=$((k1 - k0)) -v x=$((x1 - x0)) -v hz="$hz" -v s="$seconds" 'BEGIN {
    printf "%-22s kobre %5.2f%%  X server %5.2f%%  both %5.2f%% of one core\n",
      l, 100 * k / hz / s, 100 * x / hz / s, 100 * (k + x) / hz / s }'
}

# shot NAME: a screenshot into $KOBRE_BENCH_SHOTS when it is set.
shot() {
  [ -n "${KOBRE_BENCH_SHOTS:-}" ] || return 0
  mkdir -p "$KOBRE_BENCH_SHOTS"
  DISPLAY=$display import -window root "$KOBRE_BENCH_SHOTS/$1.png"
}

click() {
  DISPLAY=$display xdotool mousemove --window "$wid" 400 300 click 1
}

# 1. Idle and typing, in a window on an 1024 x 768 screen, no window manager.
start_x 1024x768x24
start_kobre
sleep 3
measure "message waits"
shot waits
click
sleep 1
measure "text types"
shot types
kill "$kpid" "$xpid" 2>/dev/null || true
wait "$kpid" "$xpid" 2>/dev/null || true


# 2. One frame presented in full screen, the whole picture changed, scaled to
# 1920 x 1080 (fitted, smoothed) and 3840 x 2160 (3x, sharp): kobre's CPU per
# frame from the program itself, the X server's from outside.
present=$build/bench/kobre_present_bench
frames=${KOBRE_BENCH_FRAMES:-300}
for size in 1920x1080 3840x2160; do
  start_x "${size}x24"
  x0=$(ticks "$xpid")
  line=$(DISPLAY=$display QT_QPA_PLATFORM=xcb "$present" "$frames")
  x1=$(ticks "$xpid")
  awk -v l="$line" -v x=$((x1 - x0)) -v hz="$hz" -v n="$frames" 'BEGIN {
    printf "present %s  X server %.3f ms CPU per frame\n", l, 1000 * x / hz / n }'
  kill "$xpid" 2>/dev/null || true
  wait "$xpid" 2>/dev/null || true
done
