#!/usr/bin/env bash
# bench/compare_builds.sh OLD_BIN NEW_BIN [COUNT]: runs the four tools of two
# builds over the same generated corpus (bench/make_corpus.py, COUNT folders
# per generation, 150 by default) and fails unless every file written, every
# message and every exit status is the same:
#   1. pack every frame folder (morlet/morvix),
#   2. unpack every archive so made into a fresh folder (dravel/dravix),
#   3. write the previews of each generation's folder,
#   4. unpack damaged archives (cut short, bytes flipped) and pack folders
#      with damaged bitmaps and settings, keeping what each run printed.
# The outputs of the two builds land in WORK/old and WORK/new (WORK is a
# temporary folder, or $COMPARE_WORK).
set -euo pipefail
old_bin=$(realpath "${1:?usage: compare_builds.sh OLD_BIN NEW_BIN [COUNT]}")
new_bin=$(realpath "${2:?usage: compare_builds.sh OLD_BIN NEW_BIN [COUNT]}")
count=${3:-150}
here=$(cd "$(dirname "$0")" && pwd)
work=${COMPARE_WORK:-$(mktemp -d)}
mkdir -p "$work"

python3 "$here/make_corpus.py" "$work/corpus" "$count"

# Damaged inputs, made once and shared by both runs: archives packed by the
# old build, cut at a few places or with bytes flipped; bitmaps cut short.
python3 - "$work" "$old_bin" <<'EOF'
import os, random, subprocess, sys, shutil
work, old_bin = sys.argv[1], sys.argv[2]
rng = random.Random(7)
damaged = os.path.join(work, 'damaged')
os.makedirs(damaged, exist_ok=True)
for generation, packer in (('h1', 'morlet'), ('h2', 'morvix')):
    source = os.path.join(work, 'corpus', generation)
    scratch = os.path.join(work, 'scratch-' + generation)
    shutil.copytree(source, scratch)
    names = sorted(os.listdir(scratch))[:20]
    for name in names:
        subprocess.run([os.path.join(old_bin, packer), os.path.join(scratch, name)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        archive = os.path.join(scratch, name[:-len('.cadres')])
        data = open(archive, 'rb').read()
        for k in range(3):
            cut = data[:rng.randrange(len(data))]
            open(os.path.join(damaged, f'{generation}_{name[:3]}_cut{k}.icn'), 'wb').write(cut)
            flipped = bytearray(data)
            for _ in range(4):
                flipped[rng.randrange(len(flipped))] ^= 1 << rng.randrange(8)
            open(os.path.join(damaged, f'{generation}_{name[:3]}_flip{k}.icn'), 'wb').write(flipped)
    for name in names[:8]:
        folder = os.path.join(damaged, f'{generation}_{name}')
        shutil.copytree(os.path.join(source, name), folder)
        bitmaps = sorted(f for f in os.listdir(folder) if f.endswith('.bmp'))
        victim = os.path.join(folder, bitmaps[rng.randrange(len(bitmaps))])
        data = open(victim, 'rb').read()
        open(victim, 'wb').write(data[:rng.randrange(len(data) + 1)])
        if rng.random() < 0.5:
            with open(os.path.join(folder, 'setup.ini'), 'ab') as ini:
                ini.write(b'[Bits]\r\n0000.bmp=0x\r\nX=\x01\r\n')
    shutil.rmtree(scratch)
EOF

run() {  # run BIN OUT: every step of the comparison with the tools of BIN
  local bin=$1 out=$2 log
  rm -rf "$out"
  cp -r "$work/corpus" "$out"
  cp -r "$work/damaged" "$out/damaged"
  log="$out/log.txt"
  (
    cd "$out"
    for generation in h1 h2; do
      if [ $generation = h1 ]; then packer=morlet unpacker=dravel; else packer=morvix unpacker=dravix; fi
      for folder in $generation/*.icn.cadres; do
        echo "$packer $folder: $("$bin/$packer" "$folder" 2>&1; echo "exit $?")"
      done
      mkdir -p "unpacked/$generation"
      for archive in $generation/*.icn; do
        cp "$archive" "unpacked/$generation/"
        echo "$unpacker $archive: $("$bin/$unpacker" "unpacked/$archive" 2>&1; echo "exit $?")"
      done
      echo "$unpacker preview: $("$bin/$unpacker" "unpacked/$generation" "previews/$generation" 2>&1; echo "exit $?")"
      for archive in damaged/${generation}_*.icn; do
        echo "$unpacker $archive: $("$bin/$unpacker" "$archive" 2>&1; echo "exit $?")"
      done
      for folder in damaged/${generation}_*.icn.cadres; do
        echo "$packer $folder: $("$bin/$packer" "$folder" 2>&1; echo "exit $?")"
      done
    done
  ) >"$log"
}

run "$old_bin" "$work/old"
run "$new_bin" "$work/new"
if ! diff -r "$work/old" "$work/new" >"$work/diff.txt"; then
  head -40 "$work/diff.txt"
  echo "compare_builds: the builds differ (all of it: $work/diff.txt)"
  exit 1
fi
files=$(find "$work/new" -type f | wc -l)
echo "compare_builds: identical, $files files and $(wc -l <"$work/new/log.txt") runs (in $work)"
