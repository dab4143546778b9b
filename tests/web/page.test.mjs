// icnkit's page (build-web/web/index.html) opened from file:// in headless
// Chromium (playwright-core): archives opened and drawn, the downloads
// compared with the native icnkit's files (build/bin/icnkit or
// ICNKIT_NATIVE), editing by frame PNGs and by a sheet, bad input shown on
// the page, a 65,535-frame archive opened with progress while the page
// answers; no request leaves the machine and no script error goes uncaught.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync }
  from 'node:fs';
import { tmpdir } from 'node:os';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const root = fileURLToPath(new URL('../../', import.meta.url));
const webDir = process.env.ICNKIT_WEB_DIR ?? `${root}build-web/web`;
const native = process.env.ICNKIT_NATIVE ?? `${root}build/bin/icnkit`;
const work = mkdtempSync(`${tmpdir()}/icnkit-page-`);
const kit = await (await import(pathToFileURL(`${webDir}/icnkit.mjs`))).default();
let browser;
let page;
const requests = [];
const errors = [];

before(async () => {
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
  page = await browser.newPage({ acceptDownloads: true });
  page.on('request', (request) => requests.push(request.url()));
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
  await page.goto(pathToFileURL(`${webDir}/index.html`).href);
});
after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

// The native tool on a copy of examples/<sample> in a folder of its own.
function runNative(sample, ...args) {
  const dir = mkdtempSync(`${work}/run-`);
  copyFileSync(`${root}examples/${sample}`, `${dir}/${sample}`);
  execFileSync(native, [...args, sample], { cwd: dir });
  return dir;
}
const section = (name) => page.locator('.archive', { has: page.locator('.name', { hasText: name }) });
// The files a click saves, by name.
async function downloads(button, count) {
  const saved = [];
  const done = new Promise((resolve) => page.on('download', async function take(download) {
    saved.push([download.suggestedFilename(), readFileSync(await download.path())]);
    if (saved.length === count) {
      page.off('download', take);
      resolve();
    }
  }));
  await button.click();
  await done;
  return Object.fromEntries(saved);
}
const unzip = (bytes) => {
  writeFileSync(`${work}/saved.zip`, bytes);
  return JSON.parse(execFileSync('python3', ['-c', `import zipfile, sys, json
print(json.dumps({i.filename: z.read(i).hex() for z in [zipfile.ZipFile(sys.argv[1])] for i in z.infolist()}))`,
  `${work}/saved.zip`], { encoding: 'utf8' }));
};

test('archives open, drawn and told as icnkit tells them; bad input is shown', async () => {
  writeFileSync(`${work}/bad.icn`, new Uint8Array([1, 0, 0]));
  await page.setInputFiles('#open', [`${root}examples/sample_h1.icn`, `${work}/bad.icn`]);
  await page.waitForSelector('#error:not([hidden])');
  const h1 = section('sample_h1.icn');
  assert.equal(await page.textContent('#error'),
    'bad.icn: Invalid archive: file shorter than its header');
  assert.equal(await h1.locator('.summary').textContent(), 'H1, 5 frames');
  assert.equal(await h1.locator('.info').textContent(),
    execFileSync(native, ['info', 'sample_h1.icn'], { cwd: `${root}examples`, encoding: 'utf8' }));
  assert.equal(await h1.locator('.table tr').count(), 6);
  // Frame 3 drawn: its opaque pixels in the palette's colours.
  const frame = kit.open(readFileSync(`${root}examples/sample_h1.icn`)).frames[3];
  const drawn = await h1.locator('.frames canvas').nth(3).evaluate((canvas) =>
    [...canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data]);
  const palette = kit.palette('H1');
  assert.deepEqual(drawn, [...frame.pixels].flatMap((index) => (index === 0 ? [0, 0, 0, 0]
    : [...palette.subarray(index * 3, index * 3 + 3), 255])));
});

test('the downloads are the native tool\'s files', async () => {
  const h1 = section('sample_h1.icn');
  const sheetDir = runNative('sample_h1.icn', 'sheet');
  assert.deepEqual(await downloads(h1.locator('.download-sheet'), 2), {
    'sample_h1.png': readFileSync(`${sheetDir}/sample_h1.png`),
    'sample_h1.json': readFileSync(`${sheetDir}/sample_h1.json`),
  });
  const gifDir = runNative('sample_h1.icn', 'gif');
  assert.deepEqual(await downloads(h1.locator('.download-gif'), 1),
    { 'sample_h1.gif': readFileSync(`${gifDir}/sample_h1.gif`) });
  const framesDir = `${runNative('sample_h1.icn', 'unpack', '--format', 'png')}/sample_h1.icn.cadres`;
  const zip = await downloads(h1.locator('.download-frames'), 1);
  assert.deepEqual(unzip(zip['sample_h1.icn.cadres.zip']), Object.fromEntries(readdirSync(framesDir)
    .map((name) => [name, readFileSync(`${framesDir}/${name}`).toString('hex')])));
  assert.deepEqual(await downloads(h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': readFileSync(`${root}examples/sample_h1.icn`) });
});

test('edited frames and sheets rebuild the archive with the tool\'s rules', async () => {
  const h1 = section('sample_h1.icn');
  const folder = `${runNative('sample_h1.icn', 'unpack', '--format', 'png')}/sample_h1.icn.cadres`;
  // A colour of no palette entry is refused, the pixel named.
  execFileSync('convert', ['-size', '2x2', 'xc:#010203', `png24:${work}/0002.png`]);
  await h1.locator('.edit').setInputFiles(`${work}/0002.png`);
  await page.waitForSelector('#error:not([hidden])');
  assert.equal(await page.textContent('#error'), 'sample_h1.icn: PNG "0002.png": pixel (0, 0) ' +
    'has colour #010203, which is not in the palette');
  // Frame 3 drawn as frame 2: the archive icnkit pack makes of the folder.
  copyFileSync(`${folder}/0002.png`, `${folder}/0003.png`);
  await h1.locator('.edit').setInputFiles(`${folder}/0003.png`);
  await page.waitForFunction(() => document.getElementById('status-text').textContent.includes('rebuilt'));
  execFileSync(native, ['pack', '-o', `${work}/edited.icn`, folder]);
  assert.deepEqual(await downloads(h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': readFileSync(`${work}/edited.icn`) });
  // The unedited sheet of sample_h2, dropped on it: sample_h2's archive.
  const sheetDir = runNative('sample_h2.icn', 'sheet');
  await page.evaluate(async (files) => {
    const transfer = new DataTransfer();
    for (const [name, hex] of files) {
      transfer.items.add(new File([new Uint8Array(hex.match(/../g).map((h) => parseInt(h, 16)))], name));
    }
    document.querySelector('.archive .frames').dispatchEvent(
      new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, ['sample_h2.png', 'sample_h2.json'].map((name) =>
    [name, readFileSync(`${sheetDir}/${name}`).toString('hex')]));
  await page.waitForFunction(() => document.querySelector('.archive .summary').textContent === 'H2, 5 frames');
  assert.deepEqual(await downloads(h1.locator('.download-archive'), 1),
    { 'sample_h1.icn': readFileSync(`${root}examples/sample_h2.icn`) });
});

test('a 65,535-frame archive opens in the worker while the page answers', async () => {
  const frames = Array.from({ length: 65535 }, (_, i) =>
    ({ left: i % 50, top: 0, width: 2, height: 1, bits: 0, pixels: new Uint8Array([i % 255 + 1, 0]) }));
  writeFileSync(`${work}/many.icn`, kit.pack('H1', frames));
  await page.setInputFiles('#open', `${work}/many.icn`);
  const seen = new Set();
  for (;;) {
    const [value, max, summary] = await page.evaluate(() => [document.getElementById('progress').value,
      document.getElementById('progress').max,
      document.querySelectorAll('.archive .summary')[1]?.textContent]);
    if (summary) {
      assert.equal(summary, 'H1, 65535 frames');
      break;
    }
    if (max === 65535) seen.add(value);
  }
  assert.ok([...seen].some((value) => value > 0 && value < 65535), `progress seen: ${[...seen]}`);
  assert.equal(await section('many.icn').locator('.frames canvas').count(), 200);
});

test('nothing was fetched or sent, and no script error went uncaught', () => {
  assert.deepEqual(requests.filter((url) => !/^(file|blob|data):/.test(url)), []);
  assert.deepEqual(errors, []);
});
