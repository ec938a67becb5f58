// SPDX-License-Identifier: MIT
// What the browser tests share: waiting on a condition, a free port, the
// page's folder served by Python's server on 127.0.0.1, and Debian's Chromium
// launched headless with its software WebGL; a proxy that counts what a
// server sends.
'use strict';
const {spawn} = require('node:child_process');
const net = require('node:net');
const puppeteer = require('puppeteer-core');

// Polls check() every 50 ms until it gives a true value, which it returns.
async function waitUntil(what, check, timeoutMs = 60000) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const value = await check();
    if (value) return value;
    if (Date.now() > end) throw new Error('timed out waiting for ' + what);
    await new Promise((r) => setTimeout(r, 50));
  }
}

const listen = (srv) => new Promise((resolve, reject) => {
  srv.once('error', reject);
  srv.listen(0, '127.0.0.1', () => resolve(srv.address().port));
});

// A port nothing listens on now.
async function freePort() {
  const probe = net.createServer();
  const port = await listen(probe);
  await new Promise((resolve) => probe.close(resolve));
  return port;
}

// Serves `dir` on a port the server picks itself (no race for a free one);
// resolves to {port, origin, kill} once it answers.
async function serve(dir) {
  const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', dir],
                       {stdio: ['ignore', 'pipe', 'ignore']});
  let said = '';
  server.stdout.on('data', (d) => { said += d; });
  const port = Number(await waitUntil('the server', () => (said.match(/ port (\d+)/) || [])[1], 20000));
  const origin = `http://127.0.0.1:${port}`;
  await waitUntil('the server to answer', () => fetch(origin + '/index.html').then((r) => r.ok, () => false), 20000);
  return {port, origin, kill: () => server.kill()};
}

// A proxy on a port of its own in front of the server on `port`, which counts
// in `sent` the bytes the server sends and the paths asked for; while
// sent.offline is true it drops every connection. Resolves to {origin, close}.
async function countingProxy(port, sent) {
  const proxy = net.createServer((client) => {
    if (sent.offline) return client.destroy();
    const upstream = net.connect(port, '127.0.0.1');
    client.on('data', (d) => {
      for (const m of d.toString('latin1').matchAll(/^GET (\S+) HTTP/gm)) sent.paths.push(m[1].split('?')[0]);
    });
    upstream.on('data', (d) => { sent.bytes += d.length; });
    client.pipe(upstream).pipe(client);
    client.on('error', () => upstream.destroy());
    upstream.on('error', () => client.destroy());
  });
  return {origin: `http://127.0.0.1:${await listen(proxy)}`, close: () => proxy.close()};
}

const launchArgs = ['--no-sandbox', '--enable-unsafe-swiftshader', '--use-angle=swiftshader'];

// Chromium, headless; `args` add to the usual ones.
function launch(args = []) {
  return puppeteer.launch({executablePath: process.env.PELZO_CHROMIUM || '/usr/bin/chromium', headless: 'new',
                           args: launchArgs.concat(args)});
}

module.exports = {waitUntil, freePort, serve, countingProxy, launch};
