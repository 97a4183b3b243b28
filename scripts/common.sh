# Shared by the scripts: package installation and a throw-away Wine prefix.
# Source it; it defines functions only.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64

# ensure_packages PKG...: installs the Debian packages that are missing.
ensure_packages() {
  local missing=()
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# fonts-dejavu-core and libstb-dev: the faces built into the engine and the header that
# reads them; libfreetype-dev: the font tests' independent measurement.
# xvfb: the display the tray icon and on-screen paint cases need under Wine; imagemagick
# also reads that display from outside Wine.
BUILD_PACKAGES=(cmake make g++ pkg-config googletest libgtest-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64
                locales fonts-dejavu-core libstb-dev libfreetype-dev imagemagick xvfb)

# The date and time tests format in a non-English and an English locale.
TEST_LOCALES=(de_DE.UTF-8 en_US.UTF-8)

# ensure_locales: generates the TEST_LOCALES that are missing (needs the locales
# package). Harmless when they are there; a failure only makes those tests skip.
ensure_locales() {
  local missing=()
  for name in "${TEST_LOCALES[@]}"; do
    local short=${name/UTF-8/utf8}
    locale -a 2>/dev/null | grep -qx "$short" || missing+=("$name")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  for name in "${missing[@]}"; do
    grep -qx "$name UTF-8" /etc/locale.gen 2>/dev/null ||
      echo "$name UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  echo "generating locales: ${missing[*]}"
  $sudo locale-gen >/dev/null 2>&1 || echo "locales could not be generated; date tests will skip" >&2
}

# start_wine DIR: a new prefix and home below DIR, a persistent server, exported for
# every Wine run that follows. Windows there use Wine's null graphics driver, so
# hidden windows and their messages work without a display. stop_wine ends the server.
start_wine() {
  export WINEPREFIX="$1/prefix"
  export TOOLBOX_WINE_HOME="$1/home"
  export HOME_BEFORE_WINE="$HOME"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$TOOLBOX_WINE_HOME"
  HOME="$TOOLBOX_WINE_HOME" timeout 180 "$WINE" wineboot --init >/dev/null 2>&1 || {
    echo "wine: the prefix could not be made" >&2
    return 1
  }
  HOME="$TOOLBOX_WINE_HOME" timeout 60 "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
    >/dev/null 2>&1 || echo "wine: the null graphics driver could not be chosen" >&2
  # The driver is chosen when the session starts: end the one wineboot left running.
  HOME="$TOOLBOX_WINE_HOME" timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
  HOME="$TOOLBOX_WINE_HOME" setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &
  HOME="$TOOLBOX_WINE_HOME" timeout 60 "$WINE" wineboot >/dev/null 2>&1 || true
}

stop_wine() {
  [ -n "${WINEPREFIX:-}" ] && HOME="$TOOLBOX_WINE_HOME" timeout 30 "$WINESERVER" -k >/dev/null 2>&1 || true
}

# start_display_wine DIR: for the cases that need a display (tray icons, panels on the
# screen): a 24-bit Xvfb server on a free display and, below DIR, a prefix made from
# start_wine's one (hard links, with registry files of its own) that uses the X11
# driver and Wine's virtual desktop (as large as the screen, so it sits at the root
# window's origin), with a persistent server of its own. Sets DISPLAY_WINEPREFIX,
# DISPLAY_WINE_HOME and DISPLAY_NUMBER for run_with_display. stop_display_wine ends
# that server and Xvfb.
start_display_wine() {
  local dir=$1 number
  for number in $(seq 77 99); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] || break
  done
  Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$number" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X$number" ] || { echo "xvfb: no display :$number" >&2; return 1; }
  DISPLAY_NUMBER=$number
  DISPLAY_WINEPREFIX="$dir/prefix"
  DISPLAY_WINE_HOME="$dir/home"
  mkdir -p "$DISPLAY_WINE_HOME"
  cp -al "$WINEPREFIX" "$DISPLAY_WINEPREFIX" || return 1
  local reg
  for reg in "$WINEPREFIX"/*.reg; do
    rm -f "$DISPLAY_WINEPREFIX/${reg##*/}"
    cp "$reg" "$DISPLAY_WINEPREFIX/"
  done
  local now
  now=$(date +%s)
  sed -i '/^"Graphics"="null"$/d' "$DISPLAY_WINEPREFIX/user.reg"
  printf '\n[Software\\\\Wine\\\\Explorer] %s\n"Desktop"="Default"\n\n[Software\\\\Wine\\\\Explorer\\\\Desktops] %s\n"Default"="1024x768"\n' \
    "$now" "$now" >>"$DISPLAY_WINEPREFIX/user.reg"
  WINEPREFIX="$DISPLAY_WINEPREFIX" HOME="$DISPLAY_WINE_HOME" setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &
  WINEPREFIX="$DISPLAY_WINEPREFIX" HOME="$DISPLAY_WINE_HOME" DISPLAY=":$number" timeout 60 "$WINE" wineboot \
    >/dev/null 2>&1 || true
}

# run_with_display COMMAND...: runs a command in the display prefix on the Xvfb display.
run_with_display() {
  WINEPREFIX="$DISPLAY_WINEPREFIX" TOOLBOX_WINE_HOME="$DISPLAY_WINE_HOME" DISPLAY=":$DISPLAY_NUMBER" "$@"
}

stop_display_wine() {
  [ -n "${DISPLAY_WINEPREFIX:-}" ] &&
    WINEPREFIX="$DISPLAY_WINEPREFIX" HOME="$DISPLAY_WINE_HOME" timeout 30 "$WINESERVER" -k >/dev/null 2>&1
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
  DISPLAY_WINEPREFIX="" XVFB_PID=""
  return 0
}

# configure_and_build PRESET [TARGET...]: everything of the preset, or only the targets.
configure_and_build() {
  local preset=$1
  shift
  local targets=()
  [ $# -gt 0 ] && targets=(--target "$@")
  mkdir -p "$ROOT/build"
  cmake --preset "$preset" >"$ROOT/build/$preset.configure.log" 2>&1 || {
    cat "$ROOT/build/$preset.configure.log"
    return 1
  }
  cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}" >"$ROOT/build/$preset.build.log" 2>&1 || {
    grep -E "error|Error" -A3 "$ROOT/build/$preset.build.log" | head -60
    return 1
  }
}
