// SPDX-License-Identifier: MIT
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
const fs = require('node:fs');
const http = require('node:http');
const os = require('node:os');
const path = require('node:path');
const {decodePng} = require('./png.js');
const {execFileSync} = require('node:child_process');
const {waitUntil, freePort, serve, launch} = require('./support.js');

const webDir = process.env.PELZO_WEB_DIR;
const reference = process.env.PELZO_TITLE_REFERENCE;
// The Linux authors' tool, which checks the sets the page saves.
const quizTool = process.env.PELZO_QUIZ || path.join(__dirname, '../../build/pelzo-quiz');
const repo = path.join(__dirname, '../..');
// Sound is allowed (headless Chromium holds it until a gesture, as which each evaluation counts).
const soundAllowed = ['--autoplay-policy=no-user-gesture-required'];

// Points of the 960 x 640 picture, and the colours the game draws there.
const START = {x: 480, y: 368};  // "ゲームスタート"
const START_PROBE = {x: 362, y: 350};  // inside it, off its label
const PLAY_ANYWAY = {x: 522, y: 550};  // the problems panel's "このまま遊ぶ / Play anyway"
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
let other = null, otherOrigin = '', closedOrigin = '', fixtures = '';  // see before()

before(async () => {
  assert.ok(webDir && fs.existsSync(path.join(webDir, 'index.html')), 'PELZO_WEB_DIR must hold the page');
  server = await serve(webDir);
  origin = server.origin;
  browser = await launch(soundAllowed);
  // No CORS for nocors.zip, an HTML page, then sets too large by Content-Length or by what they send.
  other = http.createServer((req, res) => {
    const cors = {'Access-Control-Allow-Origin': '*'};
    if (req.url === '/nocors.zip') return res.end('PK');
    if (req.url === '/page.zip') return res.writeHead(200, {...cors, 'Content-Type': 'text/html'}).end('<html>');
    if (req.url === '/huge.zip') return res.writeHead(200, {...cors, 'Content-Length': 2 ** 31}).write('PK');
    const pump = () => { while (!res.destroyed && res.write(Buffer.alloc(1 << 20))); };
    pump(res.writeHead(200, cors).on('drain', pump));
  }).listen(0, '127.0.0.1');
  otherOrigin = `http://127.0.0.1:${(await new Promise((r) => other.on('listening', r)), other.address().port)}`;
  closedOrigin = `http://127.0.0.1:${await freePort()}`;
  fixtures = fs.mkdtempSync(path.join(os.tmpdir(), 'pelzo-web-'));
  fs.writeFileSync(path.join(fixtures, 'broken.zip'), 'PK\x03\x04 this is no archive');
  fs.writeFileSync(path.join(fixtures, 'big.zip'), '');
  fs.truncateSync(path.join(fixtures, 'big.zip'), 200 << 20);  // sparse: nothing is written
  // Two genre files over 100 MB together, and more files than a set has genres.
  for (const f of ['a.txt', 'b.txt']) fs.writeFileSync(path.join(fixtures, f), '');
  for (const f of ['a.txt', 'b.txt']) fs.truncateSync(path.join(fixtures, f), 60 << 20);
  for (let i = 0; i < 9; i++) fs.writeFileSync(path.join(fixtures, `${i}.txt`), '');
});

after(async () => {
  if (browser) await browser.close();
  if (server) server.kill();
  if (other) other.close();
  if (fixtures) fs.rmSync(fixtures, {recursive: true, force: true});
});

// Opens the page with a query and a viewport; records console errors,
// uncaught errors and every request that leaves the page's origin.
async function openPage(query, viewport = {width: 960, height: 640}) {
  const page = await browser.newPage();
  const seen = {errors: [], foreign: [], told: []};
  page.on('console', (m) => (m.type() === 'error' ? seen.errors : seen.told).push(m.text()));
  page.on('pageerror', (e) => seen.errors.push(e.message));
  page.on('request', (r) => {
    const url = r.url();
    if (!url.startsWith(origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:')) seen.foreign.push(url);
  });
  await page.setViewport(viewport);
  await page.goto(`${origin}/index.html${query}`);
  await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
  await page.waitForFunction(() => Module.SDL2.audioContext.state === 'running');
  // Park the mouse off the picture, so no button is drawn hovered.
  await page.mouse.move(0, 0);
  return {page, seen};
}

// Drops files (paths) on the page, as from the desktop.
async function dropFiles(page, files) {
  const data = {items: [], files, dragOperationsMask: 1};
  for (const step of ['dragEnter', 'drop']) await page.mouse[step]({x: 9, y: 9}, data);
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
// The title's message sits in a dark red plate above the start button.
const errorPlate = (colourOf) =>
  Array.from({length: 140}, (_, i) => colourOf({x: 200 + 4 * i, y: 287})).filter((c) => near(c, [54, 2, 4])).length > 20;
// The title's file line: its pixels, and whether it names a set (in green).
const fileLine = (colourOf) => {
  const line = Array.from({length: 7 * 240}, (_, i) => colourOf({x: 240 + i % 240 * 2, y: 432 + (i / 240 | 0) * 2}));
  return {pixels: line.join(' '), named: line.filter((c) => near(c, [80, 220, 120], 40)).length > 10};
};

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
  assert.match(await page.$eval('#canvas', (c) => c.getAttribute('role') + ' ' + c.ariaLabel), /^img PelzoWin/);
  assert.doesNotMatch(await page.$eval('meta[name=viewport]', (m) => m.content), /user-scalable=no|maximum-scale/);
  for (const [width, height, turn] of [[390, 844, 'block'], [844, 390, 'none']]) {
    await page.setViewport({width, height, hasTouch: true, isMobile: true});
    await page.waitForFunction((t) => getComputedStyle(document.getElementById('turn')).display === t, {}, turn);
  }
  await page.close();
});

test('a whole game is clicked through with the mouse; a set dropped meanwhile waits on the title', async () => {
  const {page, seen} = await openPage('?set=samples/sample.zip');
  const before = await waitForPicture(page, 'the title', (colourOf) => onTitle(colourOf) && fileLine(colourOf));
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
    if (questions === 0) await dropFiles(page, [path.join(webDir, 'samples', 'sample.pzq'), path.join(fixtures, 'broken.zip')]);
    await clickPicture(page, SLOT0);
    await waitForPicture(page, '① to be coloured as answered', slot0Answered);
    await clickPicture(page, NEXT);
    questions++;
    assert.ok(questions <= 100, 'more questions than ten stages hold');
  }
  await waitForPicture(page, 'the title naming the dropped set', (colourOf) =>
    onTitle(colourOf) && fileLine(colourOf).named && fileLine(colourOf).pixels !== before.pixels);
  assert.ok(questions >= 10, `only ${questions} questions were asked`);
  assert.ok(seen.told.includes('PelzoWin: 2 個のファイルのうち最初の sample.pzq を使います'));
  await clickPicture(page, START);
  await waitForPicture(page, 'the dropped set to be played', timerRunning);
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
    assert.equal(chooser.isMultiple(), true);
    assert.equal(await page.$eval('#picker', (p) => p.accept), '.zip,.pzq,.xlsx,.ods,.csv,.tsv,.txt');
    await chooser.accept([file]);
    if (expectPlay) {
      await waitForPicture(page, 'the first question', timerRunning);
    } else {
      await waitForPicture(page, 'the error box', errorPlate);
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

test('where the browser holds sound back, the first tap both wakes it and starts the game', async () => {
  const page = await browser.newPage();
  // Held ("suspended") and silent until resumed in answer to the player.
  await page.evaluateOnNewDocument(() => {
    window.AudioContext = class extends window.AudioContext {
      constructor(...args) { super(...args); this.held = true; super.suspend(); }
      get state() { return this.held ? 'suspended' : super.state; }
      resume() { this.held &&= !navigator.userActivation.isActive; return this.held ? Promise.resolve() : super.resume(); }
    };
  });
  await page.setViewport({width: 960, height: 640, hasTouch: true, isMobile: true});
  await page.goto(`${origin}/index.html?set=samples/sample.zip`);
  const hint = (o) => page.waitForFunction((o) => getComputedStyle(document.getElementById('sound')).opacity === o, {}, o);
  await hint('1');
  await waitForPicture(page, 'the title', onTitle);
  await page.touchscreen.tap(...Object.values(toPage(await pictureRect(page), START)));
  const tapped = Date.now();
  // The stage's jingle (3.46 s) plays out before the first question: sound
  // runs. A jingle that failed to decode would let the question show at once.
  await waitForPicture(page, 'the first question', timerRunning);
  assert.ok(Date.now() - tapped >= 3000, `the first question came ${Date.now() - tapped} ms after the tap`);
  await hint('0');
  await page.close();
});

test('a ?set= that cannot be had says why on the title before any press, never as loaded', async () => {
  for (const [set, why] of [['nothere.zip', '見つかりません (HTTP 404)'], [`${closedOrigin}/x.zip`, 'つながりません'],
                            [`${otherOrigin}/nocors.zip`, '別のサーバーが許可していません (CORS)'],
                            [`${otherOrigin}/page.zip`, '問題データではありません (HTML のページ)'],
                            ...['huge', 'endless'].map((f) => [`${otherOrigin}/${f}.zip`, '大きすぎます (上限 100 MB)'])]) {
    const {page, seen} = await openPage('?set=' + encodeURIComponent(set));
    await waitForPicture(page, why, (colourOf) => errorPlate(colourOf) && !fileLine(colourOf).named);
    assert.ok(seen.told.includes(`PelzoWin: ${path.basename(set)} を読み込めません: ${why}`), seen.told.join('\n'));
    await page.close();
  }
});

test('dropped files too large or unreadable are told; a file read late never replaces a newer choice', async () => {
  const {page, seen} = await openPage('');
  const nine = Array.from({length: 9}, (_, i) => `${i}.txt`);
  for (const [files, said] of [[['big.zip'], 'big.zip は大きすぎます (上限 100 MB)'], [[''], 'を読めません'],  // '': a folder
                               [['a.txt', 'b.txt'], '2 個のファイル は大きすぎます (上限 100 MB)'],
                               [nine, '9 個のファイルは多すぎます (上限 8 個)']]) {
    await dropFiles(page, files.map((file) => path.join(fixtures, file)));
    await waitUntil(said, () => seen.told.some((told) => told.endsWith(said)));
  }
  await page.evaluate(() => {
    const late = new File(['no set'], 'late.zip');
    late.arrayBuffer = () => new Promise((resolve) => { window.arriveLate = () => resolve(new ArrayBuffer(6)); });
    document.dispatchEvent(Object.assign(new Event('drop'), {dataTransfer: {files: [late]}}));
  });
  const chooser = page.waitForFileChooser();  // intercepted from the next round trip on
  await page.waitForSelector('#open.shown');
  for (const key of ['Tab', 'Tab', 'Enter']) await page.keyboard.press(key);  // to the picture, the open button, press
  await (await chooser).accept([path.join(webDir, 'samples', 'sample.pzq')]);
  await waitForPicture(page, 'the title naming the set', (colourOf) => onTitle(colourOf) && fileLine(colourOf).named);
  await page.evaluate(() => new Promise((done) => {  // the late file arrives; two title frames later it was taken
    const take = Module.pelzoTakeFile, frames = [];
    Module.pelzoTakeFile = () => (frames.push(0) === 2 && done(), take());
    window.arriveLate();
  }));
  await clickPicture(page, START);
  await waitForPicture(page, 'the first question', timerRunning);
  await page.close();
});

test('without WebGL the page says why it cannot play, and loads nothing more', async () => {
  const noGl = await launch(['--disable-webgl', '--disable-3d-apis']);
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


test('dropped sources play, and "Save as set" saves the set built from them, which the tool passes', async () => {
  const saved = fs.mkdtempSync(path.join(os.tmpdir(), 'pelzo-saved-'));
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: saved});
  const texts = fs.readdirSync(path.join(repo, 'data/samples/src')).filter((f) => f.endsWith('.txt'));
  for (const [files, genres] of [[['tests/fixtures/workbook/teacher.xlsx'], 3],
                                 // Genre texts and a workbook together: one set of them all.
                                 [texts.map((f) => 'data/samples/src/' + f).concat('tests/fixtures/workbook/teacher.xlsx'),
                                  texts.length + 3]]) {
    const {page, seen} = await openPage('');
    await dropFiles(page, files.map((f) => path.join(repo, f)));
    await waitForPicture(page, 'the title naming the sources', (colourOf) => onTitle(colourOf) && fileLine(colourOf).named);
    await clickPicture(page, START);
    // The workbook packs with warnings (short genres, number formats): the
    // set is built and offered, and the panel asks before it plays.
    await page.waitForSelector('#save:not([hidden])');
    await clickPicture(page, PLAY_ANYWAY);
    await waitForPicture(page, 'stage 1', timerRunning);
    // Beside or below the picture, never on it: in a window of its shape, on a phone held sideways.
    for (const viewport of [{width: 960, height: 640}, {width: 844, height: 390}]) {
      await page.setViewport(viewport);
      const [a, b] = await page.$$eval('#canvas, #save', (es) => es.map((e) => e.getBoundingClientRect().toJSON()));
      assert.ok(a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top, 'the button covers the picture');
      assert.ok(b.right <= viewport.width && b.bottom <= viewport.height, 'the button is off the window');
    }
    await page.focus('#save');
    await page.keyboard.press('Enter');
    const file = await waitUntil('the saved set', () => fs.readdirSync(saved).find((f) => !f.endsWith('.crdownload')));
    const lines = execFileSync(quizTool, ['check', path.join(saved, file)], {encoding: 'utf8'}).trim().split('\n');
    assert.equal(lines.length, genres, lines.join('\n'));
    fs.rmSync(path.join(saved, file));
    // Another set chosen: there is nothing of the sources left to save.
    await dropFiles(page, [path.join(webDir, 'samples', 'sample.pzq')]);
    await page.waitForSelector('#save[hidden]');
    assert.deepEqual(seen.errors, []);
    await page.close();
  }
  await cdp.detach();
  fs.rmSync(saved, {recursive: true, force: true});
});
