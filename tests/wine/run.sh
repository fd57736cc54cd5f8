#!/bin/bash
# The end-to-end suite: real self-extractors run under Wine on a virtual X
# display, driven by tests/wine/sfxdriver.exe as a user would drive them.
#
#   tests/wine/run.sh [SCENARIO...]     (all scenarios when none is named)
#
# Needs the win32 build (sfx.exe and sfxdriver.exe), wine, Xvfb, zip and
# unzip. Starts its own X display and its own scratch Wine prefix, so it runs
# the same on a desktop, over ssh and in CI as root. Ends with "N passed, N failed"
# and a non-zero exit code when any scenario failed.
set -u

ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=${SFX_WIN32_BUILD:-$ROOT/build/win32}
STUB=$(realpath "${SFX_STUB:-$BUILD/sfx.exe}")
DRIVER=$BUILD/sfxdriver.exe

for tool in wine wineserver Xvfb xvfb-run zip unzip python3; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is not installed (scripts/setup.sh installs it)"; exit 2; }
done
for file in "$STUB" "$DRIVER"; do
  [ -f "$file" ] || { echo "run.sh: $file is missing; build the win32 preset first (scripts/build.sh)"; exit 2; }
done

# Everything below needs a display: start a private one and come back.
if [ -z "${SFX_WINE_DISPLAY_READY:-}" ]; then
  export SFX_WINE_DISPLAY_READY=1
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$@"
fi

WORK=$(mktemp -d /tmp/sfx-wine.XXXXXX)
export WINEPREFIX=$WORK/prefix WINEARCH=win32 WINEDEBUG=-all
# No Mono or Gecko install prompts: the stub needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine and unzip both take the DOS times of the entries as local time; pin
# the zone so that the comparison of file times means the same everywhere.
export TZ=Europe/Berlin

cleanup() {
  wineserver -k 2>/dev/null
  if [ -z "${SFX_WINE_KEEP:-}" ]; then rm -rf "$WORK"; else echo "kept $WORK"; fi
}
trap cleanup EXIT

echo "Preparing the Wine prefix..."
# One Wine server and its services for all scenarios: each start then takes a
# fraction of a second instead of several. The services started by wineboot
# keep their output away from the scenarios' pipes.
mkdir -p "$WINEPREFIX"
wineserver -p 900
wineboot -i >/dev/null 2>&1 </dev/null

# ---------------------------------------------------------------- helpers ----

# Windows form of a Linux path (Wine maps / to drive Z:).
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

# sfx NAME ZIP [make_sfx options...]: assembles $SCENARIO_DIR/NAME.
sfx() {
  local name=$1 zipfile=$2; shift 2
  python3 "$ROOT/tests/wine/make_sfx.py" "$STUB" "$zipfile" "$SCENARIO_DIR/$name" "$@"
}

# drive: plays the scenario script given on standard input.
drive() {
  local script=$SCENARIO_DIR/script-$((++SCRIPT_COUNT)).txt
  cat >"$script"
  # Into a file, not a pipe: a Wine service started on the way may keep a
  # pipe open long after the driver has ended.
  local status=0
  wine "$DRIVER" "$(winpath "$script")" >"$script.out" 2>&1 </dev/null || status=$?
  tr -d '\r' <"$script.out"
  return "$status"
}

# listing DIR: every file below DIR with its size, contents digest and time.
listing() {
  (cd "$1" && find . -type f -printf '%P %s %TY-%Tm-%Td %TH:%TM:%TS\n' | sed 's/\.[0-9]*$//' | sort |
     while read -r name rest; do echo "$name $rest $(md5sum <"$name" | cut -c1-32)"; done)
}

# same_tree DIR ZIP [unzip options...]: DIR holds exactly what unzip extracts.
same_tree() {
  local got=$1 zipfile=$2; shift 2
  local want=$SCENARIO_DIR/unzip-$((++SCRIPT_COUNT))
  unzip -q "$@" "$zipfile" -d "$want" || { echo "unzip failed on $zipfile"; return 1; }
  if ! diff <(listing "$want") <(listing "$got"); then
    echo "the extracted tree differs from unzip's (< unzip, > SFX)"
    return 1
  fi
}

# fail MESSAGE: a check of the shell side failed.
fail() { echo "$*"; return 1; }

# wait_for_file PATH: the file appears within 15 seconds.
wait_for_file() {
  for _ in $(seq 150); do [ -e "$1" ] && return 0; sleep 0.1; done
  return 1
}

# ---------------------------------------------------------------- fixtures ----

FIXTURES=$WORK/fixtures
mkdir -p "$FIXTURES"
# shellcheck source=tests/wine/fixtures.sh
. "$ROOT/tests/wine/fixtures.sh"
# shellcheck source=tests/wine/scenarios.sh
. "$ROOT/tests/wine/scenarios.sh"

# ---------------------------------------------------------------- run ----

if [ $# -gt 0 ]; then
  selected=("$@")
else
  # Screenshots are taken only on request (scripts/screenshots.sh).
  mapfile -t selected < <(declare -F | awk '{print $3}' | grep '^scenario_' | sed 's/^scenario_//' | grep -vx screenshots)
fi

passed=0
failed=0
failures=()
for name in "${selected[@]}"; do
  if ! declare -F "scenario_$name" >/dev/null; then echo "no scenario $name"; failed=$((failed + 1)); continue; fi
  SCENARIO_DIR=$WORK/scenarios/$name
  SCRIPT_COUNT=0
  mkdir -p "$SCENARIO_DIR"
  log=$SCENARIO_DIR/log.txt
  start=$(date +%s)
  # set -e holds inside the subshell only because it is not part of a test.
  (set -e; cd "$SCENARIO_DIR"; "scenario_$name") >"$log" 2>&1
  status=$?
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    echo "PASS $name ($(($(date +%s) - start)) s)"
  else
    failed=$((failed + 1))
    failures+=("$name")
    echo "FAIL $name"
    sed 's/^/    /' "$log"
  fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
