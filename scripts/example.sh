#!/usr/bin/env bash
# The main job on the bundled example: packs examples/demo into a
# self-extractor with mksfx (a description, a default folder, and setup.cmd to
# run afterwards), checks it as a ZIP, extracts it natively with the stub's own
# code, then runs the real sfx.exe under Wine: the dialog opens, Extract is
# pressed, the success message is read, and setup.cmd runs.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=out/example

if [ -z "${SFX_EXAMPLE_DISPLAY:-}" ]; then
  ./scripts/setup.sh
  ./scripts/build.sh >/dev/null
  rm -rf "$OUT"
  mkdir -p "$OUT"

  echo "== Packing examples/demo"
  dist/mksfx --description "Demo Tools 1.0 - unpacked by a Kovarin self-extractor" \
    --folder 'C:\DemoTools' --run '##setup.cmd' -o "$OUT/demo-setup.exe" examples/demo
  dist/mksfx --info "$OUT/demo-setup.exe"

  echo
  echo "== The SFX is also a ZIP"
  unzip -t "$OUT/demo-setup.exe"

  echo
  echo "== Extracting natively with sfx-extract"
  dist/sfx-extract "$OUT/demo-setup.exe" "$OUT/native"
  diff -r examples/demo "$OUT/native" && echo "native extraction matches examples/demo"

  # The rest needs a display: a private virtual one.
  export SFX_EXAMPLE_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

echo
echo "== Running demo-setup.exe under Wine"
export WINEPREFIX=$PWD/$OUT/wineprefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true' EXIT
wineboot -i >/dev/null 2>&1 </dev/null
sfx_win="Z:$(realpath "$OUT/demo-setup.exe" | tr / '\\')"
cat >"$OUT/press-extract.txt" <<SCRIPT
start "$sfx_win"
window "Kovarin Browser"
text 101 "C:\\DemoTools"
text 901 "Demo Tools 1.0 - unpacked by a Kovarin self-extractor"
click 1
message "Kovarin Browser" information "All files have been successfully extracted."
exit 0
SCRIPT
wine build/win32/sfxdriver.exe "Z:$(realpath "$OUT/press-extract.txt" | tr / '\\')" </dev/null 2>&1 | tr -d '\r'

target=$WINEPREFIX/drive_c/DemoTools
for _ in $(seq 60); do [ -f "$target/installed.txt" ] && break; sleep 0.5; done
diff -r -x installed.txt examples/demo "$target" && echo "Wine extraction matches examples/demo"
echo "setup.cmd wrote: $(tr -d '\r' <"$target/installed.txt")"
