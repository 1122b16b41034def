// The browser build in headless Chromium, served by web/serve.mjs as a host
// would serve it (with and without the isolation headers).
//   node tests/web/run.mjs SITE "N frames at 8 fps: HASH" "sound S samples: HASH"
// The other arguments are the native build's two --frame-hash lines for
// the whole run at 8 fps. Exits 1 when a check fails.
import { spawn } from 'node:child_process';
import { once } from 'node:events';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const [site, nativeLine, nativeSound] = process.argv.slice(2);
if (!site || !/^\d+ frames at 8 fps: [0-9a-f]{32}$/.test(nativeLine || '') ||
    !/^sound \d+ samples: [0-9a-f]{32}$/.test(nativeSound || '')) {
  console.error('usage: node tests/web/run.mjs SITE "N frames at 8 fps: HASH" "sound S samples: HASH"');
  process.exit(2);
}
const serveScript = join(dirname(fileURLToPath(import.meta.url)), '..', '..', 'web', 'serve.mjs');
const kWholeRunMs = 15 * 60 * 1000;

async function serve(extra) {
  const server = spawn(process.execPath, [serveScript, site, '0', ...extra], { stdio: ['ignore', 'pipe', 'inherit'] });
  const [line] = await once(server.stdout, 'data');
  const address = /http:\/\/\S+\//.exec(String(line));
  if (!address) throw new Error('the server said: ' + line);
  return { server, address: address[0] };
}

let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${ok || !detail ? '' : ': ' + detail}`);
  if (!ok) failures += 1;
}

async function openPage(browser, url) {
  const page = await browser.newPage();
  const console_ = [];
  page.on('console', (message) => console_.push(message.text()));
  page.on('pageerror', (error) => console_.push('page error: ' + error.message));
  await page.goto(url);
  return { page, console: console_ };
}

const textOf = (page, id) => page.$eval('#' + id, (element) => element.textContent);

async function waitForText(page, id, pattern, timeout) {
  await page.waitForFunction((i, p) => new RegExp(p).test(document.getElementById(i).textContent),
    { timeout, polling: 250 }, id, pattern.source);
}

async function frameHash(browser, address, isolated) {
  const name = isolated ? 'isolated (threads)' : 'not isolated (one thread)';
  const { page, console: lines } = await openPage(browser, address + 'index.html?frame-hash&fps=8&verbose');
  try {
    await waitForText(page, 'result', /samples: [0-9a-f]{32}/, kWholeRunMs);
    const [line, sound] = (await textOf(page, 'result')).trim().split('\n');
    check(line === nativeLine, `${name}: the whole run's frame hash is the native one`, `'${line}'`);
    check(sound === nativeSound, `${name}: the whole run's sound hash is the native one`, `'${sound}'`);
    check(lines.includes(nativeLine) && lines.includes(nativeSound), `${name}: the console has the same lines`);
    const threads = (await textOf(page, 'messages')).match(/drawing on (\w+) thread/);
    check(threads && (isolated ? threads[1] !== 'one' : threads[1] === 'one'), `${name}: --verbose says how it draws`,
      threads ? threads[0] : 'nothing said');
  } catch (error) {
    check(false, `${name}: the frame hash`, error.message + '\n' + lines.slice(-5).join('\n'));
  }
  await page.close();
}

// A short ?bench: the table of --bench, timed after the unmeasured first
// run that lets the browser compile the drawing code.
async function bench(browser, address) {
  const { page, console: lines } = await openPage(browser, address + 'index.html?bench&max-seconds=2&threads=2');
  try {
    await waitForText(page, 'result', /time: rasterising/, 300000);
    const table = (await textOf(page, 'result')).trim();
    check(/^120 frames \(2\.0 s of presentation at 60 fps\)/.test(table), 'bench: 120 frames timed', table.split('\n')[0]);
    check(table.includes('unmeasured run of 1.0 s of presentation'), 'bench: after an unmeasured first run');
    check(table.includes('processor time not measurable here') && !/per processor second/.test(table),
      'bench: no processor rates where the browser gives no processor clock');
    console.log(table.split('\n').filter((l) => /^ +[01] /.test(l)).map((l) => '     bench:' + l).join('\n'));
  } catch (error) {
    check(false, 'bench: the table', error.message + '\n' + lines.slice(-5).join('\n'));
  }
  await page.close();
}

async function livePlay(browser, address, name) {
  const openedAt = Date.now();
  const { page, console: lines } = await openPage(browser, address + 'index.html');
  try {
    await page.waitForSelector('#play:not([disabled])', { timeout: 120000 });
    console.log(`     ${name}: ready to play ${Date.now() - openedAt} ms after opening the page`);
    await page.click('#play');
    const startedAt = Date.now();
    await page.waitForFunction(() => Module.glassPage.frames() > 0, { timeout: 60000 });
    const firstFrameMs = Date.now() - startedAt;
    const playedBefore = await page.evaluate(() => Module.glassAudio.playedFrames());
    await new Promise((done) => setTimeout(done, 5000));
    const seen = await page.evaluate(() => {
      const canvas = document.getElementById('picture');
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let lit = 0;
      for (let i = 0; i < pixels.length; i += 4) if (pixels[i] + pixels[i + 1] + pixels[i + 2] > 48) lit += 1;
      return { frames: Module.glassPage.frames(), width: canvas.width, height: canvas.height,
               lit: lit / (pixels.length / 4), cardHidden: document.getElementById('card').hidden,
               played: Module.glassAudio.playedFrames(), latency: Module.glassAudio.latency(),
               audio: Module.glassAudio.context ? Module.glassAudio.context.state : 'none' };
    });
    const playedSeconds = (seen.played - playedBefore) / 44100;
    console.log(`     ${name}: ${playedSeconds.toFixed(2)} s of music played in about 5 s; output latency ` +
      `${(seen.latency * 1000).toFixed(0)} ms`);
    check(seen.audio === 'running' && playedSeconds > 4 && playedSeconds < 6.5,
      `${name}: the music plays through the page's audio output`, `${seen.audio}, ${playedSeconds.toFixed(2)} s`);
    console.log(`     ${name}: first frame ${firstFrameMs} ms after the click; ${seen.frames} frames in about 5 s`);
    check(seen.width === 640 && seen.height === 480, `${name}: the canvas is 640 x 480`, `${seen.width} x ${seen.height}`);
    check(seen.frames >= 60, `${name}: frames keep coming (at least 12 a second)`, `${seen.frames} frames`);
    check(seen.lit > 0.05, `${name}: the canvas shows the presentation, not black`, `${(seen.lit * 100).toFixed(1)} % lit`);
    check(seen.cardHidden, `${name}: the title card is gone`);
  } catch (error) {
    check(false, `${name}: play`, error.message + '\n' + lines.slice(-5).join('\n'));
  }
  await page.close();
}

async function startFailures(browser, address) {
  // Content missing: the presentation's own box for the music it cannot
  // load, on the page.
  let { page } = await openPage(browser, address + 'index.html?data=/tmp&headless');
  try {
    await page.waitForSelector('#play:not([disabled])', { timeout: 120000 });
    await page.click('#play');
    await page.waitForSelector('#box:not([hidden])', { timeout: 60000 });
    const caption = await textOf(page, 'box-caption');
    const text = await textOf(page, 'box-text');
    check(caption === 'FMOD error' && text === 'File not found',
      'missing content shows the box on the page', `'${caption}': '${text}'`);
  } catch (error) {
    check(false, 'missing content shows the box on the page', error.message);
  }
  await page.close();
  // A damaged track.xm (written into the page's file system before the
  // start): the box Linux shows for it.
  ({ page } = await openPage(browser, address + 'index.html?data=/damaged&headless'));
  try {
    await page.waitForSelector('#play:not([disabled])', { timeout: 120000 });
    await page.evaluate(() => {
      Module.FS_createPath('/', 'damaged', true, true);
      Module.FS_createDataFile('/damaged', 'track.xm', 'not a module at all', true, true);
    });
    await page.click('#play');
    await page.waitForSelector('#box:not([hidden])', { timeout: 60000 });
    const caption = await textOf(page, 'box-caption');
    const text = await textOf(page, 'box-text');
    check(caption === 'FMOD error' && text === 'Unknown file format', 'a damaged track.xm shows its box on the page',
      `'${caption}': '${text}'`);
  } catch (error) {
    check(false, 'a damaged track.xm shows its box on the page', error.message);
  }
  await page.close();
  // A bad option: the command line's message, on the page.
  ({ page } = await openPage(browser, address + 'index.html?render-scale=9'));
  try {
    await page.waitForSelector('#play:not([disabled])', { timeout: 120000 });
    await page.click('#play');
    await waitForText(page, 'messages', /render-scale/, 60000);
    const said = await textOf(page, 'messages');
    check(said.includes("--render-scale wants a whole number from 1 to 4 or auto, not '9'"),
      'a bad query option shows its message', said.split('\n')[0]);
    await page.waitForSelector('#ended:not([hidden])', { timeout: 30000 });
    check(await page.evaluate(() => document.body.dataset.exitStatus) === '2', 'a bad query option ends with status 2');
  } catch (error) {
    check(false, 'a bad query option shows its message', error.message);
  }
  await page.close();
}

const isolated = await serve([]);
const open = await serve(['--no-isolation']);
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  protocolTimeout: kWholeRunMs,
  args: ['--no-sandbox', '--disable-dev-shm-usage', '--autoplay-policy=no-user-gesture-required'],
});
try {
  const { page } = await openPage(browser, isolated.address + 'index.html?version');
  check(await page.evaluate(() => self.crossOriginIsolated), 'the server makes the page cross-origin isolated');
  await page.close();
  await livePlay(browser, isolated.address, 'live, isolated');
  await livePlay(browser, open.address, 'live, one thread');
  await startFailures(browser, isolated.address);
  await bench(browser, isolated.address);
  await frameHash(browser, isolated.address, true);
  await frameHash(browser, open.address, false);
} finally {
  await browser.close();
  isolated.server.kill();
  open.server.kill();
}
console.log(failures === 0 ? 'all browser checks passed' : `${failures} browser check(s) failed`);
process.exit(failures === 0 ? 0 : 1);
