# The end-to-end scenarios, one function each; run.sh runs every function
# named scenario_* in a fresh folder $SCENARIO_DIR, with set -e.
#
# Captions and message texts are the exact ones the user sees.
BROWSER="Kovarin Browser"
STARTUP_CAPTION="Kovarin Self-Extracting       "
SUCCESS="All files have been successfully extracted."
FAILURE="Couldn't extract the selected files."

# ------------------------------------------------------------ main dialog ----

# The main dialog as it opens, for the OptionsBlock variants that decide it:
# name, flags ("none": no block), overwrite box checked, box present,
# FileList button and its hint shown.
scenario_initial_state() {
  local rows=(
    "no-block    none  1 1 1"
    "flags-0A    0x0A  1 1 1"
    "flags-02    0x02  0 1 1"
    "flags-1A    0x1A  0 1 1"
    "flags-01    0x01  0 1 0"
    "flags-00    0x00  0 1 0"
    "flags-0E    0x0E  1 0 1"
    "flags-06    0x06  0 0 1"
  )
  mkdir -p cwd
  local script="" name flags checked box list
  for row in "${rows[@]}"; do
    read -r name flags checked box list <<<"$row"
    if [ "$flags" = none ]; then sfx "$name.exe" "$FIXTURES/basic.zip"; else sfx "$name.exe" "$FIXTURES/basic.zip" --flags "$flags"; fi
    script+="
# $name
start \"$(winpath "$SCENARIO_DIR/$name.exe")\" \"$(winpath "$SCENARIO_DIR/cwd")\"
window \"$BROWSER\"
text 101 \"$(winpath "$SCENARIO_DIR/cwd")\"
focus 101
all-selected 101
text 901 \"\"
visible 501 $box
visible 3 $list
visible 702 $list
visible 1 1
visible 775 1
"
    [ "$box" = 1 ] && script+="checked 501 $checked
"
    script+="click 2
exit 0
"
  done
  drive <<<"$script"
  [ ! -e "$SCENARIO_DIR/cwd/a.txt" ] || fail "Cancel extracted files"
}

# A description and a default folder from the OptionsBlock; a folder ending in
# a backslash shows with it, and extraction goes there.
scenario_description_and_default_folder() {
  local target=$SCENARIO_DIR/chosen
  sfx pkg.exe "$FIXTURES/basic.zip" --flags 0x0A --description "Kovarin test package, version 1.0" \
    --folder "$(winpath "$target")\\"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
text 901 "Kovarin test package, version 1.0"
text 101 "$(winpath "$target")\\"
click 1
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  same_tree "$target" "$FIXTURES/basic.zip"
}

# "##" as the default folder is the temporary folder, with its backslash; a
# folder text that only begins with "##" is taken as written.
scenario_temp_folder_marker() {
  sfx temp.exe "$FIXTURES/basic.zip" --flags 0x0A --folder "##"
  sfx literal.exe "$FIXTURES/basic.zip" --flags 0x0A --folder "##x"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/temp.exe")"
window "$BROWSER"
text 101 "%TEMP%"
click 2
exit 0
start "$(winpath "$SCENARIO_DIR/literal.exe")"
window "$BROWSER"
text 101 "##x"
click 2
exit 0
EOF
}

# Extract into a fresh folder typed into the field: folders are created,
# every file equals unzip's, with the entries' times.
scenario_extract_fresh_folder() {
  sfx pkg.exe "$FIXTURES/basic.zip"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
set-text 101 "$(winpath "$SCENARIO_DIR/new/deeper")"
click 1
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  same_tree "$SCENARIO_DIR/new/deeper" "$FIXTURES/basic.zip"
}

# An emptied folder field means the current folder, and the field shows it.
scenario_empty_field_is_current_folder() {
  mkdir -p cwd
  sfx pkg.exe "$FIXTURES/basic.zip"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")" "$(winpath "$SCENARIO_DIR/cwd")"
window "$BROWSER"
set-text 101 ""
click 1
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  same_tree "$SCENARIO_DIR/cwd" "$FIXTURES/basic.zip"
}

# Existing files with the overwrite switch on (by default, or toggled on) are
# replaced; with it off (by flags, or toggled off) they are kept and count as
# done. Rows: name, flags, clicks on the box, files replaced.
scenario_overwrite_switch() {
  local rows=(
    "default-on  none 0 1"
    "flags-off   0x02 0 0"
    "toggled-on  0x02 1 1"
    "toggled-off 0x0A 1 0"
    "hidden-on   0x0E 0 1"
    "hidden-off  0x06 0 0"
  )
  local name flags clicks replaced
  for row in "${rows[@]}"; do
    read -r name flags clicks replaced <<<"$row"
    local out=$SCENARIO_DIR/$name
    mkdir -p "$out/Docs"
    echo "kept" >"$out/a.txt"
    echo "kept" >"$out/Docs/readme.txt"
    if [ "$flags" = none ]; then sfx "$name.exe" "$FIXTURES/basic.zip"; else sfx "$name.exe" "$FIXTURES/basic.zip" --flags "$flags"; fi
    local toggles=""
    if [ "$clicks" = 1 ]; then
      toggles="checked 501 $((1 - replaced))
click 501
sleep 300
checked 501 $replaced"
    fi
    drive <<EOF
start "$(winpath "$SCENARIO_DIR/$name.exe")"
window "$BROWSER"
set-text 101 "$(winpath "$out")"
$toggles
click 1
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
    if [ "$replaced" = 1 ]; then
      same_tree "$out" "$FIXTURES/basic.zip"
    else
      [ "$(cat "$out/a.txt")" = kept ] && [ "$(cat "$out/Docs/readme.txt")" = kept ] || fail "$name: an existing file was replaced"
      [ -f "$out/Zeta.txt" ] && [ -f "$out/Docs/Deep/data.bin" ] || fail "$name: missing files were not extracted"
    fi
  done
}

# The overwrite box toggles on each click and never by itself.
scenario_overwrite_box_toggles() {
  sfx pkg.exe "$FIXTURES/basic.zip" --flags 0x02
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
checked 501 0
click 501
sleep 300
checked 501 1
click 501
sleep 300
checked 501 0
click 2
exit 0
EOF
}

# Cancel and Escape end the SFX without writing anything.
scenario_cancel_and_escape() {
  mkdir -p cwd
  sfx pkg.exe "$FIXTURES/basic.zip"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")" "$(winpath "$SCENARIO_DIR/cwd")"
window "$BROWSER"
click 2
exit 0
start "$(winpath "$SCENARIO_DIR/pkg.exe")" "$(winpath "$SCENARIO_DIR/cwd")"
window "$BROWSER"
key 101 escape
exit 0
EOF
  [ -z "$(ls -A cwd)" ] || fail "files were written: $(ls -A cwd)"
}

# A cancelled folder browser leaves the field as the user typed it.
scenario_browse_cancelled() {
  sfx pkg.exe "$FIXTURES/basic.zip"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
set-text 101 "C:\\typed by hand"
click 775
browse-cancel
window "$BROWSER"
text 101 "C:\\typed by hand"
click 2
exit 0
EOF
}

# ---------------------------------------------------------------- file list ----

# The file list shows every entry, sorted without regard to case, all
# selected; extracting a few rows writes only those and closes both dialogs.
scenario_file_list_some_rows() {
  local out=$SCENARIO_DIR/out
  sfx pkg.exe "$FIXTURES/basic.zip"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
set-text 101 "$(winpath "$out")"
# The field is read at Extract or Browse only: confirm it with a cancelled Browse.
click 775
browse-cancel
window "$BROWSER"
click 3
window "File List"
rows 301 ${BASIC_ROWS[*]}
selected 301 0 1 2 3 4 5
select 301 0 0
select 301 2 0
select 301 5 0
selected 301 1 3 4
click 1
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  [ "$(cd "$out" && find . -type f | sort | tr '\n' ' ')" = "./Docs/readme.txt ./beta.txt ./tiny.txt " ] ||
    fail "extracted: $(cd "$out" && find . -type f | sort | tr '\n' ' ')"
  cmp "$out/beta.txt" "$FIXTURES/basic/beta.txt"
}

# No row selected: Extract writes nothing, says nothing, and the list stays;
# Cancel and reopen selects every row again.
scenario_file_list_nothing_selected() {
  mkdir -p cwd
  sfx pkg.exe "$FIXTURES/basic.zip"
  local deselect=""
  for i in 0 1 2 3 4 5; do deselect+="select 301 $i 0
"; done
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")" "$(winpath "$SCENARIO_DIR/cwd")"
window "$BROWSER"
click 3
window "File List"
$deselect
selected 301
click 1
stays 2
no-message
click 2
closes
window "$BROWSER"
click 3
window "File List"
selected 301 0 1 2 3 4 5
click 2
closes
window "$BROWSER"
click 2
exit 0
EOF
  [ -z "$(ls -A cwd)" ] || fail "files were written: $(ls -A cwd)"
}

# A file that cannot be created fails the pass; only its row stays selected,
# and Extract again after the cause is gone finishes the job.
scenario_file_list_retry_after_failure() {
  local out=$SCENARIO_DIR/out
  mkdir -p "$out/Zeta.txt"   # a folder where a file must go
  sfx pkg.exe "$FIXTURES/basic.zip" --flags 0x0A --folder "$(winpath "$out")"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
click 3
window "File List"
click 1
message "$BROWSER" exclamation "Cannot open file $(winpath "$out")\\Zeta.txt"
message "$BROWSER" stop "$FAILURE"
selected 301 5
rmdir "$(winpath "$out")\\Zeta.txt"
click 1
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  same_tree "$out" "$FIXTURES/basic.zip"
}

# ---------------------------------------------------------------- password ----

# Escape does not close the prompt; three wrong passwords end the pass
# silently after the plain entry; Extract again with the right password
# writes both encrypted entries with one prompt (the password is remembered).
scenario_password_prompt() {
  local out=$SCENARIO_DIR/out
  sfx pkg.exe "$FIXTURES/encrypted.zip"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
set-text 101 "$(winpath "$out")"
click 1
window "Password"
text 101 ""
key 101 escape
stays 1
set-text 101 "wrong"
click 1
closes
window "Password"
text 101 ""
click 1
closes
window "Password"
set-text 101 "Kovarin"
click 1
closes
window "$BROWSER"
stays 1
click 1
window "Password"
set-text 101 "kovarin"
click 1
closes
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  same_tree "$out" "$FIXTURES/encrypted.zip" -P kovarin
}

# Three wrong passwords: earlier entries are written, the encrypted ones are
# not, no message follows, and the dialog stays open.
scenario_password_three_wrong() {
  local out=$SCENARIO_DIR/out
  sfx pkg.exe "$FIXTURES/encrypted.zip"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
set-text 101 "$(winpath "$out")"
click 1
window "Password"
set-text 101 "one"
click 1
closes
window "Password"
set-text 101 "two"
click 1
closes
window "Password"
set-text 101 "three"
click 1
closes
window "$BROWSER"
stays 2
gone "Password"
no-message
click 2
exit 0
EOF
  [ "$(cd "$out" && find . -type f)" = "./plain.txt" ] || fail "written: $(cd "$out" && find . -type f | tr '\n' ' ')"
  cmp "$out/plain.txt" "$FIXTURES/encrypted/plain.txt"
}

# ---------------------------------------------------------------- launch ----

# After a successful extraction the LaunchCommand starts: "##" is the target
# folder, text after "|" the parameters.
scenario_launch_after_success() {
  local out=$SCENARIO_DIR/out
  sfx pkg.exe "$FIXTURES/launch.zip" --flags 0x0A --folder "$(winpath "$out")" --command "##run.bat|hello"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
click 1
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  wait_for_file "$out/marker.txt" || fail "the LaunchCommand did not run"
  sleep 0.5
  [ "$(tr -d '\r' <"$out/marker.txt")" = "launched hello" ] || fail "marker: $(cat "$out/marker.txt")"
  rm "$out/marker.txt"
  same_tree "$out" "$FIXTURES/launch.zip"
}

# A failed extraction launches nothing.
scenario_no_launch_after_failure() {
  local out=$SCENARIO_DIR/out
  mkdir -p "$out/payload.txt"
  sfx pkg.exe "$FIXTURES/launch.zip" --flags 0x0A --folder "$(winpath "$out")" --command "##run.bat"
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
click 1
message "$BROWSER" exclamation "Cannot open file $(winpath "$out")\\payload.txt"
message "$BROWSER" stop "$FAILURE"
stays 1
click 2
exit 0
EOF
  sleep 2
  [ ! -e "$out/marker.txt" ] || fail "the LaunchCommand ran after a failure"
}

# ---------------------------------------------------------------- start-up ----

# The SFX cannot open its own file: one box with the full path, no dialog.
scenario_startup_cannot_open_self() {
  sfx pkg.exe "$FIXTURES/basic.zip"
  drive <<EOF
start-locked "$(winpath "$SCENARIO_DIR/pkg.exe")"
message "$STARTUP_CAPTION" stop "Cannot open file $(winpath "$SCENARIO_DIR/pkg.exe")"
exit 0
gone "$BROWSER"
EOF
}

# An archive without entries: the list pass says so before the dialog shows,
# twice when the file list is not offered (the archive is walked twice).
scenario_empty_archive() {
  sfx pkg.exe "$FIXTURES/empty.zip"
  sfx nolist.exe "$FIXTURES/empty.zip" --flags 0x08
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
message "$BROWSER" exclamation "Cannot read archive header"
window "$BROWSER"
click 2
exit 0
start "$(winpath "$SCENARIO_DIR/nolist.exe")"
message "$BROWSER" exclamation "Cannot read archive header"
message "$BROWSER" exclamation "Cannot read archive header"
window "$BROWSER"
visible 3 0
click 2
exit 0
EOF
}

# ---------------------------------------------------------------- the image ----

# The shipped stub: a 32-bit Windows GUI executable of exactly 32256 bytes
# that imports only system DLLs (which Windows loads from System32, never
# from the folder the SFX sits in), with address randomisation and no-execute
# data, and a manifest that asks for no elevation.
scenario_image_is_a_small_gui_pe32() {
  local objdump=i686-w64-mingw32-objdump
  [ "$(stat -c %s "$STUB")" = 32256 ] || fail "the stub is $(stat -c %s "$STUB") bytes, not 32256"
  $objdump -f "$STUB" | grep -q "file format pei-i386" || fail "not a 32-bit PE image"
  local headers
  headers=$($objdump -p "$STUB")
  grep -q "^Magic[[:space:]]*010b[[:space:]]*(PE32)" <<<"$headers" || fail "not PE32"
  grep -q "^Subsystem[[:space:]]*00000002[[:space:]]*(Windows GUI)" <<<"$headers" || fail "not a GUI executable"
  grep -q "DYNAMIC_BASE" <<<"$headers" || fail "no address randomisation"
  grep -q "NX_COMPAT" <<<"$headers" || fail "not marked for no-execute data"
  local dlls
  dlls=$(grep "DLL Name:" <<<"$headers" | awk '{print toupper($3)}' | sort | tr '\n' ' ')
  echo "imports: $dlls"
  for dll in $dlls; do
    case $dll in
      KERNEL32.DLL | USER32.DLL | SHELL32.DLL) ;;
      *) fail "imports $dll, which is not a system DLL Windows always takes from System32" ;;
    esac
  done
  grep -q 'level="asInvoker"' "$STUB" || fail "no asInvoker manifest"
  $objdump -h "$STUB" | grep -q "\.rsrc" || fail "no resources"
}

# ---------------------------------------------------------------- screenshots ----

# Not a test: pictures of the three dialogs for the README, taken on request
# by scripts/screenshots.sh into $SFX_SCREENSHOTS_DIR.
scenario_screenshots() {
  [ -n "${SFX_SCREENSHOTS_DIR:-}" ] || fail "SFX_SCREENSHOTS_DIR is not set"
  # Without a window manager Wine draws the captions and frames itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null 2>&1
  sfx pkg.exe "$FIXTURES/encrypted.zip" --flags 0x0A --folder 'C:\Program Files\Kovarin Demo' \
    --description "Kovarin Demo 1.0: sample files and the demo program."
  drive <<EOF
start "$(winpath "$SCENARIO_DIR/pkg.exe")"
window "$BROWSER"
capture "$(winpath "$SCENARIO_DIR/main.bmp")"
click 3
window "File List"
select 301 1 0
capture "$(winpath "$SCENARIO_DIR/filelist.bmp")"
click 2
closes
window "$BROWSER"
set-text 101 "$(winpath "$SCENARIO_DIR/out")"
click 1
window "Password"
capture "$(winpath "$SCENARIO_DIR/password.bmp")"
set-text 101 "kovarin"
click 1
closes
message "$BROWSER" information "$SUCCESS"
exit 0
EOF
  mkdir -p "$SFX_SCREENSHOTS_DIR"
  for shot in main filelist password; do
    convert "$SCENARIO_DIR/$shot.bmp" "$SFX_SCREENSHOTS_DIR/$shot.png"
  done
}
