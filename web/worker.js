// The worker that runs Kestrow for the page, so that the page never waits on it. It keeps nothing
// from one run to the next: each run starts a fresh instance of the core (Kestrow.js and Kestrow.wasm, the console program built for
// WebAssembly) and calls its command line with two device files of this worker's own:
//  - /input.pgn serves the core's 512-byte reads from large slices of the chosen File, read ahead
//    with FileReaderSync, so that the browser is asked for a slice only now and then;
//  - /output.pgn gathers what the core writes into large chunks, each of which becomes a part of
//    the result Blob, so that the worker holds one chunk however large the output grows; or, when
//    the page saves the result to a file the user chose, goes to that file's staging file.
// The core runs without a pause, and its devices answer at once, so the worker cannot wait for the
// page to save each chunk. Where it can, it writes each chunk at once, synchronously, to a staging
// file in the browser's own storage (`stage`, named by the page), which the page then copies into
// the chosen file: so nothing waits in memory for the disk. Where it cannot, it hands the chunks to
// the page as they fill.
// Messages to the page: {type: 'progress', done, total} as the input is read, {type: 'chunk',
// bytes} for each chunk when the page streams without a staging file, then {type: 'done', status,
// blob (unless it streams), staged (with a staging file), preview} or, when something failed,
// {type: 'done', status, error, readFailedAt, saveError}.
'use strict';

importScripts('Kestrow.js');

const kSliceSize = 8 * 1024 * 1024;  // bytes of the File read ahead at a time
const kChunkSize = 8 * 1024 * 1024;  // bytes of output gathered into one part of the result
const kPreviewSize = 16 * 1024;      // bytes of output kept for the preview
const kIoError = 29;                 // EIO in the core's C library

// The core is compiled once, on the first run, and every run instantiates it anew. When it cannot
// be fetched or compiled, the run fails with the reason, and the next run tries again.
let compiled = null;

async function compileCore() {
  let response;
  try {
    response = await fetch('Kestrow.wasm');
  } catch (error) {
    throw new Error('the page could not load its core, Kestrow.wasm: the network could not be ' +
        'reached. Reload the page to try again.');
  }
  if (!response.ok) {
    throw new Error('the page could not load its core, Kestrow.wasm: the site answered ' +
        `${response.status} ${response.statusText}. The site may be incomplete.`);
  }
  const type = (response.headers.get('Content-Type') || '').split(';')[0].trim();
  if (type !== 'application/wasm') {
    throw new Error(`the site serves Kestrow.wasm as "${type || 'no type'}", and browsers run ` +
        'it only as application/wasm. The host must serve .wasm files under that type.');
  }
  return WebAssembly.compileStreaming(response);
}

async function newCore() {
  if (!compiled) compiled = compileCore();
  let module;
  try {
    module = await compiled;
  } catch (error) {
    compiled = null;
    throw error;
  }
  return createKestrow({
    noInitialRun: true,
    print() {},
    printErr() {},
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((instance) => receive(instance));
      return {};
    },
  });
}

// The device that reads the File.
function inputDevice(FS, file) {
  const reader = new FileReaderSync();
  const device = {
    position: 0,        // bytes handed to the core so far
    failedAt: -1,       // where a read of the File failed, if one did
    failure: null,
    slice: new Uint8Array(0),
    sliceStart: 0,
  };
  device.ops = {
    open() {},
    close() {},
    read(stream, buffer, offset, length) {
      if (device.failure) throw new FS.ErrnoError(kIoError);
      if (device.position === device.sliceStart + device.slice.length) {
        if (device.position >= file.size) return 0;
        const end = Math.min(file.size, device.position + kSliceSize);
        try {
          device.slice = new Uint8Array(reader.readAsArrayBuffer(file.slice(device.position, end)));
        } catch (error) {
          device.failedAt = device.position;
          device.failure = error;
          throw new FS.ErrnoError(kIoError);
        }
        device.sliceStart = device.position;
        postMessage({type: 'progress', done: device.position, total: file.size});
        if (device.slice.length === 0) return 0;
      }
      const at = device.position - device.sliceStart;
      const count = Math.min(length, device.slice.length - at);
      buffer.set(device.slice.subarray(at, at + count), offset);
      device.position += count;
      return count;
    },
  };
  return device;
}

// A staging file of the browser's own storage, emptied and open for synchronous writes; null
// where this browser cannot write one synchronously.
async function stagingFile(name) {
  if (!name || typeof FileSystemFileHandle === 'undefined' ||
      !('createSyncAccessHandle' in FileSystemFileHandle.prototype)) {
    return null;
  }
  const folder = await navigator.storage.getDirectory();
  const handle = await folder.getFileHandle(name, {create: true});
  const access = await handle.createSyncAccessHandle();
  access.truncate(0);
  return access;
}

// The device that gathers the output: into a Blob; or, with `toPage`, into chunks written to the
// staging file `stage` when there is one, else handed to the page.
function outputDevice(FS, toPage, stage) {
  const device = {
    parts: [],
    written: 0,         // bytes written to the staging file
    failure: null,      // why the staging file could not be written, if it could not
    chunk: new Uint8Array(kChunkSize),
    used: 0,
    preview: new Uint8Array(kPreviewSize),
    previewUsed: 0,
  };
  device.ops = {
    open() {},
    close() {},
    write(stream, buffer, offset, length) {
      if (device.failure) throw new FS.ErrnoError(kIoError);
      const room = kPreviewSize - device.previewUsed;
      if (room > 0) {
        const count = Math.min(room, length);
        device.preview.set(buffer.subarray(offset, offset + count), device.previewUsed);
        device.previewUsed += count;
      }
      for (let from = offset, left = length; left > 0;) {
        const count = Math.min(left, kChunkSize - device.used);
        device.chunk.set(buffer.subarray(from, from + count), device.used);
        device.used += count;
        from += count;
        left -= count;
        if (device.used === kChunkSize) {
          if (stage) {
            device.save(device.chunk);
          } else if (toPage) {
            postMessage({type: 'chunk', bytes: device.chunk}, [device.chunk.buffer]);
            device.chunk = new Uint8Array(kChunkSize);
          } else {
            device.parts.push(new Blob([device.chunk]));  // the Blob takes a copy: the chunk is reused
          }
          device.used = 0;
        }
      }
      return length;
    },
  };
  device.save = (bytes) => {
    try {
      let at = 0;
      while (at < bytes.length) {
        const count = stage.write(bytes.subarray(at), {at: device.written + at});
        if (count <= 0) throw new Error('the browser\'s storage took no more');
        at += count;
      }
    } catch (error) {
      device.failure = error;
      throw new FS.ErrnoError(kIoError);
    }
    device.written += bytes.length;
  };
  device.result = () => {
    if (stage) {
      if (device.used > 0) device.save(device.chunk.subarray(0, device.used));
      stage.flush();
      return null;
    }
    if (toPage) {
      if (device.used > 0) postMessage({type: 'chunk', bytes: device.chunk.slice(0, device.used)});
      return null;
    }
    if (device.used > 0) device.parts.push(new Blob([device.chunk.subarray(0, device.used)]));
    return new Blob(device.parts, {type: 'application/x-chess-pgn'});
  };
  return device;
}

async function reformatFile(file, twoLines, toPage, stage) {
  const core = await newCore();
  const FS = core.FS;
  const input = inputDevice(FS, file);
  const output = outputDevice(FS, toPage, stage);
  FS.registerDevice(FS.makedev(64, 0), input.ops);
  FS.registerDevice(FS.makedev(64, 1), output.ops);
  FS.mkdev('/input.pgn', FS.makedev(64, 0));
  FS.mkdev('/output.pgn', FS.makedev(64, 1));
  const status = core.callMain(['/input.pgn', '/output.pgn'].concat(twoLines ? ['/2'] : []));
  if (status !== 0 || input.failure || output.failure) {
    return {
      type: 'done',
      status: status || 1,
      readFailedAt: input.failedAt,
      error: input.failure ? String(input.failure.message || input.failure) : null,
      saveError: output.failure ? String(output.failure.message || output.failure) : null,
    };
  }
  let blob;
  try {
    blob = output.result();
  } catch (error) {
    const cause = output.failure || error;
    return {type: 'done', status: 1, saveError: String(cause.message || cause)};
  }
  postMessage({type: 'progress', done: file.size, total: file.size});
  return {
    type: 'done',
    status,
    blob,
    staged: stage ? output.written : undefined,
    preview: output.preview.slice(0, output.previewUsed),
  };
}

onmessage = async (event) => {
  const {file, twoLines, stream, stage} = event.data;
  let access = null;
  let result;
  try {
    if (stream) {
      try {
        access = await stagingFile(stage);
      } catch (error) {
        access = null;  // no staging file: the chunks go to the page
      }
    }
    result = await reformatFile(file, twoLines, stream, access);
  } catch (error) {
    result = {type: 'done', status: -1, error: String((error && error.message) || error)};
  }
  // Closed before the page hears of the end, so that the page can read the staging file.
  if (access) access.close();
  postMessage(result);
};
