// The web viewer in a real headless Chromium against a running
// "lumenfoldi serve": every example opens with its pages and text, and a
// person can scroll, zoom, find, follow a page link and download the PDF.
//
// Environment: LF_CLI (the lumenfoldi program), LF_SOURCE_DIR (the source
// tree), CHROMIUM (default /usr/bin/chromium), LF_SCREENSHOT (where the
// README's picture goes; default: none).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const CLI = process.env.LF_CLI;
const SOURCE = process.env.LF_SOURCE_DIR;
const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';

// Example, its page count and a text of its first page.
const EXAMPLES = [
  ['invoice', 3, 'INVOICE'],
  ['page-n-of-m', 3, 'Stock list'],
  ['grouped-list', 1, 'Engineering'],
  ['address-labels', 1, 'Helen Fischer'],
  ['cross-table', 2, 'Region'],
  ['sub-report', 1, 'Projects and their tasks'],
  ['pictures-and-lines', 1, 'product sheet'],
];

let serve, base, browser, dir;

before(async () => {
  assert.ok(CLI && existsSync(CLI), 'LF_CLI names the lumenfoldi program');
  dir = mkdtempSync(path.join(tmpdir(), 'lf-browser-'));
  serve = spawn(CLI, ['serve', '--listen', '127.0.0.1:0', '--cache', path.join(dir, 'cache'),
    '--allow-files', path.join(SOURCE, 'examples')], {
    env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' }, stdio: ['ignore', 'ignore', 'pipe'] });
  base = await new Promise((resolve, reject) => {
    let text = '';
    const timer = setTimeout(() => reject(new Error(`serve did not start: ${text}`)), 30000);
    serve.stderr.on('data', (d) => {
      text += d;
      const m = text.match(/listening on (http:\/\/127\.0\.0\.1:\d+\/)/);
      if (m) { clearTimeout(timer); resolve(m[1]); }
    });
    serve.on('exit', (code) => reject(new Error(`serve exited ${code}: ${text}`)));
  });
  browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage', '--font-render-hinting=none'],
  });
});

after(async () => {
  if (browser) await browser.close();
  if (serve) {
    const done = new Promise((r) => serve.once('exit', r));
    serve.kill('SIGTERM');
    await done;
  }
  if (dir) rmSync(dir, { recursive: true, force: true });
});

// A page showing the viewer on an example, once it has loaded.
async function open(example, viewport = { width: 1000, height: 800 }) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(`${base}?params=${example}/template.frf,${example}/data.json`);
  await page.waitForFunction(() => {
    const v = document.querySelector('lumenfoldi-viewer');
    return v && v.pageCount > 0;
  }, { timeout: 30000 });
  page.errors = errors;
  return page;
}

// The texts of the text layer of page n, once they are there.
async function pageText(page, n) {
  await page.waitForFunction((n) => {
    const p = document.querySelector('lumenfoldi-viewer').shadowRoot.querySelector(`.page[data-page="${n}"] .text`);
    return p && p.children.length > 0;
  }, { timeout: 15000 }, n);
  return page.evaluate((n) => [...document.querySelector('lumenfoldi-viewer').shadowRoot
    .querySelectorAll(`.page[data-page="${n}"] .text span`)].map((s) => s.textContent).join('|'), n);
}

// Whether the picture of page n has arrived and been drawn.
function pictureShown(page, n) {
  return page.waitForFunction((n) => {
    const img = document.querySelector('lumenfoldi-viewer').shadowRoot.querySelector(`.page[data-page="${n}"] img`);
    return img && img.complete && img.naturalWidth > 0;
  }, { timeout: 15000 }, n);
}

test('every example opens with its page count and first page text', async () => {
  for (const [example, pages, text] of EXAMPLES) {
    const page = await open(example);
    const shown = await page.evaluate(() => {
      const v = document.querySelector('lumenfoldi-viewer');
      return { count: v.pageCount, label: v.shadowRoot.querySelector('.bar span:not(.sep)').textContent };
    });
    assert.equal(shown.count, pages, example);
    assert.equal(shown.label, `/ ${pages}`, example);
    assert.ok((await pageText(page, 1)).includes(text), `${example}: ${text}`);
    await pictureShown(page, 1);
    assert.deepEqual(page.errors, [], example);
    await page.close();
  }
});

test('scrolls to the last page, zooms, and finds with highlights', async () => {
  const page = await open('page-n-of-m');
  // Ctrl+End goes to the last page.
  await page.click('lumenfoldi-viewer');
  await page.keyboard.down('Control');
  await page.keyboard.press('End');
  await page.keyboard.up('Control');
  await page.waitForFunction(() => document.querySelector('lumenfoldi-viewer').page === 3);
  await pictureShown(page, 3);
  assert.ok((await pageText(page, 3)).includes('Page 3 of 3'));

  const width = () => page.evaluate(() => document.querySelector('lumenfoldi-viewer').shadowRoot
    .querySelector('.page[data-page="3"]').getBoundingClientRect().width);
  await page.evaluate(() => { document.querySelector('lumenfoldi-viewer').zoom = 100; });
  const at100 = await width();
  await page.evaluate(() => { document.querySelector('lumenfoldi-viewer').zoom = 200; });
  await page.waitForFunction(() => document.querySelector('lumenfoldi-viewer').shadowRoot.querySelector('.page[data-page="3"]'));
  const at200 = await width();
  assert.ok(Math.abs(at200 - 2 * at100) <= 2, `${at100} -> ${at200}`);
  assert.ok(Math.abs(at100 - 210 * 96 / 25.4) <= 2, `A4 at 100 % is ${at100}px wide`);
  await page.evaluate(() => { document.querySelector('lumenfoldi-viewer').zoom = 'page-width'; });

  // From the first page: Ctrl+Home, then Ctrl+F, type, Enter.
  await page.keyboard.down('Control');
  await page.keyboard.press('Home');
  await page.keyboard.up('Control');
  await page.waitForFunction(() => document.querySelector('lumenfoldi-viewer').page === 1);
  await page.keyboard.down('Control');
  await page.keyboard.press('f');
  await page.keyboard.up('Control');
  await page.keyboard.type('sku-01');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => /of \d+/.test(document.querySelector('lumenfoldi-viewer').shadowRoot.querySelector('.count').textContent));
  const found = await page.evaluate(() => {
    const v = document.querySelector('lumenfoldi-viewer');
    return { count: v.matchCount, status: v.shadowRoot.querySelector('.count').textContent };
  });
  const api = await (await fetch(`${base}api/reports/${await page.evaluate(() => document.querySelector('lumenfoldi-viewer').report)}/find?q=sku-01`)).json();
  assert.equal(found.count, api.matches.length);
  assert.ok(found.count > 20, `${found.count} matches`);
  assert.match(found.status, new RegExp(`^1 of ${found.count}$`));
  // Every match on a page in view is highlighted, one of them as the current one.
  const page3 = await page.evaluate(() => document.querySelector('lumenfoldi-viewer').page);
  const highlights = await page.evaluate((n) => document.querySelector('lumenfoldi-viewer').shadowRoot
    .querySelectorAll(`.page[data-page="${n}"] .hl`).length, page3);
  assert.equal(highlights, api.matches.filter((m) => m.page === page3).length);
  // F3 moves to the next match.
  await page.keyboard.press('F3');
  await page.waitForFunction(() => document.querySelector('lumenfoldi-viewer').shadowRoot.querySelector('.count').textContent.startsWith('2 of'));
  await page.close();
});

test('a page link scrolls to its page and the PDF downloads', async () => {
  const page = await open('page-n-of-m');
  await pageText(page, 1);
  const link = await page.evaluateHandle(() => document.querySelector('lumenfoldi-viewer').shadowRoot
    .querySelector('.page[data-page="1"] a.link[aria-label="Go to page 3"]'));
  assert.ok(await link.evaluate((a) => a !== null), 'the "Last page" link is there');
  await link.click();
  await page.waitForFunction(() => document.querySelector('lumenfoldi-viewer').page === 3);
  await pictureShown(page, 3);

  const href = await page.evaluate(() => document.querySelector('lumenfoldi-viewer').shadowRoot
    .querySelector('a[aria-label="Download PDF"]').href);
  const pdf = await page.evaluate(async (url) => {
    const r = await fetch(url);
    const bytes = new Uint8Array(await r.arrayBuffer());
    return { type: r.headers.get('content-type'), head: String.fromCharCode(...bytes.slice(0, 5)),
      disposition: r.headers.get('content-disposition') };
  }, href);
  assert.equal(pdf.type, 'application/pdf');
  assert.equal(pdf.head, '%PDF-');
  assert.match(pdf.disposition, /^attachment; filename=".+\.pdf"$/);
  await page.close();
});

test('report text never becomes markup, and errors are shown as text', async () => {
  const page = await browser.newPage();
  await page.goto(`${base}?params=../<img src=x onerror=alert(1)>.frf,invoice/data.json`);
  await page.waitForFunction(() => document.querySelector('lumenfoldi-viewer').shadowRoot.querySelector('.error'));
  const shown = await page.evaluate(() => {
    const e = document.querySelector('lumenfoldi-viewer').shadowRoot.querySelector('.error');
    return { text: e.textContent, images: e.querySelectorAll('img').length, role: e.getAttribute('role') };
  });
  assert.equal(shown.images, 0);
  assert.equal(shown.role, 'alert');
  assert.ok(shown.text.length > 0);
  await page.close();
});

test('every button has an accessible name', async () => {
  const page = await open('invoice', { width: 1280, height: 900 });
  const unnamed = await page.evaluate(() => [...document.querySelector('lumenfoldi-viewer').shadowRoot
    .querySelectorAll('button, a, input, select')]
    .filter((e) => !(e.getAttribute('aria-label') || e.textContent.trim() || e.closest('label')))
    .map((e) => e.outerHTML));
  assert.deepEqual(unnamed, []);
  await pictureShown(page, 1);
  // The README's picture: thumbnails shown and a word found.
  await page.click('lumenfoldi-viewer >>> button[aria-label="Thumbnails"]');
  await page.type('lumenfoldi-viewer >>> input[aria-label="Find text"]', 'total');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelector('lumenfoldi-viewer').shadowRoot.querySelectorAll('.hl').length > 0);
  await page.waitForFunction(() => [...document.querySelector('lumenfoldi-viewer').shadowRoot.querySelectorAll('.thumbs img')]
    .every((i) => i.complete && i.naturalWidth > 0));
  if (process.env.LF_SCREENSHOT) await page.screenshot({ path: process.env.LF_SCREENSHOT });
  await page.close();
});
