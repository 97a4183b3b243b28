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
BUILD_PACKAGES=(cmake make g++ pkg-config googletest libgtest-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine64
                locales fonts-dejavu-core libstb-dev libfreetype-dev imagemagick)

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
