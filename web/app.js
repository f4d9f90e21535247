// The page: takes the file the user picks or drops, runs Kestrow on it in a worker, shows the
// progress, and offers the result as a download named after the input, with its first lines.
// It also announces each step of the progress ('kestrow-progress', {done, total}) and the end of
// a run ('kestrow-done', {status}) as events on the document, for whatever watches the page.
'use strict';

const form = document.getElementById('form');
const fileInput = document.getElementById('file');
const drop = document.getElementById('drop');
const start = document.getElementById('start');
const progress = document.getElementById('progress');
const progressLabel = document.getElementById('progress-label');
const message = document.getElementById('message');
const download = document.getElementById('download');
const previewTitle = document.getElementById('preview-title');
const preview = document.getElementById('preview');

const kPreviewLines = 40;

let chosen = null;
let running = false;
let worker = null;
let resultUrl = null;

function size(bytes) {
  if (bytes < 1000) return `${bytes} bytes`;
  if (bytes < 1e6) return `${(bytes / 1e3).toFixed(1)} kB`;
  if (bytes < 1e9) return `${(bytes / 1e6).toFixed(1)} MB`;
  return `${(bytes / 1e9).toFixed(2)} GB`;
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

function choose(file) {
  if (running) return;  // a file dropped during a run waits for its end
  chosen = file || null;
  start.disabled = !chosen;
  clearResult();
  progress.hidden = progressLabel.hidden = true;
  say(chosen ? `${chosen.name}, ${size(chosen.size)}: choose a layout and press Reformat.` : '');
}

fileInput.addEventListener('change', () => choose(fileInput.files[0]));
for (const choice of form.elements.layout) {
  choice.addEventListener('change', () => {
    if (!running && resultUrl) choose(chosen);
  });
}

drop.addEventListener('dragover', (event) => {
  event.preventDefault();
  drop.classList.add('over');
});
drop.addEventListener('dragleave', () => drop.classList.remove('over'));
drop.addEventListener('drop', (event) => {
  event.preventDefault();
  drop.classList.remove('over');
  if (event.dataTransfer.files.length > 0) choose(event.dataTransfer.files[0]);
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
  if (result.status === -1) return `Kestrow could not start: ${result.error}`;
  return `Kestrow could not reformat ${file.name} (exit status ${result.status}).`;
}

function finish(result, file) {
  running = false;
  fileInput.disabled = false;
  start.disabled = false;
  if (result.status !== 0) {
    progress.hidden = progressLabel.hidden = true;
    say(failure(result, file), true);
    start.focus();
    return;
  }
  resultUrl = URL.createObjectURL(result.blob);
  download.href = resultUrl;
  download.download = outputName(file.name);
  download.textContent = `Download ${download.download} (${size(result.blob.size)})`;
  download.hidden = false;
  const text = new TextDecoder('utf-8').decode(result.preview).replace(/\r\n/g, '\n');
  preview.textContent = text.split('\n').slice(0, kPreviewLines).join('\n');
  preview.hidden = previewTitle.hidden = false;
  say(`Done: ${size(file.size)} read, ${size(result.blob.size)} written.`);
  download.focus();
}

// One worker serves every run of the page; a new one is started only after a failure.
function startWorker() {
  if (!worker) worker = new Worker('worker.js');
  return worker;
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

function ended(result, file) {
  finish(result, file);
  document.dispatchEvent(new CustomEvent('kestrow-done', {detail: {status: result.status}}));
}

function stopWorker() {
  if (worker) worker.terminate();
  worker = null;
}

function run(file, twoLines) {
  clearResult();
  running = true;
  fileInput.disabled = true;
  start.disabled = true;
  progress.max = Math.max(file.size, 1);
  progress.value = 0;
  progress.hidden = progressLabel.hidden = false;
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
      progress.max = Math.max(m.total, 1);
      progress.value = m.done;
      say(`Reformatting ${file.name}: ${size(m.done)} of ${size(m.total)} read.`);
      document.dispatchEvent(new CustomEvent('kestrow-progress', {detail: m}));
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
  worker.postMessage({file, twoLines});
}

form.addEventListener('submit', (event) => {
  event.preventDefault();
  if (chosen) run(chosen, form.elements.layout.value === 'two');
});
