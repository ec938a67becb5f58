// SPDX-License-Identifier: MIT
// The browser build at a larger canvas, measured in Debian's headless
// Chromium, next to the 960 x 640 page:
//   frame time on the play screen: the game's frame in the page's animation
//     frame callback (preMainLoop to postMainLoop), median and 99th
//     percentile over 300 frames (WebGL's own drawing runs later in the GPU
//     process and is not in it), and the rate the game's frames came at
//     over those frames, which it is in (SwiftShader here: the CPU);
//   the set's load: the frame in which the start button loads the set and
//     rebuilds the glyphs for it (the longest frame after the press), at
//     the glyphs' raster size the page then has. The set is samples/large.zip,
//     or SET (a path under SITE_DIR), e.g. make_bench_data's
//     zip8x170_deflated.zip, whose thousands of kanji are the largest glyph set.
// Sizes: 960 x 640; a 1920 x 1080 window (backing store 1620 x 1080, glyphs
// at 36 px); the same window at 2 device pixels per CSS pixel (3240 x 2160,
// glyphs rasterised larger for the title's 20 px text at 3.4x).
//
//   [SET=bench/zip8x170_deflated.zip] node bench/web_scale_bench.js SITE_DIR      (prints JSON lines)
'use strict';
const {spawn} = require('node:child_process');
const net = require('node:net');
const path = require('node:path');
const puppeteer = require(path.join(__dirname, '../tests/web/node_modules/puppeteer-core'));

const site = process.argv[2];
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

function freePort() {
  return new Promise((resolve) => {
    const probe = net.createServer();
    probe.listen(0, '127.0.0.1', () => { const {port} = probe.address(); probe.close(() => resolve(port)); });
  });
}

// The next `count` frames' times, and the frames per second they came at.
function frameTimes(page, count) {
  return page.evaluate((count) => new Promise((resolve) => {
    const times = [];
    let started = 0, first = 0;
    Module.preMainLoop = () => { started = performance.now(); first = first || started; };
    Module.postMainLoop = () => {
      times.push(performance.now() - started);
      if (times.length === count) resolve({times, fps: (count - 1) * 1000 / (started - first)});
    };
  }), count);
}

(async () => {
  const port = await freePort();
  const origin = `http://127.0.0.1:${port}`;
  const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1', '--directory', site],
                       {stdio: 'ignore'});
  for (let i = 0; i < 200; i++) {
    if (await fetch(origin + '/index.html').then((r) => r.ok, () => false)) break;
    await sleep(50);
  }
  const browser = await puppeteer.launch({executablePath: process.env.PELZO_CHROMIUM || '/usr/bin/chromium',
    headless: 'new', args: ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader']});
  try {
    for (const viewport of [{width: 960, height: 640}, {width: 1920, height: 1080},
                            {width: 1920, height: 1080, deviceScaleFactor: 2}]) {
      const page = await browser.newPage();
      await page.setViewport(viewport);
      await page.goto(`${origin}/index.html?set=${process.env.SET || 'samples/large.zip'}&mute`);
      await page.waitForFunction('window.pelzoFirstFrameMs > 0', {timeout: 60000});
      await sleep(1000);  // past any glyph rebuild on the title
      const rect = await page.$eval('#canvas', (c) => c.getBoundingClientRect().toJSON());
      const at = (x, y) => [rect.left + x * rect.width / 960, rect.top + y * rect.height / 640];
      // The press's frame loads the set and rebuilds the glyphs.
      const loading = frameTimes(page, 30);
      await page.mouse.click(...at(480, 368));
      const load = (await loading).times;
      await sleep(2500);  // past the stage card
      await page.mouse.move(...at(250, 370));  // over choice ①
      const play = await frameTimes(page, 300);
      const frames = play.times.sort((a, b) => a - b);
      const store = await page.$eval('#canvas', (c) => [c.width, c.height]);
      console.log(JSON.stringify({
        viewport: `${viewport.width}x${viewport.height}@${viewport.deviceScaleFactor || 1}`,
        backing_store: store.join('x'),
        frame_median_ms: +frames[150].toFixed(2),
        frame_p99_ms: +frames[Math.floor(0.99 * frames.length)].toFixed(2),
        frames_per_second: +play.fps.toFixed(1),
        load_and_glyph_rebuild_ms: Math.round(Math.max(...load)),
      }));
      await page.close();
    }
  } finally {
    await browser.close();
    server.kill();
  }
})();
