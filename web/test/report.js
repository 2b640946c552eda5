// Reports (does not test) the page's size and the benchmark page's real-time factors in
// Debian's headless chromium.   node test/report.js --out DIR [--chromium PATH]
import { readFileSync, readdirSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';
import { serve } from './static-server.js';

const arg = (name, fallback) => {
  const at = process.argv.indexOf(name);
  return at >= 0 ? process.argv[at + 1] : fallback;
};
const out = resolve(arg('--out'));
const chromium = arg('--chromium', '/usr/bin/chromium');
const webRoot = resolve(new URL('..', import.meta.url).pathname);

const files = ['index.html', 'style.css', ...readdirSync(join(webRoot, 'js')).map((f) => `js/${f}`), 'dist/sorvell.wasm'];
let raw = 0;
let zipped = 0;
for (const file of files) {
  const bytes = readFileSync(join(webRoot, file));
  raw += bytes.length;
  zipped += gzipSync(bytes, { level: 9 }).length;
  console.log(`page size: ${file.padEnd(20)} ${String(bytes.length).padStart(8)} bytes`);
}
console.log(`page size: total ${raw} bytes, ${zipped} bytes gzip-compressed`);

const server = await serve(webRoot);
const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  userDataDir: join(out, 'bench-profile'),
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
    '--disable-component-update', '--disable-sync'],
});
try {
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/bench.html`);
  await page.waitForFunction(() => document.body.dataset.bench, { timeout: 600000 });
  const figures = JSON.parse(await page.evaluate(() => document.body.dataset.bench));
  for (const [name, factor] of Object.entries(figures)) console.log(`real-time factor in chromium: ${name}: ${factor.toFixed(1)}x`);
} finally {
  await browser.close();
  server.close();
}
