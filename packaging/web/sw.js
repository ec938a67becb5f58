// SPDX-License-Identifier: MIT
// The page's service worker: keeps the game's files, so that a later visit
// downloads only what a new release changed and a page visited once plays
// offline. scripts/build-web.sh writes in the release's version (the cache's
// name) and the content hash of every file it serves from the cache; a file
// whose hash an older release's cache already holds is copied from there.
'use strict';
var VERSION = '@VERSION@';
var FILES = @FILES@;
var CACHE = 'pelzowin-' + VERSION;
// What the page needs to start; the rest (the whole font, the sample sets)
// is kept once the page has asked for it.
var START = ['index.html', 'loader.js', 'pelzowin.js', 'pelzowin.wasm', 'ipam-1.ttf.gz', 'favicon.png',
             'manifest.webmanifest', 'icon-192.png', 'icon-512.png'];

function key(name) { return name + '?h=' + FILES[name]; }

// A URL's path below this worker's folder ('' for one outside it).
function fileName(url) {
  var scope = new URL(self.registration.scope);
  if (url.origin !== scope.origin || url.pathname.indexOf(scope.pathname) !== 0) return '';
  return url.pathname.slice(scope.pathname.length) || 'index.html';
}

// The file from the server, checked against its hash. Asked with
// 'force-cache', the browser's HTTP cache may answer: right after the page
// that registered this worker put the file there, or with an older release's
// copy, which the hash tells apart and the server then replaces.
function fetchChecked(name, mode) {
  return fetch(name, {cache: mode}).then(function (response) {
    if (!response.ok) throw new Error(name + ': HTTP ' + response.status);
    return response.arrayBuffer().then(function (bytes) {
      return crypto.subtle.digest('SHA-256', bytes).then(function (digest) {
        var hex = Array.from(new Uint8Array(digest).slice(0, 8), function (b) {
          return (b < 16 ? '0' : '') + b.toString(16);
        }).join('');
        if (hex === FILES[name]) return new Response(bytes, {headers: response.headers});
        if (mode === 'force-cache') return fetchChecked(name, 'no-cache');
        throw new Error(name + ' is not the one of release ' + VERSION);
      });
    });
  });
}

// The file's response: a cache's (this release's, or an older one's of the
// same content), or the server's, then kept.
function fetchInto(cache, name, mode) {
  return caches.match(key(name)).then(function (kept) {
    if (kept) return cache.put(key(name), kept.clone()).then(function () { return kept; });
    return fetchChecked(name, mode).then(function (response) {
      return cache.put(key(name), response.clone()).then(function () { return response; });
    });
  });
}

// The sets the open pages named with ?set= on this server: they were fetched
// before this worker could keep them.
function setsOfPages() {
  return self.clients.matchAll({type: 'window', includeUncontrolled: true}).then(function (pages) {
    return pages.map(function (page) {
      var set = new URL(page.url).searchParams.get('set');
      return set && new URL(set, page.url);
    }).filter(function (url) { return url && url.origin === self.location.origin; });
  });
}

self.addEventListener('install', function (event) {
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    return Promise.all(START.map(function (name) { return fetchInto(cache, name, 'force-cache'); })).then(setsOfPages)
      .then(function (sets) {
        return Promise.all(sets.map(function (url) {
          var name = fileName(url);
          return (FILES.hasOwnProperty(name) ? fetchInto(cache, name, 'force-cache') :
            fetch(url, {cache: 'force-cache'}).then(function (response) {
              if (response.ok) return cache.put(url, response);
            })).catch(function () { /* the page has said why */ });
        }));
      });
  }).then(function () { return self.skipWaiting(); }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (name) {
      return name.indexOf('pelzowin-') === 0 && name !== CACHE;
    }).map(function (name) { return caches.delete(name); }));
  }).then(function () { return self.clients.claim(); }));
});

self.addEventListener('fetch', function (event) {
  var url = new URL(event.request.url);
  var name = fileName(url);
  if (event.request.method !== 'GET' || !name) return;
  // The page's own files are asked for without a query; the page itself
  // with any (?set=, &mute).
  if (FILES.hasOwnProperty(name) && (!url.search || name === 'index.html')) {
    event.respondWith(caches.open(CACHE).then(function (cache) {
      return cache.match(key(name)).then(function (kept) { return kept || fetchInto(cache, name, 'no-cache'); });
    }));
    return;
  }
  // Anything else of this server (a set named by ?set=) may change there:
  // the server's copy first, the kept one offline.
  event.respondWith(caches.open(CACHE).then(function (cache) {
    return fetch(event.request).then(function (response) {
      if (!response.ok) return response;
      return cache.put(event.request, response.clone()).then(function () { return response; });
    }, function (error) {
      return cache.match(event.request).then(function (kept) { if (kept) return kept; throw error; });
    });
  }));
});
