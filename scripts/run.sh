#!/usr/bin/env bash
# Builds what is missing and starts Lorvex under Wine on your display. Without a display a
# virtual one (Xvfb) is started and left running for Lorvex. Running it again while Lorvex
# runs wakes the running instance, as a second start of the program does.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target Lorvex

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-lorvex}"
export WINEARCH=win32

# The virtual display of an earlier run is used again, so that a second run reaches the first.
display_file="$WINEPREFIX.display"
if [[ -z "${DISPLAY:-}" && -f "$display_file" && -e "/tmp/.X11-unix/X$(cat "$display_file")" ]]; then
  export DISPLAY=":$(cat "$display_file")"
fi
if [[ -z "${DISPLAY:-}" ]]; then
  source scripts/xvfb.sh
  mkdir -p "$(dirname "$WINEPREFIX")"
  start_xvfb "$WINEPREFIX.xvfb.log" || { echo "run: Xvfb did not start" >&2; exit 1; }
  export DISPLAY="$XVFB_DISPLAY"
  echo "${DISPLAY#:}" > "$display_file"
  echo "run: no display was set; started a virtual one on $DISPLAY (Xvfb, pid $XVFB_PID)."
fi

if [[ ! -d "$WINEPREFIX" ]]; then
  echo "run: preparing the Wine prefix $WINEPREFIX ..."
  WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1 || true
fi

# Wine leaves its windows to the window manager when there is one. On a display without one (a
# bare Xvfb) it must manage them itself: otherwise its windows have no title bars and every
# window that hides freezes the program for two seconds waiting for an answer that never
# comes, so a dialog closed with Esc stays on the screen while the next keys go to the window
# behind it.
managed=N
if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then managed=Y; fi
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1 || true

# Lorvex runs in the background: it lives in the notification area until you exit it.
wine build/windows/Lorvex.exe >/dev/null 2>&1 &
echo "run: Lorvex started (DISPLAY=$DISPLAY, WINEPREFIX=$WINEPREFIX); press its hot key or run this again to show it."
