// The page drawn at the device's pixels: on a projector's 1920 x 1080 and on
// a phone held sideways at three device pixels per CSS pixel, the canvas's
// backing store is its CSS size times the pixel ratio, the start button's
// label is sharper than the 960 x 640 picture stretched, the picture scaled
// back is the Linux title, and the scaled button starts the game.
//
//   PELZO_WEB_DIR=build-web/stage PELZO_TITLE_REFERENCE=title.png node --test tests/web/sharp_test.js
'use strict';
const {test, before, after} = require('node:test');
const assert = require('node:assert/strict');
const {spawn} = require('node:child_process');
const fs = require('node:fs');
const net = require('node:net');
const path = require('node:path');
const puppeteer = require('puppeteer-core');
const {decodePng} = require('./png.js');

const webDir = process.env.PELZO_WEB_DIR;
const reference = process.env.PELZO_TITLE_REFERENCE;
const chromium = process.env.PELZO_CHROMIUM || '/usr/bin/chromium';
const launchArgs = ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader'];

const START = {x: 480, y: 368};  // "ゲームスタート"
const START_PROBE = {x: 362, y: 350};  // inside the button, off its label
const LABEL = {x0: 405, y0: 354, x1: 555, y1: 383};  // the label's box in the picture
const TIMER = {x: 60, y: 19};

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
  assert.ok(reference, 'PELZO_TITLE_REFERENCE must name the Linux title');
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

// The canvas in device pixels: a crop of a screenshot, {width, height, rgba}.
async function canvasPicture(page) {
  const {rect, ratio} = await page.$eval('#canvas', (c) => {
    const r = c.getBoundingClientRect();
    return {rect: {left: r.left, top: r.top, width: r.width, height: r.height}, ratio: window.devicePixelRatio};
  });
  const shot = decodePng(Buffer.from(await page.screenshot({type: 'png'})));
  const x0 = Math.round(rect.left * ratio), y0 = Math.round(rect.top * ratio);
  const width = Math.round(rect.width * ratio), height = Math.round(rect.height * ratio);
  const rgba = Buffer.alloc(width * height * 4);
  for (let y = 0; y < height; y++) shot.rgba.copy(rgba, y * width * 4, ((y0 + y) * shot.width + x0) * 4,
                                                  ((y0 + y) * shot.width + x0 + width) * 4);
  return {width, height, rgba};
}

const luma = (img, x, y) => {
  const i = (y * img.width + x) * 4;
  return 0.299 * img.rgba[i] + 0.587 * img.rgba[i + 1] + 0.114 * img.rgba[i + 2];
};

// `img` stretched bilinearly to width x height, as a browser stretches a canvas.
function stretched(img, width, height) {
  const rgba = Buffer.alloc(width * height * 4);
  for (let y = 0; y < height; y++) {
    const sy = Math.min(Math.max((y + 0.5) * img.height / height - 0.5, 0), img.height - 1);
    const y0 = Math.floor(sy), y1 = Math.min(y0 + 1, img.height - 1), fy = sy - y0;
    for (let x = 0; x < width; x++) {
      const sx = Math.min(Math.max((x + 0.5) * img.width / width - 0.5, 0), img.width - 1);
      const x0 = Math.floor(sx), x1 = Math.min(x0 + 1, img.width - 1), fx = sx - x0;
      for (let k = 0; k < 3; k++) {
        const at = (xx, yy) => img.rgba[(yy * img.width + xx) * 4 + k];
        const top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx, bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
        rgba[(y * width + x) * 4 + k] = Math.round(top * (1 - fy) + bottom * fy);
      }
    }
  }
  return {width, height, rgba};
}

// Mean absolute Laplacian of the luminance over the label's box: how crisp its edges are.
function edgeContrast(img) {
  const sx = img.width / 960, sy = img.height / 640;
  let sum = 0, n = 0;
  for (let y = Math.round(LABEL.y0 * sy); y < Math.round(LABEL.y1 * sy); y++) {
    for (let x = Math.round(LABEL.x0 * sx); x < Math.round(LABEL.x1 * sx); x++) {
      sum += Math.abs(4 * luma(img, x, y) - luma(img, x - 1, y) - luma(img, x + 1, y) - luma(img, x, y - 1) -
                      luma(img, x, y + 1));
      n++;
    }
  }
  return sum / n;
}

// Pixels of `img` averaged down to 960 x 640 that differ from `linux` by more than 64 in a channel.
function differingFrom(linux, img) {
  let differing = 0;
  for (let y = 0; y < 640; y++) {
    for (let x = 0; x < 960; x++) {
      const xa = Math.floor(x * img.width / 960), xb = Math.max(xa + 1, Math.floor((x + 1) * img.width / 960));
      const ya = Math.floor(y * img.height / 640), yb = Math.max(ya + 1, Math.floor((y + 1) * img.height / 640));
      const mean = [0, 0, 0];
      for (let yy = ya; yy < yb; yy++)
        for (let xx = xa; xx < xb; xx++)
          for (let k = 0; k < 3; k++) mean[k] += img.rgba[(yy * img.width + xx) * 4 + k];
      const i = (y * 960 + x) * 4;
      if (mean.some((c, k) => Math.abs(c / ((xb - xa) * (yb - ya)) - linux.rgba[i + k]) > 64)) differing++;
    }
  }
  return differing;
}

const near = (img, p, expected, tolerance = 40) => {
  const i = (Math.floor((p.y + 0.5) * img.height / 640) * img.width + Math.floor((p.x + 0.5) * img.width / 960)) * 4;
  return expected.every((c, k) => Math.abs(img.rgba[i + k] - c) <= tolerance);
};
const timerRunning = (img) => [[80, 220, 120], [255, 220, 60], [255, 80, 80]].some((c) => near(img, TIMER, c));

for (const [name, viewport] of [
  ['a projector at 1920 x 1080', {width: 1920, height: 1080}],
  ['a phone held sideways at 3 device pixels per CSS pixel',
   {width: 844, height: 390, deviceScaleFactor: 3, hasTouch: true, isMobile: true}],
]) {
  test(`${name}: device pixels, a sharper label, the Linux layout, a working start button`, async () => {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    await page.goto(`${origin}/index.html?set=samples/sample.zip&mute`);
    await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
    // The backing store follows the canvas's size on the page in device pixels.
    const store = await page.waitForFunction(() => {
      const c = document.getElementById('canvas'), r = c.getBoundingClientRect();
      const w = Math.round(r.width * devicePixelRatio), h = Math.round(r.height * devicePixelRatio);
      return r.width > 960 * 0.5 && c.width === w && c.height === h && [c.width, c.height];
    }, {timeout: 20000}).then((h) => h.jsonValue());
    assert.ok(store[0] > 960 && store[1] > 640, `backing store ${store}`);

    const title = await waitUntil('the title', async () => {
      const img = await canvasPicture(page);
      return near(img, START_PROBE, [30, 60, 120], 24) && img;
    });
    const linux = decodePng(fs.readFileSync(reference));
    const sharp = edgeContrast(title), soft = edgeContrast(stretched(linux, title.width, title.height));
    assert.ok(sharp > 1.25 * soft, `label edge contrast ${sharp.toFixed(2)} against ${soft.toFixed(2)} stretched`);
    const differing = differingFrom(linux, title);
    assert.ok(differing < 960 * 640 * 0.015, `${differing} pixels differ from the Linux title`);

    const rect = await page.$eval('#canvas', (c) => c.getBoundingClientRect().toJSON());
    const q = {x: rect.left + (START.x + 0.5) * rect.width / 960, y: rect.top + (START.y + 0.5) * rect.height / 640};
    if (viewport.hasTouch) await page.touchscreen.tap(q.x, q.y);
    else await page.mouse.click(q.x, q.y);
    await waitUntil('the first question', async () => timerRunning(await canvasPicture(page)));
    await page.close();
  });
}
