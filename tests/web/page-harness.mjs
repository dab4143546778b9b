// What the page's tests share: headless Chromium (playwright-core) on
// build-web/web/index.html from file://, the native tool (build/bin/icnkit
// or ICNKIT_NATIVE) for comparisons, and the measures the page is held to:
// the main thread's long tasks (a PerformanceObserver) and the memory of
// the browser's processes (their PSS, Linux's /proc).
import { execFileSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, readdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

export const root = fileURLToPath(new URL('../../', import.meta.url));
export const webDir = process.env.ICNKIT_WEB_DIR ?? `${root}build-web/web`;
export const native = process.env.ICNKIT_NATIVE ?? `${root}build/bin/icnkit`;
export const work = mkdtempSync(`${tmpdir()}/icnkit-page-`);
export const kit = await (await import(pathToFileURL(`${webDir}/icnkit.mjs`))).default();

export async function launch() {
  return chromium.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
}

// A page on index.html: its requests, uncaught errors and long tasks kept.
export async function openPage(browser, options = {}) {
  const page = await browser.newPage({ acceptDownloads: true, ...options });
  page.requests = [];
  page.errors = [];
  page.on('request', (request) => page.requests.push(request.url()));
  page.on('pageerror', (error) => page.errors.push(error.message));
  page.on('console', (message) => message.type() === 'error' && page.errors.push(message.text()));
  // ICNKIT_PAGE_DEBUG=1: what the page and its workers log, printed.
  if (process.env.ICNKIT_PAGE_DEBUG) {
    const print = (where) => (message) => console.log(`[${where}] ${message.type()}: ${message.text()}`);
    page.on('console', print('page'));
    page.on('worker', (worker) => worker.on('console', print('worker')));
  }
  await page.addInitScript(() => {
    window.longTasks = [];
    new PerformanceObserver((list) => {
      for (const task of list.getEntries()) window.longTasks.push(Math.round(task.duration));
    }).observe({ type: 'longtask', buffered: true });
  });
  await page.goto(pathToFileURL(`${webDir}/index.html`).href);
  return page;
}
// The longest main-thread task since the last call.
export async function longestTask(page) {
  return page.evaluate(() => Math.max(0, ...window.longTasks.splice(0)));
}

// The native tool on a copy of examples/<sample> in a folder of its own.
export function runNative(sample, ...args) {
  const dir = mkdtempSync(`${work}/run-`);
  copyFileSync(`${root}examples/${sample}`, `${dir}/${sample}`);
  execFileSync(native, [...args, sample], { cwd: dir });
  return dir;
}
export const section = (page, name) =>
  page.locator('.archive', { has: page.locator('.name', { hasText: name }) });

// The files a click (or key) saves, by name; a failure, not a wait for
// ever, when they do not all come within timeout ms (what the page shows
// then told).
export async function downloads(page, act, count, timeout = 20000) {
  const saved = [];
  let take;
  const done = new Promise((resolve) => page.on('download', take = async (download) => {
    saved.push([download.suggestedFilename(), readFileSync(await download.path())]);
    if (saved.length === count) resolve();
  }));
  let timer;
  const late = new Promise((resolve) => { timer = setTimeout(resolve, timeout); });
  try {
    await (typeof act === 'function' ? act() : act.click());
    if (await Promise.race([done.then(() => false), late.then(() => true)])) {
      const shown = await page.evaluate(() => ['#status-text', '#error']
        .map((id) => document.querySelector(id)?.textContent ?? '').join('; error: '));
      throw new Error(`${saved.length} of ${count} downloads in ${timeout} ms; the page says: ${shown}`);
    }
  } finally {
    clearTimeout(timer);
    page.off('download', take);
  }
  return Object.fromEntries(saved);
}

// Files ([name, bytes]) dropped on the element selector names.
export async function drop(page, selector, files, type = 'drop') {
  await page.evaluate(([where, list, kind]) => {
    const transfer = new DataTransfer();
    for (const [name, hex] of list) {
      transfer.items.add(new File([new Uint8Array(hex.match(/../g)?.map((h) => parseInt(h, 16)) ?? [])], name));
    }
    document.querySelector(where).dispatchEvent(
      new DragEvent(kind, { dataTransfer: transfer, bubbles: true, cancelable: true }));
  }, [selector, files.map(([name, bytes]) => [name, Buffer.from(bytes).toString('hex')]), type]);
}

// The proportional memory (PSS, bytes) of the browser: the processes that
// descend from this one (Linux); 0 where /proc cannot tell.
export function browserMemory() {
  try {
    const parents = new Map();
    for (const pid of readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
      try {
        const stat = readFileSync(`/proc/${pid}/stat`, 'utf8');
        parents.set(pid, stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      } catch { /* gone */ }
    }
    const ours = new Set([String(process.pid)]);
    for (let grown = true; grown;) {
      grown = false;
      for (const [pid, parent] of parents) {
        if (!ours.has(pid) && ours.has(parent)) grown = ours.add(pid);
      }
    }
    ours.delete(String(process.pid));
    let total = 0;
    for (const pid of ours) {
      try {
        const rollup = readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
        total += Number(/^Pss:\s+(\d+)/m.exec(rollup)?.[1] ?? 0) * 1024;
      } catch { /* gone */ }
    }
    return total;
  } catch {
    return 0;
  }
}
