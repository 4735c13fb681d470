# Sourced by the run, test and emulator scripts: a Wine prefix of our own,
# a display (Xvfb when there is none) and a persistent wineserver.
export WINEPREFIX=${WEATHER_WINEPREFIX:-${HOME:-/root}/.cache/weather-wine}
export WINEDEBUG=-all
# Never offer to install Mono or Gecko: that dialog would block a headless run.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

wine_display_up() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  # Our own Xvfb: a display already running is taken only when it has the
  # screen asked for (another command may have left one of another size).
  local size=${WEATHER_XVFB_SIZE:-1280x800}
  local n=${WEATHER_XVFB_DISPLAY:-77}
  for _ in $(seq 1 10); do
    export DISPLAY=:$n
    if xdpyinfo >/dev/null 2>&1; then
      [ "$(xdpyinfo | awk '/dimensions:/ { print $2 }')" = "$size" ] && return 0
      n=$((n + 1))
      continue
    fi
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n"
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp </dev/null >/dev/null 2>&1 &
    WEATHER_XVFB_PID=$!
    for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    return 0
  done
  echo "no X display of $size could be had" >&2
  return 1
}

# A prefix may stand for another desktop: WEATHER_WINE_DPI (the display's
# dots per inch, LogPixels) and WEATHER_WINE_FONT_SMOOTHING=cleartype (font
# smoothing on, of the ClearType kind, as a Windows desktop has it by default)
# are written into the user's desktop settings when the prefix is made.
wine_desktop_settings() {
  # No window manager runs on Xvfb: Wine draws the windows' frames itself and
  # does not wait (2 s a window) for one to confirm that a window was hidden.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
  local desktop='HKCU\Control Panel\Desktop'
  if [ -n "${WEATHER_WINE_DPI:-}" ]; then
    wine reg add "$desktop" /v LogPixels /t REG_DWORD /d "$WEATHER_WINE_DPI" /f
  fi
  if [ "${WEATHER_WINE_FONT_SMOOTHING:-}" = cleartype ]; then
    wine reg add "$desktop" /v FontSmoothing /t REG_SZ /d 2 /f
    wine reg add "$desktop" /v FontSmoothingType /t REG_DWORD /d 2 /f
  fi
}

# Wine's own fonts (Debian's fonts-wine, which tools/setup.sh installs): this
# Wine looks for them in the prefix's Fonts folder only. Without Marlett the
# title-bar buttons of a framed window draw as the letters "0 1 r".
wine_fonts_in_prefix() {
  local fonts=$WINEPREFIX/drive_c/windows/Fonts font
  [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
  for font in /usr/share/wine/fonts/*; do
    [ -e "$fonts/${font##*/}" ] || ln -sf "$font" "$fonts/"
  done
}

wine_prefix_up() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "making the Wine prefix $WINEPREFIX (about a minute)" >&2
      wine wineboot -i >/dev/null 2>&1 || true
      wine_desktop_settings >/dev/null 2>&1 || true
      # The settings are read when Wine starts: begin afresh.
      wineserver -k >/dev/null 2>&1 || true
      wineserver -w || true
    fi
    wine_fonts_in_prefix
  ) 9>"$WINEPREFIX.lock"
  # A persistent server makes every later Wine start quick. Start Wine's
  # background services here, with no output attached: started by a test they
  # would inherit ctest's output pipe and keep it open for ever.
  wineserver -p >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
}

wine_env_up() {
  wine_display_up
  wine_prefix_up
}

wine_env_down() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${WEATHER_XVFB_PID:-}" ]; then
    kill "$WEATHER_XVFB_PID" 2>/dev/null || true
    WEATHER_XVFB_PID=
  fi
}
