# Shared by the set-up scripts: package installation and building.

# Debian packages the build and the tests need.
BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libudev-dev libgtest-dev libgmock-dev libbenchmark-dev
                qt6-base-dev libftdi1-dev qt6-charts-dev libqt6opengl6-dev python3 ccache)
# The icon's renderer, and the tools the install test checks the installed files with.
BUILD_PACKAGES+=(qt6-svg-dev desktop-file-utils libxml2-utils man-db shared-mime-info udev
                 libglib2.0-bin)
# PyVISA with its pure-Python backend: a test drives krvctl serve as bench scripts do.
BUILD_PACKAGES+=(python3-pyvisa python3-pyvisa-py)
# Qt's Japanese translations: the tests check that Qt's own buttons and labels speak Japanese.
BUILD_PACKAGES+=(qt6-translations-l10n)
# Qt Linguist for the English catalogue: the CMake package (qt6-tools-dev) and lupdate/lrelease
# (qt6-l10n-tools), which the build and the catalogue's test run.
BUILD_PACKAGES+=(qt6-tools-dev qt6-l10n-tools)
# What the panel needs on the desktop besides: a Japanese font for its texts, and Qt's Japanese
# translations for the standard buttons and the file chooser.
PANEL_PACKAGES=(fonts-noto-cjk qt6-translations-l10n)
# What cpack needs to build the Debian package (dpkg-shlibdeps finds its dependencies).
DEB_PACKAGES=(dpkg-dev file)
# The packaging tests make the Debian package and check it and its AppStream metadata as Debian does.
BUILD_PACKAGES+=(lintian appstream "${DEB_PACKAGES[@]}")
# The sanitizer trees and the libFuzzer targets: clang and its sanitizer runtimes (only
# recommended by clang).
FUZZ_PACKAGES=(clang-14 libclang-rt-14-dev)
# Every tree scripts/test builds links with lld (KRV_LLD): a test program links in a quarter of
# the time ld.bfd takes.
BUILD_PACKAGES+=(lld)
# The sanitizer trees are built with clang: it compiles an unoptimised, instrumented build in
# about half the time g++ takes, and libFuzzer comes only with clang. The AddressSanitizer tree
# (scripts/test's asan leg) is also the fuzz targets' tree (scripts/fuzz): the libraries they
# reach are instrumented for libFuzzer as well, so the fuzzer sees inside them.
# Both sanitizer trees compile the libraries in batches of eight files and run each test program
# in four processes rather than one per case (see the top CMakeLists.txt and tests/CMakeLists.txt):
# what an instrumented build and an instrumented process start cost is most of their legs. The
# screenshot programs are built only in the normal tree, which the scripts use.
SANITIZER_TREE_OPTIONS=(-DKRV_UNITY_BUILD=ON -DKRV_TEST_PROCESSES=4 -DKRV_LLD=ON
                        -DKRV_BUILD_SCREENSHOTS=OFF)
ASAN_TREE="$KRV_ROOT/build-asan"
ASAN_TREE_OPTIONS=(-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1
                   -DKRV_SANITIZE=ON -DKRV_FUZZ_COVERAGE=ON -DKRV_BUILD_BENCH=OFF
                   "${SANITIZER_TREE_OPTIONS[@]}")

# Installs the packages of "$@" that are not installed yet (apt-get, as root or through sudo).
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The CMake options that compile through ccache where it is installed (a rebuild then takes
# seconds); nothing otherwise. Paths under the source folder are hashed relative to it, so a fresh
# clone elsewhere (as CI makes one) finds what an earlier clone compiled.
compiler_launcher() {
    if command -v ccache >/dev/null; then
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    fi
}
export CCACHE_BASEDIR="$KRV_ROOT" CCACHE_NOHASHDIR=true
# The test programs and the panel's library are compiled with precompiled headers, which ccache
# caches only when told that their time stamps and macros may be trusted.
export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime

# configure_tree DIR [cmake options...]: configures DIR, warnings as errors. A tree that was
# configured for another compiler is configured afresh (CMake cannot switch one in place).
configure_tree() {
    local dir=$1
    shift
    local wanted=c++ option
    for option in "$@"; do
        [[ $option == -DCMAKE_CXX_COMPILER=* ]] && wanted=${option#-DCMAKE_CXX_COMPILER=}
    done
    if [ -f "$dir/CMakeCache.txt" ] &&
        ! grep -q "^CMAKE_CXX_COMPILER:[A-Z]*=.*$(basename "$wanted")\$" "$dir/CMakeCache.txt"; then
        rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
    cmake -S "$KRV_ROOT" -B "$dir" -G Ninja -DKRV_WERROR=ON $(compiler_launcher) "$@"
}

# build_tree DIR [cmake options...]: configures and builds DIR.
build_tree() {
    configure_tree "$@"
    cmake --build "$1" --parallel "$(nproc)"
}
