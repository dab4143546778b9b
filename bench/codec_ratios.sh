#!/usr/bin/env bash
# Decode speed against the floor: runs codec_bench with its benchmarks
# interleaved at random, REPS rounds, and prints for each decoder the CPU
# time over that of the memset of the same raster (BM_MemsetFloor) in the
# same rounds: median over median (the figure the goal is checked on:
# sprite frames <= 2, fragmented <= 4), best over best, and the range of
# the ratios round by round. The Walk lines read the same streams' codes
# one after another, a branch per kind, and write nothing: where a code
# starts depends on the code before it, so that chain of dependent reads is
# in the decode time too, and the decode time cannot go below it by faster
# moves alone. The DecodePortable lines are the same decoders without the
# masked moves of format/MaskedRuns.h, as processors without them run them
# (on such a processor, the Decode and DecodePortable lines are the same).
# The MOVES lines are the first floor: the runs of the same streams, noted
# beforehand, written one after another with no code read, with the C
# library's memcpy/memset per run and with the masked moves, the lesser of
# the two. A decoder that writes its runs one by one with these moves cannot
# go below it, however fast it finds the runs; where it is above the goal,
# the goal is out of reach for such a decoder on this processor.
# The machine is shared: CPU time, not wall time, and many short rounds
# rather than one long one.
#
# Usage: bench/codec_ratios.sh [build/bin] [rounds, default 15]
set -euo pipefail
bin=$(cd "${1:-build/bin}" && pwd)
rounds=${2:-15}
[ -x "$bin/codec_bench" ] || { echo "missing $bin/codec_bench: build first" >&2; exit 1; }
out=$(mktemp /tmp/icnkit-codec-ratios-XXXXXX.json)
trap 'rm -f "$out"' EXIT
"$bin/codec_bench" --benchmark_filter='Memset|Decode|Walk|Moves' --benchmark_repetitions="$rounds" \
  --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05 \
  --benchmark_out="$out" --benchmark_out_format=json >/dev/null 2>&1
python3 - "$out" <<'EOF'
import json, statistics, sys
times, skipped = {}, {}
for b in json.load(open(sys.argv[1]))['benchmarks']:
    if b.get('error_occurred'):
        skipped[b['run_name']] = b.get('error_message', '')
    elif b.get('run_type') == 'iteration':
        times.setdefault(b['run_name'], []).append(b['cpu_time'])
floor = times.pop('BM_MemsetFloor')
def shape_and_goal(arg):
    # Argument 1 is the fragmented frame (goal <= 4), 0 the sprite (<= 2).
    return ('fragmented', 4) if arg == '1' else ('sprite', 2)
print(f"memset floor: median {statistics.median(floor):.0f} ns CPU ({len(floor)} rounds)")
moves = {}
for name in [n for n in times if 'Moves' in n]:
    generation, shape = name[3:5], name.split('/')[1]
    moves.setdefault((generation, shape), []).append((statistics.median(times.pop(name)), name[3:]))
for name, why in sorted(skipped.items()):
    print(f"not measured: {name[3:]}: {why}")
for (generation, shape), found in sorted(moves.items()):
    best, name = min(found)
    label, goal = shape_and_goal(shape)
    print(f"MOVES {generation}/{shape} {label:<10} "
          f"{best / statistics.median(floor):5.2f}  ({name}, {best:.0f} ns; the moves alone, "
          f"no code read, against the goal <= {goal})")
for name in sorted(times):
    cpu = times[name]
    paired = [d / f for d, f in zip(cpu, floor)]
    shape, goal = shape_and_goal(name.split('/')[1])
    m = statistics.median(cpu) / statistics.median(floor)
    if 'Walk' in name:
        verdict = '(codes only, nothing written)'
    elif 'FillOnly' in name:
        verdict = f'goal <= {goal}  (no goal)'
    else:
        verdict = f"goal <= {goal}  {'met' if m <= goal else 'MISSED'}"
    print(f"RATIO {name[3:]:<20} {shape:<10} {m:5.2f}  (best/best {min(cpu) / min(floor):.2f}, "
          f"per round {min(paired):.2f}-{max(paired):.2f}; {statistics.median(cpu):.0f} ns)  "
          f"{verdict}")
EOF
