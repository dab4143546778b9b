// The Phaser loader plugin (build-web/web/phaser-icnkit.js) in a game run
// by Phaser 4 (npm, tests/web/package-lock.json) in headless Chromium, from
// a local server: this.load.icn makes the texture of an archive's frames,
// and a sprite of frame 3 at (x, y) has its pixels at (x + left, y + top),
// in the palette's colours, as the game draws them.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { test } from 'node:test';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const root = fileURLToPath(new URL('../../', import.meta.url));
const webDir = process.env.ICNKIT_WEB_DIR ?? `${root}build-web/web`;
const kit = await (await import(pathToFileURL(`${webDir}/icnkit.mjs`))).default();
const sample = readFileSync(`${root}examples/sample_h1.icn`);
const [x, y, width, height] = [30, 60, 64, 80];

const game = `<!doctype html><body style="margin:0"><script type="module">
import * as Phaser from '/phaser.esm.js';
import { registerIcnkit } from '/phaser-icnkit.js';
registerIcnkit(Phaser);
// Pixels exact: Phaser's roundPixels (pixelArt's default) draws frames half
// a pixel larger.
new Phaser.Game({ type: Phaser.CANVAS, width: ${width}, height: ${height}, backgroundColor: '#000000',
  render: { antialias: false, roundPixels: false }, banner: false, scene: {
    preload() {
      this.load.on('icnerror', (key, message) => { window.icnError = key + ': ' + message; });
      this.load.icn('hero', '/sample_h1.icn');
      this.load.icn('bad', '/bad.icn');
    },
    create() {
      this.add.sprite(${x}, ${y}, 'hero', '0003');
      window.frameNames = this.textures.get('hero').getFrameNames();
      this.game.events.once('postrender', () => {
        const canvas = this.game.canvas;
        window.drawn = [...canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data];
      });
    },
  } });
</script>`;

test('a sprite of an archive\'s frame is drawn where the game draws it', async () => {
  const files = {
    '/': ['text/html', game],
    '/phaser.esm.js': ['text/javascript',
      readFileSync(`${root}tests/web/node_modules/phaser/dist/phaser.esm.js`)],
    '/phaser-icnkit.js': ['text/javascript', readFileSync(`${webDir}/phaser-icnkit.js`)],
    '/icnkit.mjs': ['text/javascript', readFileSync(`${webDir}/icnkit.mjs`)],
    '/icnkit.wasm': ['application/wasm', readFileSync(`${webDir}/icnkit.wasm`)],
    '/sample_h1.icn': ['application/octet-stream', sample],
    '/bad.icn': ['application/octet-stream', Buffer.from([1, 0, 0])],
  };
  const server = createServer((request, response) => {
    const [type, body] = files[request.url] ?? ['text/plain', 'not found'];
    response.writeHead(files[request.url] ? 200 : 404, { 'Content-Type': type }).end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run'],
  });
  try {
    const page = await browser.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    await page.goto(`http://127.0.0.1:${server.address().port}/`);
    await page.waitForFunction(() => window.drawn, null, { timeout: 20000 });
    const { drawn, frameNames, icnError } =
      await page.evaluate(() => ({ drawn: window.drawn, frameNames: window.frameNames, icnError: window.icnError }));
    assert.deepEqual(frameNames.filter((name) => name !== '__BASE'), ['0000', '0001', '0002', '0003', '0004']);
    assert.equal(icnError, 'bad: Invalid archive: file shorter than its header');
    // The expected canvas: black, frame 3's opaque pixels at its place.
    const frame = kit.open(sample).frames[3];
    const palette = kit.readPalette('H1');
    const expected = Array.from({ length: width * height }, () => [0, 0, 0, 255]);
    for (let row = 0; row < frame.height; ++row) {
      for (let column = 0; column < frame.width; ++column) {
        const index = frame.pixels[row * frame.width + column];
        if (index === 0) continue;
        expected[(y + frame.top + row) * width + x + frame.left + column] =
          [...palette.subarray(index * 3, index * 3 + 3), 255];
      }
    }
    assert.deepEqual(drawn, expected.flat());
    assert.deepEqual(errors, []);
  } finally {
    await browser.close();
    server.close();
  }
});
