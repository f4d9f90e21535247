// Where the console program has only its exit status, the page says in words what went wrong: a
// file that can no longer be read when the run starts, and a file that changes while it is read.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {appendFileSync, copyFileSync, rmSync} from 'node:fs';
import {join} from 'node:path';
import {runPage, top, useBrowser, writeGames} from './harness.mjs';

describe('the page explains failures', () => {
  const context = useBrowser();

  async function expectFailure(run, pattern) {
    try {
      assert.equal(run.status, 1);
      assert.match(run.message, pattern);
      assert.equal(await run.page.$eval('#message', (e) => e.className), 'error');
      assert.equal(run.bytes, null, 'no download is offered');
    } finally {
      await run.page.close();
    }
  }

  test('a file that is gone by the time the run starts could not be read', async () => {
    const file = join(context.scratch, 'gone.pgn');
    copyFileSync(join(top, 'examples', 'immortal_game.pgn'), file);
    const run = await runPage(context.session, context.url, file, {beforeStart: () => rmSync(file)});
    await expectFailure(run, /^gone\.pgn could not be read\./);
  });

  test('a file that changes while it is read fails midway, and the page says where', async () => {
    const file = join(context.scratch, 'changing.pgn');
    writeGames(file, 96 << 20);
    const run = await runPage(context.session, context.url, file, {
      // Once the first slice has been read, the file changes under the browser.
      whileRunning: async (page) => {
        await page.waitForFunction(() => window.kestrowTest.progress.length > 0, {polling: 10});
        appendFileSync(file, '1. e4 e5\n');
      },
    });
    await expectFailure(run, /^Reading changing\.pgn failed after [0-9.]+ MB of 100\.7 MB/);
  });
});
