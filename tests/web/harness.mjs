// What the browser tests share: a static server for the page's folder on 127.0.0.1, a headless
// browser driven through puppeteer-core (Chromium over its DevTools protocol, or Firefox ESR over
// WebDriver BiDi), and one run of the page as a user makes it: choose a file, choose a layout,
// press Reformat, wait, and take the download.
// Environment: KESTROW_SITE, the page's folder (build-wasm/site); KESTROW_BROWSER, chromium (the
// default) or firefox; CHROMIUM and FIREFOX, their programs (default /usr/bin/chromium and
// /usr/bin/firefox-esr); KESTROW_BUILD, where screenshots and scratch files go.
import {after, before} from 'node:test';
import {createServer} from 'node:http';
import {closeSync, existsSync, mkdtempSync, openSync, readdirSync, readFileSync, rmSync, statSync,
  writeSync} from 'node:fs';
import {tmpdir} from 'node:os';
import {dirname, extname, join} from 'node:path';
import {setTimeout as sleep} from 'node:timers/promises';
import {fileURLToPath} from 'node:url';
import puppeteer from 'puppeteer-core';

export const top = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
export const site = process.env.KESTROW_SITE;
export const buildDir = process.env.KESTROW_BUILD || tmpdir();
export const browserName = process.env.KESTROW_BROWSER || 'chromium';
export const firefox = browserName === 'firefox';

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.webmanifest': 'application/manifest+json',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
};

// Serves the page's folder; resolves to the server, its address and the log of what it was asked
// for ({path, status}). `faults` breaks the site as a careless host would: {missing: [paths that
// answer 404], types: {path: Content-Type}}, read at each request, so that a test can mend it.
// `root` is the folder served, the page's own by default; `port` is any free one by default.
export function serve(faults = {}, root = site, port = 0) {
  const log = [];
  return new Promise((resolve) => {
    const server = createServer((request, response) => {
      const name = new URL(request.url, 'http://127.0.0.1').pathname.replace(/^\/$/, '/index.html');
      const path = join(root, name);
      if (name.includes('..') || !existsSync(path) || (faults.missing || []).includes(name)) {
        log.push({path: name, status: 404});
        response.writeHead(404).end();
        return;
      }
      log.push({path: name, status: 200});
      response.writeHead(200, {
        'Content-Type': (faults.types || {})[name] || kTypes[extname(path)] || 'application/octet-stream',
      });
      response.end(readFileSync(path));
    });
    server.listen(port, '127.0.0.1', () => {
      resolve({server, log, url: `http://127.0.0.1:${server.address().port}/`});
    });
  });
}

// Starts the browser with downloads going, each under a name of its own, into a scratch folder.
// `dark` asks Firefox for pages in dark mode (Chromium switches per page: see openPageIn).
export async function startBrowser({dark = false} = {}) {
  const downloads = mkdtempSync(join(buildDir, 'kestrow-downloads-'));
  let browser;
  let cdp = null;
  if (firefox) {
    browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath: process.env.FIREFOX || '/usr/bin/firefox-esr',
      headless: true,
      extraPrefsFirefox: {
        'browser.download.folderList': 2,
        'browser.download.dir': downloads,
        'browser.download.useDownloadDir': true,
        'browser.download.always_ask_before_handling_new_types': false,
        'browser.download.start_downloads_in_tmp_dir': false,
        'browser.helperApps.neverAsk.saveToDisk': 'application/x-chess-pgn',
        'layout.css.prefers-color-scheme.content-override': dark ? 0 : 1,
      },
    });
  } else {
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      args: ['--no-sandbox', '--disable-dev-shm-usage'],
    });
    cdp = await browser.target().createCDPSession();
    await cdp.send('Browser.setDownloadBehavior',
                   {behavior: 'allowAndName', downloadPath: downloads, eventsEnabled: true});
  }
  return {
    browser,
    cdp,
    downloads,
    async close() {
      await browser.close();
      rmSync(downloads, {recursive: true, force: true});
    },
  };
}

// For the calling test suite: the page served and a browser started before its tests, both ended
// after them, and a scratch folder. Returns the object that holds {url, log, session, scratch}.
export function useBrowser() {
  const context = {};
  let server;
  before(async () => {
    ({server, url: context.url, log: context.log} = await serve());
    context.session = await startBrowser();
    context.scratch = mkdtempSync(join(buildDir, 'kestrow-scratch-'));
  });
  after(async () => {
    await context.session.close();
    if (context.darkSession) await context.darkSession.close();
    stopServer(server);
    rmSync(context.scratch, {recursive: true, force: true});
  });
  return context;
}

// Ends a server at once, with the connections a browser keeps open to it.
export function stopServer(server) {
  server.closeAllConnections();
  server.close();
}

// Whether the element is on screen as the page renders it: laid out, not made invisible by any
// style of its own or of its ancestors, and of some size. The `hidden` property alone says nothing
// when a style overrides it.
export function isShown(page, selector) {
  return page.$eval(selector, (e) => {
    const box = e.getBoundingClientRect();
    return e.checkVisibility({visibilityProperty: true, opacityProperty: true}) &&
        box.width > 0 && box.height > 0;
  });
}

// The page's worker's memory, its JS heap and its buffers: the most seen while it runs (sampled),
// and what it keeps once a run is over and its garbage is collected. Chromium only (its DevTools
// protocol); elsewhere both are null.
function watchWorkerMemory(page) {
  const watch = {peak: firefox ? null : 0, client: null, timer: null};
  const sample = async () => {
    const usage = await watch.client.send('Runtime.getHeapUsage');
    return usage.usedSize + (usage.backingStorageSize || 0);
  };
  if (!firefox) {
    page.on('workercreated', (worker) => {
      watch.client = worker.client;
      watch.timer = setInterval(() => {
        sample().then((bytes) => {
          watch.peak = Math.max(watch.peak, bytes);
        }, () => clearInterval(watch.timer));
      }, 50);
    });
  }
  watch.after = async () => {
    clearInterval(watch.timer);
    if (!watch.client) return firefox ? null : 0;
    try {
      await watch.client.send('HeapProfiler.collectGarbage');
      const bytes = await sample();
      watch.peak = Math.max(watch.peak, bytes);
      return bytes;
    } catch {
      return 0;  // the page ended its worker after a failure
    }
  };
  return watch;
}

// Opens the page in a new tab, with `window.kestrowTest` collecting its progress events and
// holding a promise of the end of its next run.
export async function openPage(session, url) {
  const page = await session.browser.newPage();
  try {
    await page.goto(url);
    await watchRun(page);
  } catch (error) {
    await page.close();
    throw error;
  }
  return page;
}

// Opens the page, as openPage does, in light or dark mode: Chromium emulates the user's choice for
// the page; Firefox takes it at its start, so dark mode has a browser of its own, started when
// first needed. Resolves to {page, session}.
export async function openPageIn(context, scheme) {
  if (!firefox) {
    const page = await openPage(context.session, context.url);
    await page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: scheme}]);
    return {page, session: context.session};
  }
  if (scheme === 'light') return {page: await openPage(context.session, context.url), session: context.session};
  context.darkSession = context.darkSession || await startBrowser({dark: true});
  return {page: await openPage(context.darkSession, context.url), session: context.darkSession};
}

// Makes `window.kestrowTest` ready for the page's next run.
export function watchRun(page) {
  return page.evaluate(() => {
    const watch = window.kestrowTest || {progress: []};
    window.kestrowTest = watch;
    if (!watch.listening) {
      document.addEventListener('kestrow-progress', (e) => watch.progress.push(e.detail));
      document.addEventListener('kestrow-done', (e) => watch.resolve(e.detail));
      watch.listening = true;
    }
    watch.done = new Promise((resolve) => {
      watch.resolve = resolve;
    });
  });
}

// Resolves to the detail of the end of the run ({status}); rejects, saying what the page shows,
// when the run has not ended after `seconds`.
export async function runEnd(page, seconds = 120) {
  let timer;
  const stuck = new Promise((resolve) => {
    timer = setTimeout(resolve, seconds * 1000);
  });
  try {
    const end = await Promise.race([page.evaluate(() => window.kestrowTest.done), stuck]);
    if (end) return end;
    const message = await page.$eval('#message', (e) => e.textContent);
    throw new Error(`the run has not ended after ${seconds} s; the page says "${message}"`);
  } finally {
    clearTimeout(timer);
  }
}

// One run of the page: `file` through the file input, the layout through its control, then
// Reformat. Resolves to {status, message, progress: [{done, total}], seconds, bytes (the download,
// or null when none is on screen), name (the download's suggested name), workerPeak and
// workerAfter (bytes, or null where they are not measured), page}.
export async function runPage(session, url, file, {twoLines = false, beforeStart, whileRunning,
  readDownload = true, seconds = 120} = {}) {
  const page = await session.browser.newPage();
  try {
    await page.goto(url);
    const memory = watchWorkerMemory(page);
    await watchRun(page);
    const input = await page.$('#file');
    await input.uploadFile(file);
    await page.click(`input[name=layout][value=${twoLines ? 'two' : 'one'}]`);
    if (beforeStart) await beforeStart(page);
    const started = performance.now();
    await page.click('#start');
    if (whileRunning) await whileRunning(page);
    const {status} = await runEnd(page, seconds);
    const elapsed = (performance.now() - started) / 1000;
    const workerAfter = await memory.after();
    const progress = await page.evaluate(() => window.kestrowTest.progress);
    const message = await page.$eval('#message', (e) => e.textContent);
    let bytes = null;
    let name = null;
    if (await isShown(page, '#download')) {
      ({bytes, name} = await takeDownload(session, page, readDownload));
    }
    return {status, message, progress, seconds: elapsed, bytes, name, workerPeak: memory.peak,
      workerAfter, page};
  } catch (error) {
    await page.close();
    throw error;
  }
}

// Clicks the download link as a user would and resolves to the saved file's bytes (or, when they
// are not wanted, its size) and name.
export async function takeDownload(session, page, readDownload = true) {
  const result = awaitDownload(session, readDownload);
  await page.click('#download');
  return result;
}

// Resolves to the bytes (or the size) and the name of the next download the browser saves; call it
// before whatever starts the download.
export function awaitDownload(session, readDownload = true) {
  const take = (path, name) => {
    const bytes = readDownload ? readFileSync(path) : statSync(path).size;
    rmSync(path);
    return {bytes, name};
  };
  if (firefox) return awaitFirefoxDownload(session.downloads, take);
  const {cdp, downloads} = session;
  return new Promise((resolve, reject) => {
    let name = null;
    const stop = () => {
      clearTimeout(timer);
      cdp.off('Browser.downloadWillBegin', onBegin);
      cdp.off('Browser.downloadProgress', onProgress);
    };
    const onBegin = (event) => {
      clearTimeout(timer);
      name = event.suggestedFilename;
    };
    const onProgress = (event) => {
      if (event.state === 'completed') {
        stop();
        resolve(take(join(downloads, event.guid), name));
      } else if (event.state === 'canceled') {
        stop();
        reject(new Error('the download was canceled'));
      }
    };
    // A link that leads nowhere saves nothing: say so rather than wait for ever.
    const timer = setTimeout(() => {
      stop();
      reject(new Error('no download began'));
    }, 30000);
    cdp.on('Browser.downloadWillBegin', onBegin);
    cdp.on('Browser.downloadProgress', onProgress);
  });
}

// Firefox saves under the suggested name, beside a NAME.part file while it writes: the download is
// complete once a file is there and no .part file is left.
async function awaitFirefoxDownload(downloads, take) {
  for (let waited = 0; waited < 600000; waited += 50) {
    const names = readdirSync(downloads);
    if (names.length === 0 && waited >= 30000) break;  // a link that leads nowhere
    const part = names.some((name) => name.endsWith('.part'));
    if (names.length > 0 && !part) {
      await sleep(100);  // and once more, in case a .part file appears at once
      const again = readdirSync(downloads);
      if (!again.some((name) => name.endsWith('.part')) && again.length === 1) {
        return take(join(downloads, again[0]), again[0]);
      }
    }
    await sleep(50);
  }
  throw new Error('no download began');
}

// Writes about `size` bytes of realistic PGN to `path`: the bundled example games, over and over.
export function writeGames(path, size) {
  const games = Buffer.concat(['site_export.pgn', 'immortal_game.pgn'].map(
      (name) => readFileSync(join(top, 'examples', name))));
  const block = Buffer.concat(Array(Math.max(1, Math.floor((4 << 20) / games.length))).fill(games));
  const fd = openSync(path, 'w');
  try {
    for (let written = 0; written < size;) {
      const count = Math.min(block.length, size - written);
      writeSync(fd, block, 0, count);
      written += count;
    }
  } finally {
    closeSync(fd);
  }
}
