# The Debian packages the build and the tests need, and a quiet installer.

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config libpng-dev libjpeg62-turbo-dev libzip-dev libexpat1-dev zlib1g-dev)
# Cross-building libpng, libjpeg-turbo, libzip and expat for Windows from Debian's sources
# (scripts/build-win64-deps): dpkg-dev unpacks them, nasm assembles the SIMD code.
WIN64_DEPS_PACKAGES=(cmake ninja-build dpkg-dev nasm
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev)
TEST_PACKAGES=("${BUILD_PACKAGES[@]}"
    libgtest-dev libbenchmark-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev
    nasm dpkg-dev
    wine wine64 xvfb xauth
    libsdl2-dev libgl-dev libgl1-mesa-dri libglx-mesa0 libxi-dev libx11-dev
    openbox wmctrl xdotool imagemagick x11-utils xfonts-base zenity
    locales xclip
    nsis icoutils  # the Windows installer (makensis) and its check (wrestool reads the exe's icon)
    clang-14 libclang-rt-14-dev libmypaint-dev
    krita)  # the peer the OpenRaster round trips are checked against (a test-only dependency)
# Building the .deb and checking it as lintian, the desktop and the software centres see it.
TEST_PACKAGES+=(file lintian desktop-file-utils appstream shared-mime-info)
# Building and starting the native program. The native preset also configures
# the unit tests and benchmarks, so their frameworks are needed to build at all;
# Mesa's drivers draw where the machine has no other OpenGL; zenity shows the
# file dialogs.
RUN_PACKAGES=("${BUILD_PACKAGES[@]}"
    libgtest-dev libbenchmark-dev
    libsdl2-dev libgl-dev libgl1-mesa-dri libglx-mesa0 libxi-dev libx11-dev xfonts-base zenity)

# Building the .deb (scripts/package-linux): the program alone, then CPack,
# which finds the libraries' packages with dpkg-shlibdeps and needs file to
# tell programs from data.
PACKAGE_LINUX_PACKAGES=("${BUILD_PACKAGES[@]}"
    libsdl2-dev libgl-dev libxi-dev libx11-dev dpkg-dev file)

# The benchmarks' neighbour for laying dabs (the native build makes its
# benchmark only when it is installed).
BENCH_PACKAGES=(libmypaint-dev pkg-config)

# install_packages NAME...: installs the ones that are missing (apt-get, non-interactive).
install_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -q >/dev/null || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null || return 1
}
