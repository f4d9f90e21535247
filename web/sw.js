// The page's service worker. On its first visit it stores every file of the site in a cache named
// after this build, and whenever the network cannot be reached it answers the site's requests from
// there, so that the page opens and runs with no network at all. Each build writes its own version below; the browser
// takes a changed sw.js for a new service worker, which stores the new build's files, takes over at
// once and deletes the old ones. A tab still open on the old build goes on with what it has loaded.
'use strict';

const kVersion = '@KESTROW_SITE_VERSION@';
const kCache = `kestrow-${kVersion}`;
const kFiles = ['./', 'index.html', 'style.css', 'app.js', 'worker.js', 'Kestrow.js',
  'Kestrow.wasm', 'manifest.webmanifest', 'icon.svg', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  // Past the browser's HTTP cache, which may still hold the files of the build before.
  event.waitUntil(caches.open(kCache)
      .then((cache) => cache.addAll(kFiles.map((name) => new Request(name, {cache: 'reload'}))))
      .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
      .then((names) => Promise.all(names
          .filter((name) => name.startsWith('kestrow-') && name !== kCache)
          .map((name) => caches.delete(name))))
      .then(() => self.clients.claim()));
});

// The network first, so that a site mended or rebuilt is seen at once; the stored build when the
// network cannot be reached. The cache is filled only on install, so what it serves is one build.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(fetch(event.request).catch(() => caches.open(kCache)
      .then((cache) => cache.match(event.request, {ignoreSearch: true}))
      .then((stored) => stored || Response.error())));
});
