// A file of 200 MB through the page: the run completes, the progress reaches the whole file in
// steps that only go forward, and the download equals what the console program writes for the
// same file (when the native build is there: KESTROW_NATIVE, default build/Kestrow). The speed
// and the worker's peak memory are printed beside those of a 1 MB file; bench/web measures them.
import {describe, test} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {existsSync, readFileSync, statSync} from 'node:fs';
import {join} from 'node:path';
import {runPage, top, useBrowser, writeGames} from './harness.mjs';

const native = process.env.KESTROW_NATIVE || join(top, 'build', 'Kestrow');

describe('a large file', () => {
  const context = useBrowser();

  test('200 MB: whole, with progress to the end', async (t) => {
    const small = join(context.scratch, 'small.pgn');
    writeGames(small, 1 << 20);
    const smallRun = await runPage(context.session, context.url, small);
    await smallRun.page.close();
    assert.equal(smallRun.status, 0);

    const file = join(context.scratch, 'games.pgn');
    const size = 200 * 1000 * 1000;
    writeGames(file, size);
    const run = await runPage(context.session, context.url, file, {twoLines: true});
    await run.page.close();
    assert.equal(run.status, 0, run.message);

    const done = run.progress.map((p) => p.done);
    assert.ok(run.progress.every((p) => p.total === size));
    assert.ok(done.every((d, i) => i === 0 || d >= done[i - 1]), 'progress goes forward');
    assert.equal(done.at(-1), size, 'progress reaches the whole file');
    assert.ok(run.progress.length >= 20, `progress in steps: ${run.progress.length} events`);

    if (existsSync(native)) {
      const expected = join(context.scratch, 'expected.pgn');
      execFileSync(native, [file, expected, '/2']);
      assert.equal(run.bytes.length, statSync(expected).size);
      assert.ok(run.bytes.equals(readFileSync(expected)), 'the download differs from the console');
    } else {
      t.diagnostic(`no native build at ${native}: the download's bytes are not compared`);
    }
    t.diagnostic(`200 MB in ${run.seconds.toFixed(2)} s: ${(size / 1e6 / run.seconds).toFixed(1)} MB/s`);
    const mib = (bytes) => `${(bytes / 1048576).toFixed(1)} MiB`;
    if (run.workerPeak !== null) t.diagnostic(`worker memory, at most while running and kept after the run: ` +
                 `${mib(run.workerPeak)} and ${mib(run.workerAfter)} for 200 MB, ` +
                 `${mib(smallRun.workerPeak)} and ${mib(smallRun.workerAfter)} for 1 MB`);
  });
});
