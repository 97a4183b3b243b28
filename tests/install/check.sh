#!/bin/sh
# Installs the build into a scratch prefix, then builds consumer.c against it twice:
# with find_package(toolbox) and with pkg-config. Arguments: build dir, this folder.
set -eu
build=$1
here=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
cmake -S "$here" -B "$scratch/cmake" -DCMAKE_PREFIX_PATH="$scratch/prefix" >/dev/null
cmake --build "$scratch/cmake" >/dev/null
LD_LIBRARY_PATH="$scratch/prefix/lib" "$scratch/cmake/consumer"
PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig" \
  cc -std=c99 -o "$scratch/pc-consumer" "$here/consumer.c" \
  $(PKG_CONFIG_PATH="$scratch/prefix/lib/pkgconfig" pkg-config --cflags --libs --static toolbox)
LD_LIBRARY_PATH="$scratch/prefix/lib" "$scratch/pc-consumer"
