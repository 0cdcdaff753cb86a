#!/usr/bin/env bash
# Prepares a Debian 12 machine to build and test Lorvex.
#
# 1. Installs the Debian packages the builds and tests need (as root; apt runs
#    only when something is missing).
# 2. Builds the MinGW-w64 dependencies that Debian does not ship for Windows
#    from Debian's own source packages, into build/deps/i686 of the work tree:
#    sqlite3.dll, libjpeg-turbo, pugixml and GoogleTest.
#
# Idempotent: when everything is in place it only checks, in a few seconds.
# Works from any current directory.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DEPS="$ROOT/build/deps"          # stamps, logs, sources and build trees
PREFIX="$DEPS/i686"              # the installed MinGW dependencies
SRC="$DEPS/src"                  # Debian source packages (apt-get source)
WORK="$DEPS/work"                # scratch build trees, one per dependency
TOOLCHAIN="$ROOT/cmake/mingw-i686.cmake"
MINGW=i686-w64-mingw32
JOBS="$(nproc)"

export DEBIAN_FRONTEND=noninteractive
APT_OPTS=(-y -q --no-install-recommends -o DPkg::Lock::Timeout=600)

PACKAGES=(
  # native build: g++ with sanitizers, clang with libFuzzer, tests and benchmarks
  cmake ninja-build make gcc g++ clang libclang-rt-14-dev pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
  # the native counterparts of the MinGW dependencies, for the portable half
  libjpeg-dev libpugixml-dev
  # the peers of the Exif benchmarks; the tools the Exif writer's tests check its files with
  libexif-dev libexiv2-dev exiv2 libimage-exiftool-perl
  # the MinGW-w64 cross toolchain, posix thread model
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  # Wine (32-bit) on a virtual X display, with the X extensions and fonts it uses
  wine wine32:i386 xvfb xauth fonts-wine fonts-dejavu-core
  libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxfixes3:i386
  libxinerama1:i386 libxcomposite1:i386 libxxf86vm1:i386
  # fetching Debian source packages and building the dependencies
  dpkg-dev ca-certificates xz-utils bzip2 patch gpgv tcl
  # drawing the icons at build time
  python3-minimal
)

say() { printf 'setup: %s\n' "$*"; }
die() { printf 'setup: error: %s\n' "$*" >&2; exit 1; }

need_root() {
  [[ $EUID -eq 0 ]] || die "$1 needs root; run this script as root"
}

# Runs a command with its output in a log file; on failure shows the log's end.
run_logged() {
  local log=$1; shift
  if ! "$@" >>"$log" 2>&1; then
    tail -n 40 "$log" >&2
    die "failed: $* (full log: $log)"
  fi
}

is_installed() {
  [[ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" == ii* ]]
}

# --- Debian packages -------------------------------------------------------

install_packages() {
  local missing=() p
  if [[ " $(dpkg --print-foreign-architectures | tr '\n' ' ') " != *" i386 "* ]]; then
    need_root "adding the i386 architecture"
    say "adding the i386 architecture (for wine32)"
    dpkg --add-architecture i386
  fi
  for p in "${PACKAGES[@]}"; do
    is_installed "$p" || missing+=("$p")
  done
  [[ ${#missing[@]} -eq 0 ]] && return 0
  need_root "installing packages"
  say "installing ${missing[*]}"
  mkdir -p "$DEPS"
  run_logged "$DEPS/apt.log" apt-get -q -o DPkg::Lock::Timeout=600 update
  run_logged "$DEPS/apt.log" apt-get "${APT_OPTS[@]}" install "${missing[@]}"
}

# --- Debian source packages ------------------------------------------------

# Makes sure apt knows the source packages of Debian 12: adds a deb-src entry
# beside the machine's deb entries when none is there yet.
ensure_source_index() {
  if [[ "$(apt-cache showsrc --only-source sqlite3 2>/dev/null | grep -c '^Package:')" -gt 0 ]]; then
    return 0
  fi
  need_root "adding a deb-src entry"
  local file=/etc/apt/sources.list.d/lorvex-src.sources
  if [[ ! -f $file ]]; then
    say "adding Debian's source packages to apt: $file"
    cat >"$file" <<'EOF'
# Debian 12 source packages, for building the MinGW dependencies of Lorvex.
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  fi
  mkdir -p "$DEPS"
  run_logged "$DEPS/apt.log" apt-get -q -o DPkg::Lock::Timeout=600 update
}

# Sets SOURCE_DIR to the unpacked source tree of a Debian source package,
# fetching it into $SRC first when it is not there yet.
fetch_source() {
  local pkg=$1 stamp="$SRC/.$1.fetched"
  mkdir -p "$SRC"
  if [[ ! -f $stamp ]]; then
    ensure_source_index
    say "$pkg: fetching Debian's source package"
    find "$SRC" -mindepth 1 -maxdepth 1 -name "${pkg}[-_]*" -exec rm -rf {} +
    (cd "$SRC" && run_logged "$SRC/$pkg.log" apt-get -q source --only-source "$pkg")
    touch "$stamp"
  fi
  SOURCE_DIR="$(find "$SRC" -mindepth 1 -maxdepth 1 -type d -name "${pkg}-[0-9]*" | sort -V | tail -n 1)"
  [[ -n $SOURCE_DIR ]] || die "$pkg: no unpacked source tree in $SRC"
  SOURCE_VERSION="$(dpkg-parsechangelog -l "$SOURCE_DIR/debian/changelog" -S Version)"
}

# A fresh, empty build tree and log for one dependency: sets BUILD_DIR and LOG.
fresh_work() {
  BUILD_DIR="$WORK/$1"; LOG="$WORK/$1.log"
  rm -rf "$BUILD_DIR" "$LOG"
  mkdir -p "$BUILD_DIR"
}

done_stamp() { printf '%s\n' "$2" >"$DEPS/$1.stamp"; }
is_done() { [[ -f "$DEPS/$1.stamp" ]]; }

# CMake configure, build and install of one dependency with the MinGW toolchain.
cmake_dep() {
  local name=$1 src=$2; shift 2
  fresh_work "$name"
  run_logged "$LOG" cmake -S "$src" -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    "$@"
  run_logged "$LOG" cmake --build "$BUILD_DIR" -j "$JOBS"
  run_logged "$LOG" cmake --install "$BUILD_DIR"
}

# --- the MinGW dependencies ------------------------------------------------

# sqlite3.dll, loaded at run time: thread-safe, no extension loading, no
# double-quoted string literals; exports the plain sqlite3_* names and needs
# no MinGW runtime DLL. Also its import library and sqlite3.h.
build_sqlite() {
  if is_done sqlite3 && [[ -f $PREFIX/bin/sqlite3.dll && -f $PREFIX/lib/libsqlite3.dll.a \
                         && -f $PREFIX/include/sqlite3.h ]]; then
    return 0
  fi
  fetch_source sqlite3
  fresh_work sqlite3
  if [[ -f $SOURCE_DIR/sqlite3.c && -f $SOURCE_DIR/sqlite3.h ]]; then
    say "sqlite3 $SOURCE_VERSION: using the shipped amalgamation"
    cp "$SOURCE_DIR/sqlite3.c" "$SOURCE_DIR/sqlite3.h" "$BUILD_DIR/"
  else
    # Debian's source is the full tree: generate the amalgamation natively (tclsh).
    say "sqlite3 $SOURCE_VERSION: generating the amalgamation"
    (cd "$BUILD_DIR" && run_logged "$LOG" "$SOURCE_DIR/configure" --disable-tcl --disable-readline)
    (cd "$BUILD_DIR" && run_logged "$LOG" make -j "$JOBS" sqlite3.c)
  fi
  say "sqlite3 $SOURCE_VERSION: compiling sqlite3.dll"
  (cd "$BUILD_DIR" && run_logged "$LOG" "$MINGW-gcc-posix" -O2 -shared -s \
    -DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION -DSQLITE_DQS=0 \
    '-DSQLITE_API=__declspec(dllexport)' \
    -static -static-libgcc \
    -o sqlite3.dll sqlite3.c -Wl,--out-implib,libsqlite3.dll.a)

  # It must stand alone (only system DLLs imported) and export plain C names.
  local dump imports
  dump="$("$MINGW-objdump" -p "$BUILD_DIR/sqlite3.dll")"
  imports="$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")"
  if grep -viqE '^(kernel32|msvcrt|user32|advapi32)\.dll$' <<<"$imports"; then
    die "sqlite3.dll imports non-system DLLs: $(tr '\n' ' ' <<<"$imports")"
  fi
  grep -qE '\] sqlite3_open_v2$' <<<"$dump" \
    || die "sqlite3.dll does not export sqlite3_open_v2 under its plain name"

  mkdir -p "$PREFIX/bin" "$PREFIX/lib" "$PREFIX/include"
  cp "$BUILD_DIR/sqlite3.dll" "$PREFIX/bin/"
  cp "$BUILD_DIR/libsqlite3.dll.a" "$PREFIX/lib/"
  cp "$BUILD_DIR/sqlite3.h" "$PREFIX/include/"
  done_stamp sqlite3 "$SOURCE_VERSION"
}

# libjpeg-turbo: static libjpeg (and libturbojpeg), no SIMD.
build_libjpeg() {
  if is_done libjpeg-turbo && [[ -f $PREFIX/lib/libjpeg.a && -f $PREFIX/include/jpeglib.h ]]; then
    return 0
  fi
  fetch_source libjpeg-turbo
  say "libjpeg-turbo $SOURCE_VERSION: building"
  cmake_dep libjpeg-turbo "$SOURCE_DIR" -DWITH_SIMD=0 -DENABLE_SHARED=0 -DENABLE_STATIC=1
  done_stamp libjpeg-turbo "$SOURCE_VERSION"
}

# pugixml: static library with its CMake package (pugixml::pugixml).
build_pugixml() {
  if is_done pugixml && [[ -f $PREFIX/lib/libpugixml.a && -f $PREFIX/include/pugixml.hpp ]]; then
    return 0
  fi
  fetch_source pugixml
  say "pugixml $SOURCE_VERSION: building"
  cmake_dep pugixml "$SOURCE_DIR" -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF
  done_stamp pugixml "$SOURCE_VERSION"
}

# GoogleTest and GoogleMock from Debian's googletest package (/usr/src), static,
# with the CMake package that find_package(GTest) finds (GTest::gtest, GTest::gtest_main).
build_googletest() {
  if is_done googletest && [[ -f $PREFIX/lib/libgtest.a && -f $PREFIX/lib/cmake/GTest/GTestConfig.cmake ]]; then
    return 0
  fi
  local src=/usr/src/googletest version
  [[ -f $src/CMakeLists.txt ]] || die "$src is missing (package googletest)"
  version="$(dpkg-query -W -f='${Version}' googletest)"
  say "googletest $version: building"
  cmake_dep googletest "$src" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
    -Dgtest_disable_pthreads=ON -DBUILD_SHARED_LIBS=OFF
  done_stamp googletest "$version"
}

main() {
  # One set-up at a time in this work tree (two test runs may start together).
  mkdir -p "$DEPS"
  exec 9>"$DEPS/.setup.lock"
  flock 9
  install_packages
  mkdir -p "$PREFIX"
  build_sqlite
  build_libjpeg
  build_pugixml
  build_googletest
  say "ready (MinGW dependencies in ${PREFIX#"$ROOT"/})"
}

main "$@"
