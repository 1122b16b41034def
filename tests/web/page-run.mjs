// Opens the browser build with a query in headless Chromium, served with the
// isolation headers, and prints what the page prints as its result (the
// table of ?bench, the lines of ?frame-hash) once the program has ended.
//   node tests/web/page-run.mjs SITE "bench&threads=2"
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const [site, query] = process.argv.slice(2);
if (!site || query === undefined) {
  console.error('usage: node tests/web/page-run.mjs SITE QUERY   (for example "bench&threads=2")');
  process.exit(2);
}
const serveScript = join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'web', 'serve.mjs');
const server = spawn(process.execPath, [serveScript, site, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
const [line] = await once(server.stdout, 'data');
const address = /http:\/\/\S+\//.exec(String(line))[0];
const browser = await puppeteer.launch({ executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-dev-shm-usage', '--autoplay-policy=no-user-gesture-required'] });
let status = 0;
try {
  const page = await browser.newPage();
  page.on('pageerror', (error) => console.error('page error: ' + error.message));
  await page.goto(address + 'index.html?' + query);
  await page.waitForFunction(() => document.body.dataset.exitStatus !== undefined,
    { timeout: 30 * 60 * 1000, polling: 500 });
  console.log((await page.$eval('#result', (element) => element.textContent)).trim());
  const messages = (await page.$eval('#messages', (element) => element.textContent)).trim();
  if (messages) console.error(messages);
  const exit = await page.evaluate(() => document.body.dataset.exitStatus);
  if (exit !== '0') {
    console.error(`page-run: the program ended with ${exit}`);
    status = 1;
  }
} catch (error) {
  console.error('page-run: ' + error.message);
  status = 1;
}
await browser.close();
server.kill();
process.exit(status);
