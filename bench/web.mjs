// The browser page's speed and memory, in headless Chromium: files of 1 MB, 200 MB and 1 GB of
// realistic PGN through the page as a user runs them, one line per move, two ways: the result kept
// as a download (a Blob), and the result saved to a chosen file (through the page's staging file).
// Prints, for each, the time from Reformat to the result and MB/s; the worker's memory (its JS
// heap and buffers), the most seen while it ran, sampled every 50 ms; and how much the whole
// browser grew (the proportional set size of all its processes, the most seen while it ran and
// until the result was saved, less what it held before the run). Each run has a browser of its own.
//   node bench/web.mjs        (bench/web builds the page first; BENCH_WEB_WAYS=download,file)
import {mkdtempSync, readdirSync, readFileSync, rmSync} from 'node:fs';
import {join} from 'node:path';
import {runPage, serve, startBrowser, writeGames} from '../tests/web/harness.mjs';

const sizes = (process.env.BENCH_WEB_MB || '1,200,1000').split(',').map(Number);
const ways = (process.env.BENCH_WEB_WAYS || 'download,file').split(',');
const scratch = mkdtempSync(join(process.env.TMPDIR || '/var/tmp', 'kestrow-web-bench-'));
const {server, url} = await serve();
let session = null;
const mib = (bytes) => (bytes / 1048576).toFixed(1);

// The memory of the browser's processes, in bytes: the sum of their proportional set sizes.
function browserMemory() {
  const root = session.browser.process().pid;
  const parents = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'utf8');
      parents.set(Number(name), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
    } catch {}  // a process that has just ended
  }
  let total = 0;
  for (const pid of parents.keys()) {
    let p = pid;
    while (p > 1 && p !== root) p = parents.get(p) || 0;
    if (p !== root) continue;
    try {
      const rollup = readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
      total += Number(/^Pss:\s+(\d+)/m.exec(rollup)[1]) * 1024;
    } catch {}
  }
  return total;
}

// Writing straight to a file: the save dialog's choice is a file of the browser's own storage.
async function chooseFile(page) {
  await page.evaluate(() => {
    window.showSaveFilePicker = async () => {
      const folder = await navigator.storage.getDirectory();
      return folder.getFileHandle('bench.out.pgn', {create: true});
    };
  });
  await page.click('#stream');
}

try {
  console.log('size      way       time     speed   worker peak   browser grew');
  for (const mb of sizes) {
    const file = join(scratch, `games-${mb}.pgn`);
    writeGames(file, mb * 1e6);
    for (const way of ways) {
      session = await startBrowser();
      const before = browserMemory();
      let peak = before;
      const timer = setInterval(() => {
        peak = Math.max(peak, browserMemory());
      }, 200);
      const run = await runPage(session, url, file, {
        readDownload: false,
        beforeStart: way === 'file' ? chooseFile : undefined,
      });
      clearInterval(timer);
      peak = Math.max(peak, browserMemory());
      await run.page.close();
      await session.close();
      session = null;
      if (run.status !== 0) throw new Error(`${mb} MB: ${run.message}`);
      console.log(`${String(mb).padStart(4)} MB  ${way.padEnd(8)} ${run.seconds.toFixed(2).padStart(7)} s ` +
                  `${(mb / run.seconds).toFixed(1).padStart(6)} MB/s ${mib(run.workerPeak).padStart(8)} MiB ` +
                  `${mib(peak - before).padStart(10)} MiB`);
    }
    rmSync(file);
  }
} finally {
  if (session) await session.close();
  server.close();
  rmSync(scratch, {recursive: true, force: true});
}
