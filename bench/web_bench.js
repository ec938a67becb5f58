// The browser build's figures, measured in Debian's headless Chromium:
//   start-up: from navigation to the first frame the game has drawn (the
//     title), median of five loads;
//   frame time on the play screen: the time the page's animation-frame
//     callback spends in the game's frame (preMainLoop to postMainLoop),
//     median and 99th percentile over 600 frames. WebGL's drawing itself runs
//     later in the browser's GPU process (SwiftShader here) and is not in it.
//
//   node bench/web_bench.js SITE_DIR      (prints JSON)
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

function percentile(sorted, p) { return sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))]; }

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
    const startups = [];
    for (let run = 0; run < 6; run++) {
      const page = await browser.newPage();
      await page.setViewport({width: 960, height: 640});
      // A fresh cache each time, as a first visit has it.
      await page.setCacheEnabled(false);
      await page.goto(`${origin}/index.html?set=samples/sample.zip`);
      await page.waitForFunction('window.pelzoFirstFrameMs > 0', {timeout: 60000});
      if (run > 0) startups.push(await page.evaluate(() => window.pelzoFirstFrameMs));  // the first warms the server
      await page.close();
    }
    startups.sort((a, b) => a - b);

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
      startup_ms: startups[Math.floor(startups.length / 2)],
      startup_runs: startups.map((t) => Math.round(t)),
      frame_median_ms: frames[300],
      frame_p99_ms: percentile(frames, 0.99),
    }));
  } finally {
    await browser.close();
    server.kill();
  }
})();
