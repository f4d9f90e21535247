// What the browser tests share: a static server for the page's folder on 127.0.0.1, headless
// Chromium driven through puppeteer-core, and one run of the page as a user makes it: choose a
// file, choose a layout, press Reformat, wait, and take the download.
// Environment: KESTROW_SITE, the page's folder (build-wasm/site); CHROMIUM, the browser
// (default /usr/bin/chromium); KESTROW_BUILD, where screenshots and scratch files go.
import {after, before} from 'node:test';
import {createServer} from 'node:http';
import {closeSync, existsSync, mkdtempSync, openSync, readFileSync, rmSync, statSync, writeSync}
  from 'node:fs';
import {tmpdir} from 'node:os';
import {dirname, extname, join} from 'node:path';
import {fileURLToPath} from 'node:url';
import puppeteer from 'puppeteer-core';

export const top = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
export const site = process.env.KESTROW_SITE;
export const buildDir = process.env.KESTROW_BUILD || tmpdir();
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

const kTypes = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
};

// Serves the page's folder; resolves to the server and its address.
export function serve() {
  return new Promise((resolve) => {
    const server = createServer((request, response) => {
      const name = new URL(request.url, 'http://127.0.0.1').pathname.replace(/^\/$/, '/index.html');
      const path = join(site, name);
      if (name.includes('..') || !existsSync(path)) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {'Content-Type': kTypes[extname(path)] || 'application/octet-stream'});
      response.end(readFileSync(path));
    });
    server.listen(0, '127.0.0.1', () => {
      resolve({server, url: `http://127.0.0.1:${server.address().port}/`});
    });
  });
}

// Starts the browser with downloads going, each under a name of its own, into a scratch folder.
export async function startBrowser() {
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage'],
  });
  const downloads = mkdtempSync(join(buildDir, 'kestrow-downloads-'));
  const cdp = await browser.target().createCDPSession();
  await cdp.send('Browser.setDownloadBehavior',
                 {behavior: 'allowAndName', downloadPath: downloads, eventsEnabled: true});
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
// after them, and a scratch folder. Returns the object that holds {url, session, scratch}.
export function useBrowser() {
  const context = {};
  let server;
  before(async () => {
    ({server, url: context.url} = await serve());
    context.session = await startBrowser();
    context.scratch = mkdtempSync(join(buildDir, 'kestrow-scratch-'));
  });
  after(async () => {
    await context.session.close();
    server.close();
    rmSync(context.scratch, {recursive: true, force: true});
  });
  return context;
}

// The page's worker's memory, its JS heap and its buffers: the most seen while it runs (sampled),
// and what it keeps once a run is over and its garbage is collected.
function watchWorkerMemory(page) {
  const watch = {peak: 0, client: null, timer: null};
  const sample = async () => {
    const usage = await watch.client.send('Runtime.getHeapUsage');
    return usage.usedSize + (usage.backingStorageSize || 0);
  };
  page.on('workercreated', (worker) => {
    watch.client = worker.client;
    watch.timer = setInterval(() => {
      sample().then((bytes) => {
        watch.peak = Math.max(watch.peak, bytes);
      }, () => clearInterval(watch.timer));
    }, 50);
  });
  watch.after = async () => {
    clearInterval(watch.timer);
    if (!watch.client) return 0;
    await watch.client.send('HeapProfiler.collectGarbage');
    const bytes = await sample();
    watch.peak = Math.max(watch.peak, bytes);
    return bytes;
  };
  return watch;
}

// One run of the page: `file` through the file input, the layout through its control, then
// Reformat. Resolves to {status, message, progress: [{done, total}], seconds, bytes (the download,
// or null), name (the download's suggested name), workerPeak and workerAfter (bytes), page}.
export async function runPage(session, url, file,
                              {twoLines = false, beforeStart, whileRunning, readDownload = true} = {}) {
  const page = await session.browser.newPage();
  try {
    await page.goto(url);
    const memory = watchWorkerMemory(page);
    await page.evaluate(() => {
      window.kestrowTest = {progress: [], done: new Promise((resolve) => {
        document.addEventListener('kestrow-done', (e) => resolve(e.detail), {once: true});
      })};
      document.addEventListener('kestrow-progress', (e) => window.kestrowTest.progress.push(e.detail));
    });
    const input = await page.$('#file');
    await input.uploadFile(file);
    await page.click(`input[name=layout][value=${twoLines ? 'two' : 'one'}]`);
    if (beforeStart) await beforeStart(page);
    const started = performance.now();
    await page.click('#start');
    if (whileRunning) await whileRunning(page);
    const {status} = await page.evaluate(() => window.kestrowTest.done);
    const seconds = (performance.now() - started) / 1000;
    const workerAfter = await memory.after();
    const progress = await page.evaluate(() => window.kestrowTest.progress);
    const message = await page.$eval('#message', (e) => e.textContent);
    const shown = await page.$eval('#download', (e) => !e.hidden);
    let bytes = null;
    let name = null;
    if (shown) ({bytes, name} = await takeDownload(session, page, readDownload));
    return {status, message, progress, seconds, bytes, name, workerPeak: memory.peak, workerAfter,
      page};
  } catch (error) {
    await page.close();
    throw error;
  }
}

// Clicks the download link as a user would and resolves to the saved file's bytes (or, when they
// are not wanted, its size) and name.
async function takeDownload(session, page, readDownload) {
  const result = awaitDownload(session, readDownload);
  await page.click('#download');
  return result;
}

// Resolves to the bytes (or the size) and the name of the next download the browser saves; call it
// before whatever starts the download.
export function awaitDownload(session, readDownload = true) {
  const {cdp, downloads} = session;
  return new Promise((resolve, reject) => {
    let name = null;
    const onBegin = (event) => {
      name = event.suggestedFilename;
    };
    const onProgress = (event) => {
      if (event.state === 'completed') {
        cdp.off('Browser.downloadWillBegin', onBegin);
        cdp.off('Browser.downloadProgress', onProgress);
        const path = join(downloads, event.guid);
        const bytes = readDownload ? readFileSync(path) : statSync(path).size;
        rmSync(path);
        resolve({bytes, name});
      } else if (event.state === 'canceled') {
        reject(new Error('the download was canceled'));
      }
    };
    cdp.on('Browser.downloadWillBegin', onBegin);
    cdp.on('Browser.downloadProgress', onProgress);
  });
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
