// The browser page's speed and memory, in headless Chromium: files of 1 MB, 200 MB and 1 GB of
// realistic PGN through the page as a user runs them, one line per move. Prints, for each, the
// time from Reformat to the result and MB/s, and the worker's memory (its JS heap and buffers):
// the most seen while it ran, sampled every 50 ms, and what it kept after the run.
//   node bench/web.mjs        (bench/web builds the page first)
import {mkdtempSync, rmSync} from 'node:fs';
import {join} from 'node:path';
import {runPage, serve, startBrowser, writeGames} from '../tests/web/harness.mjs';

const sizes = (process.env.BENCH_WEB_MB || '1,200,1000').split(',').map(Number);
const scratch = mkdtempSync(join(process.env.TMPDIR || '/var/tmp', 'kestrow-web-bench-'));
const {server, url} = await serve();
const session = await startBrowser();
const mib = (bytes) => (bytes / 1048576).toFixed(1);
try {
  console.log('size      time     speed   worker peak   worker after');
  for (const mb of sizes) {
    const file = join(scratch, `games-${mb}.pgn`);
    writeGames(file, mb * 1e6);
    const run = await runPage(session, url, file, {readDownload: false});
    await run.page.close();
    rmSync(file);
    if (run.status !== 0) throw new Error(`${mb} MB: ${run.message}`);
    console.log(`${String(mb).padStart(4)} MB ${run.seconds.toFixed(2).padStart(7)} s ` +
                `${(mb / run.seconds).toFixed(1).padStart(6)} MB/s ${mib(run.workerPeak).padStart(8)} MiB ` +
                `${mib(run.workerAfter).padStart(10)} MiB`);
  }
} finally {
  await session.close();
  server.close();
  rmSync(scratch, {recursive: true, force: true});
}

