// SPDX-License-Identifier: MIT
// The page at a projector's and a phone's device pixels: backing store, a label and the file's name (in the
// library's default font) sharper than the 960 x 640 picture stretched, the Linux title's layout, the scaled
// start button. Environment as web_test.js's.
'use strict';
const {test, before, after} = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const {decodePng} = require('./png.js');
const {waitUntil, serve, launch} = require('./support.js');

const LABEL = {x0: 405, y0: 354, x1: 555, y1: 383};  // "ゲームスタート" in the picture
const FILE = {x0: 412, y0: 430, x1: 505, y1: 447};  // "sample.zip" on the file line
let server, origin, browser;

before(async () => {
  server = await serve(process.env.PELZO_WEB_DIR);
  origin = server.origin;
  browser = await launch();
});
after(async () => { await browser?.close(); server?.kill(); });

// The canvas as shown, in device pixels: {width, height, rgba}.
async function canvasPicture(page) {
  const r = await page.$eval('#canvas', (c) => [...Object.values(c.getBoundingClientRect().toJSON()),
                                               devicePixelRatio]);
  const [x0, y0, width, height] = [r[0], r[1], r[2], r[3]].map((v) => Math.round(v * r[8]));
  const shot = decodePng(Buffer.from(await page.screenshot({type: 'png'})));
  const rgba = Buffer.alloc(width * height * 4);
  for (let y = 0, at = (y0 * shot.width + x0) * 4; y < height; y++, at += shot.width * 4)
    shot.rgba.copy(rgba, y * width * 4, at, at + width * 4);
  return {width, height, rgba};
}

// The colour at a point of the 960 x 640 picture, sampled bilinearly from `img`.
function sample(img, x, y) {
  const fx = Math.min(Math.max(x * img.width / 960 - 0.5, 0), img.width - 1), ix = Math.floor(fx);
  const fy = Math.min(Math.max(y * img.height / 640 - 0.5, 0), img.height - 1), iy = Math.floor(fy);
  const at = (xx, yy, k) => img.rgba[(Math.min(yy, img.height - 1) * img.width + Math.min(xx, img.width - 1)) * 4 + k];
  return [0, 1, 2].map((k) => (at(ix, iy, k) * (1 - fx + ix) + at(ix + 1, iy, k) * (fx - ix)) * (1 - fy + iy) +
                              (at(ix, iy + 1, k) * (1 - fx + ix) + at(ix + 1, iy + 1, k) * (fx - ix)) * (fy - iy));
}

// Mean absolute Laplacian of the luminance over `box` (the label), on a grid
// of width x height over the picture: `source` stretched (or shown) at that size.
function edgeContrast(source, width, height, box = LABEL) {
  const luma = (x, y) => {
    const c = sample(source, (x + 0.5) * 960 / width, (y + 0.5) * 640 / height);
    return 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2];
  };
  let sum = 0, n = 0;
  for (let y = Math.round(box.y0 * height / 640); y < Math.round(box.y1 * height / 640); y++)
    for (let x = Math.round(box.x0 * width / 960); x < Math.round(box.x1 * width / 960); x++, n++)
      sum += Math.abs(4 * luma(x, y) - luma(x - 1, y) - luma(x + 1, y) - luma(x, y - 1) - luma(x, y + 1));
  return sum / n;
}

const near = (img, x, y, colour) => sample(img, x + 0.5, y + 0.5).every((c, k) => Math.abs(c - colour[k]) <= 40);

const phone = {width: 844, height: 390, deviceScaleFactor: 3, hasTouch: true, isMobile: true};
for (const [name, viewport] of [['a projector at 1920 x 1080', {width: 1920, height: 1080}],
  ['a phone held sideways at 3 device pixels per CSS pixel', phone]]) {
  test(`${name}: device pixels, a sharper label, the Linux layout, a working start button`, async () => {
    const page = await browser.newPage();
    await page.setViewport(viewport);
    await page.goto(`${origin}/index.html?set=samples/sample.zip&mute`);
    await page.waitForFunction('window.pelzoReady === true', {timeout: 60000});
    const store = await (await page.waitForFunction(() => {
      const c = document.getElementById('canvas'), r = c.getBoundingClientRect(), k = devicePixelRatio;
      return c.width === Math.round(r.width * k) && c.height === Math.round(r.height * k) && [c.width, c.height];
    }, {timeout: 20000})).jsonValue();
    assert.ok(store[0] > 1500 && store[1] > 1000, `backing store ${store}`);

    const shown = (x, y, colours) => canvasPicture(page).then((img) => colours.some((c) => near(img, x, y, c)) && img);
    const title = await waitUntil('the title', () => shown(362, 350, [[30, 60, 120]]));  // the button, off its label
    const linux = decodePng(fs.readFileSync(process.env.PELZO_TITLE_REFERENCE));
    const [sharp, soft] = [title, linux].map((img) => edgeContrast(img, title.width, title.height));
    assert.ok(sharp > 1.25 * soft, `label edge contrast ${sharp.toFixed(2)}, stretched ${soft.toFixed(2)}`);
    const fileSoft = edgeContrast(linux, title.width, title.height, FILE);  // its glyphs come at a calm moment
    const fileSharp = (img) => edgeContrast(img, img.width, img.height, FILE);
    await waitUntil(`the file name sharper than ${fileSoft.toFixed(2)}`,
        () => canvasPicture(page).then((img) => fileSharp(img) > 1.25 * fileSoft));
    let differing = 0;  // scaled back, it is the Linux title but for edges
    for (let i = 0; i < 960 * 640; i++) {
      const c = sample(title, i % 960 + 0.5, Math.floor(i / 960) + 0.5);
      differing += c.some((v, k) => Math.abs(v - linux.rgba[i * 4 + k]) > 64);
    }
    assert.ok(differing < 960 * 640 * 0.015, `${differing} pixels differ from the Linux title`);

    const r = await page.$eval('#canvas', (c) => c.getBoundingClientRect().toJSON());
    const [x, y] = [r.left + 480.5 * r.width / 960, r.top + 368.5 * r.height / 640];  // the start button
    await (viewport.hasTouch ? page.touchscreen.tap(x, y) : page.mouse.click(x, y));
    const timer = [[80, 220, 120], [255, 220, 60], [255, 80, 80]];  // green, yellow or red
    await waitUntil('the first question', () => shown(60, 19, timer));
    await page.close();
  });
}
