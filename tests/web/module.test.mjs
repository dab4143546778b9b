// The WebAssembly module as Node loads it (node --test), its bytes compared
// with the native icnkit's for the same input: the module from
// build-web/web (cmake --preset web && cmake --build --preset web) or
// ICNKIT_WEB_DIR, the tool from build/bin/icnkit (the dev build) or
// ICNKIT_NATIVE.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync }
  from 'node:fs';
import { tmpdir } from 'node:os';
import { after, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('../../', import.meta.url));
const webDir = process.env.ICNKIT_WEB_DIR ?? `${root}build-web/web`;
const native = process.env.ICNKIT_NATIVE ?? `${root}build/bin/icnkit`;
const createIcnkit = (await import(pathToFileURL(`${webDir}/icnkit.mjs`))).default;
const kit = await createIcnkit();
const work = mkdtempSync(`${tmpdir()}/icnkit-module-`);
after(() => rmSync(work, { recursive: true, force: true }));

// The native tool run in work/<name>/ on a copy of the sample (named as
// it), and the folder.
function runNative(sample, ...args) {
  const dir = mkdtempSync(`${work}/run-`);
  copyFileSync(`${root}examples/${sample}`, `${dir}/${sample}`);
  const stdout = execFileSync(native, args, { cwd: dir, encoding: 'utf8' });
  return { dir, stdout, read: (name) => readFileSync(`${dir}/${name}`) };
}

const samples = ['sample_h1.icn', 'sample_h2.icn'];
const bytesOf = (sample) => new Uint8Array(readFileSync(`${root}examples/${sample}`));

test('the folder is an npm package of the module, at the tools\' version', () => {
  const pkg = JSON.parse(readFileSync(`${webDir}/package.json`, 'utf8'));
  assert.equal(pkg.exports['.'].default, './icnkit.mjs');
  assert.equal(pkg.types, './icnkit.d.ts');
  assert.equal(pkg.version, kit.version());
});

test('every output is the native tool\'s, byte for byte', () => {
  for (const sample of samples) {
    const bytes = bytesOf(sample);
    const name = sample;
    const sheet = runNative(sample, 'sheet', sample);
    const made = kit.sheet(bytes, { name });
    assert.deepEqual(made.png, new Uint8Array(sheet.read(sample.replace('.icn', '.png'))));
    assert.equal(made.json, sheet.read(sample.replace('.icn', '.json')).toString());

    const gif = runNative(sample, 'gif', '--delay', '80', '--scale', '2', sample);
    assert.deepEqual(kit.gif(bytes, { name, delay: 80, scale: 2 }),
      new Uint8Array(gif.read(sample.replace('.icn', '.gif'))));

    const unpack = runNative(sample, 'unpack', '--format', 'png', '--transparent', sample);
    const files = kit.unpackPng(bytes, { name, transparent: true });
    const folder = `${unpack.dir}/${sample}.cadres`;
    assert.deepEqual(files.map((file) => file.name), readdirSync(folder).sort());
    for (const file of files) {
      assert.deepEqual(file.bytes, new Uint8Array(readFileSync(`${folder}/${file.name}`)), file.name);
    }

    assert.equal(kit.info(bytes, { name }), runNative(sample, 'info', sample).stdout);
    assert.equal(kit.info(bytes, { name, json: true }),
      runNative(sample, 'info', '--json', sample).stdout);
  }
});

test('open gives records, palette and pixels; pack, packFiles and packSheet give the archive back',
  () => {
    for (const sample of samples) {
      const bytes = bytesOf(sample);
      const archive = kit.open(bytes);
      const info = JSON.parse(kit.info(bytes, { name: sample, json: true }))[0];
      assert.equal(archive.generation, info.generation);
      assert.deepEqual(archive.palette, kit.palette(archive.generation));
      assert.deepEqual(archive.frames.map(({ left, top, width, height, bits, fillOnly }) =>
        ({ left, top, width, height, bits, fill_only: fillOnly })),
      info.frames.map(({ left, top, width, height, bits, fill_only }) =>
        ({ left, top, width, height, bits, fill_only })));
      for (const frame of archive.frames) {
        assert.equal(frame.pixels.length, frame.width * frame.height);
      }
      assert.deepEqual(kit.pack(archive.generation, archive.frames), bytes);
      assert.deepEqual(kit.packFiles(kit.unpackPng(bytes)), bytes);
      const sheet = kit.sheet(bytes);
      assert.deepEqual(kit.packSheet(sheet.png, sheet.json), bytes);
    }
  });

test('open tells its progress', () => {
  const calls = [];
  kit.open(bytesOf('sample_h1.icn'), 'H1', { progress: (done, total) => calls.push([done, total]) });
  assert.deepEqual(calls, [[0, 5], [1, 5], [2, 5], [3, 5], [4, 5], [5, 5]]);
});

test('the zip of frames holds the files as they are', () => {
  const files = kit.unpackPng(bytesOf('sample_h2.icn'));
  writeFileSync(`${work}/frames.zip`, kit.zip(files));
  const listed = execFileSync('python3', ['-c', `import zipfile, sys, json
z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None
print(json.dumps([[i.filename, list(z.read(i))] for i in z.infolist()]))`, `${work}/frames.zip`],
  { encoding: 'utf8' });
  assert.deepEqual(JSON.parse(listed), files.map((f) => [f.name, [...f.bytes]]));
  // 65,536 files need the zip64 end record.
  const many = Array.from({ length: 65536 }, (_, i) => ({ name: `${i}`, bytes: new Uint8Array([i & 255]) }));
  writeFileSync(`${work}/many.zip`, kit.zip(many));
  assert.equal(execFileSync('python3', ['-c', `import zipfile, sys
z = zipfile.ZipFile(sys.argv[1]); print(len(z.infolist()), z.read('65535')[0])`, `${work}/many.zip`],
  { encoding: 'utf8' }), '65536 255\n');
});

test('bad input is an Error with the tools\' message, and the module goes on', () => {
  const h1 = bytesOf('sample_h1.icn');
  const files = kit.unpackPng(h1);
  // 0002.png replaced by a 1 x 1 RGB PNG of a colour no palette entry has.
  const foreign = execFileSync('convert', ['-size', '1x1', 'xc:#010203', 'png24:-']);
  const edited = files.map((f) => (f.name === '0002.png' ? { ...f, bytes: foreign } : f));
  const cases = [
    [() => kit.open(new Uint8Array([1, 0, 0]), 'H1'), 'Invalid archive: file shorter than its header'],
    [() => kit.open(h1.subarray(0, 30), 'H1'),
      'Invalid archive: frame table runs past the end of the file'],
    [() => kit.open(h1, 'H3'), 'Unknown generation: H3 (H1 or H2)'],
    [() => kit.open(new Uint8Array(6), null, { name: 'x.icn' }),
      'cannot tell whether x.icn is H1 or H2; give its generation'],
    [() => kit.pack('H1', [{ width: 2, height: 2, pixels: new Uint8Array(3) }]),
      'frame 0: 2 x 2 pixels expected, 3 given'],
    [() => kit.gif(h1, { scale: 65 }), 'The scale must lie within 1..64'],
    [() => kit.packFiles(edited),
      'PNG "0002.png": pixel (0, 0) has colour #010203, which is not in the palette'],
  ];
  for (const [call, message] of cases) {
    assert.throws(call, (error) => error instanceof Error && error.message === message);
  }
  assert.equal(kit.open(new Uint8Array(6), 'H2').frames.length, 0);
});

test('the .wasm may be given as bytes', async () => {
  const own = await createIcnkit({ wasmBinary: readFileSync(`${webDir}/icnkit.wasm`) });
  assert.equal(own.version(), kit.version());
});
