// Where the console program has only its exit status, the page says in words what went wrong, and
// leaves its controls ready for another try: a file that can no longer be read when the run
// starts, a file that changes while it is read, a site whose worker or core cannot be loaded, and
// a page opened from the disk where the browser forbids it workers.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {appendFileSync, copyFileSync, readFileSync, rmSync} from 'node:fs';
import {join} from 'node:path';
import {pathToFileURL} from 'node:url';
import {firefox, isShown, runEnd, runPage, serve, site, stopServer, top, useBrowser, watchRun,
  writeGames} from './harness.mjs';

const game = join(top, 'examples', 'immortal_game.pgn');

// The failure is told as an error, nothing is offered for download, and the controls work again.
async function expectFailure(run, status, pattern) {
  assert.equal(run.status, status, run.message);
  assert.match(run.message, pattern);
  const page = run.page;
  assert.equal(await page.$eval('#message', (e) => e.className), 'error');
  assert.equal(run.bytes, null, 'no download is offered');
  assert.equal(await isShown(page, '#download'), false, 'no download is on screen');
  assert.equal(await isShown(page, '#progress'), false, 'no progress is on screen');
  assert.equal(await page.$eval('#start', (e) => e.disabled), false, 'Reformat can be pressed');
  assert.equal(await page.$eval('#file', (e) => e.disabled), false, 'a file can be chosen');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'start',
               'the focus is on Reformat, to try again');
}

describe('the page explains failures', () => {
  const context = useBrowser();

  test('a file that is gone by the time the run starts could not be read', async () => {
    const file = join(context.scratch, 'gone.pgn');
    copyFileSync(game, file);
    const run = await runPage(context.session, context.url, file, {beforeStart: () => rmSync(file)});
    try {
      await expectFailure(run, 1, /^gone\.pgn could not be read\./);
    } finally {
      await run.page.close();
    }
  });

  test('a file that changes while it is read fails midway, and the page says where',
       {skip: firefox && 'Firefox reads a file that grows up to the size it had when chosen, so ' +
        'the run succeeds on the bytes that were chosen'}, async () => {
    const file = join(context.scratch, 'changing.pgn');
    writeGames(file, 96 << 20);
    const run = await runPage(context.session, context.url, file, {
      // Once the first slice has been read, the file changes under the browser.
      whileRunning: async (page) => {
        await page.waitForFunction(() => window.kestrowTest.progress.length > 0, {polling: 10});
        appendFileSync(file, '1. e4 e5\n');
      },
    });
    try {
      await expectFailure(run, 1, /^Reading changing\.pgn failed after [0-9.]+\sMB of 100\.7\sMB/);
    } finally {
      await run.page.close();
    }
  });

  // A site put up incompletely, or by a host that serves .wasm files under another type: the run
  // ends with the reason, and once the site is mended, Reformat works without a reload.
  const broken = [
    ['Kestrow.wasm missing', {missing: ['/Kestrow.wasm']}, /Kestrow\.wasm.*404/],
    ['Kestrow.wasm served with the wrong type',
     {types: {'/Kestrow.wasm': 'application/octet-stream'}}, /Kestrow\.wasm.*application\/wasm/],
    ['Kestrow.js missing', {missing: ['/Kestrow.js']}, /could not load its worker/],
    ['worker.js missing', {missing: ['/worker.js']}, /could not load its worker/],
  ];
  for (const [name, faults, pattern] of broken) {
    test(`a site with ${name}`, async () => {
      const {server, url} = await serve(faults);
      try {
        const run = await runPage(context.session, url, game, {seconds: 20});
        try {
          await expectFailure(run, -1, pattern);
          assert.match(run.message, /^Kestrow could not start/);
          faults.missing = [];
          faults.types = {};
          await watchRun(run.page);
          await run.page.click('#start');
          const again = await runEnd(run.page, 20);
          assert.equal(again.status, 0, await run.page.$eval('#message', (e) => e.textContent));
          assert.equal(await isShown(run.page, '#download'), true);
        } finally {
          await run.page.close();
        }
      } finally {
        stopServer(server);
      }
    });
  }

  // Chromium forbids a page opened from the disk its worker, and the page says how to serve it;
  // Firefox allows it, and the page runs as it does when served.
  test('opened from the disk, the page runs or says how to serve it', async () => {
    const url = pathToFileURL(join(site, 'index.html')).href;
    const run = await runPage(context.session, url, game, {seconds: 20});
    try {
      if (firefox) {
        assert.equal(run.status, 0, run.message);
        assert.ok(run.bytes.equals(readFileSync(join(top, 'examples', 'immortal_game.out'))));
      } else {
        await expectFailure(run, -1, /opened from a file.*http:\/\/127\.0\.0\.1:8000\//s);
      }
    } finally {
      await run.page.close();
    }
  });
});
