// SPDX-License-Identifier: MIT
// The browser build's figures, measured in Debian's headless Chromium with the
// page's folder served by Python's server (which compresses nothing) through
// a proxy that counts the bytes it sends:
//   bytes: a first visit (raw, and gzipped as a compressing server would send
//     the same files), a second visit (the service worker's copy) and an
//     offline reload;
//   start-up: from navigation to the first frame the game has drawn (the
//     title), median of five loads, cold (a new browser profile each time),
//     warm (a later visit of the same profile), and opened as a file;
//   frame time on the play screen: the time the page's animation-frame
//     callback spends in the game's frame (preMainLoop to postMainLoop),
//     median and 99th percentile over 600 frames. WebGL's drawing itself runs
//     later in the browser's GPU process (SwiftShader here) and is not in it.
//
//   node bench/web_bench.js SITE_DIR      (prints JSON)
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const {serve, countingProxy, launch} = require('../tests/web/support.js');

const site = path.resolve(process.argv[2]);
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const sent = {bytes: 0, paths: []};

function percentile(sorted, p) { return sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))]; }
const median = (list) => [...list].sort((a, b) => a - b)[Math.floor(list.length / 2)];

// The gzip -6 size of every distinct file asked for since `from`.
function gzipped(from) {
  return [...new Set(sent.paths.slice(from))].reduce((sum, p) => {
    const file = path.join(site, p === '/' ? 'index.html' : decodeURIComponent(p));
    return sum + (fs.existsSync(file) ? zlib.gzipSync(fs.readFileSync(file), {level: 6}).length : 0);
  }, 0);
}

// Loads the page in `page` and waits for its first frame; returns its time in
// ms and the bytes sent meanwhile (raw, gzipped).
async function visit(page, url, reload) {
  const bytes = sent.bytes;
  const paths = sent.paths.length;
  await (reload ? page.reload() : page.goto(url));
  await page.waitForFunction('window.pelzoFirstFrameMs > 0', {timeout: 60000});
  const ms = await page.evaluate(() => window.pelzoFirstFrameMs);
  // The service worker's first fill ends the visit's downloads.
  await page.evaluate(() => navigator.serviceWorker && navigator.serviceWorker.ready);
  await sleep(300);
  return {ms, raw: sent.bytes - bytes, gzip: gzipped(paths)};
}

(async () => {
  const server = await serve(site);
  const proxy = await countingProxy(server.port, sent);
  const origin = proxy.origin;
  const browser = await launch();
  const url = `${origin}/index.html?set=samples/sample.zip`;
  try {
    const cold = [];
    const warm = [];
    let first = null;
    let second = null;
    let offline = null;
    for (let run = 0; run < 6; run++) {
      const context = await browser.createBrowserContext();
      const page = await context.newPage();
      await page.setViewport({width: 960, height: 640});
      const a = await visit(page, url, false);
      const b = await visit(page, url, true);
      if (run === 0) {  // the first warms the server
        await page.setOfflineMode(true);
        offline = await visit(page, url, true);
        first = a;
        second = b;
      } else {
        cold.push(a.ms);
        warm.push(b.ms);
      }
      await context.close();
    }

    // index.html opened as a file: the parts arrive through their wrappers.
    const fromFile = [];
    for (let run = 0; run < 5; run++) {
      const context = await browser.createBrowserContext();
      const page = await context.newPage();
      await page.setViewport({width: 960, height: 640});
      await page.goto(`file://${site}/index.html`);
      await page.waitForFunction('window.pelzoFirstFrameMs > 0', {timeout: 60000});
      fromFile.push(await page.evaluate(() => window.pelzoFirstFrameMs));
      await context.close();
    }

    const page = await browser.newPage();
    await page.setViewport({width: 960, height: 640});
    await page.goto(`${origin}/index.html?set=samples/sample.zip&mute`);
    await page.waitForFunction('window.pelzoFirstFrameMs > 0', {timeout: 60000});
    await page.mouse.click(480, 368);  // "ゲームスタート"
    await sleep(500);
    await page.mouse.move(250, 370);  // over choice ①: the play screen with a hovered choice
    const frames = await page.evaluate(() => new Promise((resolve) => {
      const times = [];
      let started = 0;
      Module.preMainLoop = () => { started = performance.now(); };
      Module.postMainLoop = () => {
        times.push(performance.now() - started);
        if (times.length === 600) resolve(times);
      };
    }));
    frames.sort((a, b) => a - b);
    console.log(JSON.stringify({
      first_visit_bytes: first.raw,
      first_visit_gzip_bytes: first.gzip,
      second_visit_bytes: second.raw,
      offline_reload_bytes: offline.raw,
      startup_cold_ms: median(cold),
      startup_warm_ms: median(warm),
      startup_offline_ms: offline.ms,
      startup_file_ms: median(fromFile),
      startup_cold_runs: cold.map((t) => Math.round(t)),
      startup_warm_runs: warm.map((t) => Math.round(t)),
      frame_median_ms: frames[300],
      frame_p99_ms: percentile(frames, 0.99),
    }));
  } finally {
    await browser.close();
    proxy.close();
    server.kill();
  }
})();
