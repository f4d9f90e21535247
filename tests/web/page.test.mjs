// What the page shows, state by state, as it is rendered: a download is on screen only beside the
// file and the layout it was made from, and nothing stale is ever offered. And the page for
// everyone: no accessibility violation in light or dark mode, enough contrast in dark mode, one
// quiet status line for screen readers, drops anywhere on the page, and Cancel.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {copyFileSync, readFileSync, rmSync, truncateSync, writeFileSync} from 'node:fs';
import {createRequire} from 'node:module';
import {join} from 'node:path';
import {isShown, openPage, openPageIn, runEnd, takeDownload, top, useBrowser, watchRun, writeGames}
  from './harness.mjs';

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

  test('a file of 1 GB or more comes with a word on memory; a smaller one without', async () => {
    const page = await openPage(context.session, context.url);
    const big = join(context.scratch, 'big.pgn');
    writeFileSync(big, '');
    truncateSync(big, 1.1e9);  // sparse: nothing is read, only its size is seen
    try {
      await (await page.$('#file')).uploadFile(big);
      assert.equal(await isShown(page, '#memory-note'), true);
      assert.match(await page.$eval('#memory-note', (e) => e.textContent), /holds the whole result/);
      await (await page.$('#file')).uploadFile(join(examples, 'immortal_game.pgn'));
      assert.equal(await isShown(page, '#memory-note'), false);
    } finally {
      await page.close();
      rmSync(big);
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

// axe-core's rules on the page as it stands, in the colour scheme the browser asks for.
const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
async function axeViolations(page) {
  if (!(await page.evaluate(() => Boolean(window.axe)))) await page.evaluate(axeSource);
  const result = await page.evaluate(() => window.axe.run(document));
  return result.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(', ')}`);
}

// The contrast ratio of two colours as computed styles give them ("rgb(r, g, b)").
function contrastOf(page, foreground, background) {
  return page.evaluate((pair) => {
    const luminance = (css) => {
      const [r, g, b] = css.match(/[0-9.]+/g).slice(0, 3).map((c) => {
        const v = Number(c) / 255;
        return v <= 0.04045 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4;
      });
      return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    const [a, b] = pair.map(([selector, property]) => {
      const element = document.querySelector(selector);
      const message = selector === '#message';
      if (message) element.classList.add('error');  // its colour when it tells a failure
      const value = getComputedStyle(element)[property];
      if (message) element.classList.remove('error');
      return luminance(value);
    });
    return (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
  }, [foreground, background]);
}

// A file dropped on `selector`, as a drag from the desktop delivers it; resolves to whether the
// page took the drop (so that the browser does not open the file in its place).
function dropOn(page, selector, name, text) {
  return page.evaluate((target, fileName, content) => {
    const files = new DataTransfer();
    files.items.add(new File([content], fileName, {type: 'application/x-chess-pgn'}));
    const element = document.querySelector(target);
    const options = {dataTransfer: files, bubbles: true, cancelable: true};
    element.dispatchEvent(new DragEvent('dragover', options));
    const event = new DragEvent('drop', options);
    element.dispatchEvent(event);
    return event.defaultPrevented;
  }, selector, name, text);
}

describe('the page for everyone', () => {
  const context = useBrowser();
  const game = join(examples, 'immortal_game');

  for (const scheme of ['light', 'dark']) {
    test(`no accessibility violation in each state, ${scheme} mode`, async () => {
      const {page} = await openPageIn(context, scheme);
      try {
        assert.equal(await page.evaluate(
            (s) => matchMedia(`(prefers-color-scheme: ${s})`).matches, scheme), true);
        assert.deepEqual(await axeViolations(page), [], 'a fresh page');
        await (await page.$('#file')).uploadFile(game + '.pgn');
        assert.deepEqual(await axeViolations(page), [], 'a file chosen');
        await page.click('#start');
        await runEnd(page);
        assert.deepEqual(await axeViolations(page), [], 'after a run');
        await page.focus('#preview');
        assert.notEqual(await page.$eval('#preview', (e) => getComputedStyle(e).outlineStyle),
                        'none', 'the preview shows that it has the focus');
        const other = join(context.scratch, 'vanishing.pgn');
        copyFileSync(game + '.pgn', other);
        await (await page.$('#file')).uploadFile(other);
        rmSync(other);
        await watchRun(page);
        await page.click('#start');
        await runEnd(page);
        assert.deepEqual(await axeViolations(page), [], 'after a failure');
      } finally {
        await page.close();
      }
    });
  }

  test('in dark mode the error, the focus ring and the drop zone stand out enough', async () => {
    const {page} = await openPageIn(context, 'dark');
    try {
      await page.keyboard.press('Tab');
      assert.equal(await page.evaluate(() => document.activeElement.id), 'file');
      assert.notEqual(await page.$eval('#file', (e) => getComputedStyle(e).outlineStyle), 'none');
      const pairs = [
        ['the error text', ['#message', 'color'], 4.5],
        ['the focus ring', ['#file', 'outlineColor'], 3],
        ['the drop zone\'s border', ['#drop', 'borderTopColor'], 3],
      ];
      for (const [what, foreground, least] of pairs) {
        const ratio = await contrastOf(page, foreground, ['body', 'backgroundColor']);
        assert.ok(ratio >= least, `${what}: ${ratio.toFixed(2)}:1, at least ${least}:1 needed`);
      }
    } finally {
      await page.close();
    }
  });

  test('only the status line speaks, once at the start and once at the end of a run', async () => {
    const page = await openPage(context.session, context.url);
    try {
      const live = await page.$$eval('[aria-live], [role=status], [role=alert], [role=log]',
                                     (all) => all.map((e) => e.id));
      assert.deepEqual(live, ['message']);
      const file = join(context.scratch, 'long.pgn');
      writeGames(file, 48 << 20);
      await (await page.$('#file')).uploadFile(file);
      await page.evaluate(() => {
        window.said = [];
        new MutationObserver(() => window.said.push(document.getElementById('message').textContent))
            .observe(document.getElementById('message'), {childList: true, characterData: true,
              subtree: true});
      });
      await page.click('#start');
      await runEnd(page);
      const said = await page.evaluate(() => window.said);
      assert.ok(said.length <= 2, `the status line changed ${said.length} times: ${said}`);
      assert.ok((await page.evaluate(() => window.kestrowTest.progress.length)) > 2);
    } finally {
      await page.close();
    }
  });

  test('a file dropped on the zone or beside it is taken, and the file input names it',
       async () => {
    const page = await openPage(context.session, context.url);
    try {
      const text = readFileSync(game + '.pgn', 'latin1');
      for (const [where, selector] of [['on the zone', '#drop'], ['beside it', 'h1']]) {
        const name = `dropped-${selector.replace(/\W/g, '')}.pgn`;
        assert.equal(await dropOn(page, selector, name, text), true, `${where}: the page takes it`);
        assert.equal(await page.$eval('#file', (e) => e.files[0] && e.files[0].name), name, where);
        assert.match(await page.$eval('#message', (e) => e.textContent), new RegExp(`^${name}`));
      }
      await watchRun(page);
      await page.click('#start');
      assert.equal((await runEnd(page)).status, 0);
      const saved = await takeDownload(context.session, page);
      assert.equal(saved.name, 'dropped-h1.out.pgn');
      assert.ok(saved.bytes.equals(readFileSync(game + '.out')), 'the download differs');
    } finally {
      await page.close();
    }
  });

  test('Cancel stops a run at once, a drop meanwhile is refused in words, and a new run works',
       async () => {
    const page = await openPage(context.session, context.url);
    try {
      const file = join(context.scratch, 'big.pgn');
      writeGames(file, 150 << 20);
      await (await page.$('#file')).uploadFile(file);
      await page.click('#start');
      await page.waitForFunction(() => window.kestrowTest.progress.length > 0, {polling: 10});
      assert.equal(await page.evaluate(() => document.activeElement.id), 'cancel',
                   'the focus is on Cancel while the run lasts');

      assert.equal(await dropOn(page, '#drop', 'late.pgn', '1. e4 e5'), true);
      assert.match(await page.$eval('#message', (e) => e.textContent), /^late\.pgn was not taken/);
      assert.equal(await page.$eval('#file', (e) => e.files[0].name), 'big.pgn');

      await page.click('#cancel');
      assert.deepEqual(await runEnd(page), {status: null});
      assert.match(await page.$eval('#message', (e) => e.textContent), /^Cancelled: nothing was saved/);
      assert.deepEqual(await resultShown(page), nothing);
      assert.equal(await isShown(page, '#cancel'), false);
      assert.equal(await isShown(page, '#progress'), false);
      assert.equal(await page.evaluate(() => document.activeElement.id), 'start');
      // Nothing of the cancelled run turns up later.
      await new Promise((resolve) => setTimeout(resolve, 1500));
      assert.deepEqual(await resultShown(page), nothing);

      await (await page.$('#file')).uploadFile(game + '.pgn');
      await watchRun(page);
      await page.click('#start');
      assert.equal((await runEnd(page)).status, 0);
      const saved = await takeDownload(context.session, page);
      assert.ok(saved.bytes.equals(readFileSync(game + '.out')), 'the download differs');
    } finally {
      await page.close();
    }
  });
});
