// Every end-to-end case and example through the page, in both layouts, as a user would run it:
// the download must equal the committed expected file byte for byte, under the name NAME.out.pgn.
// An empty file gives the banner alone. A screenshot of the page after a run goes into the build
// folder, for a person to look at.
import {after, before, describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {existsSync, readdirSync, readFileSync} from 'node:fs';
import {basename, dirname, join} from 'node:path';
import {fileURLToPath} from 'node:url';
import {buildDir, runPage, serve, startBrowser} from './harness.mjs';

const top = join(dirname(fileURLToPath(import.meta.url)), '..', '..');
const folders = [join(top, 'tests', 'e2e', 'cases'), join(top, 'examples')];
const cases = folders.flatMap((folder) => readdirSync(folder)
    .filter((name) => name.endsWith('.pgn'))
    .sort()
    .map((name) => join(folder, name.slice(0, -'.pgn'.length))));

describe('the page gives the committed outputs', () => {
  let server;
  let url;
  let session;
  before(async () => {
    ({server, url} = await serve());
    session = await startBrowser();
  });
  after(async () => {
    await session.close();
    server.close();
  });

  for (const path of cases) {
    for (const [ending, twoLines] of [['.out', false], ['.out2', true]]) {
      if (!existsSync(path + ending)) continue;
      test(`${basename(path)}${ending}`, async () => {
        const run = await runPage(session, url, path + '.pgn', {twoLines});
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
    const run = await runPage(session, url, join(top, 'tests', 'e2e', 'cases', 'empty.pgn'));
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

  test('a screenshot after a run, for a person to look at', async () => {
    const run = await runPage(session, url, join(top, 'examples', 'immortal_game.pgn'),
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
