// Makes the README's pictures of the page from build-web/web, in headless
// Chromium (playwright-core, npm ci in tests/web), with
// examples/sample_h1.icn open and its frame 2 under the pointer:
//   docs/web.png        1280 pixels wide, light
//   docs/web-phone.png  360 pixels wide, dark
// each reduced to 128 colours with ImageMagick to stay small.
//   node tests/web/screenshot.mjs
import { execFileSync } from 'node:child_process';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const root = fileURLToPath(new URL('../../', import.meta.url));
const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu'] });
for (const [name, width, height, colorScheme] of [['web', 1280, 800, 'light'], ['web-phone', 360, 900, 'dark']]) {
  const page = await browser.newPage({ viewport: { width, height }, colorScheme });
  await page.goto(pathToFileURL(`${root}build-web/web/index.html`).href);
  await page.setInputFiles('#open', `${root}examples/sample_h1.icn`);
  await page.waitForSelector('.archive .cell canvas');
  await page.locator('.archive .frames').focus();
  for (let i = 0; i < 2; ++i) await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => document.querySelector('.archive .view').dataset.frame === '2');
  const view = await page.locator('.archive .view').boundingBox();
  await page.mouse.move(view.x + view.width / 2, view.y + view.height * 0.75);
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.waitForTimeout(300);
  const file = `${root}docs/${name}.png`;
  await page.screenshot({ path: file, fullPage: width < 400 });
  execFileSync('convert', [file, '+dither', '-colors', '128', `png8:${file}`]);
  await page.close();
}
await browser.close();
