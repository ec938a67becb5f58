// The browser build as a player meets it: the page served on 127.0.0.1,
// played in Debian's Chromium through puppeteer-core, with the mouse (and a
// key). Run with node's test runner:
//
//   PELZO_WEB_DIR=build-web/site PELZO_TITLE_REFERENCE=title.png node --test tests/web/
//
// PELZO_WEB_DIR is the served folder (index.html, the game, samples/);
// PELZO_TITLE_REFERENCE the Linux game's title with sample.zip loaded
// (pelzo-screenshots shots: title_loaded_file_line.png).
'use strict';
const {test, before, after} = require('node:test');
const assert = require('node:assert/strict');
const {spawn} = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const os = require('node:os');
const path = require('node:path');
const puppeteer = require('puppeteer-core');
const {decodePng} = require('./png.js');

const webDir = process.env.PELZO_WEB_DIR;
const reference = process.env.PELZO_TITLE_REFERENCE;
const chromium = process.env.PELZO_CHROMIUM || '/usr/bin/chromium';
const launchArgs = ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader'];

// Points of the 960 x 640 picture, and the colours the game draws there.
const START = {x: 480, y: 368};  // "ゲームスタート"
const START_PROBE = {x: 362, y: 350};  // inside it, off its label
const START_FILL = [30, 60, 120];
const TIMER = {x: 60, y: 19};  // the timer bar's left end
const SLOT0 = {x: 250, y: 370};  // choice ① (its click point)
const SLOT0_BODY = {x: 250, y: 407};  // inside ①, below its text
const NEXT = {x: 480, y: 613};  // "次の問題 →"
const GAME_OVER = {x: 480, y: 406};  // "タイトルに戻る" on GAME OVER
const GAME_OVER_PROBE = {x: 378, y: 420};
const CLEAR = {x: 480, y: 436};  // the stage-clear screen's button
const CLEAR_PROBE = {x: 368, y: 452};
const CLEAR_FILL = [30, 80, 30];

let server = null;
let origin = '';
let browser = null;

function freePort() {
  return new Promise((resolve, reject) => {
    const probe = net.createServer();
    probe.once('error', reject);
    probe.listen(0, '127.0.0.1', () => {
      const {port} = probe.address();
      probe.close(() => resolve(port));
    });
  });
}

async function waitUntil(what, check, timeoutMs = 60000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}

before(async () => {
  assert.ok(webDir && fs.existsSync(path.join(webDir, 'index.html')), 'PELZO_WEB_DIR must hold the page');
  const port = await freePort();
  origin = `http://127.0.0.1:${port}`;
  server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', webDir],
                 {stdio: 'ignore'});
  await waitUntil('the server', () => fetch(origin + '/index.html').then((r) => r.ok, () => false), 20000);
  browser = await puppeteer.launch({executablePath: chromium, headless: 'new', args: launchArgs});
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.kill();
});

// Opens the page with a query and a viewport; records console errors,
// uncaught errors and every request that leaves the page's origin.
async function openPage(query, viewport = {width: 960, height: 640}) {
  const page = await browser.newPage();
  const seen = {errors: [], foreign: []};
  page.on('console', (m) => { if (m.type() === 'error') seen.errors.push(m.text()); });
  page.on('pageerror', (e) => seen.errors.push(e.message));
  page.on('request', (r) => {
    const url = r.url();
    if (!url.startsWith(origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:')) seen.foreign.push(url);
  });
  await page.setViewport(viewport);
  await page.goto(`${origin}/index.html${query}`);
  await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
  // Park the mouse off the picture, so no button is drawn hovered.
  await page.mouse.move(0, 0);
  return {page, seen};
}

// Where the 960 x 640 picture is on the page.
async function pictureRect(page) {
  return page.$eval('#canvas', (c) => {
    const r = c.getBoundingClientRect();
    return {left: r.left, top: r.top, width: r.width, height: r.height};
  });
}

function toPage(rect, p) {
  return {x: rect.left + (p.x + 0.5) * rect.width / 960, y: rect.top + (p.y + 0.5) * rect.height / 640};
}

async function screenshot(page) {
  return decodePng(Buffer.from(await page.screenshot({type: 'png'})));
}

function colourAt(image, rect, p) {
  const q = toPage(rect, p);
  const i = (Math.floor(q.y) * image.width + Math.floor(q.x)) * 4;
  return [image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]];
}

function near(colour, expected, tolerance = 24) {
  return colour.every((c, k) => Math.abs(c - expected[k]) <= tolerance);
}

// Waits until the picture shows what `check(colourOf)` looks for; returns its answer.
async function waitForPicture(page, what, check, timeoutMs) {
  const rect = await pictureRect(page);
  return waitUntil(what, async () => {
    const image = await screenshot(page);
    return check((p) => colourAt(image, rect, p));
  }, timeoutMs);
}

async function clickPicture(page, p) {
  const q = toPage(await pictureRect(page), p);
  await page.mouse.click(q.x, q.y);
}

const onTitle = (colourOf) => near(colourOf(START_PROBE), START_FILL);
// The timer bar runs green, then yellow, then red.
const timerRunning = (colourOf) =>
  [[80, 220, 120], [255, 220, 60], [255, 80, 80]].some((c) => near(colourOf(TIMER), c, 40));
// ① answered: green when right, red when wrong (unanswered it is blue-grey).
const slot0Answered = (colourOf) => near(colourOf(SLOT0_BODY), [20, 80, 40]) || near(colourOf(SLOT0_BODY), [120, 30, 30]);

test('the page loads without errors, from its own origin only, and shows the Linux title', async () => {
  const {page, seen} = await openPage('?set=samples/sample.zip');
  await waitForPicture(page, 'the title', onTitle);
  assert.equal(await page.title(), 'PelzoWin ver1.1.0');

  assert.ok(reference, 'PELZO_TITLE_REFERENCE must name the Linux title');
  const linux = decodePng(fs.readFileSync(reference));
  const web = await screenshot(page);
  const rect = await pictureRect(page);
  assert.deepEqual([rect.width, rect.height, linux.width, linux.height], [960, 640, 960, 640]);
  // WebGL and the desktop's software renderer rasterise edges and glyphs a
  // little differently; a missing glyph (a box), a missing logo or a shifted
  // line differs in far more pixels than that.
  let differing = 0;
  for (let y = 0; y < 640; y++) {
    for (let x = 0; x < 960; x++) {
      const a = colourAt(web, rect, {x, y});
      const i = (y * 960 + x) * 4;
      if (a.some((c, k) => Math.abs(c - linux.rgba[i + k]) > 64)) differing++;
    }
  }
  assert.ok(differing < 960 * 640 * 0.01, `${differing} pixels differ from the Linux title`);
  assert.deepEqual(seen.errors, []);
  assert.deepEqual(seen.foreign, []);
  await page.close();
});

test('a whole game is clicked through with the mouse, back to the title', async () => {
  const {page, seen} = await openPage('?set=samples/sample.zip');
  await waitForPicture(page, 'the title', onTitle);
  await clickPicture(page, START);
  let questions = 0;
  for (;;) {
    // Past the stage card: a question, or the stage's result.
    const screen = await waitForPicture(page, 'a question or a result', (colourOf) =>
      (timerRunning(colourOf) && !slot0Answered(colourOf) && 'question') ||
      (near(colourOf(GAME_OVER_PROBE), [80, 20, 20], 30) && 'over') ||
      (near(colourOf(GAME_OVER_PROBE), [109, 57, 57], 30) && 'over') ||
      (near(colourOf(CLEAR_PROBE), CLEAR_FILL, 30) && 'clear'));
    if (screen === 'over') {
      await clickPicture(page, GAME_OVER);
      break;
    }
    if (screen === 'clear') {
      await clickPicture(page, CLEAR);
      continue;
    }
    await clickPicture(page, SLOT0);
    await waitForPicture(page, '① to be coloured as answered', slot0Answered);
    await clickPicture(page, NEXT);
    questions++;
    assert.ok(questions <= 100, 'more questions than ten stages hold');
  }
  await waitForPicture(page, 'the title again', onTitle);
  assert.ok(questions >= 10, `only ${questions} questions were asked`);
  assert.deepEqual(seen.errors, []);
  await page.close();
});

test('the file picker loads a .pzq set; a broken file gets its message on the title', async () => {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'pelzo-web-'));
  const broken = path.join(dir, 'broken.zip');
  fs.writeFileSync(broken, Buffer.from('PK\x03\x04 this is no archive'));
  const sample = path.join(webDir, 'samples', 'sample.pzq');

  for (const [file, expectPlay] of [[sample, true], [broken, false]]) {
    const {page, seen} = await openPage('');
    await waitForPicture(page, 'the title', onTitle);
    const [chooser] = await Promise.all([page.waitForFileChooser({timeout: 30000}), clickPicture(page, START)]);
    assert.equal(chooser.isMultiple(), false);
    await chooser.accept([file]);
    if (expectPlay) {
      await waitForPicture(page, 'the first question', timerRunning);
    } else {
      // The message sits in a dark red box above the start button.
      await waitForPicture(page, 'the error box', (colourOf) => {
        let red = 0;
        for (let x = 200; x < 760; x += 4) if (near(colourOf({x, y: 287}), [54, 2, 4], 20)) red++;
        return red > 20;
      });
      await page.mouse.move(0, 0);
      await waitForPicture(page, 'the title to stay', onTitle);
    }
    assert.deepEqual(seen.errors, []);
    await page.close();
  }
  fs.rmSync(dir, {recursive: true, force: true});
});

test('the picture fits landscape and portrait windows, aspect kept, and clicks and taps land', async () => {
  // A laptop, and a phone held upright, which is tapped rather than clicked.
  for (const viewport of [{width: 1280, height: 800}, {width: 800, height: 1280, hasTouch: true, isMobile: true}]) {
    const {page} = await openPage('?set=samples/sample.zip', viewport);
    const rect = await pictureRect(page);
    assert.ok(Math.abs(rect.width / rect.height - 1.5) < 0.01, `aspect ${rect.width} x ${rect.height}`);
    assert.ok(rect.left >= 0 && rect.top >= 0 && rect.left + rect.width <= viewport.width + 0.5 &&
              rect.top + rect.height <= viewport.height + 0.5, 'the picture leaves the window');
    assert.ok(rect.width >= viewport.width - 1 || rect.height >= viewport.height - 1, 'the picture does not fill');
    await waitForPicture(page, 'the title', onTitle);
    if (viewport.hasTouch) {
      const q = toPage(rect, START);
      await page.touchscreen.tap(q.x, q.y);
    } else {
      await clickPicture(page, START);
    }
    await waitForPicture(page, 'the first question', timerRunning);
    await page.close();
  }
});

test('where the browser holds sound back, the first key starts it and leaves the title as it was', async () => {
  // Headless Chromium lets every page play sound. A page opened here sees
  // audio as a browser with the usual policy shows it: held ("suspended")
  // until the page resumes it in answer to the player.
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    const Real = window.AudioContext;
    window.AudioContext = class extends Real {
      constructor(...args) { super(...args); this.held = true; }
      get state() { return this.held ? 'suspended' : super.state; }
      resume() { this.held = false; return super.resume(); }
    };
  });
  try {
    await page.setViewport({width: 960, height: 640});
    await page.goto(`${origin}/index.html?set=samples/sample.zip`);
    await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
    const state = () => page.evaluate(() => Module.SDL2.audioContext.state);
    assert.equal(await state(), 'suspended');
    assert.equal(await page.$eval('#start', (e) => getComputedStyle(e).display), 'flex');
    await page.keyboard.press('Enter');
    await waitUntil('the sound to start', async () => (await state()) === 'running');
    assert.equal(await page.$eval('#start', (e) => getComputedStyle(e).display), 'none');
    // The key was the page's: the game saw none, so it is still on the title.
    await page.mouse.move(0, 0);
    await waitForPicture(page, 'the title', onTitle);
  } finally {
    await page.close();
  }
});

test('without WebGL the page says why it cannot play, and loads nothing more', async () => {
  const noGl = await puppeteer.launch({executablePath: chromium, headless: 'new',
                                       args: ['--no-sandbox', '--disable-webgl', '--disable-3d-apis']});
  try {
    const page = await noGl.newPage();
    const requested = [];
    page.on('request', (r) => requested.push(new URL(r.url()).pathname));
    await page.goto(`${origin}/index.html`, {waitUntil: 'networkidle0'});
    const said = await page.$eval('#status', (e) => getComputedStyle(e).display !== 'none' && e.textContent);
    assert.match(said, /WebGL/);
    assert.ok(!requested.includes('/pelzowin.wasm'), 'the game was fetched anyway');
  } finally {
    await noGl.close();
  }
});

