# Message boxes under Xvfb, on top of the harness (lib.sh): every box a run
# shows is recorded (caption, full text, icon, style, picture), checked
# against Wine's traces and closed with Return. Defines functions only.
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The visible top-level X windows, one id per line.
visible_windows() { xdotool search --onlyvisible --name '.' 2>/dev/null || true; }

# Records the box in window WINDOW as box number N in DIR, then presses Return.
record_box() {
  local dir="$1" n="$2" window="$3" tries
  for tries in $(seq 20); do
    run_tool boxtext >"$dir/$n.box" 2>/dev/null && break
    sleep 0.1
  done
  [ -s "$dir/$n.box" ] || fail "box $n: boxtext found no single message box"
  sed -n 1p "$dir/$n.box" >"$dir/$n.caption"
  sed -n 2p "$dir/$n.box" >"$dir/$n.escaped"
  tail -n +3 "$dir/$n.box" >"$dir/$n.text"
  xdotool getwindowname "$window" >"$dir/$n.xcaption" 2>/dev/null || true
  sleep 0.3  # let Wine paint the box before the picture is taken
  import -window "$window" "$dir/$n.png" 2>/dev/null || fail "box $n: no screenshot"
  xdotool key --window "$window" Return 2>/dev/null || true
  for tries in $(seq 100); do
    visible_windows | grep -qx "$window" || return 0
    sleep 0.1
  done
  fail "box $n did not close on Return"
}

# Runs spinstall.exe with ARGS on the display of the current prefix and records
# every message box into DIR (made afresh), closing each with Return, until the
# program ends (WINE_MORE_TRACES adds Wine debug channels to DIR/trace.log):
#   DIR/boxes   one line per box: N <tab> style <tab> icon <tab> caption
#   DIR/N.text  the box's full text; DIR/N.png its picture
#   DIR/exit    the program's exit status
# Captions and texts are cross-checked between the box itself (boxtext), the
# X window name and Wine's traces of MessageBoxW and of the box's dialog.
run_with_boxes() {
  local dir="$1"
  shift
  rm -rf "$dir"
  mkdir -p "$dir"
  [ -n "${WINE_XVFB_PID:-}" ] || fail "run_with_boxes needs a prefix from wine_new_display_prefix"
  WINEDEBUG=trace+msgbox,+relay${WINE_MORE_TRACES:+,$WINE_MORE_TRACES} \
    wine "$SPINSTALL_EXE" "$@" >/dev/null 2>"$dir/trace.log" &
  local pid=$! n=0 deadline=$((SECONDS + 120)) window
  while kill -0 "$pid" 2>/dev/null; do
    ((SECONDS < deadline)) || { kill "$pid"; fail "the program was still running after 120 s"; }
    window=$(visible_windows | head -n1)
    if [ -z "$window" ]; then
      sleep 0.1
      continue
    fi
    n=$((n + 1))
    record_box "$dir" "$n" "$window"
  done
  local status=0
  wait "$pid" || status=$?
  echo "$status" >"$dir/exit"
  summarize_boxes "$dir" "$n"
}

# The icon that a MessageBoxW style shows.
style_icon() {
  case $(($1 & 0xF0)) in
    0) echo none ;;
    16) echo error ;;
    32) echo question ;;
    48) echo warning ;;
    64) echo information ;;
    *) echo "icon-$(($1 & 0xF0))" ;;
  esac
}

# Checks the N recorded boxes of DIR against the traces and writes DIR/boxes.
summarize_boxes() {
  local dir="$1" count="$2"
  local -a styles traced
  mapfile -t styles < <(sed -n 's/.*Call user32\.MessageBoxW(.*,\([0-9a-f]\{8\}\)) ret=[0-9a-f]*$/\1/p' "$dir/trace.log")
  mapfile -t traced < <(sed -n 's/.*:trace:msgbox:MSGBOX_OnInit L"\(.*\)$/\1/p' "$dir/trace.log")
  [ "${#styles[@]}" -eq "$count" ] ||
    fail "$count boxes seen on the display, but ${#styles[@]} MessageBoxW calls traced"
  [ "${#traced[@]}" -eq "$count" ] ||
    fail "$count boxes seen on the display, but ${#traced[@]} box texts traced"
  : >"$dir/boxes"
  local n style caption escaped trace
  for ((n = 1; n <= count; n++)); do
    style=$(printf '0x%x' "0x${styles[n - 1]}")
    caption=$(cat "$dir/$n.caption")
    [ "$caption" = "$(cat "$dir/$n.xcaption")" ] ||
      fail "box $n: the dialog's caption '$caption' is not the window name '$(cat "$dir/$n.xcaption")'"
    # The trace cuts long texts and ends them with "..." after the quote.
    escaped=$(cat "$dir/$n.escaped")
    trace="${traced[n - 1]}"
    if [[ "$trace" == *'"...' ]]; then
      trace="${trace%\"...}"
      [[ "$escaped" == "$trace"* ]] || fail "box $n: its text does not begin with the traced text"
    else
      [ "$escaped" = "${trace%\"}" ] || fail "box $n: its text is not the traced text"
    fi
    printf '%s\t%s\t%s\t%s\n' "$n" "$style" "$(style_icon "$style")" "$caption" >>"$dir/boxes"
  done
}

# ---------------------------------------------------------------- assertions

# expect_box_count DIR N
expect_box_count() {
  local count
  count=$(wc -l <"$1/boxes")
  [ "$count" -eq "$2" ] || {
    cat "$1/boxes" >&2
    fail "expected $2 message boxes, saw $count"
  }
}

# expect_box DIR N STYLE CAPTION TEXT: box N has exactly that style, caption
# and text.
expect_box() {
  local dir="$1" n="$2" style="$3" caption="$4" text="$5"
  local line
  line=$(sed -n "${n}p" "$dir/boxes")
  [ -n "$line" ] || fail "no box $n"
  local expected
  expected=$(printf '%s\t%s\t%s\t%s' "$n" "$(printf '0x%x' "$style")" "$(style_icon "$style")" "$caption")
  [ "$line" = "$expected" ] || fail "box $n: expected [$expected], saw [$line]"
  if [ "$(cat "$dir/$n.text"; echo x)" != "${text}x" ]; then
    echo "expected text:" >&2
    printf '%s\n' "$text" >&2
    echo "shown text:" >&2
    cat "$dir/$n.text" >&2
    fail "box $n: wrong text"
  fi
}

# Keeps box N of DIR as build/windows/wine/shots/NAME.png.
keep_shot() { cp "$1/$2.png" "$WINE_SHOTS/$3.png"; }
