// Every end-to-end case and example through the page, in both layouts, as a user would run it:
// the download must equal the committed expected file byte for byte, under the name NAME.out.pgn.
// An empty file gives the banner alone. A screenshot of the page after a run goes into the build
// folder, for a person to look at.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {existsSync, readdirSync, readFileSync} from 'node:fs';
import {basename, join} from 'node:path';
import {awaitDownload, buildDir, runPage, top, useBrowser} from './harness.mjs';

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
      const saved = awaitDownload(context.session);
      await page.keyboard.press('Enter');
      const download = await saved;
      assert.equal(download.name, 'immortal_game.out.pgn');
      assert.ok(download.bytes.equals(readFileSync(game + '.out2')), 'the download differs');
      await page.screenshot({path: join(buildDir, 'web-page-phone.png'), fullPage: true});
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
      await run.page.screenshot({path: join(buildDir, 'web-page.png'), fullPage: true});
    } finally {
      await run.page.close();
    }
  });
});
