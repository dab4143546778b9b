// The gallery in headless Chromium (Debian's chromium, driven by
// playwright-core from tests/web: npm ci there), run by browser_check.sh:
// every image loads, every sprite is drawn scaled by the largest whole
// factor that fits its box, with square pixels (image-rendering:
// pixelated), still until hovered and animated while hovered, and the
// counts read "1 frame" and "5 frames". Screenshots go to SHOTS.
// Environment: SITE (the gallery), SHOTS (the screenshots' folder),
// CHROMIUM (default /usr/bin/chromium).
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const { chromium } = require('playwright-core');

const site = process.env.SITE;
const shots = process.env.SHOTS;
let browser;

before(async () => {
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
});
after(async () => browser?.close());

async function open(path, width, height) {
  const page = await browser.newPage({ viewport: { width, height } });
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('requestfailed', (request) => errors.push(`failed: ${request.url()}`));
  await page.goto(pathToFileURL(`${site}/${path}`).href, { waitUntil: 'load' });
  return { page, errors };
}

// What a sprite view shows: its scale, size, the box it sits in, the
// rendering of its images and which of them are shown and loaded.
async function describe(view) {
  return view.evaluate((element) => {
    const image = (selector) => {
      const img = element.querySelector(selector);
      return {
        shown: img.getClientRects().length > 0,
        loaded: img.complete && img.naturalWidth > 0,
        rendering: getComputedStyle(img).imageRendering,
      };
    };
    const box = element.parentElement.getBoundingClientRect();
    const rect = element.getBoundingClientRect();
    return {
      scale: Number(element.dataset.scale),
      width: rect.width,
      height: rect.height,
      box: { width: box.width, height: box.height },
      still: image('.still img'),
      anim: image('.anim'),
    };
  });
}

// The images of a page that are shown have loaded.
async function expectShownImagesLoaded(page) {
  await page.waitForFunction(() => [...document.images]
    .filter((img) => img.getClientRects().length > 0)
    .every((img) => img.complete));
  const broken = await page.evaluate(() => [...document.images]
    .filter((img) => img.getClientRects().length > 0)
    .filter((img) => !(img.naturalWidth > 0)).map((img) => img.getAttribute('src')));
  assert.deepEqual(broken, []);
}

// A sprite still, then hovered: the GIF shown, loaded and moving.
async function expectAnimatedOnHover(page, holder, view, union) {
  const still = await describe(view);
  assert.ok(Number.isInteger(still.scale) && still.scale >= 1, `whole scale ${still.scale}`);
  assert.equal(still.width, union.width * still.scale);
  assert.equal(still.height, union.height * still.scale);
  assert.deepEqual([still.still.shown, still.still.loaded, still.anim.shown], [true, true, false]);
  assert.equal(still.still.rendering, 'pixelated');
  await holder.hover();
  await page.waitForFunction((element) => {
    const img = element.querySelector('.anim');
    return img.complete && img.naturalWidth > 0;
  }, await view.elementHandle());
  const moving = await describe(view);
  assert.deepEqual([moving.still.shown, moving.anim.shown, moving.anim.loaded], [false, true, true]);
  assert.equal(moving.anim.rendering, 'pixelated');
  const frames = new Set();
  for (let i = 0; i < 12 && frames.size < 2; i++) {
    frames.add((await view.screenshot()).toString('base64'));
    await page.waitForTimeout(60);
  }
  assert.ok(frames.size >= 2, 'the hovered sprite does not move');
  return still;
}

test('the index draws every sprite scaled, still, and animated on hover', async () => {
  const { page, errors } = await open('index.html', 680, 340);
  await expectShownImagesLoaded(page);
  assert.equal(await page.textContent('h1'), '3 archives');
  await page.screenshot({ path: `${shots}/index.png`, fullPage: true });
  const facts = await page.$$eval('.card .facts', (all) => all.map((f) => f.textContent));
  assert.match(facts[0], /^H1 · 1 frame · 19 bytes/);
  assert.match(facts[1], /^H1 · 5 frames · /);
  assert.equal(await page.textContent('.card .none'), 'empty');

  const card = page.locator('.card').nth(1);
  const still = await expectAnimatedOnHover(page, card, card.locator('.view'),
    { width: 21, height: 44 });
  // The largest whole factor that fits the box.
  assert.ok(still.width <= still.box.width && still.height <= still.box.height);
  assert.ok((still.scale + 1) * 21 > still.box.width || (still.scale + 1) * 44 > still.box.height);
  await page.screenshot({ path: `${shots}/index-hover.png`, fullPage: true });
  assert.deepEqual(errors, []);
  await page.close();
});

test('an archive page shows its sprite, sheet and frames', async () => {
  for (const [name, shot] of [['sample_h2.icn', 'page'], ['blank.icn', 'blank']]) {
    const { page, errors } = await open(`a/${name}.html`, 1280, 600);
    await expectShownImagesLoaded(page);
    if (name === 'blank.icn') {
      assert.equal(await page.textContent('.sprite .none'), 'empty');
    } else {
      const sprite = page.locator('.sprite');
      await expectAnimatedOnHover(page, sprite, sprite.locator('.view'), { width: 21, height: 44 });
      assert.equal(await page.locator('tbody tr').count(), 5);
    }
    await page.screenshot({ path: `${shots}/${shot}.png`, fullPage: true });
    assert.deepEqual(errors, []);
    await page.close();
  }
});
