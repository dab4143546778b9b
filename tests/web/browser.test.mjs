// The module in headless Chromium (Debian's chromium, driven by
// playwright-core: npm ci in this folder), both ways a browser gets it:
// - from file://, as a page opened from the disk: file-page.html loads
//   icnkit.js, an archive is chosen in its file input and counted on the
//   page and in a Web Worker;
// - from a server: icnkit.mjs imported by a page, icnkit.wasm fetched.
// The module is taken from build-web/web or the folder ICNKIT_WEB_DIR names;
// the browser from /usr/bin/chromium or CHROMIUM.
import assert from 'node:assert/strict';
import { copyFileSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { after, before, test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const root = fileURLToPath(new URL('../../', import.meta.url));
const webDir = process.env.ICNKIT_WEB_DIR ?? `${root}build-web/web`;
const version = JSON.parse(readFileSync(`${webDir}/package.json`, 'utf8')).version;
const sample = `${root}examples/sample_h1.icn`;
const work = mkdtempSync(`${tmpdir()}/icnkit-web-`);
let browser;

before(async () => {
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
});
after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

// A new page, and the uncaught errors of its scripts.
async function newPage() {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  return { page, errors };
}

test('a page from file:// counts frames on the page and in a worker', async () => {
  copyFileSync(`${webDir}/icnkit.js`, `${work}/icnkit.js`);
  copyFileSync(`${root}tests/web/file-page.html`, `${work}/file-page.html`);
  const { page, errors } = await newPage();
  await page.goto(pathToFileURL(`${work}/file-page.html`).href);
  await page.setInputFiles('#open', sample);
  await page.waitForFunction(() => document.getElementById('result').textContent !== '');
  assert.equal(await page.textContent('#result'),
    `version ${version}; page 5; worker 5; ` +
    'cut short: Invalid archive: file shorter than its header');
  assert.deepEqual(errors, []);
});

test('a page from a server imports the ES module', async () => {
  const files = {
    '/': ['text/html', '<!doctype html><title>icnkit</title>'],
    '/icnkit.mjs': ['text/javascript', readFileSync(`${webDir}/icnkit.mjs`)],
    '/icnkit.wasm': ['application/wasm', readFileSync(`${webDir}/icnkit.wasm`)],
    '/sample.icn': ['application/octet-stream', readFileSync(sample)],
  };
  const server = createServer((request, response) => {
    const [type, body] = files[request.url] ?? ['text/plain', 'not found'];
    response.writeHead(files[request.url] ? 200 : 404, { 'Content-Type': type }).end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    const { page, errors } = await newPage();
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    const counted = await page.evaluate(async () => {
      const kit = await (await import('/icnkit.mjs')).default();
      // An ArrayBuffer as fetch gives it, opened once; frame 0 (17 x 17)
      // whole and every other pixel of it.
      const archive = kit.open(await (await fetch('/sample.icn')).arrayBuffer(), 'H1');
      const half = archive.decode(0, { step: 2 }).length;
      return `version ${kit.version()}; frames ${archive.frames.length}; `
        + `${archive.decode(0).length} pixels, ${half} every other`;
    });
    assert.equal(counted, `version ${version}; frames 5; 289 pixels, 81 every other`);
    assert.deepEqual(errors, []);
  } finally {
    server.close();
  }
});
