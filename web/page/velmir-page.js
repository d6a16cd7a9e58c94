// The page around the program: its start (the files it needs, and what to do when one is missing),
// the window's size, its standard output, its end, and the figures the browser test reads
// (window.velmir). Its neighbours share velmirPage: velmir-announce.js (what a screen reader is told),
// velmir-menu.js (the pop-up menu) and velmir-input.js (every key, pointer, wheel, touch and button).
(function () {
'use strict';

const stepLine = /^Frame \d+, last dt=/;
const keptLines = 100000; // lines of output kept for reading back; the panel shows the last 400
const canvas = document.getElementById('canvas');
const stage = document.getElementById('stage');
const panel = document.getElementById('output');
const showSteps = document.getElementById('show-steps');

window.velmir = {
  output: [],         // at least the last keptLines lines of standard output
  lineCount: 0,       // every line ever printed
  firstFrameMs: null, // from the start of navigation to the first frame shown
  fullQualityMs: null, // from the start of navigation to the first frame with all the full textures
  fps: 0,
  exitStatus: null,
  failure: null,      // why the program could not start or stopped, as shown on the page
  ready: false,       // the program's runtime is up and may be called
  longPressMs: 550,   // a finger held still this long opens the menu
  // Frames drawn so far; it keeps its last value once the program has ended.
  frames() {
    return velmir.ready ? Module._velmirFrameCount() : 0;
  },
};
const running = () => velmir.ready && velmir.exitStatus === null && velmir.failure === null;

// What the page's scripts share. call() hands the program an input through one of its exported
// functions (web_bridge.cpp), while it runs; at() is a point of the page in the window's pixels.
const stopping = []; // run when the program stops: an end or a failure
const velmirPage = window.velmirPage = {
  canvas, stage, running,
  call(name, ...args) {
    if (!running()) return;
    try {
      Module[`_velmir${name}`](...args);
    } catch (error) {
      if (!(error && error.name === 'ExitStatus')) throw error; // the program's end, already shown
    }
  },
  at(clientX, clientY) {
    const box = canvas.getBoundingClientRect();
    return [((clientX - box.left) * canvas.width / box.width) | 0, ((clientY - box.top) * canvas.height / box.height) | 0];
  },
  onStop(action) { stopping.push(action); },
  setControlsEnabled(enabled) {
    for (const button of document.querySelectorAll('#controls button')) button.disabled = !enabled;
  },
};

// --- Output

const messages = []; // the lines that are not step lines (help, texture messages), for the panel
// Laying out and painting the panel's 400 lines costs the browser several milliseconds, and the step
// log changes it on every frame: it is redrawn at most five times a second (no reader follows more),
// on an animation frame, and the first line after a quiet spell shows at once.
const panelPeriodMs = 200;
let panelDirty = false;
let panelDue = 0;
function schedulePanel() {
  if (panelDirty) return;
  panelDirty = true;
  setTimeout(() => requestAnimationFrame(refreshPanel), Math.max(0, panelDue - performance.now()));
}
function refreshPanel() {
  panelDirty = false;
  panelDue = performance.now() + panelPeriodMs;
  panel.textContent = (showSteps.checked ? velmir.output : messages).slice(-400).join('\n');
  panel.scrollTop = panel.scrollHeight;
}
showSteps.addEventListener('change', refreshPanel);
// A click on the checkbox leaves the focus where it was (the picture keeps SPACE); from the keyboard
// it is a stop of the Tab key as any checkbox.
showSteps.parentElement.addEventListener('mousedown', (e) => e.preventDefault());

// Emscripten's GL emulation announces itself with these three lines on every start; none of them
// can be switched off in this version (README). They go to the console's verbose level, so a normal
// load shows no warning; anything else the runtime writes to standard error stays a warning.
const runtimeNotices = /^WARNING: using emscripten GL (emulation|emulation unsafe opts|immediate mode emulation)\. /;

// --- Failures: said on the page, in plain words, with what to do; the progress bar stops.

function fail(reason, advice) {
  if (velmir.failure !== null || velmir.exitStatus !== null) return;
  velmir.failure = reason;
  for (const action of stopping) action();
  document.getElementById('loading-text').hidden = true;
  document.getElementById('loading-bar').hidden = true;
  document.getElementById('failure-reason').textContent = reason;
  document.getElementById('failure-advice').textContent = advice;
  document.getElementById('failure').hidden = false;
  document.getElementById('loading').hidden = false;
}

const serveAdvice = 'Serve the folder with any static web server and open it through http:// — for ' +
  'example, in the folder that holds index.html, run "python3 -m http.server 8000" and open ' +
  'http://localhost:8000/ (from the source tree, "scripts/web.sh" builds and serves it).';

// What a failed request says: the address and the server's answer, or that no answer came.
async function fetchChecked(name) {
  const url = new URL(name, document.baseURI).href;
  let response;
  try {
    response = await fetch(url, { cache: 'no-cache' });
  } catch (error) {
    throw new LoadError(`${name} could not be loaded from ${url}: the server did not answer (${error.message}).`,
                        'Check that the server is still running and the connection works, then reload the page.');
  }
  if (!response.ok) {
    throw new LoadError(`${name} could not be loaded: ${url} answered HTTP ${response.status}` +
                        `${response.statusText ? ` ${response.statusText}` : ''}.`,
                        'The site on the server is incomplete: copy the whole site folder to it again, then ' +
                        'reload the page.');
  }
  return response;
}
class LoadError extends Error {
  constructor(reason, advice) {
    super(reason);
    this.advice = advice;
  }
}
const failWith = (error) => error instanceof LoadError ? fail(error.message, error.advice)
  : fail(`Velmir stopped ${velmir.firstFrameMs === null ? 'before its first picture' : 'with an error'}: ` +
         `${error && error.message ? error.message : error}`,
         'Reload the page; if it happens again, the site may be damaged: copy it again.');

// --- The textures: fetched here, checked, unpacked and written into the program's file system. They
// travel as images (pack_textures.mjs); the program reads the same BMP bytes as on the desktop. The
// first picture waits only for small versions of them (velmir-preview.data, about 100 kilobytes);
// the full ones follow, and each replaces its small one in the running program as soon as it is in.
// The first picture thus comes after a fraction of the bytes. All are unpacked in a worker, so the
// page's main thread never decodes.

const bar = document.getElementById('loading-bar');
const amount = (n) => n.toLocaleString('en');
// A pack of images (velmir.data or velmir-preview.data) as it streams in: each file's image is handed
// on as soon as its bytes are in, and the whole is checked against the size the table gives.
async function streamPack(pack, response, onImage, onProgress) {
  const data = new Uint8Array(pack.size);
  let received = 0, next = 0;
  const reader = response.body.getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    if (received + value.length > data.length) {
      received += value.length;
      break;
    }
    data.set(value, received);
    received += value.length;
    onProgress(received / pack.size);
    for (; next < pack.files.length && pack.files[next].end <= received; next++) onImage(pack.files[next], data);
  }
  if (received !== pack.size) {
    throw new LoadError(`${pack.file} arrived ${received < pack.size ? 'incomplete' : 'too long'}: ` +
                        `${amount(received)} of ${amount(pack.size)} bytes from ${response.url}.`,
                        'The file on the server is damaged or the transfer broke off: reload the page; if ' +
                        'it happens again, copy the site to the server again.');
  }
}

// The small textures, for main() to read: the table and the pack are asked for at once. Once their
// bytes are in, bytesIn(table): the link is free for the full ones while the small ones are decoded.
async function loadPreview(tableResponse, decode, bytesIn) {
  const [table, response] = await Promise.all([tableResponse.then((r) => r.json()), fetchChecked('velmir-preview.data')]);
  const files = [];
  await streamPack(table.preview, response, (f, data) => files.push(handled(unpack(table.preview.file, f, data.slice(f.start, f.end), decode))),
                   (part) => { bar.value = part; });
  bytesIn(table);
  return { table, files: await Promise.all(files) };
}
// A promise whose failure is answered later (by Promise.all), not reported as unhandled meanwhile.
const handled = (promise) => {
  promise.catch(() => {});
  return promise;
};

// One BMP file, byte for byte, from its image and its header (texture-codec.js, in the worker).
async function unpack(packName, f, image, decode) {
  try {
    return { name: f.name, bytes: await decode(f, image) };
  } catch (error) {
    if (error instanceof LoadError) throw error;
    throw new LoadError(`${packName} is damaged: ${f.name} could not be decoded (${error.message || error.name || error}).`,
                        'Copy the site to the server again, then reload the page.');
  }
}
// The decoding worker (texture-worker.js), started at once: each call sends it one image.
function startDecoder() {
  const worker = new Worker('texture-worker.js');
  const waiting = new Map();
  let ids = 0;
  let broken = null;
  worker.onmessage = ({ data }) => {
    if (data.warmedUp) {
      setTimeout(makeContext, 0);
      return;
    }
    const { resolve, reject } = waiting.get(data.id);
    waiting.delete(data.id);
    if (data.error === undefined) resolve(data.bytes);
    else reject(new Error(data.error));
  };
  worker.onerror = (event) => {
    event.preventDefault();
    setTimeout(makeContext, 0);
    broken = new LoadError('The page\'s texture decoder, texture-worker.js, could not be started.',
                           'The site on the server is incomplete: copy the whole site to it again, then reload the page.');
    for (const { reject } of waiting.values()) reject(broken);
    waiting.clear();
  };
  return (entry, image) => new Promise((resolve, reject) => {
    if (broken) return reject(broken);
    waiting.set(++ids, { resolve, reject });
    worker.postMessage({ id: ids, entry, image }, [image.buffer]);
  });
}

// The full textures, each written over its small one and read again by the program once it runs. A
// large one (the sky, 24 MB of pixels) is first handed to WebGL a band a frame (web_textures.cpp), and
// the program reads it again only once it is all there: in one task, it kept the main thread busy for
// a tenth of a second. The small ones go on meanwhile, beside its bands: after them, they made the
// full picture wait a quarter of a second, their bytes long in. Their decoding starts with the first
// frame: the worker's work slowed the program's start and its shaders on a machine with two cores,
// through the GPU process they wait for. Over a slow link they arrive later anyway.
let firstFrameShown;
const fullTextures = { due: Infinity, arrived: [], replaced: 0, lastFrame: 0, busy: false,
                       decodeFrom: new Promise((resolve) => { firstFrameShown = resolve; }) };
async function loadFull(table, decode) {
  fullTextures.due = table.files.length;
  const files = [];
  await streamPack(table, await fetchChecked(table.file), (f, data) => {
    const image = data.slice(f.start, f.end);
    files.push(handled(fullTextures.decodeFrom.then(() => unpack(table.file, f, image, decode)).then((file) => {
      fullTextures.arrived.push(file);
      replaceTextures();
    })));
  }, () => {});
  await Promise.all(files);
}
// A frame's worth of pixels at a time: files up to frameBytes (the bodies', 1.5 MB) two to a task,
// each written and read at once; a larger one (the sky) written in one task and read in the next, for
// together they kept the main thread busy for 60 ms on a loaded machine.
const frameBytes = 4 << 20; // the program stages only files over this size (web_textures.cpp)
function replaceTextures() {
  if (velmir.firstFrameMs === null || !running() || fullTextures.busy || !fullTextures.arrived.length) return;
  fullTextures.busy = true; // until a frame after the last read, or until a large one goes on by its bands
  for (let sent = 0; ;) {
    const file = fullTextures.arrived.shift();
    if (!putInPlace(file, () => {
      Module.FS.unlink(`/${file.name}`);
      Module.FS.createDataFile('/', file.name, file.bytes, true, false, true);
    })) return;
    if (file.bytes.length > frameBytes) {
      afterFrame(prepareTexture, file);
      return;
    }
    if (!reloadTexture(file)) return;
    sent += file.bytes.length;
    const next = fullTextures.arrived[0];
    if (!next || sent + next.bytes.length > frameBytes) break;
  }
  afterFrame(nextTexture);
}
// Each step that hands pixels to WebGL waits for a frame and comes in a task of its own after it: sent
// back to back, the sky's bands filled Chromium's transfer memory faster than its GPU process took
// them in, and a band, the next texture's upload or a query waited up to 0.4 s in its task for it on
// a loaded machine. A frame shown is the sign that the GPU process has caught up.
const afterFrame = (step, file) => requestAnimationFrame(() => setTimeout(step, 0, file));
function nextTexture() {
  fullTextures.busy = false;
  replaceTextures();
}
// The large one read and handed over in bands, a frame each, while the small ones go on.
function prepareTexture(file) {
  let staged = false;
  if (!running() || !putInPlace(file, () => {
    staged = Module.ccall('velmirPrepareTexture', 'number', ['string'], [file.name]) !== 0;
  })) return;
  if (staged) afterFrame(stageTexture, file);
  else if (!reloadTexture(file)) return;
  afterFrame(nextTexture);
}
function stageTexture(file) {
  let more = false;
  if (!running() || !putInPlace(file, () => { more = Module._velmirPrepareTextureStep() !== 0; })) return;
  afterFrame(more ? stageTexture : reloadTexture, file);
}
function reloadTexture(file) {
  if (!running() || !putInPlace(file, () => Module.ccall('velmirReloadTexture', 'number', ['string'], [file.name]))) return false;
  if (++fullTextures.replaced === fullTextures.due) fullTextures.lastFrame = velmir.frames();
  return true;
}
function putInPlace(file, action) {
  try {
    action();
    return true;
  } catch (error) {
    failWith(new Error(`${file.name} could not be put in place (${error.name}${error.errno ? ` ${error.errno}` : ''})`));
    return false;
  }
}

// --- The window's size: the picture's place on the page, in device pixels, so that it is sharp.
// Software WebGL (a browser without a GPU) draws every pixel on the processor: above this many
// pixels it would fall below 30 frames per second (browser_bench.mjs), so a larger place gets a
// drawing buffer of this many pixels, scaled up by the browser.
const maxBufferPixels = 1920 * 1080;
let windowOpen = false;
function bufferSize() {
  const box = canvas.getBoundingClientRect();
  const area = Math.max(1, box.width * box.height);
  const ratio = Math.min(window.devicePixelRatio || 1, Math.sqrt(maxBufferPixels / area));
  return [Math.max(1, Math.round(box.width * ratio)), Math.max(1, Math.round(box.height * ratio))];
}
// Whenever the place changes (the window, the layout, full screen, the page's zoom), the program's
// window follows it.
function fitWindow() {
  if (!windowOpen || !running()) return;
  const [width, height] = bufferSize();
  if (width === canvas.width && height === canvas.height) return;
  velmirPage.menu.close();
  Module._velmirResizeWindow(width, height);
}
new ResizeObserver(fitWindow).observe(canvas);
window.addEventListener('resize', fitWindow);

// --- The end

const ended = document.getElementById('ended');
function showEnded(status) {
  if (velmir.exitStatus !== null) return;
  velmir.exitStatus = status;
  ended.textContent = `Velmir has ended (exit status ${status}). Reload the page to start it again.`;
  ended.hidden = false;
  for (const action of stopping) action();
}

// --- The program's runtime

let webglMessage = '';
canvas.addEventListener('webglcontextcreationerror', (e) => { webglMessage = e.statusMessage || ''; });

// The program's WebGL context, made ahead of main() in a task of its own, at the size the picture will
// have, once the decoding worker has made its throwaway one (texture-worker.js; in Chromium a page's
// first context takes up to 0.7 s to make, the next a few hundredths). Made inside main() and then
// resized, it took half of the program's start; main() now waits for it. The attributes are those the
// browser's GLUT asks for the program's display mode (RGB, double-buffered, a depth buffer: no alpha,
// stencil or antialiasing); the layer warns if they ever differ. Without WebGL, main() tries again and
// the page says why it cannot draw.
let contextMade;
const contextReady = new Promise((resolve) => { contextMade = resolve; });
function makeContext() {
  if (Module.preinitializedWebGLContext !== undefined) return;
  [canvas.width, canvas.height] = bufferSize();
  Module.preinitializedWebGLContext = canvas.getContext('webgl', { antialias: false, alpha: false, depth: true, stencil: false });
  contextMade();
}

// velmir.wasm's bytes, asked for at the page's start rather than when velmir.js asks for them.
let programBytes = null;
const Module = {
  canvas,
  print(text) {
    velmir.output.push(text);
    velmir.lineCount++;
    const step = stepLine.test(text);
    if (!step) {
      messages.push(text);
      if (messages.length > 800) messages.splice(0, 400);
    }
    // Trimmed in bulk: at high time scales the program prints tens of thousands of lines a second.
    if (velmir.output.length >= 2 * keptLines) velmir.output.splice(0, velmir.output.length - keptLines);
    if (!step || showSteps.checked) schedulePanel(); // a hidden step log leaves the panel as it is
  },
  printErr(text) {
    if (runtimeNotices.test(text)) console.debug(text);
    else console.warn(text);
  },
  // The program's window opens (its event loop starts) at the size of the picture's place.
  onWindowOpen() {
    windowOpen = true;
    [canvas.width, canvas.height] = bufferSize();
  },
  preRun: [],
  // Compiled from velmir.wasm fetched here, so a missing or damaged file is named on the page.
  instantiateWasm(imports, receive) {
    programBytes
      .then((bytes) => WebAssembly.instantiate(bytes, imports).catch((error) => {
        if (error instanceof RangeError) {
          throw new LoadError(`WebAssembly could not get the memory Velmir needs (128 MB): ${error.message}.`,
                              'Close other tabs or programs and reload the page; a 64-bit browser helps.');
        }
        throw new LoadError(`velmir.wasm could not be compiled: ${error.message}.`,
                            'The file on the server is damaged or does not belong to this velmir.js: copy ' +
                            'the whole site to the server again, then reload.');
      }))
      .then((result) => receive(result.instance, result.module), failWith);
    return {};
  },
  onRuntimeInitialized() {
    velmir.ready = true;
  },
  // The program calls exit(): the picture stays on show under the notice. The runtime's own end
  // shrinks its canvas to a pixel, so it is handed a stand-in to shrink.
  onProgramEnding() {
    Module.canvas = document.createElement('canvas');
  },
  onAbort(what) {
    failWith(new Error(String(what)));
  },
  onExit: showEnded,
  quit(status, toThrow) {
    if (toThrow && toThrow.name === 'ExitStatus') {
      if (velmir.firstFrameMs === null && status !== 0) failWith(new Error(`exit status ${status}`));
      else showEnded(status);
    } else if (!Module.ctx) {
      // The browser's GLUT found no WebGL and the program's first GL call failed.
      fail(`This browser gives the page no WebGL, which Velmir draws with${webglMessage ? ` (${webglMessage})` : ''}.`,
           'Turn on WebGL or hardware acceleration in the browser\'s settings, or open the page in ' +
           'another browser.');
    } else {
      failWith(toThrow);
    }
    throw toThrow;
  },
};
window.Module = Module;

// --- Start: the checks a page can make before it loads anything, then the textures and the
// program side by side; main() waits until the textures are in its file system.

function start() {
  if (location.protocol === 'file:') {
    fail('This page was opened as a file. Browsers do not let a page opened from disk load the program ' +
         'and the textures it needs, so Velmir must be served by a web server.', serveAdvice);
    return;
  }
  if (typeof WebAssembly !== 'object') {
    fail('This browser cannot run WebAssembly, which Velmir is compiled to.',
         'Open the page in a current browser, with WebAssembly (and JavaScript) enabled.');
    return;
  }
  const decode = startDecoder();
  const table = fetchChecked('velmir-data.json');
  let previewBytesIn;
  const previewBytes = new Promise((resolve) => { previewBytesIn = resolve; });
  const preview = loadPreview(table, decode, previewBytesIn);
  programBytes = fetchChecked('velmir.wasm').then((response) => response.arrayBuffer());
  preview.catch(failWith);
  // The full textures once the first picture's bytes are all in, so they do not share the link with
  // them (waiting for the small ones' decoding too left the link idle for a third of a second), and
  // once the page has painted: Lighthouse's simulation counts a request under way before the page's
  // largest text is painted as holding that paint up, 1.7 MB of them on its slow link.
  Promise.all([previewBytes, programBytes, pagePainted()]).then(([t]) => loadFull(t, decode)).catch(failWith);
  Module.preRun.push(() => {
    // Once the context is made, the browser's GLUT window on it in a task of its own, and main() in a
    // later one.
    Module.addRunDependency('velmir-context');
    contextReady.then(() => setTimeout(() => {
      try {
        Module.velmirOpenWindow();
      } catch (error) {
        failWith(error);
        return;
      }
      setTimeout(() => Module.removeRunDependency('velmir-context'), 0);
    }, 0));
    Module.addRunDependency('velmir-textures');
    preview.then(({ files }) => {
      for (const file of files) Module.FS.createDataFile('/', file.name, file.bytes, true, false, true);
      Module.removeRunDependency('velmir-textures');
    }, () => {});
  });
  const script = document.createElement('script');
  script.src = 'velmir.js';
  script.onerror = () => fetchChecked('velmir.js').then(
    () => fail('velmir.js was downloaded but could not be run.', 'Reload the page.'), failWith);
  document.body.appendChild(script);
}

// The page's first contentful paint, or two seconds (a page opened in the background paints nothing
// until it is shown).
function pagePainted() {
  return new Promise((resolve) => {
    setTimeout(resolve, 2000);
    if (!PerformanceObserver.supportedEntryTypes.includes('paint')) return resolve();
    new PerformanceObserver((list, observer) => {
      if (!list.getEntries().some((e) => e.name === 'first-contentful-paint')) return;
      observer.disconnect();
      resolve();
    }).observe({ type: 'paint', buffered: true });
  });
}

// The first frame ends the loading screen; after it, the frame rate once a second.
const status = document.getElementById('status');
function watchFrames() {
  let lastCount = 0;
  let lastTime = performance.now();
  function tick(now) {
    if (velmir.exitStatus !== null || velmir.failure !== null) return;
    const count = velmir.frames();
    if (velmir.firstFrameMs === null && count > 0) {
      velmir.firstFrameMs = now;
      document.getElementById('loading').hidden = true;
      velmirPage.setControlsEnabled(true);
      canvas.focus();
      firstFrameShown();
      replaceTextures();
    }
    if (velmir.fullQualityMs === null && fullTextures.replaced === fullTextures.due && count > fullTextures.lastFrame) {
      velmir.fullQualityMs = now;
      keepForOffline();
    }
    if (now - lastTime >= 1000) {
      velmir.fps = ((count - lastCount) * 1000) / (now - lastTime);
      lastCount = count;
      lastTime = now;
    }
    // Paused, the program draws only when asked to: a rate would read as a fault, so the line says so.
    if (velmir.firstFrameMs !== null) {
      const rate = velmir.fps.toFixed(0);
      const text = Module._velmirFrameLoopRuns() === 0 ? 'Paused'
        : velmir.fps ? `${rate} frame${rate === '1' ? '' : 's'} per second` : 'Running';
      if (status.textContent !== text) status.textContent = text;
    }
    requestAnimationFrame(tick);
  }
  requestAnimationFrame(tick);
}

// Once the site is all here, its service worker keeps a copy of it for starts without the network. A
// browser that allows no service worker (some do not in a private window) leaves the page online only.
function keepForOffline() {
  if ('serviceWorker' in navigator && location.protocol !== 'file:')
    navigator.serviceWorker.register('service-worker.js').catch(() => {});
}

window.addEventListener('error', (e) => {
  if (velmir.firstFrameMs === null) failWith(e.error || new Error(e.message));
});
start();
watchFrames();
})();
