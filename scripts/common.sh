# Shared by scripts/run and scripts/test: the Debian packages the build needs, installed
# only when one is missing, and a configured build folder.

VELMORA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

VELMORA_PACKAGES=(
  cmake ninja-build g++ pkg-config ccache
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl-dev
  libjpeg62-turbo-dev libxlsxwriter-dev libzip-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
)

# The tests that run in a desktop session of their own (tests/common/desktop-session): a virtual
# display, a window manager, another program's window, and keys and clicks through the X server.
VELMORA_DESKTOP_TEST_PACKAGES=(xvfb openbox x11-utils xdotool)

# Optional, for two tests only: LibreOffice converts an exported workbook back to CSV and an
# exported HTML page to text, to show that a real reader opens them; without it those tests skip
# themselves. Not installed by the build or the test script.
VELMORA_OPTIONAL_TEST_PACKAGES=(libreoffice-calc-nogui libreoffice-writer-nogui)

# The fuzz build (scripts/fuzz): clang with libFuzzer and the sanitizer runtimes; not needed to build.
VELMORA_FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# Tools for looking at the program under a virtual display (scripts/screenshot); not needed to build.
VELMORA_SCREENSHOT_PACKAGES=(xvfb xauth imagemagick x11-utils)

# The start-up benchmark (bench/startup.sh): a virtual display and the time command; not needed to build.
VELMORA_STARTUP_BENCH_PACKAGES=(xvfb xauth time)

# velmora_install_missing [package...]: the build's packages, or the ones named
velmora_install_missing() {
  local missing=()
  local pkg
  local wanted=("$@")
  [ ${#wanted[@]} -eq 0 ] && wanted=("${VELMORA_PACKAGES[@]}")
  for pkg in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing missing packages: ${missing[*]}"
  local sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -q || return 1
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# velmora_configure DIR BUILD_TYPE [extra cmake arguments...]
velmora_configure() {
  local dir=$1 type=$2
  shift 2
  cmake -S "$VELMORA_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@"
}

# velmora_build DIR BUILD_TYPE [extra cmake arguments...]
# VELMORA_JOBS limits the parallel build and test jobs (default: every core for the build, two
# tests a core for the tests).
velmora_build() {
  velmora_configure "$@" || return 1
  cmake --build "$1" --parallel "${VELMORA_JOBS:-$(nproc)}"
}
