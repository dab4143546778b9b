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

    const gif = runNative(sample, 'gif', '--delay', '80', '--scale', '2', '--frames', '1-99', sample);
    assert.deepEqual(kit.gif(bytes, { name, delay: 80, scale: 2, frames: '1-99' }),
      new Uint8Array(gif.read(sample.replace('.icn', '.gif'))));

    const thumbnail = runNative(sample, 'thumbnail', '-s', '40', sample, 't.png');
    assert.deepEqual(kit.thumbnail(bytes, { name, size: 40 }), new Uint8Array(thumbnail.read('t.png')));

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
      assert.deepEqual(archive.palette, kit.readPalette(archive.generation));
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
    [() => kit.gif(h1, { frames: '3-1' }), '--frames 3-1: the range is reversed; write 1-3'],
    [() => kit.thumbnail(h1, { size: 0 }), 'The size must lie within 1..4096'],
    [() => kit.packFiles(edited),
      'PNG "0002.png": pixel (0, 0) has colour #010203, which is not in the palette'],
  ];
  for (const [call, message] of cases) {
    assert.throws(call, (error) => error instanceof Error && error.message === message);
  }
  assert.equal(kit.open(new Uint8Array(6), 'H2').frames.length, 0);
});

// The archive at path, cut to its first n bytes.
const truncated = (sample, n) => bytesOf(sample).slice(0, n);

test('each operation of docs/api.md under its name, outputs the tool\'s byte for byte', () => {
  for (const sample of samples) {
    const bytes = bytesOf(sample);
    const name = sample;
    const archive = kit.open(bytes, null, { name });
    // One archive opened once serves info, sheet, gif and unpack.
    assert.equal(kit.info(archive), runNative(sample, 'info', sample).stdout);
    const info = JSON.parse(kit.info(archive, { json: true }))[0];
    assert.equal(archive.frameCount, info.frames.length);
    const { x, y, width, height } = info.rectangle;
    assert.deepEqual(archive.rect, { left: x, top: y, width, height });
    const sheet = runNative(sample, 'sheet', '--padding', '1', sample);
    assert.deepEqual(kit.sheet(archive, { padding: 1 }).png,
      new Uint8Array(sheet.read(sample.replace('.icn', '.png'))));
    const gif = runNative(sample, 'gif', '--scale', '3', sample);
    assert.deepEqual(kit.gif(archive, { scale: 3 }), new Uint8Array(gif.read(sample.replace('.icn', '.gif'))));
    const unpack = runNative(sample, 'unpack', sample);
    const files = kit.unpack(archive);
    for (const file of files) {
      assert.deepEqual(file.bytes, new Uint8Array(unpack.read(`${sample}.cadres/${file.name}`)), file.name);
    }
    assert.deepEqual(kit.pack(files), bytes);
    const decoded = archive.frames.map((frame, i) => Object.assign({}, frame, { pixels: archive.decode(i) }));
    assert.deepEqual(kit.build(archive.generation, decoded), bytes);
    const made = kit.sheet(archive);
    assert.deepEqual(kit.packSheet(made.png, made.json), bytes);
    assert.equal(kit.detect(bytes), archive.generation);
    assert.deepEqual(kit.readPalette(archive.generation), archive.palette);
    archive.close();
    assert.throws(() => archive.decode(0), kit.Error);
  }
  assert.equal(kit.detect(new TextEncoder().encode('not an archive at all')), null);
  // Palettes: what writePalette writes, the tool writes; a dark raw palette
  // reads back as written at 8 bits, brighter by default.
  const dark = new Uint8Array(768).map((_, i) => i % 64);
  for (const name of ['p.pal', 'p.gpl', 'p.act', 'p.raw']) {
    const written = kit.writePalette(dark, name);
    assert.deepEqual(kit.readPalette(written, name, { palette8bit: true }), dark, name);
  }
  const raw = kit.writePalette(dark, 'p.raw');
  assert.equal(kit.readPalette(raw, 'p.raw')[1], Math.round(255 / 63));
  assert.equal(kit.readPalette(raw, 'p.raw', { palette6bit: true })[1], Math.round(255 / 63));
});

test('open decodes when asked: records at once, pixels by decode or a frame\'s pixels, regions', () => {
  const bytes = bytesOf('sample_h2.icn');
  const archive = kit.open(bytes);
  const old = kit.open(bytes);
  for (let i = 0; i < archive.frameCount; ++i) {
    const whole = archive.decode(i);
    const { width, height } = archive.frames[i];
    assert.deepEqual(old.frames[i].pixels, whole);
    // Every step-th pixel of a region, 0 outside the frame.
    for (const [x, y, w, h, step] of [[0, 0, width, height, 1], [1, 2, 7, 5, 2], [-3, -1, 9, 40, 3]]) {
      const want = [];
      for (let row = 0; row < Math.ceil(h / step); ++row) {
        for (let column = 0; column < Math.ceil(w / step); ++column) {
          const fx = x + column * step;
          const fy = y + row * step;
          want.push(fx >= 0 && fy >= 0 && fx < width && fy < height ? whole[fy * width + fx] : 0);
        }
      }
      assert.deepEqual(archive.decode(i, { x, y, width: w, height: h, step }), new Uint8Array(want));
    }
  }
  // Pixels edited in place stay edited; a value set before it is read stays.
  old.frames[0].pixels[0] = 7;
  assert.equal(old.frames[0].pixels[0], 7);
  old.frames[1].bits = 3;
  assert.deepEqual([old.frames[1].bits, old.frames[1].fillOnly], [3, false]);
  assert.throws(() => archive.decode(archive.frameCount),
    { message: `Frame ${archive.frameCount} out of range: the archive has ${archive.frameCount} frames` });
  assert.throws(() => archive.decode(0, { step: 0 }), kit.Error);
  assert.throws(() => archive.decode(-1), TypeError);
});

test('a frame of 16000 x 16000 pixels is drawn a screen at a time, and the decoded pixels are bounded', () => {
  // One frame declared 16000 x 16000 whose stream ends at once.
  const huge = kit.build('H2', [{ width: 1, height: 1, pixels: new Uint8Array([9]) }]);
  const view = new DataView(huge.buffer);
  view.setUint16(6 + 4, 16000, true);
  view.setUint16(6 + 6, 16000, true);
  const archive = kit.open(huge, 'H2');
  assert.equal(archive.frames[0].width, 16000);
  const screen = archive.decode(0, { width: 16000, height: 16000, step: 16 });
  assert.equal(screen.length, 1000 * 1000);
  assert.equal(screen[0], 9);
  assert.equal(kit.maxDecodedPixels, 2 ** 30);
  const saved = kit.maxDecodedPixels;
  try {
    kit.maxDecodedPixels = 1000;
    assert.throws(() => archive.frames[0].pixels, { name: 'IcnkitError', message:
      'Too many decoded pixels: frame 0 (16000 x 16000) would make 256000000 held by the archive, '
      + "past kit.maxDecodedPixels (1000); let go of frames' pixels, or raise it" });
    assert.throws(() => { kit.maxDecodedPixels = 'many'; }, TypeError);
  } finally {
    kit.maxDecodedPixels = saved;
  }
});

test('bytes of every kind are read, anything else is a TypeError; errors are the tools\'', () => {
  const bytes = bytesOf('sample_h1.icn');
  const padded = new Uint8Array(bytes.length + 8);
  padded.set(bytes, 3);
  const views = [bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length),
    new DataView(padded.buffer, 3, bytes.length), new Uint8ClampedArray(padded.buffer, 3, bytes.length),
    new Int8Array(padded.buffer, 3, bytes.length), Buffer.from(bytes)];
  for (const view of views) {
    assert.equal(kit.open(view, 'H1').frameCount, 5, view.constructor.name);
    assert.equal(kit.detect(view), 'H1', view.constructor.name);
  }
  for (const wrong of [[1, 2, 3], 'archive.icn', 42, null, undefined, {}]) {
    assert.throws(() => kit.open(wrong), TypeError);
    assert.throws(() => kit.info(wrong), TypeError);
  }
  // A damaged archive (its header fits, its table or streams are cut) gives
  // the unpackers' reason, its generation given or not; the archive is the
  // error's file.
  for (const sample of samples) {
    const cut = truncated(sample, bytesOf(sample).length - 20);
    for (const generation of [null, sample === 'sample_h1.icn' ? 'H1' : 'H2']) {
      assert.throws(() => kit.open(cut, generation, { name: 'x.icn' }), (error) => error instanceof kit.Error
        && error.kind === 'InvalidInput' && error.file === 'x.icn'
        && error.message === 'Invalid archive: frame 4 starts outside the file');
    }
    assert.throws(() => kit.info(truncated(sample, 20)),
      { message: 'Invalid archive: frame table runs past the end of the file' });
  }
});

test('the old names work one release, with a warning each once', async () => {
  const bytes = bytesOf('sample_h2.icn');
  const kit = await createIcnkit();
  const warnings = [];
  const warn = console.warn;
  console.warn = (message) => warnings.push(message);
  try {
    const archive = kit.open(bytes);
    assert.deepEqual(kit.pack(archive.generation, archive.frames), bytes);
    assert.deepEqual(kit.pack(archive.generation, archive.frames), bytes);
    assert.deepEqual(kit.packFiles(kit.unpackPng(bytes)), bytes);
    assert.deepEqual(kit.palette('H2'), archive.palette);
  } finally {
    console.warn = warn;
  }
  assert.equal(warnings.length, 4);
  assert.ok(warnings.every((message) => /deprecated/.test(message)));
});

test('the .wasm may be given as bytes', async () => {
  const own = await createIcnkit({ wasmBinary: readFileSync(`${webDir}/icnkit.wasm`) });
  assert.equal(own.version(), kit.version());
});
