#!/bin/sh
# Builds both configurations and leaves the products in dist/:
#   dist/sfx.exe     the shipped 32-bit stub (exactly 32256 bytes)
#   dist/mksfx       the packaging tool (Linux), when it is part of the tree
#   dist/mksfx.exe   the packaging tool cross-built for Windows, when present
#   dist/sfx-extract the stub's archive logic as a Linux command, when present
set -eu
cd "$(dirname "$0")/.."

for preset in native win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2
done

mkdir -p dist
cp build/win32/sfx.exe dist/sfx.exe
# The tools are built by other parts of the tree; take them wherever their
# CMake files put them.
for name in mksfx mksfx.exe sfx-extract; do
  product=$(find build/native build/win32 -name "$name" -type f -perm -u+x 2>/dev/null | head -n 1)
  if [ -n "$product" ]; then cp "$product" dist/; fi
done
ls -l dist
