// The page: takes the file the user picks or drops, runs Kestrow on it in a worker, shows the
// progress, and offers the result as a download named after the input, with its first lines; or,
// where the browser lets a page write to a file the user chooses, saves the result there.
// It also announces each step of the progress ('kestrow-progress', {done, total}) and the end of
// a run ('kestrow-done', {status}; status is null when the user cancelled) as events on the
// document, for whatever watches the page.
'use strict';

const form = document.getElementById('form');
const fileInput = document.getElementById('file');
const drop = document.getElementById('drop');
const start = document.getElementById('start');
const cancel = document.getElementById('cancel');
const saveChoice = document.getElementById('save-choice');
const stream = document.getElementById('stream');
const progress = document.getElementById('progress');
const progressLabel = document.getElementById('progress-label');
const progressText = document.getElementById('progress-text');
const memoryNote = document.getElementById('memory-note');
const message = document.getElementById('message');
const download = document.getElementById('download');
const previewTitle = document.getElementById('preview-title');
const preview = document.getElementById('preview');

const kPreviewLines = 40;
const kLargeFile = 1e9;  // from this size on, a result held in memory is worth a word of warning

let chosen = null;
let current = null;  // the run under way: {file, output}
let worker = null;
let resultUrl = null;

// Sizes in the page's words; a no-break space keeps a number and its unit on one line.
function size(bytes) {
  if (bytes < 1000) return `${bytes}\u00a0bytes`;
  if (bytes < 1e6) return `${(bytes / 1e3).toFixed(1)}\u00a0kB`;
  if (bytes < 1e9) return `${(bytes / 1e6).toFixed(1)}\u00a0MB`;
  return `${(bytes / 1e9).toFixed(2)}\u00a0GB`;
}

// NAME.pgn gives NAME.out.pgn; a name without the ending gets it added.
function outputName(name) {
  return name.replace(/\.pgn$/i, '') + '.out.pgn';
}

function say(text, isError) {
  message.textContent = text;
  message.classList.toggle('error', Boolean(isError));
}

// Takes the result off the page: a download belongs to the file and the layout it was made from.
function clearResult() {
  if (resultUrl) URL.revokeObjectURL(resultUrl);
  resultUrl = null;
  download.hidden = true;
  download.removeAttribute('href');
  download.removeAttribute('download');
  preview.hidden = true;
  previewTitle.hidden = true;
}

function showProgress(shown) {
  progress.hidden = progressLabel.hidden = progressText.hidden = !shown;
}

function setControls(isRunning) {
  fileInput.disabled = isRunning;
  start.disabled = isRunning || !chosen;
  stream.disabled = isRunning;
  cancel.hidden = !isRunning;
}

function choose(file) {
  chosen = file || null;
  setControls(false);
  clearResult();
  showProgress(false);
  memoryNote.hidden = !chosen || chosen.size < kLargeFile;
  say(chosen ? `${chosen.name}, ${size(chosen.size)}: choose a layout and press Reformat.` : '');
}

fileInput.addEventListener('change', () => choose(fileInput.files[0]));
for (const choice of form.elements.layout) {
  choice.addEventListener('change', () => {
    if (!current && !preview.hidden) choose(chosen);
  });
}

// A file may be dropped anywhere on the page, not only on the zone that invites it, so that the
// browser never opens it in the page's place. During a run a drop is refused, and the page says so.
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  event.dataTransfer.dropEffect = current ? 'none' : 'copy';
  drop.classList.toggle('over', !current);
});
document.addEventListener('dragleave', (event) => {
  if (!event.relatedTarget) drop.classList.remove('over');
});
document.addEventListener('drop', (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  const files = event.dataTransfer.files;
  if (files.length === 0) return;
  if (current) {
    say(`${files[0].name} was not taken: a run is under way. Drop it again once the run is ` +
        'over, or press Cancel first.', true);
    return;
  }
  fileInput.files = files;  // the file input names the file that was dropped
  choose(files[0]);
});

// What went wrong, in words: the console program only has its exit status for it.
function failure(result, file) {
  if (result.readFailedAt === 0) {
    return `${file.name} could not be read. It may have been moved, changed or deleted since ` +
        'you chose it, or the browser may not be allowed to read it. Choose it again to retry.';
  }
  if (result.readFailedAt > 0) {
    return `Reading ${file.name} failed after ${size(result.readFailedAt)} of ` +
        `${size(file.size)}: the file may have changed while it was read. Nothing was saved; ` +
        'choose it again to retry.';
  }
  if (result.saveError) {
    return `The result could not be written to the file you chose: ${result.saveError}. ` +
        'Nothing was saved.';
  }
  if (result.status === -1) return `Kestrow could not start: ${result.error}`;
  return `Kestrow could not reformat ${file.name} (exit status ${result.status}).`;
}

function showPreview(bytes) {
  const text = new TextDecoder('utf-8').decode(bytes).replace(/\r\n/g, '\n');
  preview.textContent = text.split('\n').slice(0, kPreviewLines).join('\n');
  preview.hidden = previewTitle.hidden = false;
}

function finish(result, file) {
  current = null;
  setControls(false);
  showProgress(false);
  if (result.status !== 0) {
    say(failure(result, file), true);
    start.focus();
    return;
  }
  showPreview(result.preview);
  if (result.savedAs !== undefined) {
    say(`Done: ${size(file.size)} read, ${size(result.written)} written to ${result.savedAs}.`);
    preview.focus();
    return;
  }
  resultUrl = URL.createObjectURL(result.blob);
  download.href = resultUrl;
  download.download = outputName(file.name);
  download.textContent = `Download ${download.download} (${size(result.blob.size)})`;
  download.hidden = false;
  say(`Done: ${size(file.size)} read, ${size(result.blob.size)} written.`);
  download.focus();
}

function announce(status) {
  document.dispatchEvent(new CustomEvent('kestrow-done', {detail: {status}}));
}

// One worker serves every run of the page; a new one is started only after a failure or a cancel.
function startWorker() {
  if (!worker) worker = new Worker('worker.js');
  return worker;
}

function stopWorker() {
  if (worker) worker.terminate();
  worker = null;
}

// Why the worker could not be started or could not load its files, in words.
function workerFailure(detail) {
  if (location.protocol === 'file:') {
    return 'this page was opened from a file on the disk, where this browser does not let it ' +
        'start its worker. Serve its folder over HTTP instead, for example with ' +
        '"python3 -m http.server --bind 127.0.0.1 --directory build-wasm/site 8000", and open ' +
        'http://127.0.0.1:8000/.';
  }
  if (!navigator.onLine) {
    return 'this browser is offline, and the page\'s files are not stored in it yet. Open the ' +
        'page once while online; after that it works without a network.';
  }
  return `the page could not load its worker (worker.js and Kestrow.js)${detail ? `: ${detail}` : ''}. ` +
      'Reload the page to try again; if this persists, the site is incomplete.';
}

// Where the result goes: a file the user chose, or else the worker's Blob. The worker writes the
// result to a staging file of the browser's own storage where it can, and the page then copies
// that into the chosen file, a piece at a time as the disk takes it; elsewhere the worker hands
// over chunks, written in order as they come. `abort` leaves the chosen file as it was, and the
// staging file is deleted in every case.
const kStagePrefix = 'kestrow-staging-';
const kCopySize = 64 * 1024 * 1024;  // bytes copied from the staging file at a time

async function removeStaging(name) {
  const folder = await navigator.storage.getDirectory();
  // A cancelled worker holds the file for a second or two after it was stopped: tries for 30 s,
  // and what is still left is removed when the page is next opened.
  for (let tries = 0; tries < 150; tries++) {
    try {
      await folder.removeEntry(name);
      return;
    } catch (error) {
      if (error.name === 'NotFoundError') return;
      await new Promise((resolve) => setTimeout(resolve, 200));
    }
  }
}

// Staging files left behind by a page that was closed during a run. A page holds a lock named
// after its staging file until it is done with it, so that no other tab of the site takes it.
async function removeStaleStaging() {
  try {
    const held = new Set((await navigator.locks.query()).held.map((lock) => lock.name));
    const folder = await navigator.storage.getDirectory();
    for await (const name of folder.keys()) {
      if (name.startsWith(kStagePrefix) && !held.has(name)) {
        await folder.removeEntry(name).catch(() => {});
      }
    }
  } catch (error) {}  // no storage of its own here: nothing to remove
}

function fileOutput(writable, name) {
  let chain = Promise.resolve();
  let written = 0;
  let error = null;
  const stopper = new AbortController();
  let stage;
  let release = () => {};
  let discarded = false;
  if (navigator.storage && navigator.storage.getDirectory && navigator.locks) {
    stage = `${kStagePrefix}${Date.now()}-${Math.random().toString(36).slice(2)}`;
    navigator.locks.request(stage, () => discarded ? null : new Promise((resolve) => {
      release = resolve;
    }));
  }
  const discard = () => removeStaging(stage).catch(() => {}).then(() => {
    discarded = true;
    release();
  });
  return {
    name,
    stage,
    write(bytes) {
      chain = chain.then(() => {
        if (!error) return writable.write(bytes);
      }).then(() => {
        written += bytes.length;
      }, (e) => {
        error = error || e;
      });
    },
    // Copies the staging file into the chosen file; the copy closes it.
    async copy(size) {
      try {
        const folder = await navigator.storage.getDirectory();
        const staged = await (await folder.getFileHandle(stage)).getFile();
        if (staged.size !== size) throw new Error('the staging file is incomplete');
        // Pieces of the staging file go to the chosen file as slices of it, which the browser
        // copies from disk to disk: the page never holds the bytes. One piece at a time, so that a
        // cancel stops the copy soon.
        for (let at = 0; at < size; at += kCopySize) {
          if (stopper.signal.aborted) throw new DOMException('cancelled', 'AbortError');
          await writable.write(staged.slice(at, Math.min(size, at + kCopySize)));
        }
        if (stopper.signal.aborted) throw new DOMException('cancelled', 'AbortError');
        await writable.close();
        return size;
      } finally {
        await discard();
      }
    },
    async close() {
      if (stage) await discard();  // the worker could not write it, and sent the chunks instead
      await chain;
      if (error) throw error;
      await writable.close();
      return written;
    },
    abort() {
      stopper.abort();
      chain.then(() => writable.abort()).catch(() => {});
      if (stage) discard();
    },
  };
}

async function ended(result, file) {
  const output = current && current.output;
  if (output && result.status === 0) {
    try {
      say(`Saving to ${output.name}…`);
      result.written = result.staged !== undefined ? await output.copy(result.staged) :
        await output.close();
      if (current === null || current.output !== output) return;  // cancelled while saving
      result.savedAs = output.name;
    } catch (error) {
      if (current === null || current.output !== output) return;  // cancelled while saving
      result.status = 1;
      result.saveError = error.message || String(error);
    }
  } else if (output) {
    output.abort();
  }
  finish(result, file);
  announce(result.status);
}

function run(file, twoLines, output) {
  clearResult();
  memoryNote.hidden = Boolean(output) || file.size < kLargeFile;
  current = {file, output};
  setControls(true);
  cancel.focus();
  progress.max = Math.max(file.size, 1);
  progress.value = 0;
  progressText.textContent = '';
  showProgress(true);
  say(`Reformatting ${file.name}…`);
  try {
    startWorker();
  } catch (error) {
    ended({status: -1, error: workerFailure(error.message)}, file);
    return;
  }
  worker.onmessage = (event) => {
    const m = event.data;
    if (m.type === 'progress') {
      // The bar and its text follow the run; only the start and the end are announced.
      progress.max = Math.max(m.total, 1);
      progress.value = m.done;
      progressText.textContent = `${size(m.done)} of ${size(m.total)} read.`;
      document.dispatchEvent(new CustomEvent('kestrow-progress', {detail: m}));
    } else if (m.type === 'chunk') {
      output.write(m.bytes);
    } else if (m.type === 'done') {
      if (m.status === -1) stopWorker();
      ended(m, file);
    }
  };
  // The worker's script, or the core's script it imports, could not be loaded or run.
  worker.onerror = (event) => {
    event.preventDefault();
    stopWorker();
    ended({status: -1, error: workerFailure(event.message)}, file);
  };
  worker.postMessage({file, twoLines, stream: Boolean(output),
    stage: output ? output.stage : undefined});
}

// Cancel ends the run at once: the worker is stopped, a chosen file is left as it was, and
// nothing half-done is offered.
cancel.addEventListener('click', () => {
  if (!current) return;
  const {file, output} = current;
  stopWorker();
  if (output) output.abort();
  current = null;
  setControls(false);
  showProgress(false);
  say(`Cancelled: nothing was saved. Press Reformat to run ${file.name} again.`);
  start.focus();
  announce(null);
});

// Where the browser can write to a file the user chooses, it may save the result there.
if ('showSaveFilePicker' in window) {
  saveChoice.hidden = false;
  removeStaleStaging();
}

form.addEventListener('submit', async (event) => {
  event.preventDefault();
  if (!chosen || current) return;
  const file = chosen;
  const twoLines = form.elements.layout.value === 'two';
  if (!stream.checked || saveChoice.hidden) {
    run(file, twoLines, null);
    return;
  }
  let output;
  try {
    const handle = await window.showSaveFilePicker({
      suggestedName: outputName(file.name),
      types: [{description: 'PGN file', accept: {'application/x-chess-pgn': ['.pgn']}}],
    });
    output = fileOutput(await handle.createWritable(), handle.name);
  } catch (error) {
    if (error.name === 'AbortError') return;  // the user closed the dialog
    say(`The file could not be opened for writing: ${error.message}`, true);
    return;
  }
  run(file, twoLines, output);
});

// The page keeps its files in the browser, so that it opens and runs with no network.
if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
