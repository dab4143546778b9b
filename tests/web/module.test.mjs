// The WebAssembly module as Node loads it (node --test): built by
// cmake --preset web && cmake --build --preset web into build-web/web, or
// the folder named by ICNKIT_WEB_DIR.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('../../', import.meta.url));
const webDir = process.env.ICNKIT_WEB_DIR ?? `${root}build-web/web`;
const createIcnkit = (await import(pathToFileURL(`${webDir}/icnkit.mjs`))).default;
const kit = await createIcnkit();

test('the folder is an npm package of the module, at the tools\' version', () => {
  const pkg = JSON.parse(readFileSync(`${webDir}/package.json`, 'utf8'));
  assert.equal(pkg.type, 'module');
  assert.equal(pkg.main, './icnkit.mjs');
  assert.equal(pkg.exports['.'].default, './icnkit.mjs');
  assert.equal(pkg.version, kit.version());
});

test('frame counts of the samples', () => {
  for (const generation of ['H1', 'H2']) {
    const bytes = readFileSync(`${root}examples/sample_${generation.toLowerCase()}.icn`);
    assert.equal(kit.frameCount(bytes, generation), 5);
  }
});

test('bad input is an Error with the tools\' message, and the module goes on', () => {
  const cases = [
    [[1, 0, 0], 'H1', 'Invalid archive: file shorter than its header'],
    [[1, 0, 0, 0, 0, 0], 'H1', 'Invalid archive: frame table runs past the end of the file'],
    // One H1 record whose stream would start at 6 + 0x100, beyond the file.
    [[1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0], 'H1',
      'Invalid archive: frame 0 starts outside the file'],
    [[0, 0, 0, 0, 0, 0], 'H3', 'Unknown generation: H3 (H1 or H2)'],
  ];
  for (const [bytes, generation, message] of cases) {
    assert.throws(() => kit.frameCount(new Uint8Array(bytes), generation),
      (error) => error instanceof Error && error.message === message);
  }
  assert.equal(kit.frameCount(new Uint8Array([0, 0, 0, 0, 0, 0]), 'H2'), 0);
});

test('the .wasm may be given as bytes', async () => {
  const own = await createIcnkit({ wasmBinary: readFileSync(`${webDir}/icnkit.wasm`) });
  assert.equal(own.version(), kit.version());
});
