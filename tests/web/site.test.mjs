// The site as a whole: a run asks for nothing but the site's own files, under a strict
// Content-Security-Policy that reports no violation; after one visit the page opens and runs with
// no network, and a new build replaces the stored one; and the page can be installed as an app.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {cpSync, readdirSync, readFileSync, writeFileSync} from 'node:fs';
import {join} from 'node:path';
import {firefox, openPage, runEnd, serve, site, stopServer, takeDownload, top, useBrowser,
  watchRun} from './harness.mjs';

const game = join(top, 'examples', 'immortal_game');

// Runs the bundled game through the page already open, and checks the download.
async function runGame(context, page) {
  await watchRun(page);
  await (await page.$('#file')).uploadFile(game + '.pgn');
  await page.click('#start');
  assert.equal((await runEnd(page, 30)).status, 0,
               await page.$eval('#message', (e) => e.textContent));
  const saved = await takeDownload(context.session, page);
  assert.ok(saved.bytes.equals(readFileSync(game + '.out')), 'the download differs');
}

// Waits until the page's service worker has stored the site and controls the page.
function waitForServiceWorker(page) {
  return page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    if (!navigator.serviceWorker.controller) {
      await new Promise((resolve) => {
        navigator.serviceWorker.addEventListener('controllerchange', resolve, {once: true});
      });
    }
  });
}

// Asks the browser for the site's service worker anew, and waits until the newest one has ended
// its activation, which deletes the stores of other builds, or has been dropped; returns its state.
// update() settles as soon as a new worker starts installing (or at once when the browser, checking
// after the navigation, has found it first), so the wait follows that worker's own state changes.
function takeNewBuild(page) {
  return page.evaluate(async () => {
    const registration = await navigator.serviceWorker.getRegistration();
    await registration.update();
    const worker = registration.installing || registration.waiting || registration.active;
    while (worker.state !== 'activated' && worker.state !== 'redundant') {
      await new Promise((resolve) => worker.addEventListener('statechange', resolve, {once: true}));
    }
    return worker.state;
  });
}

describe('the site', () => {
  const context = useBrowser();

  test('a run asks for the site\'s own files only, and breaks no rule of its policy', async () => {
    const {server, url, log} = await serve();
    const page = await context.session.browser.newPage();
    try {
      const requests = [];
      const errors = [];
      page.on('request', (request) => requests.push(request.url()));
      page.on('console', (entry) => {
        if (entry.type() === 'error') errors.push(entry.text());
      });
      await page.evaluateOnNewDocument(() => {
        window.violations = [];
        document.addEventListener('securitypolicyviolation', (e) => {
          window.violations.push(`${e.effectiveDirective} ${e.blockedURI}`);
        });
      });
      await page.goto(url);
      await runGame(context, page);
      await waitForServiceWorker(page);

      assert.deepEqual(await page.evaluate(() => window.violations), []);
      assert.deepEqual(errors, [], 'nothing on the console');
      const outside = requests.filter((r) => !r.startsWith(url) && !r.startsWith('blob:'));
      assert.deepEqual(outside, [], 'nothing asked of another site');
      const files = new Set(readdirSync(site).map((name) => `/${name}`));
      assert.deepEqual(log.filter((r) => r.status !== 200 || !files.has(r.path)), [],
                       'every request is for a file of the site, and found');

      // The policy is in force: an inline script and an image from elsewhere are refused.
      await page.evaluate(() => {
        const script = document.createElement('script');
        script.textContent = 'window.ran = true;';
        document.body.append(script);
        const image = document.createElement('img');
        image.src = 'https://example.com/pixel.png';
        document.body.append(image);
      });
      await page.waitForFunction(() => window.violations.length >= 2);
      assert.equal(await page.evaluate(() => window.ran), undefined);
      const refused = (await page.evaluate(() => window.violations)).map((v) => v.split(' ')[0]);
      assert.deepEqual(refused.sort(), ['img-src', 'script-src-elem']);
    } finally {
      await page.close();
      stopServer(server);
    }
  });

  test('after one visit, the page opens and runs with no network; a new build replaces it',
       async () => {
    const root = join(context.scratch, 'site');
    cpSync(site, root, {recursive: true});
    let {server, url} = await serve({}, root);
    const port = new URL(url).port;
    let page = await context.session.browser.newPage();
    try {
      await page.goto(url);
      await waitForServiceWorker(page);
      await page.close();
      stopServer(server);

      page = await openPage(context.session, url);
      assert.match(await page.$eval('h1', (e) => e.textContent), /^Kestrow/);
      await runGame(context, page);
      await page.close();

      // The next build: a changed page, and so a new version of the service worker.
      const index = readFileSync(join(root, 'index.html'), 'utf8');
      writeFileSync(join(root, 'index.html'), index.replace('<h1>Kestrow', '<h1>Kestrow, rebuilt'));
      const sw = readFileSync(join(root, 'sw.js'), 'utf8');
      writeFileSync(join(root, 'sw.js'), sw.replace(/const kVersion = '[^']*'/, "const kVersion = 'next'"));
      ({server} = await serveOn(root, port));
      page = await context.session.browser.newPage();
      await page.goto(url);
      assert.equal(await takeNewBuild(page), 'activated',
                   'the new build\'s service worker took over');
      assert.deepEqual(await page.evaluate(() => caches.keys()), ['kestrow-next'],
                       'the new build is stored, and the old one is gone');
      await page.close();
      stopServer(server);

      page = await openPage(context.session, url);
      assert.match(await page.$eval('h1', (e) => e.textContent), /^Kestrow, rebuilt/);
      await runGame(context, page);
    } finally {
      await page.close();
      stopServer(server);
    }
  });

  test('the page can be installed as an app',
       {skip: firefox && 'Firefox on the desktop does not install web apps'}, async () => {
    const page = await openPage(context.session, context.url);
    try {
      await waitForServiceWorker(page);
      const cdp = await page.createCDPSession();
      const manifest = await cdp.send('Page.getAppManifest');
      assert.deepEqual(manifest.errors, []);
      const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
      assert.deepEqual(installabilityErrors, []);
    } finally {
      await page.close();
    }
  });
});

// Serves `root` again on the port it had, so that the browser sees the same site.
function serveOn(root, port) {
  return serve({}, root, Number(port));
}
