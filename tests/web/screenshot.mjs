// Makes docs/web.png: the page from build-web/web with examples/sample_h1.icn
// open, in headless Chromium (playwright-core, npm ci in tests/web).
//   node tests/web/screenshot.mjs
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const root = fileURLToPath(new URL('../../', import.meta.url));
const browser = await chromium.launch({ executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu'] });
const page = await browser.newPage({ viewport: { width: 900, height: 640 } });
await page.goto(pathToFileURL(`${root}build-web/web/index.html`).href);
await page.setInputFiles('#open', `${root}examples/sample_h1.icn`);
await page.waitForSelector('.archive .summary');
await page.click('.archive details:last-of-type summary');
await page.click('.archive .play');
await page.screenshot({ path: `${root}docs/web.png` });
await browser.close();
