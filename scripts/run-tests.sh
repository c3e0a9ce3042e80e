#!/usr/bin/env bash
# Sets up everything and runs every test: native core tests, the same under ASan/UBSan, and
# the Windows tests (Win32 and end-to-end) under Wine on a virtual display, each fuzz target for a
# few seconds over its corpus; builds i686 too.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh

mkdir -p build
for preset in native native-asan mingw64 mingw32 fuzz; do
  echo "== build $preset"
  cmake --preset "$preset" >"build/configure-$preset.log" 2>&1 || { cat "build/configure-$preset.log"; exit 1; }
  cmake --build --preset "$preset" -- -k 0 >"build/build-$preset.log" 2>&1 || { tail -n 60 "build/build-$preset.log"; exit 1; }
done

# One ctest over the four trees that have tests.
cat > build/CTestTestfile.cmake <<'CTEST'
subdirs("native" "native-asan" "mingw64" "fuzz")
CTEST

source scripts/wine-session.sh
wine_session_start virtual
trap wine_session_end EXIT

rm -rf build/mingw64/artifacts
cd build
ctest --output-on-failure -j2 "$@"
