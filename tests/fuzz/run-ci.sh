#!/usr/bin/env bash
# CI-sized fuzz run: builds the libFuzzer targets (clang, ASan + UBSan), replays
# the saved regression inputs, then fuzzes each target from its seed corpus for
# FUZZ_SECONDS (default 45). Exits non-zero on any crash, leak or sanitizer
# report. Extra configure arguments may be passed in SFX_FUZZ_CMAKE_ARGS.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
seconds="${FUZZ_SECONDS:-45}"
build="$root/build/fuzz"

cd "$root"
# shellcheck disable=SC2086
cmake --preset fuzz ${SFX_FUZZ_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j2

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for target in decode_fuzzer archive_fuzzer; do
  name="${target%_fuzzer}"
  echo "== $target: replaying regressions"
  "$build/tests/fuzz/${target}_replay" "$here/regressions/$name" "$here/corpus/$name"

  echo "== $target: fuzzing for ${seconds}s"
  mkdir -p "$work/$name"
  # New inputs go to a scratch corpus; the committed seeds are only read.
  status=0
  # A dictionary of the ZIP signatures, where the target has one.
  dict=()
  if [ -f "$here/$name.dict" ]; then dict=(-dict="$here/$name.dict"); fi
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 "${dict[@]}" \
      -print_final_stats=1 -artifact_prefix="$work/" "$work/$name" "$here/corpus/$name" \
      >"$work/$name.log" 2>&1 || status=$?
  tail -n 12 "$work/$name.log"
  if [ "$status" -ne 0 ] || compgen -G "$work/crash-*" >/dev/null || compgen -G "$work/timeout-*" >/dev/null \
      || compgen -G "$work/leak-*" >/dev/null || compgen -G "$work/oom-*" >/dev/null; then
    echo "$target found a failure; inputs:" >&2
    ls -l "$work" >&2
    mkdir -p "$root/build/fuzz-artifacts" && cp "$work"/crash-* "$work"/timeout-* "$work"/leak-* "$work"/oom-* \
        "$root/build/fuzz-artifacts/" 2>/dev/null || true
    exit 1
  fi
done
echo "fuzzing found nothing"
