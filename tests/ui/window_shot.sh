#!/usr/bin/env bash
# Screenshots of the plugin window for the window tests, and the checks made on them, with
# xwininfo, xdotool and ImageMagick on $DISPLAY:
#   window_shot.sh grab OUT.png WIDTH HEIGHT  the deepest viewable window of that size, as PNG
#   window_shot.sh blank IN.png               fails when the picture is (nearly) one colour
#   window_shot.sh differ A.png B.png X0 Y0 X1 Y1
#                                             fails unless A and B differ inside the box given
#                                             as fractions of the picture, and differ less
#                                             outside it than inside
#   window_shot.sh same A.png B.png X0 Y0 X1 Y1  fails unless A and B are equal inside the box
#   window_shot.sh mouse WIDTH HEIGHT ACTION...  plays mouse actions on that window, in window
#                                             pixels: click:X,Y  double:X,Y
#                                             drag:X,Y,DX,DY  fine-drag:X,Y,DX,DY (with Shift)
#                                             scroll:X,Y,N (N lines up; negative: down)
set -euo pipefail
# ImageMagick's own names: a plain `convert` earlier in PATH may be another program.
convert=convert-im6.q16
compare=compare-im6.q16
import=import-im6.q16

# The deepest viewable window of that size: the plugin's own window rather than a host's window
# around it (whose picture of a child of another depth is undefined). xwininfo lists the tree
# depth first, children indented below their parent.
find_window() {
  local width=$1 height=$2 best="" best_depth=-1 id depth
  while read -r depth id; do
    if ((depth > best_depth)) &&
       grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$id" 2>/dev/null)"; then
      best=$id
      best_depth=$depth
    fi
  done < <(xwininfo -root -tree | awk -v size=" ${width}x${height}+" \
             'index($0, size) && $1 ~ /^0x/ { match($0, /^ */); print RLENGTH, $1 }')
  [ -n "$best" ] || { echo "no ${width}x${height} window" >&2; return 1; }
  echo "$best"
}

# Pixels that differ between two pictures, optionally inside a box (ImageMagick geometry).
changed_pixels() {
  local a=$1 b=$2 box=${3:-}
  local extract=()
  [ -z "$box" ] || extract=(-extract "$box")
  # compare prints the count on stderr and exits 1 when the pictures differ.
  "$compare" -metric AE "${extract[@]}" "$a" "$b" null: 2>&1 || true
}

# The box X0 Y0 X1 Y1 (fractions) of a picture as WxH+X+Y, with its pixel count.
box_of() {
  local picture=$1
  shift
  read -r width height <<<"$("$convert" "$picture" -format '%w %h' info:)"
  awk -v w="$width" -v h="$height" -v x0="$1" -v y0="$2" -v x1="$3" -v y1="$4" 'BEGIN {
    left = int(x0 * w); top = int(y0 * h); right = int(x1 * w); bottom = int(y1 * h)
    printf "%dx%d+%d+%d %d %d\n", right - left, bottom - top, left, top,
           (right - left) * (bottom - top), w * h }'
}

grab() {
  local window
  window=$(find_window "$2" "$3") || return 1
  "$import" -silent -window "$window" "$1"
}

blank() {
  local colours
  colours=$("$convert" "$1" -sample 50% -unique-colors -format '%w' info:)
  echo "$1: $colours colours"
  ((colours >= 64))
}

differ() {
  local a=$1 b=$2 box inside_total total inside all
  read -r box inside_total total <<<"$(box_of "$a" "$3" "$4" "$5" "$6")"
  [ "$("$convert" "$a" -format '%wx%h' info:)" = "$("$convert" "$b" -format '%wx%h' info:)" ] ||
    { echo "sizes differ" >&2; return 1; }
  inside=$(changed_pixels "$a" "$b" "$box")
  all=$(changed_pixels "$a" "$b")
  awk -v ins="$inside" -v all="$all" -v it="$inside_total" -v t="$total" 'BEGIN {
    inside = ins / it; outside = t > it ? (all - ins) / (t - it) : 0
    printf "changed: %.4f of the box, %.4f outside it\n", inside, outside
    exit !(inside > 0.01 && inside > outside) }'
}

same() {
  local box changed
  read -r box _ _ <<<"$(box_of "$1" "$3" "$4" "$5" "$6")"
  changed=$(changed_pixels "$1" "$2" "$box")
  echo "changed pixels in the box: $changed"
  [ "$changed" = 0 ]
}

mouse() {
  local window action verb x y dx dy step values
  window=$(find_window "$1" "$2") || return 1
  shift 2
  for action in "$@"; do
    verb=${action%%:*}
    IFS=, read -ra values <<<"${action#*:}"
    x=${values[0]} y=${values[1]} dx=${values[2]:-0} dy=${values[3]:-0}
    xdotool mousemove --sync --window "$window" "$x" "$y"
    case $verb in
      click) xdotool click 1 ;;
      double) xdotool click --repeat 2 --delay 60 1 ;;
      drag | fine-drag)
        [ "$verb" = drag ] || xdotool keydown Shift_L
        xdotool mousedown 1
        for step in $(seq 20); do
          xdotool mousemove --window "$window" $((x + dx * step / 20)) $((y + dy * step / 20)) sleep 0.015
        done
        xdotool mouseup 1
        [ "$verb" = drag ] || xdotool keyup Shift_L
        ;;
      scroll) xdotool click --repeat "${dx#-}" --delay 15 $((dx > 0 ? 4 : 5)) ;;
      *) echo "unknown action $action" >&2; return 2 ;;
    esac
    sleep 0.2 # time for the window to redraw
  done
}

case ${1:-} in
  grab) [ $# -eq 4 ] && grab "$2" "$3" "$4" ;;
  blank) [ $# -eq 2 ] && blank "$2" ;;
  differ | same) [ $# -eq 7 ] && "$1" "${@:2}" ;;
  mouse) [ $# -ge 4 ] && mouse "${@:2}" ;;
  *) echo "usage: window_shot.sh grab OUT.png W H | blank IN.png | differ|same A.png B.png" \
          "X0 Y0 X1 Y1 | mouse W H ACTION..." >&2; exit 2 ;;
esac
