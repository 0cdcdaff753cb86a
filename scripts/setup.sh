#!/usr/bin/env bash
# Prepares a Debian 12 machine to build and test Lorvex.
#
# 1. Installs the Debian packages the builds and tests need (as root; apt runs
#    only when something is missing).
# 2. Builds the MinGW-w64 dependencies that Debian does not ship for Windows
#    from Debian's own source packages: sqlite3.dll, libjpeg-turbo, pugixml and
#    GoogleTest. They are kept outside the work tree, in a cache shared by every
#    clone on the machine (one folder per dependency and Debian version), so a
#    fresh clone builds none of them again:
#      $LORVEX_DEPS_CACHE, by default /var/cache/lorvex-deps for root and
#      ${XDG_CACHE_HOME:-$HOME/.cache}/lorvex-deps for other users.
#    build/mingw-deps.cmake of the work tree then names the folders this clone
#    uses; the MinGW toolchain file (cmake/mingw-i686.cmake) reads it.
#
# Idempotent: when everything is in place it only checks, in a few seconds.
# Works from any current directory, and several runs (from several clones) may
# go at once: they take turns on a lock in the cache.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [[ $EUID -eq 0 ]]; then
  CACHE="${LORVEX_DEPS_CACHE:-/var/cache/lorvex-deps}"
else
  CACHE="${LORVEX_DEPS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/lorvex-deps}"
fi
LOGS="$CACHE/log"
DEPS_FILE="$ROOT/build/mingw-deps.cmake"
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
  # the JSON parser's reference in its fuzz target, and its peers in the benchmark
  nlohmann-json3-dev rapidjson-dev
  # the MinGW-w64 cross toolchain, posix thread model
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
  # Wine (32-bit) on a virtual X display, with the X extensions and fonts it uses
  wine wine32:i386 xvfb xauth fonts-wine fonts-dejavu-core
  libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386 libxfixes3:i386
  libxinerama1:i386 libxcomposite1:i386 libxxf86vm1:i386
  # ODBC for Wine's odbc32 (the host's unixODBC) with the SQLite driver: the database source's
  # end-to-end tests under Wine, where ADO over OLE DB returns no rows; the driver reads a data
  # source's settings through libodbcinst
  unixodbc libodbc2:i386 libodbcinst2:i386 libsqliteodbc:i386
  # keys typed from outside the program (XTEST) in the tests; the window-manager check of run.sh
  xdotool x11-utils
  # fetching Debian source packages and building the dependencies
  dpkg-dev ca-certificates xz-utils bzip2 patch gpgv tcl
  # drawing the icons, compiling the help (chmcmd) and making the empty notes database at build time
  python3-minimal fp-utils-3.2.2 sqlite3
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
  run_logged "$LOGS/apt.log" apt-get -q -o DPkg::Lock::Timeout=600 update
  run_logged "$LOGS/apt.log" apt-get "${APT_OPTS[@]}" install "${missing[@]}"
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
  run_logged "$LOGS/apt.log" apt-get -q -o DPkg::Lock::Timeout=600 update
}

# Prints the newest version of a Debian source package that apt knows; fails when it knows none.
source_version() {
  apt-cache showsrc --only-source "$1" | sed -n 's/^Version: //p' | sort -V | tail -n 1 | grep .
}

# Sets SOURCE_DIR to the unpacked source tree of a Debian source package at a
# version, fetched into the scratch folder of the dependency being built.
fetch_source() {
  local pkg=$1 version=$2 src="$SCRATCH/src"
  say "$pkg $version: fetching Debian's source package"
  mkdir -p "$src"
  (cd "$src" && run_logged "$LOG" apt-get -q source --only-source "$pkg=$version")
  SOURCE_DIR="$(find "$src" -mindepth 1 -maxdepth 1 -type d -name "${pkg}-[0-9]*" | head -n 1)"
  [[ -n $SOURCE_DIR ]] || die "$pkg: no unpacked source tree in $src"
}

# --- the cache -------------------------------------------------------------

# Makes sure one dependency at one version is in the cache, building it with
# its build function when it is not; adds its folder to PREFIXES. A build goes
# into a scratch folder inside the cache and is renamed into place only once it
# is complete, so an interrupted run leaves no half-built dependency behind.
# Inside a build function: SCRATCH is the scratch folder, BUILD_DIR its build
# tree, LOG the log, PREFIX the final folder, and STAGE where the files go
# (PREFIX as seen from below the scratch folder, for DESTDIR installs).
provide() {
  local name=$1 version=$2 build=$3
  local key="$name-${version//:/_}-mingw$("$MINGW-gcc-posix" -dumpversion)"
  PREFIX="$CACHE/i686/$key"
  PREFIXES+=("$PREFIX")
  [[ -d $PREFIX ]] && return 0
  SCRATCH="$(mktemp -d "$CACHE/i686/.building-$key.XXXXXX")"
  BUILD_DIR="$SCRATCH/build" STAGE="$SCRATCH/stage$PREFIX" LOG="$LOGS/$key.log"
  : >"$LOG"
  mkdir -p "$BUILD_DIR" "$STAGE"
  "$build" "$version"
  mv -T "$STAGE" "$PREFIX"
  rm -rf "$SCRATCH"
  SCRATCH=
}

# The scratch folder of a build that failed or was interrupted goes; its log stays.
remove_scratch() { [[ -z ${SCRATCH:-} ]] || rm -rf "$SCRATCH"; }

# Writes build/mingw-deps.cmake: the cache folders this work tree builds with.
write_deps_file() {
  mkdir -p "$(dirname "$DEPS_FILE")"
  {
    echo "# Written by scripts/setup.sh: the MinGW dependencies of this work tree, in the shared cache."
    echo "set(LORVEX_DEPS_PREFIXES \"$(IFS=';'; echo "${PREFIXES[*]}")\")"
    echo "set(LORVEX_SQLITE_DLL \"$SQLITE_PREFIX/bin/sqlite3.dll\")"
  } >"$DEPS_FILE.tmp"
  mv "$DEPS_FILE.tmp" "$DEPS_FILE"
}

# CMake configure, build and install of one dependency with the MinGW toolchain.
cmake_dep() {
  local src=$1; shift
  run_logged "$LOG" cmake -S "$src" -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    "$@"
  run_logged "$LOG" cmake --build "$BUILD_DIR" -j "$JOBS"
  DESTDIR="$SCRATCH/stage" run_logged "$LOG" cmake --install "$BUILD_DIR"
}

# --- the MinGW dependencies ------------------------------------------------

# sqlite3.dll, loaded at run time: thread-safe, no extension loading, no
# double-quoted string literals; exports the plain sqlite3_* names and needs
# no MinGW runtime DLL. Also its import library and sqlite3.h.
build_sqlite() {
  local version=$1
  fetch_source sqlite3 "$version"
  if [[ -f $SOURCE_DIR/sqlite3.c && -f $SOURCE_DIR/sqlite3.h ]]; then
    say "sqlite3 $version: using the shipped amalgamation"
    cp "$SOURCE_DIR/sqlite3.c" "$SOURCE_DIR/sqlite3.h" "$BUILD_DIR/"
  else
    # Debian's source is the full tree: generate the amalgamation natively (tclsh).
    say "sqlite3 $version: generating the amalgamation"
    (cd "$BUILD_DIR" && run_logged "$LOG" "$SOURCE_DIR/configure" --disable-tcl --disable-readline)
    (cd "$BUILD_DIR" && run_logged "$LOG" make -j "$JOBS" sqlite3.c)
  fi
  say "sqlite3 $version: compiling sqlite3.dll"
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

  mkdir -p "$STAGE/bin" "$STAGE/lib" "$STAGE/include"
  cp "$BUILD_DIR/sqlite3.dll" "$STAGE/bin/"
  cp "$BUILD_DIR/libsqlite3.dll.a" "$STAGE/lib/"
  cp "$BUILD_DIR/sqlite3.h" "$STAGE/include/"
}

# libjpeg-turbo: static libjpeg (and libturbojpeg), no SIMD.
build_libjpeg() {
  fetch_source libjpeg-turbo "$1"
  say "libjpeg-turbo $1: building"
  cmake_dep "$SOURCE_DIR" -DWITH_SIMD=0 -DENABLE_SHARED=0 -DENABLE_STATIC=1
}

# pugixml: static library with its CMake package (pugixml::pugixml).
build_pugixml() {
  fetch_source pugixml "$1"
  say "pugixml $1: building"
  cmake_dep "$SOURCE_DIR" -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF
}

# GoogleTest and GoogleMock from Debian's googletest package (/usr/src), static,
# with the CMake package that find_package(GTest) finds (GTest::gtest, GTest::gtest_main).
build_googletest() {
  local src=/usr/src/googletest
  [[ -f $src/CMakeLists.txt ]] || die "$src is missing (package googletest)"
  say "googletest $1: building"
  cmake_dep "$src" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON -DBUILD_SHARED_LIBS=OFF
}

main() {
  # One set-up at a time on the machine (several clones may test at once): the
  # package installation and the cache take turns.
  mkdir -p "$CACHE/i686" "$LOGS"
  exec 9>"$CACHE/.setup.lock"
  flock 9
  trap remove_scratch EXIT
  rm -rf "$CACHE/i686"/.building-*  # left by a run that was killed: no other run is building now
  install_packages
  ensure_source_index
  local sqlite libjpeg pugixml googletest
  sqlite="$(source_version sqlite3)"
  libjpeg="$(source_version libjpeg-turbo)"
  pugixml="$(source_version pugixml)"
  googletest="$(dpkg-query -W -f='${Version}' googletest)"
  PREFIXES=()
  provide sqlite3 "$sqlite" build_sqlite
  SQLITE_PREFIX=$PREFIX
  provide libjpeg-turbo "$libjpeg" build_libjpeg
  provide pugixml "$pugixml" build_pugixml
  provide googletest "$googletest" build_googletest
  write_deps_file
  say "ready (MinGW dependencies in $CACHE/i686)"
}

main "$@"
