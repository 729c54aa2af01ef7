#!/usr/bin/env bash
# Installs what is missing, cross-builds qeb.dll, qeb.exe, the examples and
# the test programs for 64-bit Windows in build/windows, and runs every test
# under Wine in a fresh prefix of its own. decNumber is compiled from the GCC
# sources Debian ships, GoogleTest from Debian's googletest sources.
# Arguments go to ctest (e.g. -R Proc); QEB_JOBS limits the jobs (default:
# one per core) and QEB_WINDOWS_BUILD names another build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=${QEB_JOBS:-$(nproc)}
root=$PWD
deps=$root/build/windows/deps
build=${QEB_WINDOWS_BUILD:-$root/build/windows}
mkdir -p "$deps"

# decNumber: the arbitrary-precision module and its context, as a static
# library with a pkg-config file, like Debian's libdecnumber.
if [ ! -f "$deps/lib/pkgconfig/libdecnumber.pc" ]; then
  src=$deps/decnumber-src
  rm -rf "$src" && mkdir -p "$src"
  tar -xJf /usr/src/gcc-12/gcc-*-dfsg.tar.xz -C "$src" --strip-components=2 --wildcards '*/libdecnumber/*'
  # What its configure step would write for a little-endian host with C99.
  : >"$src/config.h"
  echo "#include <stdint.h>" >"$src/gstdint.h"
  mkdir -p "$deps/lib/pkgconfig" "$deps/include/decnumber"
  for unit in decNumber decContext; do
    x86_64-w64-mingw32-gcc-posix -O2 -I"$src" -c "$src/$unit.c" -o "$src/$unit.o"
  done
  x86_64-w64-mingw32-ar rcs "$deps/lib/libdecnumber.a" "$src/decNumber.o" "$src/decContext.o"
  cp "$src"/dec*.h "$src/gstdint.h" "$deps/include/decnumber/"
  cat >"$deps/lib/pkgconfig/libdecnumber.pc" <<PC
Name: libdecnumber
Description: decNumber for Windows
Version: 3.68
Cflags: -I$deps/include/decnumber
Libs: -L$deps/lib -ldecnumber
PC
fi

if [ ! -f "$deps/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$deps/googletest-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/windows-toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$deps" \
    -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps/googletest-build" -j "$jobs"
  cmake --install "$deps/googletest-build" >/dev/null
fi

# Test discovery runs the test programs while building: Wine is needed from
# here on.
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d /tmp/qeb-wine.XXXXXX)
trap 'WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
# One server for the whole run: a server that stops when idle can drop a
# test that connects just as it goes ("recvmsg: Connection reset by peer").
wineserver -p
wine wineboot --init >/dev/null 2>&1

PKG_CONFIG_LIBDIR=$deps/lib/pkgconfig cmake -S . -B "$build/qeb" -G Ninja -DQEB_WERROR=ON -DQEB_BUILD_BENCH=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/windows-toolchain.cmake" -DQEB_WINDOWS_DEPS="$deps"
cmake --build "$build/qeb" -j "$jobs"
ctest --test-dir "$build/qeb" -j "$jobs" --output-on-failure "$@"
