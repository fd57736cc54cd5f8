# The archives of the end-to-end scenarios, made fresh in $FIXTURES by zip.
# Sourced by run.sh. Entries carry fixed times (even seconds, which DOS times
# keep exactly) and no folder entries (-D), as packagers write them.

# make_tree DIR FILE...: each FILE gets some text; *.bin files get random bytes.
make_tree() {
  local dir=$1; shift
  for file in "$@"; do
    mkdir -p "$dir/$(dirname "$file")"
    case $file in
      *.bin) head -c 9000 /dev/urandom >"$dir/$file" ;;
      *) for i in $(seq 40); do echo "$file line $i: the quick brown fox jumps over the lazy dog"; done >"$dir/$file" ;;
    esac
  done
  find "$dir" -exec touch -d "2021-03-04 05:06:08" {} +
}

# basic: deflated and stored entries, nested folders, names that sort
# differently with and without regard to case.
make_tree "$FIXTURES/basic" a.txt beta.txt Zeta.txt Docs/readme.txt Docs/Deep/data.bin
echo "tiny" >"$FIXTURES/basic/tiny.txt"
touch -d "2020-12-31 23:59:58" "$FIXTURES/basic/tiny.txt"
(cd "$FIXTURES/basic" && zip -q -X -D -r ../basic.zip . -x tiny.txt && zip -q -X -0 ../basic.zip tiny.txt)
BASIC_ROWS=(a.txt beta.txt Docs/Deep/data.bin Docs/readme.txt tiny.txt Zeta.txt)

# encrypted: a plain entry, then two entries with the password "kovarin".
make_tree "$FIXTURES/encrypted" plain.txt secret1.txt sub/secret2.txt
# A wrong password passes an entry's check byte by chance one time in 256 (the
# encryption header is random), and the scenarios would then mean something
# else; the archive is made again until no password they type wrongly fits.
for attempt in $(seq 20); do
  rm -f "$FIXTURES/encrypted.zip"
  (cd "$FIXTURES/encrypted" && zip -q -X -D ../encrypted.zip plain.txt &&
     zip -q -X -D -P kovarin ../encrypted.zip secret1.txt sub/secret2.txt)
  python3 - "$FIXTURES/encrypted.zip" <<'PY' && break
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
for info in archive.infolist():
    if not info.flag_bits & 1:
        continue
    for wrong in (b"wrong", b"Kovarin", b"one", b"two", b"three"):
        try:
            archive.open(info, pwd=wrong).close()
        except RuntimeError:  # the check byte refuses it
            continue
        sys.exit(1)
PY
done

# launch: a batch file that leaves a marker with its first parameter in its
# own folder, to be started after the extraction.
mkdir -p "$FIXTURES/launch"
printf '@echo off\r\necho launched %%1> "%%~dp0marker.txt"\r\n' >"$FIXTURES/launch/run.bat"
make_tree "$FIXTURES/launch" payload.txt
(cd "$FIXTURES/launch" && zip -q -X -D ../launch.zip run.bat payload.txt)

# empty: an archive without entries (only the end record).
python3 -c 'import sys; sys.stdout.buffer.write(b"PK\x05\x06" + bytes(18))' >"$FIXTURES/empty.zip"
