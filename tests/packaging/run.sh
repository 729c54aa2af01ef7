#!/usr/bin/env bash
# Installs the built library into a scratch prefix, then builds and runs a
# consumer through find_package(qeb) and through pkg-config.
set -euo pipefail
build=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
# The installed tool runs from its prefix without help.
env -u LD_LIBRARY_PATH "$work/prefix/bin/qeb" --version | grep -q '^qeb '
cmake -S "$source/tests/packaging" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/consumer" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib" "$work/consumer/consumer"
libdir=$(dirname "$(find "$work/prefix" -name qeb.pc)")
flags=$(PKG_CONFIG_PATH="$libdir" pkg-config --cflags --libs qeb)
# shellcheck disable=SC2086
c++ -std=c++17 -Wall -Wextra -Werror -pedantic "$source/tests/packaging/consumer.cpp" -o "$work/pc-consumer" $flags
LD_LIBRARY_PATH="$(dirname "$libdir")" "$work/pc-consumer"
# Only the public interface leaves the library.
if nm -D --defined-only "$(dirname "$libdir")/libqeb.so" | grep -E ' (ks_|qes_|u_|uca|dec)'; then
  echo "internal symbols are exported" >&2
  exit 1
fi
