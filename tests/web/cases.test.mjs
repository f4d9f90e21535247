// Every end-to-end case and example through the page, in both layouts, as a user would run it:
// the download must equal the committed expected file byte for byte, under the name NAME.out.pgn.
// An empty file gives the banner alone. Where the browser can write to a file the user chooses,
// the result streamed into it equals the download, and a cancelled run leaves it as it was. A
// screenshot of the page after a run goes into the build
// folder, for a person to look at.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {createHash} from 'node:crypto';
import {existsSync, readdirSync, readFileSync} from 'node:fs';
import {basename, join} from 'node:path';
import {awaitDownload, buildDir, firefox, isShown, openPage, runEnd, runPage, top, useBrowser,
  watchRun, writeGames} from './harness.mjs';

const folders = [join(top, 'tests', 'e2e', 'cases'), join(top, 'examples')];
const cases = folders.flatMap((folder) => readdirSync(folder)
    .filter((name) => name.endsWith('.pgn'))
    .sort()
    .map((name) => join(folder, name.slice(0, -'.pgn'.length))));

describe('the page gives the committed outputs', () => {
  const context = useBrowser();

  for (const path of cases) {
    for (const [ending, twoLines] of [['.out', false], ['.out2', true]]) {
      if (!existsSync(path + ending)) continue;
      test(`${basename(path)}${ending}`, async () => {
        const run = await runPage(context.session, context.url, path + '.pgn', {twoLines});
        try {
          assert.equal(run.status, 0, run.message);
          assert.equal(run.name, `${basename(path)}.out.pgn`);
          assert.ok(run.bytes.equals(readFileSync(path + ending)), 'the download differs');
        } finally {
          await run.page.close();
        }
      });
    }
  }

  test('an empty file gives the banner alone, and the page shows it', async () => {
    const run = await runPage(context.session, context.url, join(top, 'tests', 'e2e', 'cases', 'empty.pgn'));
    try {
      assert.equal(run.status, 0);
      assert.equal(run.bytes.toString('latin1'),
                   readFileSync(join(top, 'tests', 'e2e', 'cases', 'empty.out'), 'latin1'));
      const preview = await run.page.$eval('#preview', (e) => e.textContent);
      assert.match(preview, /^\[Kestrow PGN reformatter/);
    } finally {
      await run.page.close();
    }
  });

  test('with the keyboard alone, on a phone-sized screen', async () => {
    const page = await context.session.browser.newPage();
    try {
      await page.setViewport({width: 375, height: 740, isMobile: true, hasTouch: true});
      await page.goto(context.url);
      const done = page.evaluate(() => new Promise((resolve) => {
        document.addEventListener('kestrow-done', (e) => resolve(e.detail), {once: true});
      }));
      // Choosing the file needs the system's dialog, which a headless browser has not: the file
      // goes in as the dialog would put it. Everything after that is keys.
      const game = join(top, 'examples', 'immortal_game');
      await (await page.$('#file')).uploadFile(game + '.pgn');
      await page.focus('#file');
      await page.keyboard.press('Tab');  // to the layout's first choice
      await page.keyboard.press('ArrowDown');  // Black's move on a line of its own
      await page.keyboard.press('Tab');  // to Reformat, past the choice of saving straight to a file
      if (await page.evaluate(() => document.activeElement.id) === 'stream') {
        await page.keyboard.press('Tab');
      }
      assert.equal(await page.evaluate(() => document.activeElement.id), 'start');
      await page.keyboard.press('Enter');
      assert.equal((await done).status, 0);
      assert.equal(await page.evaluate(() => document.activeElement.id), 'download',
                   'the download has the focus once the run is done');
      const width = await page.evaluate(() => document.documentElement.scrollWidth);
      assert.ok(width <= 375, `nothing wider than the screen: ${width} pixels`);
      // At some widths the download's label wraps; the size in brackets ("(786 bytes)") must then
      // move to the next line whole, never leave its number on one line and its unit on the next.
      for (let screen = 300; screen <= 420; screen += 2) {
        await page.setViewport({width: screen, height: 740, isMobile: true, hasTouch: true});
        const lines = await page.evaluate(() => {
          const text = document.getElementById('download').firstChild;
          const range = document.createRange();
          range.setStart(text, text.data.lastIndexOf('('));
          range.setEnd(text, text.data.length);
          return new Set([...range.getClientRects()].map((rect) => Math.round(rect.bottom))).size;
        });
        assert.equal(lines, 1, `the size in the download's label is split at ${screen} pixels`);
      }
      await page.setViewport({width: 375, height: 740, isMobile: true, hasTouch: true});
      const saved = awaitDownload(context.session);
      await page.keyboard.press('Enter');
      const download = await saved;
      assert.equal(download.name, 'immortal_game.out.pgn');
      assert.ok(download.bytes.equals(readFileSync(game + '.out2')), 'the download differs');
      await page.screenshot({path: join(buildDir, `web-page-phone${firefox ? '-firefox' : ''}.png`), fullPage: true});
    } finally {
      await page.close();
    }
  });

  test('a screenshot after a run, for a person to look at', async () => {
    const run = await runPage(context.session, context.url, join(top, 'examples', 'immortal_game.pgn'),
                              {twoLines: true});
    try {
      assert.equal(run.status, 0);
      await run.page.setViewport({width: 900, height: 1000});
      await run.page.screenshot({path: join(buildDir, `web-page${firefox ? '-firefox' : ''}.png`), fullPage: true});
    } finally {
      await run.page.close();
    }
  });

  test('saved straight to a chosen file: the same bytes, and Cancel leaves the file as it was',
       {skip: firefox && 'Firefox cannot write to a file the user chooses: it keeps the download'},
       async () => {
    const file = join(context.scratch, 'stream.pgn');
    writeGames(file, 20 << 20);  // a few chunks of output
    const blobRun = await runPage(context.session, context.url, file, {twoLines: true});
    await blobRun.page.close();
    assert.equal(blobRun.status, 0, blobRun.message);
    const digest = createHash('sha256').update(blobRun.bytes).digest('hex');

    const page = await openPage(context.session, context.url);
    try {
      // The system's save dialog, which a headless browser has not: it hands over a file of the
      // browser's own storage, as the dialog hands over the one the user picks.
      await page.evaluate(() => {
        window.showSaveFilePicker = async (options) => {
          window.suggested = options.suggestedName;
          const folder = await navigator.storage.getDirectory();
          return folder.getFileHandle('saved.pgn', {create: true});
        };
      });
      const saved = () => page.evaluate(async () => {
        const folder = await navigator.storage.getDirectory();
        const bytes = await (await (await folder.getFileHandle('saved.pgn')).getFile()).arrayBuffer();
        const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
        return Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('');
      });
      // What the browser's own storage holds: the chosen file and nothing left behind by a run.
      const stored = () => page.evaluate(async () => {
        const names = [];
        for await (const name of (await navigator.storage.getDirectory()).keys()) names.push(name);
        return names;
      });
      assert.equal(await isShown(page, '#save-choice'), true);
      await (await page.$('#file')).uploadFile(file);
      await page.click('input[name=layout][value=two]');
      await page.click('#stream');
      await page.click('#start');
      assert.equal((await runEnd(page)).status, 0);
      assert.equal(await page.evaluate(() => window.suggested), 'stream.out.pgn');
      assert.match(await page.$eval('#message', (e) => e.textContent), /written to saved\.pgn\.$/);
      assert.equal(await isShown(page, '#download'), false, 'nothing else to download');
      assert.equal(await saved(), digest, 'the saved file differs from the download');
      assert.deepEqual(await stored(), ['saved.pgn'], 'nothing else is left in the storage');

      const big = join(context.scratch, 'stream-big.pgn');
      writeGames(big, 120 << 20);  // long enough to be cancelled midway
      await (await page.$('#file')).uploadFile(big);
      await watchRun(page);
      await page.click('#start');
      await page.waitForFunction(() => window.kestrowTest.progress.length > 0, {polling: 10});
      await page.click('#cancel');
      await runEnd(page);
      await new Promise((resolve) => setTimeout(resolve, 1000));
      assert.equal(await saved(), digest, 'the cancelled run left the file as it was');
      // The stopped worker lets go of its staging file a moment later, and the page removes it.
      for (let tries = 0; tries < 150 && (await stored()).length > 1; tries++) {
        await new Promise((resolve) => setTimeout(resolve, 200));
      }
      assert.deepEqual(await stored(), ['saved.pgn'], 'nothing else is left in the storage');
    } finally {
      await page.close();
    }
  });
});
