// The WebAssembly side of web_decode_bench.sh: the best wall time, over
// REPEATS runs, of kit.open(bytes) and archive.decode(i) of every frame
// (each into a Uint8Array, all kept),
// or with --make FRAMES SIDE, writes ARCHIVE: FRAMES frames of SIDE x SIDE
// pixels of runs and holes, packed by the module.
//   node web_decode_bench.mjs ARCHIVE REPEATS  ->  "<seconds> <pixels>"
import { readFileSync, writeFileSync } from 'node:fs';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('../', import.meta.url));
const webDir = process.env.ICNKIT_WEB_DIR ?? `${root}build-web/web`;
const kit = await (await import(pathToFileURL(`${webDir}/icnkit.mjs`))).default();
const [archive, ...rest] = process.argv.slice(2);

if (rest[0] === '--make') {
  const [count, side] = rest.slice(1).map(Number);
  const frames = Array.from({ length: count }, (_, i) => {
    const pixels = new Uint8Array(side * side);
    for (let y = 0; y < side; ++y) {
      for (let x = 0; x < side; ++x) {
        pixels[y * side + x] = (x + y + i) % 37 < 5 ? 0 : (((x >> 3) + (y >> 2) + i) % 200) + 1;
      }
    }
    return { left: -side / 2, top: -side, width: side, height: side, bits: 0, pixels };
  });
  writeFileSync(archive, (kit.build || kit.pack)('H1', frames));
} else {
  const bytes = new Uint8Array(readFileSync(archive));
  let best = Infinity;
  let pixels = 0;
  for (let run = 0; run < Number(rest[0]); ++run) {
    const start = process.hrtime.bigint();
    const opened = kit.open(bytes, 'H1');
    // The module of an earlier release decoded every frame in open.
    const kept = opened.decode ? opened.frames.map((_, i) => opened.decode(i))
      : opened.frames.map((frame) => frame.pixels);
    // Its bytes freed in the module at once, as the earlier open did before
    // returning (else each run's copy waits for the garbage collector).
    if (opened.close) opened.close();
    for (const frame of kept) pixels += frame.length;
    best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e9);
  }
  console.log(`${best.toFixed(6)} ${pixels}`);
}
