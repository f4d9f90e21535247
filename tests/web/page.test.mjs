// What the page shows, state by state, as it is rendered: a download is on screen only beside the
// file and the layout it was made from, and nothing stale is ever offered.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {copyFileSync, readFileSync, rmSync} from 'node:fs';
import {join} from 'node:path';
import {isShown, openPage, runEnd, takeDownload, top, useBrowser, watchRun} from './harness.mjs';

const examples = join(top, 'examples');

// What of the result is on screen: the download, the preview and its heading.
async function resultShown(page) {
  return {
    download: await isShown(page, '#download'),
    preview: await isShown(page, '#preview'),
    heading: await isShown(page, '#preview-title'),
  };
}
const nothing = {download: false, preview: false, heading: false};

describe('the page offers only what belongs to the file shown', () => {
  const context = useBrowser();

  test('a fresh page offers no download', async () => {
    const page = await openPage(context.session, context.url);
    try {
      assert.deepEqual(await resultShown(page), nothing);
      assert.equal(await page.$eval('#start', (e) => e.disabled), true);
    } finally {
      await page.close();
    }
  });

  test('a run, then another file, then a run that fails: the old result goes at once', async () => {
    const page = await openPage(context.session, context.url);
    const other = join(context.scratch, 'other.pgn');
    copyFileSync(join(examples, 'site_export.pgn'), other);
    try {
      const input = await page.$('#file');
      await input.uploadFile(join(examples, 'immortal_game.pgn'));
      await page.click('#start');
      assert.equal((await runEnd(page)).status, 0);
      assert.deepEqual(await resultShown(page), {download: true, preview: true, heading: true});
      const first = await takeDownload(context.session, page);
      assert.equal(first.name, 'immortal_game.out.pgn');
      assert.ok(first.bytes.equals(readFileSync(join(examples, 'immortal_game.out'))));

      // The other layout: the result on screen was not made with it.
      await page.click('input[name=layout][value=two]');
      assert.deepEqual(await resultShown(page), nothing, 'after choosing the other layout');
      await page.click('input[name=layout][value=one]');

      await input.uploadFile(other);
      assert.deepEqual(await resultShown(page), nothing, 'after choosing another file');
      assert.match(await page.$eval('#message', (e) => e.textContent), /^other\.pgn/);

      rmSync(other);
      await watchRun(page);
      await page.click('#start');
      assert.equal((await runEnd(page)).status, 1);
      assert.deepEqual(await resultShown(page), nothing, 'after the failed run');
      assert.equal(await page.$eval('#download', (e) => e.hasAttribute('href')), false,
                   'the link leads nowhere');
    } finally {
      await page.close();
    }
  });
});
