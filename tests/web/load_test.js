// SPDX-License-Identifier: MIT
// How the page reaches a player: opened as a file, its bytes on a first and a
// second visit, offline, and the font's second part. The page's folder is
// served by Python's server through a proxy that counts what it sends.
//
//   PELZO_WEB_DIR=build-web/stage node --test tests/web/load_test.js
'use strict';
const {test, before, after} = require('node:test');
const assert = require('node:assert/strict');
const {execFileSync} = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const zlib = require('node:zlib');
const {decodePng} = require('./png.js');
const {waitUntil, serve, countingProxy, launch} = require('./support.js');

const webDir = path.resolve(process.env.PELZO_WEB_DIR || '');
const START = {x: 480, y: 368};  // "ゲームスタート"
const START_PROBE = {x: 362, y: 350};
const TIMER = {x: 60, y: 19};
const QUESTION = {x: 205, y: 40, width: 120, height: 32};  // the question's first line

let server = null;
let proxy = null;
let origin = '';
let browser = null;
// What the server sent through the proxy: bytes, and the paths asked for;
// offline, the proxy drops every connection.
const sent = {bytes: 0, paths: [], offline: false};

before(async () => {
  assert.ok(fs.existsSync(path.join(webDir, 'index.html')), 'PELZO_WEB_DIR must hold the page');
  server = await serve(webDir);
  proxy = await countingProxy(server.port, sent);
  origin = proxy.origin;
  browser = await launch();
});

after(async () => {
  if (browser) await browser.close();
  if (proxy) proxy.close();
  if (server) server.kill();
});

// A page of its own browser context (its own cache and service worker), or
// of the browser's own profile, where Chromium offers to install an app.
async function newPage(own = true) {
  const context = own ? await browser.createBrowserContext() : browser.defaultBrowserContext();
  const page = await context.newPage();
  await page.setViewport({width: 960, height: 640});
  return page;
}

async function colourOf(page, p) {
  const image = decodePng(Buffer.from(await page.screenshot({type: 'png'})));
  const i = (p.y * image.width + p.x) * 4;
  return [image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]];
}
const near = (c, e, tolerance) => c.every((v, k) => Math.abs(v - e[k]) <= tolerance);
const onTitle = async (page) => near(await colourOf(page, START_PROBE), [30, 60, 120], 24);
const timerRunning = async (page) => {
  const c = await colourOf(page, TIMER);
  return [[80, 220, 120], [255, 220, 60], [255, 80, 80]].some((e) => near(c, e, 40));
};

// Where the page has shown its sound banner, a key takes it away (on the
// title a key only stops the jingle), so the next click reaches the game.
async function unlockSound(page) {
  const banner = () => page.evaluate(() => {
    const start = document.getElementById('start');
    return !!start && getComputedStyle(start).display !== 'none';
  });
  if (await banner()) await page.keyboard.press('Shift');
  await waitUntil('the sound banner to go', async () => !(await banner()));
}

async function playFromPicker(page, file) {
  await waitUntil('the title', () => onTitle(page));
  await unlockSound(page);
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.mouse.click(START.x, START.y)]);
  await chooser.accept([file]);
  await waitUntil('a question', () => timerRunning(page));
}

test('opened as a file, the page plays a set from the picker and says ?set= cannot work there', async () => {
  const page = await newPage();
  await page.goto(`file://${webDir}/index.html?set=samples/sample.zip`);
  await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
  assert.match(await page.$eval('#notice', (n) => n.textContent), /\?set= cannot work in a page opened as a file/);
  await playFromPicker(page, path.join(webDir, 'samples/sample.pzq'));
  await page.browserContext().close();
});

test('a first visit sends at most 5 MB (4 MB gzipped), the page is installable, the next visit sends almost nothing, and offline the game plays', async () => {
  const page = await newPage(false);
  sent.bytes = 0;
  sent.paths = [];
  await page.goto(`${origin}/index.html?set=samples/sample.zip`);
  await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
  await waitUntil('the page in the worker\'s hands', () => page.evaluate(() => !!navigator.serviceWorker.controller));
  const gzipped = [...new Set(sent.paths)].reduce((sum, p) => {
    const file = path.join(webDir, p === '/' ? 'index.html' : decodeURIComponent(p));
    return sum + zlib.gzipSync(fs.readFileSync(file)).length;
  }, 0);
  // 5.3 MB since the game reads workbooks and tables itself (0.47 MB of it).
  assert.ok(sent.bytes <= 5e6, `${sent.bytes} bytes sent`);
  assert.ok(gzipped <= 4e6, `${gzipped} bytes gzipped`);
  assert.ok(!sent.paths.some((p) => /ipam-2|\.gz\.js|\.wasm\.js/.test(p)), sent.paths.join(' '));
  // Chromium offers to install it (manifest, icons, worker).
  const cdp = await page.createCDPSession();
  assert.deepEqual((await cdp.send('Page.getInstallabilityErrors')).installabilityErrors, []);

  const firstVisit = sent.bytes;
  await page.reload();
  await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
  await waitUntil('the title', () => onTitle(page));
  // The browser may ask for the worker's script to look for a new release.
  assert.ok(sent.bytes - firstVisit < 20000, `${sent.bytes - firstVisit} bytes sent on the second visit`);

  await page.setOfflineMode(true);
  sent.offline = true;
  await page.reload();
  await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
  await unlockSound(page);
  await page.mouse.click(START.x, START.y);
  await waitUntil('a question offline', () => timerRunning(page));
  sent.offline = false;
  await page.close();
});

test('a set holding a kanji outside the font\'s first part draws it, where without the second part it is a box', async () => {
  // Ten questions of 鬘 (second-level kanji, Shift-JIS E9 A1), choices a-e.
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'pelzo-load-'));
  const question = Buffer.concat([Buffer.from([0xE9, 0xA1, 0xE9, 0xA1, 0xE9, 0xA1, 0xE9, 0xA1]),
    Buffer.from('?\r\na\r\nb\r\nc\r\nd\r\ne\r\n')]);
  fs.writeFileSync(path.join(dir, 'qtext_0.txt'), Buffer.concat([Buffer.from('kanji\r\n'),
    ...Array(10).fill(question)]));
  execFileSync('zip', ['-0', '-q', '-j', path.join(dir, 'kanji.zip'), path.join(dir, 'qtext_0.txt')]);
  const shots = [];
  for (const whole of [false, true]) {
    const page = await newPage();
    if (!whole) {
      await page.setRequestInterception(true);
      page.on('request', (r) => (/ipam-2|sw\.js/.test(r.url()) ? r.abort() : r.continue()));
    }
    sent.paths = [];
    await page.goto(`${origin}/index.html`);
    await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
    await playFromPicker(page, path.join(dir, 'kanji.zip'));
    assert.equal(sent.paths.includes('/ipam-2.ttf.gz'), whole);
    shots.push(decodePng(Buffer.from(await page.screenshot({type: 'png', clip: QUESTION}))).rgba);
    await page.browserContext().close();
  }
  let differing = 0;
  for (let i = 0; i < shots[0].length; i += 4) if (Math.abs(shots[0][i] - shots[1][i]) > 64) differing++;
  assert.ok(differing > 100, `the kanji and the boxes differ in ${differing} pixels only`);
  fs.rmSync(dir, {recursive: true});
});
