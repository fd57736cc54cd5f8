#!/bin/sh
# Takes PNG screenshots of the three dialogs of a sample SFX under Wine on a
# virtual display and writes them to docs/screenshots/ (main.png,
# filelist.png, password.png). Needs the win32 build (scripts/build.sh).
set -eu
cd "$(dirname "$0")/.."
SFX_SCREENSHOTS_DIR=$(pwd)/docs/screenshots exec tests/wine/run.sh screenshots
