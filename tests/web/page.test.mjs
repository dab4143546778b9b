// icnkit's page (build-web/web/index.html) opened from file:// in headless
// Chromium (page-harness.mjs): archives opened and drawn, the downloads
// compared with the native icnkit's files, editing by frame PNGs, by a
// sheet and by placing frames, Undo and Revert, every archive name, drops
// that land on one archive or are refused, the pixel under the pointer,
// everything by keyboard, axe-core's checks in light and dark; no request
// leaves the machine and no script error goes uncaught.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { after, before, test } from 'node:test';
import { downloads, drop, kit, launch, native, openPage, root, runNative, section, work }
  from './page-harness.mjs';

const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const sample = (name) => readFileSync(`${root}examples/${name}`);
let browser;
let page;

before(async () => {
  browser = await launch();
  page = await openPage(browser);
});
after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

const unzip = (bytes) => {
  writeFileSync(`${work}/saved.zip`, bytes);
  return JSON.parse(execFileSync('python3', ['-c', `import zipfile, sys, json
print(json.dumps({i.filename: z.read(i).hex() for z in [zipfile.ZipFile(sys.argv[1])] for i in z.infolist()}))`,
  `${work}/saved.zip`], { encoding: 'utf8' }));
};
// A canvas's RGBA bytes.
const pixelsOf = (locator) => locator.evaluate((canvas) =>
  [...canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data]);
const rgbaOf = (pixels, palette) => [...pixels].flatMap((index) => (index === 0 ? [0, 0, 0, 0]
  : [...palette.subarray(index * 3, index * 3 + 3), 255]));
const closeAll = () => page.evaluate(() => document.querySelectorAll('.archive .close').forEach((b) => b.click()));

test('archives open, drawn and told as icnkit tells them; bad input is shown', async () => {
  writeFileSync(`${work}/bad.icn`, new Uint8Array([1, 0, 0]));
  await page.setInputFiles('#open', [`${root}examples/sample_h1.icn`, `${work}/bad.icn`]);
  await page.waitForSelector('#error:not([hidden])');
  const h1 = section(page, 'sample_h1.icn');
  assert.equal(await page.textContent('#error'),
    'bad.icn: Invalid archive: file shorter than its header');
  assert.equal(await h1.locator('.summary').textContent(), 'H1, 5 frames');
  await h1.locator('.info-box summary').click();
  await page.waitForFunction(() => document.querySelector('.archive .info').textContent !== '');
  assert.equal(await h1.locator('.info').textContent(),
    execFileSync(native, ['info', 'sample_h1.icn'], { cwd: `${root}examples`, encoding: 'utf8' }));
  await h1.locator('.table-box summary').click();
  await h1.locator('.table tr.row').first().waitFor();  // drawn when the box's toggle event comes
  assert.equal(await h1.locator('.table tr.row').count(), 5);
  // Frame 3's thumbnail: its pixels in the palette's colours, shown at a
  // whole factor of its size, pixelated.
  const frame = kit.open(sample('sample_h1.icn')).frames[3];
  const thumb = h1.locator('.frames canvas').nth(3);
  await page.waitForFunction((width) => document.querySelectorAll('.frames canvas')[3].width === width, frame.width);
  assert.deepEqual(await pixelsOf(thumb), rgbaOf(frame.pixels, kit.readPalette('H1')));
  const shown = await thumb.evaluate((canvas) => [canvas.style.width, canvas.style.height,
    getComputedStyle(canvas).imageRendering]);
  assert.deepEqual(shown, [`${frame.width * 3}px`, `${frame.height * 3}px`, 'pixelated']);
});

test('the downloads are the native tool\'s files', async () => {
  const h1 = section(page, 'sample_h1.icn');
  const sheetDir = runNative('sample_h1.icn', 'sheet');
  assert.deepEqual(await downloads(page, h1.locator('.download-sheet'), 2), {
    'sample_h1.png': readFileSync(`${sheetDir}/sample_h1.png`),
    'sample_h1.json': readFileSync(`${sheetDir}/sample_h1.json`),
  });
  const gifDir = runNative('sample_h1.icn', 'gif');
  assert.deepEqual(await downloads(page, h1.locator('.download-gif'), 1),
    { 'sample_h1.gif': readFileSync(`${gifDir}/sample_h1.gif`) });
  const framesDir = `${runNative('sample_h1.icn', 'unpack', '--format', 'png')}/sample_h1.icn.cadres`;
  const zip = await downloads(page, h1.locator('.download-frames'), 1);
  assert.deepEqual(unzip(zip['sample_h1.icn.cadres.zip']), Object.fromEntries(readdirSync(framesDir)
    .map((name) => [name, readFileSync(`${framesDir}/${name}`).toString('hex')])));
  assert.deepEqual(await downloads(page, h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': sample('sample_h1.icn') });
});

test('edited frames and sheets rebuild the archive with the tool\'s rules; Undo and Revert', async () => {
  const h1 = section(page, 'sample_h1.icn');
  const folder = `${runNative('sample_h1.icn', 'unpack', '--format', 'png')}/sample_h1.icn.cadres`;
  // A colour of no palette entry is refused, the pixel named.
  execFileSync('convert', ['-size', '2x2', 'xc:#010203', `png24:${work}/0002.png`]);
  await h1.locator('.edit').setInputFiles(`${work}/0002.png`);
  await page.waitForSelector('#error:not([hidden])');
  assert.equal(await page.textContent('#error'), 'sample_h1.icn: PNG "0002.png": pixel (0, 0) ' +
    'has colour #010203, which is not in the palette');
  assert.equal(await h1.locator('.modified').isHidden(), true);
  // Frame 3 drawn as frame 2: the archive icnkit pack makes of the folder.
  copyFileSync(`${folder}/0002.png`, `${folder}/0003.png`);
  await h1.locator('.edit').setInputFiles(`${folder}/0003.png`);
  await page.waitForFunction(() => document.getElementById('status-text').textContent.includes('rebuilt'));
  execFileSync(native, ['pack', '-o', `${work}/edited.icn`, folder]);
  assert.deepEqual(await downloads(page, h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': readFileSync(`${work}/edited.icn`) });
  assert.equal(await h1.locator('.modified').isVisible(), true);
  // The unedited sheet of sample_h2, dropped on it: sample_h2's archive.
  const sheetDir = runNative('sample_h2.icn', 'sheet');
  await drop(page, '.archive .frames', ['sample_h2.png', 'sample_h2.json'].map((name) =>
    [name, readFileSync(`${sheetDir}/${name}`)]));
  await page.waitForFunction(() => document.querySelector('.archive .summary').textContent === 'H2, 5 frames');
  assert.deepEqual(await downloads(page, h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': sample('sample_h2.icn') });
  // Undo: the frames' edit again; Revert: the file opened.
  await h1.locator('.undo').click();
  await page.waitForFunction(() => document.querySelector('.archive .summary').textContent === 'H1, 5 frames');
  assert.deepEqual(await downloads(page, h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': readFileSync(`${work}/edited.icn`) });
  await h1.locator('.revert').click();
  await page.waitForFunction(() => document.getElementById('status-text').textContent.startsWith('Reverted'));
  assert.equal(await h1.locator('.modified').isHidden(), true);
  assert.deepEqual(await downloads(page, h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': sample('sample_h1.icn') });
});

// A frame folder's BMP (8 bits, bottom-up rows) with its pixels moved by
// (dx, dy), what moves out of it lost, index 0 where nothing moved in.
function moveInBmp(path, dx, dy) {
  const bmp = readFileSync(path);
  const [start, width, height] = [bmp.readUInt32LE(10), bmp.readInt32LE(18), bmp.readInt32LE(22)];
  const stride = (width + 3) & ~3;
  const at = (x, y) => start + (height - 1 - y) * stride + x;
  const old = Buffer.from(bmp);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const [fx, fy] = [x - dx, y - dy];
      bmp[at(x, y)] = fx >= 0 && fy >= 0 && fx < width && fy < height ? old[at(fx, fy)] : 0;
    }
  }
  writeFileSync(path, bmp);
}

test('frames placed by keys, by dragging and in the table: the archive icnkit packs', async () => {
  const h1 = section(page, 'sample_h1.icn');
  await h1.locator('.stage').focus();
  for (let i = 0; i < 3; ++i) await page.keyboard.press('ArrowRight');
  assert.match(await h1.locator('.frame-text').textContent(), /^frame 3 of 5: 15 x 19 at \(-7, -25\)/);
  for (const key of ['Alt+ArrowRight', 'Alt+ArrowRight', 'Alt+ArrowUp', 'Alt+Shift+ArrowDown']) {
    await page.keyboard.press(key);
  }
  assert.match(await h1.locator('.frame-text').textContent(), /at \(-5, -16\)/);
  // Frame 4 dragged 3 pixels left at zoom 4; frame 1 made fill-only in the table.
  await h1.locator('.zoom').selectOption('4');
  await h1.locator('.stage').press('End');
  const view = await h1.locator('.view').boundingBox();
  await page.mouse.move(view.x + 20, view.y + 10);
  await page.mouse.down();
  await page.mouse.move(view.x + 8, view.y + 10, { steps: 4 });
  await page.mouse.up();
  assert.match(await h1.locator('.frame-text').textContent(), /^frame 4 of 5: 15 x 5 at \(-10, -2\)/);
  const bits = h1.locator('.table input.bits').nth(1);
  await bits.fill('32');
  await bits.press('Tab');
  const archive = await downloads(page, h1.locator('.download-archive'), 1);
  // The same frames through the tool: unpacked, moved, bits set, packed.
  const folder = `${runNative('sample_h1.icn', 'unpack')}/sample_h1.icn.cadres`;
  moveInBmp(`${folder}/0003.bmp`, 2, 9);
  moveInBmp(`${folder}/0004.bmp`, -3, 0);
  const ini = readFileSync(`${folder}/setup.ini`, 'latin1');
  const placedIni = ini.replace(/^(0001\.bmp=)0$/m, '$132');
  assert.notEqual(placedIni, ini);
  writeFileSync(`${folder}/setup.ini`, placedIni, 'latin1');
  execFileSync(native, ['pack', '-o', `${work}/placed.icn`, folder]);
  const placed = { 'sample_h1.icn': readFileSync(`${work}/placed.icn`) };
  assert.deepEqual(archive, placed);
  // What the module refuses is shown, and the frames stay as the archive
  // holds them: bits H1 cannot keep, a place past 32767, no number.
  for (const [input, value, message] of [['bits', '8', 'frame 1: Bits out of range: 8 (H1: 0 or 32)'],
    ['left', '32768', 'frame 1: Frame out of range'], ['top', '', 'frame 1: top must be a whole number']]) {
    const cell = h1.locator(`.table input.${input}`).nth(1);
    const before = await cell.inputValue();
    await cell.fill(value);
    await cell.press('Tab');
    await page.waitForSelector('#error:not([hidden])');
    assert.equal(await page.textContent('#error'), `sample_h1.icn: ${message}; nothing changed`);
    assert.equal(await cell.inputValue(), before);
    assert.deepEqual(await downloads(page, h1.locator('.download-archive'), 1), placed);
  }
  await h1.locator('.revert').click();
  await page.waitForFunction(() => document.getElementById('status-text').textContent.startsWith('Reverted'));
});

test('the stage tells the pixel under the pointer; the palette, reference point and shadows shown', async () => {
  const h1 = section(page, 'sample_h1.icn');
  await h1.locator('.zoom').selectOption('4');
  await h1.locator('.stage').focus();
  await page.keyboard.press('Home');
  await page.waitForFunction(() => document.querySelector('.archive .view').dataset.frame === '0');
  // Frame 0 (17 x 17 at (-8, -41)): its pixel (8, 9) under the pointer.
  const frame = kit.open(sample('sample_h1.icn')).frames[0];
  const index = frame.pixels[9 * 17 + 8];
  const palette = kit.readPalette('H1');
  const view = await h1.locator('.view').boundingBox();
  const origin = await h1.locator('.view').evaluate((canvas) => [parseFloat(canvas.style.left), parseFloat(canvas.style.top)]);
  // The rectangle starts at (-10, -41); the canvas at its first sample in view.
  await page.mouse.move(view.x + (-8 + 8 + 10) * 4 - origin[0] + 2, view.y + (9) * 4 - origin[1] + 2);
  const hex = [...palette.subarray(index * 3, index * 3 + 3)].map((b) => b.toString(16).padStart(2, '0')).join('');
  assert.equal(await h1.locator('.pixel').textContent(),
    `Frame 0 pixel (8, 9): index ${index}${index ? `, #${hex}` : ', transparent'}`);
  // The reference point at (0, 0): 10 and 41 pixels from the rectangle's corner.
  assert.deepEqual(await h1.locator('.reference').evaluate((mark) => [mark.style.left, mark.style.top]),
    ['40px', '164px']);
  // The palette: 256 colours, 16 a row.
  assert.deepEqual((await pixelsOf(h1.locator('.palette'))).filter((_, i) => i % 4 !== 3),
    [...palette]);
  // A .std archive's frame 0 is a shadow: said so.
  copyFileSync(`${root}examples/sample_h1.icn`, `${work}/shadow.std`);
  await page.setInputFiles('#open', `${work}/shadow.std`);
  const std = section(page, 'shadow.std');
  await std.locator('.note').waitFor();
  assert.match(await std.locator('.note').textContent(), /^Frame 0 is a shadow \(fill-only\)/);
  await std.locator('.close').click();
});

test('every archive name the tools take opens; a generation the bytes do not tell is asked', async () => {
  await closeAll();
  const names = ['a.std', 'b.atk', 'c.obj', 'd.wlk', 'e.wip', 'f.xtl', 'g.ICN'];
  await drop(page, 'header', names.map((name) => [name, sample('sample_h1.icn')]));
  await page.waitForFunction((count) => document.querySelectorAll('.archive .summary').length === count
    && [...document.querySelectorAll('.archive .summary')].every((s) => s.textContent), names.length);
  assert.deepEqual(await page.locator('.archive .name').allTextContents(), names);
  assert.deepEqual(new Set(await page.locator('.archive .summary').allTextContents()), new Set(['H1, 5 frames']));
  await closeAll();
  // No frames: either generation; the user picks one.
  writeFileSync(`${work}/empty.icn`, new Uint8Array(6));
  await page.setInputFiles('#open', `${work}/empty.icn`);
  await page.locator('#ask-generation').waitFor();
  assert.equal(await page.locator('#ask-generation .file').textContent(), 'empty.icn');
  await page.locator('#ask-generation select').selectOption('H2');
  await page.locator('#ask-generation button').click();
  await page.waitForFunction(() => document.querySelector('.archive .summary')?.textContent === 'H2, 0 frames');
  await closeAll();
});

test('a drop edits only the archive it lands on; what fits none is refused', async () => {
  await page.setInputFiles('#open', [`${root}examples/sample_h1.icn`, `${root}examples/sample_h2.icn`]);
  await page.waitForFunction(() => document.querySelectorAll('.archive .summary').length === 2);
  const folder = `${runNative('sample_h1.icn', 'unpack', '--format', 'png')}/sample_h1.icn.cadres`;
  const frame = ['0003.png', readFileSync(`${folder}/0002.png`)];
  // Highlighted while dragging: the archive under the pointer only.
  await drop(page, '.archive:nth-of-type(2) .stage', [frame], 'dragover');
  assert.deepEqual(await page.locator('.archive').evaluateAll((all) => all.map((s) => s.classList.contains('drop'))),
    [false, true]);
  await drop(page, 'header', [frame]);
  assert.equal(await page.textContent('#error'),
    '0003.png: drop edited sheets and frames on the archive they edit; nothing changed');
  await drop(page, '.archive .stage', [['notes.txt', Buffer.from('notes')]]);
  assert.equal(await page.textContent('#error'), 'sample_h1.icn: notes.txt is no sheet (PNG and JSON) ' +
    'or frame (0000.png…, setup.ini); nothing changed');
  assert.deepEqual(await page.locator('.archive .modified').evaluateAll((all) => all.map((m) => m.hidden)),
    [true, true]);
  assert.deepEqual(await downloads(page, section(page, 'sample_h2.icn').locator('.download-archive'), 1),
    { 'sample_h2.icn': sample('sample_h2.icn') });
  await closeAll();
});

test('everything by keyboard: open, browse, place, save; focus visible', async () => {
  const chooser = page.waitForEvent('filechooser');
  await page.reload();
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'open-button');
  assert.notEqual(await page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle), 'none');
  await page.keyboard.press('Enter');
  await (await chooser).setFiles(`${root}examples/sample_h1.icn`);
  await page.locator('.archive .summary', { hasText: 'H1' }).waitFor();
  // Tab reaches every button, the stage and the frame grid.
  const reached = [];
  for (let i = 0; i < 25; ++i) {
    await page.keyboard.press('Tab');
    reached.push(await page.evaluate(() => document.activeElement.className || document.activeElement.id));
  }
  for (const name of ['download-archive', 'edit-button', 'close', 'play', 'stage checkered', 'frames']) {
    assert.ok(reached.includes(name), `${name} in ${reached}`);
  }
  await page.locator('.archive .frames').focus();
  await page.keyboard.press('ArrowRight');
  assert.equal(await page.locator('.archive .cell[aria-selected=true] span').textContent(), '0001');
  assert.equal(await page.locator('.archive .frames').getAttribute('aria-activedescendant'),
    await page.locator('.archive .cell[aria-selected=true]').getAttribute('id'));
  await page.locator('.archive .download-archive').focus();
  assert.deepEqual(await downloads(page, () => page.keyboard.press('Enter'), 1),
    { 'sample_h1.icn': sample('sample_h1.icn') });
});

test('axe-core finds nothing serious, at 360 and 1920 pixels, light and dark', async () => {
  for (const [width, scheme] of [[1920, 'light'], [360, 'dark']]) {
    await page.setViewportSize({ width, height: 900 });
    await page.emulateMedia({ colorScheme: scheme });
    await page.addScriptTag({ content: axeSource });
    const found = await page.evaluate(async () => (await axe.run(document, { preload: false })).violations
      .filter((violation) => ['serious', 'critical'].includes(violation.impact))
      .map((violation) => `${violation.id}: ${violation.nodes.map((node) => node.target).join(' ')}`));
    assert.deepEqual(found, [], `${width} px, ${scheme}`);
    // Nothing wider than the window.
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= window.innerWidth), `${width} px`);
  }
});

test('a worker that stops, or whose answer cannot be read, fails the work asked of it', async () => {
  const failed = await page.evaluate(async () => {
    const client = document.querySelector('.archive').entry.client;
    const messages = [];
    for (const event of [new ErrorEvent('error', { message: 'stopped' }), new MessageEvent('messageerror')]) {
      const asked = client.ask('info', {});
      client.worker.dispatchEvent(event);
      messages.push(await asked.then(() => 'answered', (error) => error.message));
    }
    return messages;
  });
  assert.deepEqual(failed, ['stopped', 'An answer of the worker could not be read']);
  // Its late answers are let go; the archive goes on.
  assert.deepEqual(await downloads(page, section(page, 'sample_h1.icn').locator('.download-sheet'), 2),
    Object.fromEntries(['png', 'json'].map((ext) =>
      [`sample_h1.${ext}`, readFileSync(`${runNative('sample_h1.icn', 'sheet')}/sample_h1.${ext}`)])));
});

test('nothing was fetched or sent, and no script error went uncaught', () => {
  assert.deepEqual(page.requests.filter((url) => !/^(file|blob|data):/.test(url)), []);
  assert.deepEqual(page.errors, []);
});
