#!/usr/bin/env bash
# Whole-process extraction benchmark: sfx-extract (the stub's own code)
# against unzip and 7-Zip on the same archives, in one run.
#
#   tests/bench/extract_bench.sh [RUNS]
#
# Prints a Markdown table: the best of RUNS wall-clock times per tool and
# archive, the ratios to unzip and 7-Zip (below 1.00: we are faster), and the
# peak memory of sfx-extract above its own baseline on an empty archive.
set -euo pipefail
cd "$(dirname "$0")/../.."
RUNS=${1:-5}
EXTRACT=dist/sfx-extract
[ -x "$EXTRACT" ] || { echo "build first: scripts/build.sh" >&2; exit 2; }
command -v 7z >/dev/null || { echo "7z is missing: scripts/setup.sh" >&2; exit 2; }

# In memory where possible, so disk write-back does not blur the times.
BASE=/dev/shm
[ -d "$BASE" ] && [ -w "$BASE" ] || BASE=${TMPDIR:-/tmp}
WORK=$(mktemp -d "$BASE/sfx-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# Corpora: a text corpus (source-like text), a binary corpus (an executable
# mix of code, tables and noise), and many small files.
python3 - "$WORK" <<'PY'
import os, random, sys
work = sys.argv[1]
random.seed(1)
words = [''.join(random.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(random.randint(2, 9))) for _ in range(3000)]
os.makedirs(f"{work}/text", exist_ok=True)
for n in range(8):
    with open(f"{work}/text/doc{n}.txt", "w") as f:
        for _ in range(60000):
            f.write(' '.join(random.choice(words) for _ in range(random.randint(4, 14))) + '\n')
os.makedirs(f"{work}/binary", exist_ok=True)
for n in range(4):
    with open(f"{work}/binary/blob{n}.bin", "wb") as f:
        parts = []
        for _ in range(2500):
            kind = random.random()
            if kind < 0.4:
                parts.append(bytes(random.getrandbits(8) for _ in range(random.randint(16, 400))))
            elif kind < 0.8:
                base = random.getrandbits(32)
                parts.append(b''.join(((base + i * 4) & 0xFFFFFFFF).to_bytes(4, 'little') for i in range(random.randint(8, 200))))
            else:
                parts.append(bytes([random.getrandbits(8)]) * random.randint(8, 3000))
        f.write(b''.join(parts))
os.makedirs(f"{work}/small", exist_ok=True)
for n in range(3000):
    d = f"{work}/small/d{n % 30}"
    os.makedirs(d, exist_ok=True)
    with open(f"{d}/f{n}.txt", "w") as f:
        f.write(' '.join(random.choice(words) for _ in range(random.randint(5, 300))) + '\n')
PY
for corpus in text binary small; do
  (cd "$WORK/$corpus" && zip -q -r -9 "$WORK/$corpus.zip" .)
  # An SFX: the stub's image (zeros will do natively) and the archive behind it.
  head -c 32256 /dev/zero > "$WORK/$corpus.exe"
  cat "$WORK/$corpus.zip" >> "$WORK/$corpus.exe"
done
python3 -c "import zipfile; zipfile.ZipFile('$WORK/none.zip','w').writestr('x','')"
{ head -c 32256 /dev/zero; cat "$WORK/none.zip"; } > "$WORK/none.exe"

best_time() {  # best_time COMMAND... : the best wall time of RUNS runs, in seconds
  local best=""
  for _ in $(seq "$RUNS"); do
    rm -rf "$WORK/out"; mkdir -p "$WORK/out"
    local t0 t1
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    best=$(python3 -c "t=$t1-$t0; b='$best'; print(min(t, float(b)) if b else t)")
  done
  printf '%.3f' "$best"
}
peak_kib() { rm -rf "$WORK/out"; mkdir -p "$WORK/out"; /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

baseline=$(peak_kib "$EXTRACT" "$WORK/none.exe" "$WORK/out")
echo "| archive | size | sfx-extract | unzip | 7z x | ratio to unzip | ratio to 7z | peak memory above baseline |"
echo "|---|---|---|---|---|---|---|---|"
for corpus in text binary small; do
  ours=$(best_time "$EXTRACT" "$WORK/$corpus.exe" "$WORK/out")
  unz=$(best_time unzip -q -o "$WORK/$corpus.zip" -d "$WORK/out")
  sev=$(best_time 7z x -y -bd -o"$WORK/out" "$WORK/$corpus.zip")
  peak=$(peak_kib "$EXTRACT" "$WORK/$corpus.exe" "$WORK/out")
  size=$(du -sh "$WORK/$corpus" | cut -f1)
  printf '| %s | %s | %ss | %ss | %ss | %.2f | %.2f | %d KiB |\n' "$corpus" "$size" "$ours" "$unz" "$sev" \
    "$(python3 -c "print($ours/$unz)")" "$(python3 -c "print($ours/$sev)")" "$((peak - baseline))"
done
