#!/usr/bin/env bash
# Installs the built library into a scratch prefix, then builds and runs a
# consumer through find_package(qeb) and through pkg-config. With a
# toolchain file as third argument the build is a cross build for Windows:
# the consumer is cross-built too and the programs run under Wine.
set -euo pipefail
build=$1 source=$2 toolchain=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name qeb.pc)")
if [ -n "$toolchain" ]; then
  # The consumers carry their own C++ runtime, as the library does.
  cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQEB_WINDOWS_DEPS="$prefix" -DCMAKE_EXE_LINKER_FLAGS=-static)
  cxx="x86_64-w64-mingw32-g++-posix -static"
  # -static looks for static libraries only; the DLL's import library is not
  # one.
  dynamic=(-Wl,-Bdynamic) static=(-Wl,-Bstatic)
  # Windows finds a program's DLLs beside it or on the path given to Wine.
  run() { WINEPATH="$prefix/bin" wine "$@"; }
  exports() { x86_64-w64-mingw32-objdump -p "$prefix/bin/qeb.dll" | sed -n '/Ordinal\/Name Pointer/,/^$/p'; }
  exe=.exe
else
  cross=()
  cxx=c++
  dynamic=() static=()
  run() { LD_LIBRARY_PATH="$(dirname "$libdir")" "$@"; }
  exports() { nm -D --defined-only "$(dirname "$libdir")/libqeb.so"; }
  exe=
fi
# The installed tool runs from its prefix without help.
env -u LD_LIBRARY_PATH -u WINEPATH ${toolchain:+wine} "$prefix/bin/qeb$exe" --version | grep -q '^qeb '
cmake -S "$source/tests/packaging" -B "$work/consumer" "${cross[@]}" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
run "$work/consumer/consumer$exe"
pc() { PKG_CONFIG_LIBDIR="$libdir" PKG_CONFIG_PATH="" pkg-config "$@" qeb; }
# shellcheck disable=SC2046
$cxx -std=c++17 -Wall -Wextra -Werror -pedantic $(pc --cflags) "$source/tests/packaging/consumer.cpp" \
  -o "$work/pc-consumer$exe" "${dynamic[@]}" $(pc --libs) "${static[@]}"
run "$work/pc-consumer$exe"
# Only the public interface leaves the library.
if exports | grep -E ' (ks_|qes_|u_|uca|dec)'; then
  echo "internal symbols are exported" >&2
  exit 1
fi
