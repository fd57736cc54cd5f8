#!/usr/bin/env bash
# Runs every test: the native unit, scenario and packaging-tool tests, the
# same again under AddressSanitizer and UBSan, CI-sized fuzz runs, and the
# shipped Windows stub end to end under Wine. Installs what is missing first.
set -uo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh || exit 1
./scripts/build.sh || { echo "build failed"; exit 1; }

passed=0
failed=0
suite() {  # suite NAME COMMAND...
  local name=$1
  shift
  echo
  echo "=== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "=== FAILED: $name"
  fi
}

sanitized() {
  cmake --preset native-asan >/dev/null &&
    cmake --build build/native-asan -j2 >/dev/null &&
    ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/native-asan --output-on-failure -j2
}

suite "native tests" ctest --test-dir build/native --output-on-failure -j2
suite "native tests under ASan and UBSan" sanitized
suite "fuzzing, CI-sized" tests/fuzz/run-ci.sh
suite "Windows stub under Wine" tests/wine/run.sh

echo
echo "suites: $passed passed, $failed failed"
[ "$failed" = 0 ]
