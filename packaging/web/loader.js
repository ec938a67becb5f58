// SPDX-License-Identifier: MIT
// The page's loader: how the game's parts reach the browser, whether the
// folder is served or its index.html opened as a file. index.html includes it
// before its own script, which calls
//   pelzoLoader.setUp(Module, say)   adds the loading hooks to Module (say
//                                    shows a line on the page);
//   pelzoLoader.start(say)           loads the game's script, pelzowin.js;
//   pelzoLoader.ready()              registers the service worker once the
//                                    game runs.
// Served, every part is fetched (through the service worker, sw.js, which
// keeps them for the next visit and for playing offline). A page opened from
// file:// may fetch nothing, but it may still run a classic script: each
// binary part has a wrapper, NAME.js beside NAME, that hands its bytes to
// pelzoPart(). Only what the page needs is fetched: the wrappers only from
// file://, the whole font only for a set that needs it.
'use strict';
(function () {
  var fromFile = window.location.protocol === 'file:';
  var pending = {};

  // Called by a wrapper script with its part's bytes in base64.
  window.pelzoPart = function (name, base64) {
    var waiter = pending[name];
    if (!waiter) return;
    delete pending[name];
    var text = atob(base64);
    var bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    waiter(bytes);
  };

  // A Promise of the part's bytes.
  function part(name) {
    if (!fromFile) {
      return fetch(name).then(function (response) {
        if (!response.ok) throw new Error(name + ': HTTP ' + response.status);
        return response.arrayBuffer();
      }).then(function (buffer) { return new Uint8Array(buffer); });
    }
    return new Promise(function (resolve, reject) {
      var script = document.createElement('script');
      pending[name] = resolve;
      script.src = name + '.js';
      script.onload = function () { script.remove(); };
      script.onerror = function () {
        delete pending[name];
        script.remove();
        reject(new Error('cannot load ' + name + '.js'));
      };
      document.head.appendChild(script);
    });
  }

  // The whole font, asked for by the game while it makes a glyph set that
  // needs it: a synchronous request, as the game waits for it in that frame.
  // 1 when written to path.
  function fetchWholeFont(FS, path) {
    try {
      var request = new XMLHttpRequest();
      request.open('GET', 'ipam-2.ttf.gz', false);
      request.overrideMimeType('text/plain; charset=x-user-defined');
      request.send();
      if (request.status !== 200) throw new Error('HTTP ' + request.status);
      var text = request.responseText;
      var bytes = new Uint8Array(text.length);
      for (var i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i) & 0xff;
      FS.writeFile(path, bytes);
      return 1;
    } catch (e) {
      console.warn('PelzoWin: could not fetch ipam-2.ttf.gz: ' + e.message);
      return 0;
    }
  }

  // A line across the top of the page that stays until the player's first
  // click or key (the status line goes once the game runs).
  function notice(text) {
    var line = document.createElement('div');
    line.id = 'notice';
    line.textContent = text;
    line.style.cssText = 'position:absolute;top:0;left:0;right:0;padding:6px;text-align:center;' +
      'font-size:15px;background:rgba(150,20,20,0.9);color:#fff;';
    document.body.appendChild(line);
    var dismiss = function () {
      line.remove();
      window.removeEventListener('pointerdown', dismiss, true);
      window.removeEventListener('keydown', dismiss, true);
    };
    window.addEventListener('pointerdown', dismiss, true);
    window.addEventListener('keydown', dismiss, true);
  }

  function setUp(Module, say) {
    if (fromFile && new URLSearchParams(window.location.search).has('set')) {
      notice('?set= はファイルとして開いたページでは使えません。フォルダーを Web サーバーで公開してください。' +
             ' / ?set= cannot work in a page opened as a file: serve the folder from a web server.');
    }
    // The font's first part, and from file:// the whole font too: no request
    // can reach it later there, and reading it from disk costs no download.
    var fonts = [['ipam-1.ttf.gz', '/pelzo/fonts/ipam-1.ttf.gz']];
    if (fromFile) fonts.push(['ipam-2.ttf.gz', '/pelzo/fonts/ipam.ttf.gz']);
    Module.preRun = Module.preRun || [];
    Module.preRun.push(function () {
      var FS = Module.FS;
      FS.mkdir('/pelzo');
      FS.mkdir('/pelzo/fonts');
      fonts.forEach(function (font) {
        Module.addRunDependency(font[0]);
        part(font[0]).then(function (bytes) {
          FS.writeFile(font[1], bytes);
        }).catch(function (e) {
          notice('フォントを読み込めません。 / Cannot load the font. ' + e.message);
        }).finally(function () {
          Module.removeRunDependency(font[0]);
        });
      });
    });
    Module.pelzoFetchWholeFont = function (path) { return fetchWholeFont(Module.FS, path); };
    // From file:// the wasm arrives through its wrapper instead of a fetch.
    if (fromFile) {
      Module.instantiateWasm = function (imports, receive) {
        part('pelzowin.wasm').then(function (bytes) {
          return WebAssembly.instantiate(bytes, imports);
        }).then(function (result) {
          receive(result.instance, result.module);
        }, function (e) {
          say('ゲームを読み込めません。 / Cannot load the game. ' + e.message);
        });
        return {};
      };
    }
  }

  function start(say) {
    var script = document.createElement('script');
    script.src = 'pelzowin.js';
    script.onerror = function () { say('pelzowin.js を読み込めません。 / Cannot load pelzowin.js.'); };
    document.body.appendChild(script);
  }

  // The service worker only serves a page over http(s). Registered once the
  // game runs, its first fill of the cache takes the files from the
  // browser's HTTP cache instead of downloading them again.
  function ready() {
    if (fromFile || !('serviceWorker' in navigator)) return;
    navigator.serviceWorker.register('sw.js').catch(function (e) {
      console.warn('PelzoWin: no offline copy: ' + e.message);
    });
  }

  window.pelzoLoader = {fromFile: fromFile, setUp: setUp, start: start, ready: ready};
})();
