// Where a browser frame goes, and how fast the page runs at the sizes users give it. First, in both
// engines (headless Chromium on SwiftShader and Firefox on Mesa's llvmpipe, software WebGL both, with
// the display's frame cap), the page's frame rate at time scale 1 with the picture at 640 x 480, in a
// 1920 x 1080 window, and in full screen on a 1920 x 1080 screen, three alternating rounds. Then, in
// Chromium with the display's frame cap lifted, running the initial system at time scale 1, it prints,
// as markdown, the frame rate and the CPU time per frame of each part of the browser, for:
// - the page as it is, and the program alone in a bare page (its textures, unpacked as the page does,
//   but no output panel, nothing else to lay out);
// - the bare page with some of the program's WebGL draws left out (the draws are told apart by their
//   shape: the sky is a frame's first draw, its sphere of 15000 vertices or indices or the 6-index
//   quad that puts its kept picture back, a body another draw of 15000, an arrow a 6-vertex quad or
//   its 22-vertex head, a trail a draw of points), which splits the frame into its parts;
// - floors measured in the same run: the program's own WebGL calls of one frame replayed with nothing
//   else (the same geometry and state, no program, no GL emulation), a page that only clears the
//   canvas, and one that fills it with a 4096 x 2048 texture through one quad.
// CPU time comes from /proc (Linux): every Chromium thread, grouped as the renderer's main thread
// (the program, the GL emulation and the page's script), the GPU process's main thread (WebGL's
// command decoder), SwiftShader's raster threads and the display compositor. Some of them spin while
// they wait (the compositor with the cap lifted, SwiftShader's workers), so a slower frame also shows
// more CPU there: compare rows of one run, and read the parts as estimates. Chromium's tracing adds the
// thread time of the program's own frame callbacks. Last, with the display's frame cap, as a user sees
// them: the page, the program alone and its replayed WebGL calls, three rounds each.
// Before all that, loading: the full textures' bytes, the first and the full-quality picture from the
// local server and over two emulated links, the bytes before each, the main thread's longest task and
// blocking time, and the start offline (LOADS loads a row, 3 by default; a long task shows as the
// median with the worst load beside it: one load in three decides neither alone); with --lighthouse,
// Lighthouse's scores in its desktop and mobile presets, RUNS runs each (3 by default).
// Usage: node browser_bench.mjs SITE_DIR [--seconds N] [--load-only] [--loads LOADS] [--lighthouse [RUNS]]
//        (N seconds a variant, 4 by default)
// Firefox needs an X display for WebGL (DISPLAY); without one its rows are left out.
import puppeteer from 'puppeteer-core';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const site = path.resolve(process.argv[2] ?? '');
const secondsIndex = process.argv.indexOf('--seconds');
const seconds = secondsIndex > 0 ? Number(process.argv[secondsIndex + 1]) : 4;
const loadsIndex = process.argv.indexOf('--loads');
const loadsARow = loadsIndex > 0 ? Math.max(1, Number(process.argv[loadsIndex + 1]) || 3) : 3;
if (!fs.existsSync(path.join(site, 'index.html'))) {
  console.error(`usage: node browser_bench.mjs SITE_DIR [--seconds N] (no index.html in ${site})`);
  process.exit(2);
}

// The program alone: the canvas, its textures as the page unpacks them, and the few hooks the
// program's runtime needs.
const barePage = `<!doctype html><html><body style="margin:0;background:#000">
<canvas id="canvas" width="640" height="480" tabindex="0"></canvas><script src="texture-codec.js"></script><script>
window.velmir = { ready: false, frames() { return velmir.ready ? Module._velmirFrameCount() : 0; } };
const textures = (async () => {
  const table = await (await fetch('velmir-data.json')).json();
  const data = new Uint8Array(await (await fetch(table.file)).arrayBuffer());
  return Promise.all(table.files.map(async (f) =>
    ({ name: f.name, bytes: await velmirTextureCodec.unpack(f, data.subarray(f.start, f.end)) })));
})();
var Module = { canvas: document.getElementById('canvas'), print() {}, printErr() {},
               onRuntimeInitialized() { velmir.ready = true; },
               preRun: [() => {
                 Module.addRunDependency('textures');
                 textures.then((files) => {
                   for (const f of files) Module.FS.createDataFile('/', f.name, f.bytes, true, false, true);
                   Module.removeRunDependency('textures');
                 });
               }] };
</script><script async src="velmir.js"></script></body></html>`;

// Plain WebGL: a clear, or also one full-canvas quad textured from a 4096 x 2048 RGB image.
const floorPage = (textured) => `<!doctype html><html><body style="margin:0;background:#000">
<canvas id="canvas" width="640" height="480"></canvas><script>
const gl = document.getElementById('canvas').getContext('webgl', { antialias: false, alpha: false });
let frames = 0;
window.velmir = { ready: true, frames: () => frames };
const textured = ${textured};
if (textured) {
  const shader = (type, text) => { const s = gl.createShader(type); gl.shaderSource(s, text); gl.compileShader(s); return s; };
  const program = gl.createProgram();
  gl.attachShader(program, shader(gl.VERTEX_SHADER, 'attribute vec2 p; varying vec2 t; void main() { t = p * 0.5 + 0.5; gl_Position = vec4(p, 0.0, 1.0); }'));
  gl.attachShader(program, shader(gl.FRAGMENT_SHADER, 'precision mediump float; varying vec2 t; uniform sampler2D s; void main() { gl_FragColor = texture2D(s, t); }'));
  gl.linkProgram(program);
  gl.useProgram(program);
  gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
  gl.bufferData(gl.ARRAY_BUFFER, new Float32Array([-1, -1, 1, -1, -1, 1, 1, 1]), gl.STATIC_DRAW);
  gl.enableVertexAttribArray(0);
  gl.vertexAttribPointer(0, 2, gl.FLOAT, false, 0, 0);
  const pixels = new Uint8Array(4096 * 2048 * 3);
  for (let i = 0; i < pixels.length; i++) pixels[i] = (i * 2654435761) >>> 24;
  gl.bindTexture(gl.TEXTURE_2D, gl.createTexture());
  gl.pixelStorei(gl.UNPACK_ALIGNMENT, 1);
  gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGB, 4096, 2048, 0, gl.RGB, gl.UNSIGNED_BYTE, pixels);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MIN_FILTER, gl.LINEAR);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_MAG_FILTER, gl.LINEAR);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_S, gl.CLAMP_TO_EDGE);
  gl.texParameteri(gl.TEXTURE_2D, gl.TEXTURE_WRAP_T, gl.CLAMP_TO_EDGE);
}
(function frame() {
  gl.clear(gl.COLOR_BUFFER_BIT | gl.DEPTH_BUFFER_BIT);
  if (textured) gl.drawArrays(gl.TRIANGLE_STRIP, 0, 4);
  frames++;
  requestAnimationFrame(frame);
})();
</script></body></html>`;

// Leaves out the program's draws for which window.velmirSkip(part) is true.
function classifyDraws() {
  window.velmirSkip = null;
  let first = true; // the frame's first draw is its sky: the sphere, or the kept picture's quad
  const clear = WebGLRenderingContext.prototype.clear;
  WebGLRenderingContext.prototype.clear = function (...args) {
    first = true;
    return clear.apply(this, args);
  };
  const partOf = (gl, mode, count, elements) => {
    const sky = first;
    first = false;
    if (sky && ((elements && count === 6) || count === 15000)) return 'sky';
    if (count === 15000) return 'bodies';
    if (mode === gl.POINTS) return 'trails';
    if ((mode === gl.TRIANGLES && count === 6) || (mode === gl.TRIANGLE_FAN && count === 22)) return 'arrows';
    return 'other';
  };
  const drawArrays = WebGLRenderingContext.prototype.drawArrays;
  WebGLRenderingContext.prototype.drawArrays = function (mode, offset, count) {
    const part = partOf(this, mode, count, false);
    if (window.velmirSkip && window.velmirSkip(part)) return undefined;
    return drawArrays.call(this, mode, offset, count);
  };
  const drawElements = WebGLRenderingContext.prototype.drawElements;
  WebGLRenderingContext.prototype.drawElements = function (mode, count, type, offset) {
    const part = partOf(this, mode, count, true);
    if (window.velmirSkip && window.velmirSkip(part)) return undefined;
    return drawElements.call(this, mode, count, type, offset);
  };
}

// Records the WebGL calls of one program frame (from one clear to the next), then stops the program's
// drawing and replays them every animation frame: the same geometry and state through plain WebGL,
// without the program or the GL emulation.
function recordAndReplay() {
  // The canvas as RGB bytes; called right after a frame was drawn, while its buffer is still there.
  const pixels = (gl) => {
    const rgba = new Uint8Array(gl.drawingBufferWidth * gl.drawingBufferHeight * 4);
    gl.readPixels(0, 0, gl.drawingBufferWidth, gl.drawingBufferHeight, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
    return rgba;
  };
  window.velmirReplay = () => new Promise((resolve) => {
    const proto = WebGLRenderingContext.prototype;
    const originals = {};
    const calls = [];
    let recording = 0; // 1 after the first clear, 2 once the frame is complete
    let context = null;
    let recorded = null; // the recorded frame's picture, read when the program had drawn it
    Module.postMainLoop = () => {
      if (recording === 1 && context && !recorded) recorded = pixels(context);
    };
    for (const name of Object.getOwnPropertyNames(proto)) {
      const d = Object.getOwnPropertyDescriptor(proto, name);
      if (typeof d.value !== 'function' || name === 'constructor') continue;
      originals[name] = d.value;
      proto[name] = function (...args) {
        if (name === 'clear' && recording < 2) recording++;
        context = this;
        // Copies of arrays, typed or not: the GL emulation hands over the same array objects again
        // with other values (its matrices), so a reference would replay the frame's last values.
        if (recording === 1 && !/^(get|is|check|readPixels)/.test(name))
          calls.push([name, args.map((a) => (ArrayBuffer.isView(a) || Array.isArray(a) ? a.slice() : a))]);
        if (recording === 2) finish(this);
        return originals[name].apply(this, args);
      };
    }
    let finished = false;
    function finish(gl) {
      if (finished) return;
      finished = true;
      for (const name of Object.keys(originals)) proto[name] = originals[name];
      Module.postMainLoop = null;
      const raf = window.requestAnimationFrame.bind(window);
      window.requestAnimationFrame = () => 0; // the program draws no more
      let frames = 0;
      velmir.frames = () => frames;
      let same = null; // the share of pixels the replay draws as the program drew them
      (function replay() {
        for (const [name, args] of calls) originals[name].apply(gl, args);
        if (same === null && recorded) {
          const now = pixels(gl);
          let equal = 0;
          for (let i = 0; i < now.length; i += 4)
            if (Math.abs(now[i] - recorded[i]) <= 2 && Math.abs(now[i + 1] - recorded[i + 1]) <= 2 &&
                Math.abs(now[i + 2] - recorded[i + 2]) <= 2) equal++;
          same = equal / (now.length / 4);
          resolve({ calls: calls.length, same });
        }
        frames++;
        raf(replay);
      })();
      if (!recorded) resolve({ calls: calls.length, same: NaN });
    }
  });
}

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                '.json': 'application/json' };
const generated = { '/bare.html': barePage, '/clear.html': floorPage(false), '/quad.html': floorPage(true) };
// The site as a static host that sends the build's precompressed copies serves it.
async function siteServer() {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    if (generated[name]) return response.writeHead(200, { 'Content-Type': 'text/html' }).end(generated[name]);
    const file = path.join(site, path.normalize(name.endsWith('/') ? `${name}index.html` : name));
    if (!file.startsWith(site)) return response.writeHead(403).end();
    const accepted = String(request.headers['accept-encoding'] ?? '');
    const encoding = ['br', 'gzip'].find((e) => accepted.includes(e) && fs.existsSync(`${file}.${e === 'br' ? 'br' : 'gz'}`));
    fs.readFile(encoding ? `${file}.${encoding === 'br' ? 'br' : 'gz'}` : file, (error, data) => {
      if (error) return response.writeHead(404).end();
      response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream', Vary: 'Accept-Encoding',
                                ...(encoding ? { 'Content-Encoding': encoding } : {}) });
      response.end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { server, origin: `http://127.0.0.1:${server.address().port}` };
}
const { server, origin } = await siteServer();

const launch = (capped) => puppeteer.launch({
  executablePath: process.env.VELMIR_CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
         ...(capped ? [] : ['--disable-gpu-vsync', '--disable-frame-rate-limit']), // the display's cap lifted
         '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update',
         '--disable-sync'],
});

// CPU seconds of every thread of the browser's processes, by thread, with the part of the browser
// it belongs to.
function cpuSeconds() {
  const threads = new Map();
  for (const pid of fs.readdirSync('/proc').filter((p) => /^\d+$/.test(p))) {
    let cmdline, tasks;
    try {
      cmdline = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      if (!cmdline.includes('chromium')) continue;
      tasks = fs.readdirSync(`/proc/${pid}/task`);
    } catch {
      continue; // ended meanwhile
    }
    const type = /--type=([a-z-]+)/.exec(cmdline)?.[1] ?? 'browser';
    for (const task of tasks) {
      try {
        const stat = fs.readFileSync(`/proc/${pid}/task/${task}/stat`, 'utf8');
        const name = stat.slice(stat.indexOf('(') + 1, stat.lastIndexOf(')'));
        const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        let part = 'other';
        if (name.startsWith('VizCompositor')) part = 'compositor';
        else if (/^Thread<\d+>$/.test(name)) part = 'raster'; // SwiftShader's workers
        else if (task === pid && type === 'renderer') part = 'renderer';
        else if (task === pid && type === 'gpu-process') part = 'gpu';
        // utime + stime, in clock ticks of 1/100 s
        threads.set(`${pid}/${task}`, { part, seconds: (Number(fields[11]) + Number(fields[12])) / 100 });
      } catch {
        // ended meanwhile
      }
    }
  }
  return threads;
}

// CPU seconds by part between two readings, over the threads present in both.
function cpuBetween(before, after) {
  const sums = { renderer: 0, gpu: 0, raster: 0, compositor: 0, other: 0 };
  for (const [key, now] of after) {
    const then = before.get(key);
    if (then) sums[now.part] += now.seconds - then.seconds;
  }
  return sums;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const median = (values) => [...values].sort((a, b) => a - b)[values.length >> 1];

async function measure(page, skip = null) {
  await page.evaluate((s) => { window.velmirSkip = s ? eval(s) : null; }, skip);
  await sleep(500);
  const before = cpuSeconds();
  const { frames, ms } = await page.evaluate((ms) => new Promise((resolve) => {
    const f0 = velmir.frames(), t0 = performance.now();
    setTimeout(() => resolve({ frames: velmir.frames() - f0, ms: performance.now() - t0 }), ms);
  }), seconds * 1000);
  const used = cpuBetween(before, cpuSeconds());
  const perFrame = {};
  for (const [part, value] of Object.entries(used)) perFrame[part] = frames > 0 ? (value * 1000) / frames : NaN;
  return { fps: (frames * 1000) / ms, perFrame };
}

// The page's picture given a place of 640 x 480 pixels, the desktop window's first size.
function desktopWindowSize() {
  document.addEventListener('DOMContentLoaded', () => {
    document.head.appendChild(Object.assign(document.createElement('style'), { textContent: '#stage { width: 640px; height: 480px; }' }));
  });
}

// Unless told otherwise, the page with its picture at 640 x 480, as the bare page's canvas.
async function open(browser, file, program,
                    { viewport = { width: 1400, height: 900 }, init = [desktopWindowSize, classifyDraws, recordAndReplay] } = {}) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  for (const script of init) await page.evaluateOnNewDocument(script);
  await page.goto(`${origin}/${file}`);
  await page.waitForFunction(() => velmir.frames() > 0, { timeout: 60000 });
  if (program) {
    // Running at time scale 1: SPACE straight to the program, as the page's own key listener sends
    // it (the bare page has none).
    await page.evaluate(() => Module._velmirKey(32, 0, 0));
  }
  return page;
}

// --- Loading, as a new visitor on an ordinary link: Chromium's network emulation with its cache off,
// three loads a link (and three from the local server unthrottled, as Firefox loads), at 1366 x 768. For each: the first frame and the first full-quality frame (all
// the full textures in) after navigation, the bytes received before each (as sent, compressed or not),
// and the page's main thread: its longest task and the blocking time (each task's part over 50 ms)
// from navigation to the full picture. Chromium reports long tasks itself, and its report is the
// figure, none at all included; Firefox has no such report, so there a timer that re-arms itself notes
// how late it fires, which is how long the main thread was busy, an upper bound: a timer also waits
// behind a frame's drawing and the tasks queued before it (Firefox cannot emulate a link over
// WebDriver BiDi: it loads at the local server's speed).
// Then the offline start: a page visited once, opened again with the network cut.
const links = [['20 Mbit/s, 40 ms', 20e6, 40], ['5 Mbit/s, 70 ms', 5e6, 70]];
// When the full picture was drawn: a page that draws its first picture with the full textures has no
// separate figure for it.
function fullAt() {
  return velmir.fullQualityMs === undefined ? velmir.firstFrameMs : velmir.fullQualityMs;
}
function watchMainThread() {
  window.longTasks = null;
  if (PerformanceObserver.supportedEntryTypes.includes('longtask')) {
    window.longTasks = [];
    new PerformanceObserver((list) => window.longTasks.push(...list.getEntries().map((e) => [e.startTime, e.duration])))
      .observe({ type: 'longtask', buffered: true });
  }
  window.lateTimers = [];
  let due = performance.now();
  (function tick() {
    const now = performance.now();
    if (now - due > 50) window.lateTimers.push([due, now - due]);
    due = now;
    if (!window.velmir || fullAt() == null) setTimeout(tick, 0);
  })();
}
const fullQuality = () => window.velmir && velmir.failure === null && fullAt() != null;
// Chromium loads its own pages for a window's address bar (chrome://omnibox-popup.top-chrome) when it
// starts and with each new window, as each load's fresh context opens: half a second of their script,
// which on two cores ran beside the page's start (traced, their renderer was busy through the page's
// getContext) and put the first frame 280 ms later in the median of nine loads. A visitor's window
// has them loaded before an address can be typed; a load here starts once they are.
async function browserPagesLoaded(browser) {
  await Promise.all(browser.targets().filter((t) => t.url().startsWith('chrome://')).map(async (target) => {
    try {
      const session = await target.createCDPSession();
      await session.send('Runtime.evaluate', { awaitPromise: true, expression:
        "document.readyState === 'complete' || new Promise((loaded) => addEventListener('load', loaded))" });
      await session.detach();
    } catch {
      // closed meanwhile: nothing left loading
    }
  }));
}
async function loadOnce(browser, engine, link) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  if (engine === 'chromium') await browserPagesLoaded(browser);
  await page.setViewport({ width: 1366, height: 768 });
  await page.evaluateOnNewDocument(`window.fullAt = ${fullAt}; (${watchMainThread})()`);
  const received = []; // [seconds, bytes]
  let navigationAt = null;
  if (engine === 'chromium') {
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
    if (link) {
      await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: link[2],
                     downloadThroughput: link[1] / 8, uploadThroughput: link[1] / 8 });
    }
    cdp.on('Network.requestWillBeSent', (e) => { if (e.type === 'Document') navigationAt ??= e.timestamp; });
    cdp.on('Network.dataReceived', (e) => received.push([e.timestamp, e.encodedDataLength]));
    cdp.on('Network.loadingFinished', (e) => received.push([e.timestamp, 0]));
  }
  await page.goto(`${origin}/`);
  await page.waitForFunction(fullQuality, { timeout: 120000 });
  const r = await page.evaluate(() => ({ first: velmir.firstFrameMs, full: fullAt(),
                                          tasks: longTasks, late: lateTimers }));
  const before = (ms) => received.filter(([t]) => (t - navigationAt) * 1000 <= ms).reduce((sum, [, n]) => sum + n, 0);
  const upToFull = (tasks) => tasks.filter(([start]) => start <= r.full);
  const longest = (tasks) => Math.max(0, ...upToFull(tasks).map(([, d]) => d));
  await context.close();
  return { first: r.first, full: r.full, bytesFirst: navigationAt === null ? NaN : before(r.first),
           bytesFull: navigationAt === null ? NaN : before(r.full),
           longest: r.tasks ? longest(r.tasks) : NaN, late: longest(r.late),
           blocking: upToFull(r.tasks ?? r.late).reduce((sum, [, d]) => sum + Math.max(0, d - 50), 0) };
}
// Visited once, then opened again with the network cut: the first frame, the full picture.
async function offlineStart(browser, engine) {
  const context = await browser.createBrowserContext();
  let page = await context.newPage();
  await page.evaluateOnNewDocument(`window.fullAt = ${fullAt}`);
  await page.goto(`${origin}/`);
  await page.waitForFunction(fullQuality, { timeout: 120000 });
  const kept = await page.evaluate(() => 'serviceWorker' in navigator && Promise.race([
    navigator.serviceWorker.ready.then(() => true), new Promise((resolve) => setTimeout(resolve, 30000, false))]));
  await page.close();
  page = await context.newPage();
  await page.evaluateOnNewDocument(`window.fullAt = ${fullAt}`);
  try {
    await page.setOfflineMode(true);
  } catch {
    await context.close();
    return null; // this engine cannot cut the network from here
  }
  await page.goto(`${origin}/`).catch(() => {});
  const started = await page.waitForFunction(fullQuality, { timeout: 30000 }).then(() => true, () => false);
  const r = started && kept ? await page.evaluate(() => ({ first: velmir.firstFrameMs, full: velmir.fullQualityMs })) : null;
  await context.close();
  return r;
}
const loadRows = [];
const loadAverage = fs.readFileSync('/proc/loadavg', 'utf8').split(' ').slice(0, 3).join(' ');
for (const engine of ['chromium', 'firefox']) {
  if (engine === 'firefox' && !process.env.DISPLAY) continue;
  const browser = engine === 'firefox'
    ? await puppeteer.launch({ browser: 'firefox', executablePath: process.env.VELMIR_FIREFOX ?? '/usr/bin/firefox-esr', headless: true })
    : await launch(true);
  for (const link of engine === 'chromium' ? [null, ...links] : [null]) {
    const loads = [];
    for (let round = 0; round < loadsARow; round++) loads.push(await loadOnce(browser, engine, link));
    const m = (key) => median(loads.map((l) => l[key]));
    const bytes = (n) => (Number.isNaN(n) ? '-' : `${(n / 1e6).toFixed(2)} MB`);
    const withWorst = (key) => (Number.isNaN(m(key)) ? '-'
      : `${Math.round(m(key))} (${Math.round(Math.max(...loads.map((l) => l[key])))})`);
    loadRows.push(`| ${engine} | ${link ? link[0] : 'local, unthrottled'} | ${Math.round(m('first'))} | ${bytes(m('bytesFirst'))} | ` +
                  `${Math.round(m('full'))} | ${bytes(m('bytesFull'))} | ${withWorst('longest')} | ${withWorst('late')} | ` +
                  `${Math.round(m('blocking'))} |`);
  }
  const offline = [];
  for (let round = 0; round < loadsARow; round++) offline.push(await offlineStart(browser, engine));
  loadRows.push(offline.every(Boolean)
    ? `| ${engine} | offline, after one visit | ${Math.round(median(offline.map((o) => o.first)))} | 0 | ` +
      `${Math.round(median(offline.map((o) => o.full)))} | 0 | | | |`
    : `| ${engine} | offline, after one visit | did not start | | | | | | |`);
  await browser.close();
}
function printLoading() {
  const table = JSON.parse(fs.readFileSync(path.join(site, 'velmir-data.json'), 'utf8'));
  console.log(`The textures: the full ones ${table.size.toLocaleString('en')} bytes (${table.files.length} files), ` +
              `the small ones for the first picture ${table.preview.size.toLocaleString('en')} bytes; load average ` +
              `${loadAverage}.\n`);
  console.log(`Loading (medians of ${loadsARow}; ms after navigation; bytes as received, before that frame; from ` +
              'navigation to the full picture, the longest main-thread task as the engine reports it and the longest ' +
              'a timer waited, each with the worst load in brackets, and the blocking time, from the report where ' +
              'there is one):\n');
  console.log('| Engine | Link | first frame | bytes before | full quality | bytes before | longest task | timer\'s wait | blocking |');
  console.log('|---|---|---|---|---|---|---|---|---|');
  for (const r of loadRows) console.log(r);
  console.log('');
}
// --- Lighthouse (12, pinned in package.json), optional: each preset, desktop and mobile, a few runs
// on fresh browsers against the same server, Debian's Chromium with the flags above. Lighthouse
// simulates the presets' links and, for mobile, a CPU four times slower than this one: its total
// blocking time is the main thread's long tasks as it scales them. Printed: the four scores, TBT and
// each run's longest tasks with the script they are charged to.
const lighthouseIndex = process.argv.indexOf('--lighthouse');
const lighthouseRuns = lighthouseIndex < 0 ? 0 : Number(process.argv[lighthouseIndex + 1]) || 3;
const lighthouseRows = [];
if (lighthouseRuns > 0) {
  const { default: lighthouse } = await import('lighthouse');
  const { default: desktopConfig } = await import('lighthouse/core/config/desktop-config.js');
  for (const preset of ['desktop', 'mobile']) {
    for (let round = 0; round < lighthouseRuns; round++) {
      const browser = await puppeteer.launch({
        executablePath: process.env.VELMIR_CHROMIUM ?? '/usr/bin/chromium', headless: true,
        args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--disable-quic',
               '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
               '--remote-debugging-port=0'],
      });
      await browserPagesLoaded(browser);
      const load = fs.readFileSync('/proc/loadavg', 'utf8').split(' ')[0];
      const { lhr } = await lighthouse(`${origin}/`, { port: Number(new URL(browser.wsEndpoint()).port), output: 'json',
                                                       logLevel: 'error' }, preset === 'desktop' ? desktopConfig : undefined);
      await browser.close();
      const score = (id) => Math.round((lhr.categories[id]?.score ?? NaN) * 100);
      const tasks = [...(lhr.audits['long-tasks']?.details?.items ?? [])].sort((a, b) => b.duration - a.duration).slice(0, 3)
        .map((t) => `${Math.round(t.duration)} (${String(t.url).split('/').pop() || 'page'})`).join(', ');
      const metric = (id) => Math.round(lhr.audits[id]?.numericValue ?? NaN);
      lighthouseRows.push(`| ${preset} | ${score('performance')} | ${score('accessibility')} | ${score('best-practices')} | ` +
                          `${score('seo')} | ${metric('first-contentful-paint')} | ${metric('largest-contentful-paint')} | ` +
                          `${metric('speed-index')} | ${metric('total-blocking-time')} | ${tasks} | ${load} |`);
    }
  }
}
function printLighthouse() {
  if (!lighthouseRows.length) return;
  console.log(`Lighthouse ${lighthouseRuns > 1 ? `(${lighthouseRuns} runs a preset)` : ''}: scores, the timings the ` +
              'performance score is made of (ms, as Lighthouse simulates the preset\'s link and processor: first and ' +
              'largest contentful paint, speed index, total blocking time) and the longest main-thread tasks (ms, the ' +
              'script charged), with the load average at the start of the run:\n');
  console.log('| Preset | performance | accessibility | best practices | SEO | FCP | LCP | SI | TBT | longest tasks | load |');
  console.log('|---|---|---|---|---|---|---|---|---|---|---|');
  for (const r of lighthouseRows) console.log(r);
  console.log('');
}

if (process.argv.includes('--load-only')) {
  printLoading();
  printLighthouse();
  server.close();
  process.exit(0);
}

// The page at the sizes users give it, in both engines, with the display's frame cap: three rounds,
// alternating the sizes, each measured on a page of its own. Headless, Chromium's full screen is the
// window's size and Firefox's the screen's it is told of.
const sizeRows = [
  ['the picture at 640 x 480', { width: 1400, height: 900 }, [desktopWindowSize]],
  ['a 1920 x 1080 window', { width: 1920, height: 1080 }, []],
  ['full screen, 1920 x 1080', { width: 1920, height: 1080 }, [], true],
];
const sizeFps = {};
for (const engine of ['chromium', 'firefox']) {
  if (engine === 'firefox' && !process.env.DISPLAY) continue;
  const browser = engine === 'firefox'
    ? await puppeteer.launch({ browser: 'firefox', executablePath: process.env.VELMIR_FIREFOX ?? '/usr/bin/firefox-esr',
                               headless: true, env: { ...process.env, MOZ_HEADLESS_WIDTH: '1920', MOZ_HEADLESS_HEIGHT: '1080' } })
    : await launch(true);
  for (let round = 0; round < 3; round++) {
    for (const [label, viewport, init, fullScreen] of sizeRows) {
      const page = await open(browser, '', false, { viewport, init });
      if (fullScreen) {
        await page.click('#fullscreen-button');
        await page.waitForFunction(() => document.fullscreenElement && canvas.width === innerWidth, { timeout: 10000 });
      }
      await page.focus('#canvas');
      await page.keyboard.press(' ');
      const buffer = await page.evaluate(() => `${canvas.width} x ${canvas.height}`);
      (sizeFps[`${engine}|${label}|${buffer}`] ??= []).push((await measure(page)).fps);
      await page.close();
    }
  }
  await browser.close();
}

const rows = [];
async function row(label, page, skip) {
  const m = await measure(page, skip);
  const p = m.perFrame;
  const total = p.renderer + p.gpu + p.raster + p.compositor + p.other;
  rows.push(`| ${label} | ${m.fps.toFixed(1)} | ${p.renderer.toFixed(1)} | ${p.gpu.toFixed(1)} | ${p.raster.toFixed(1)} | ` +
            `${p.compositor.toFixed(1)} | ${p.other.toFixed(1)} | ${total.toFixed(1)} |`);
  return m;
}

// The thread time, per frame, of the animation-frame callbacks (the program's frame: its drawing, the
// GL emulation, the browser's GLUT) and of the GPU process's WebGL command decoding, from Chromium's
// tracing.
async function traced(browser, page) {
  await page.tracing.start({ categories: ['devtools.timeline', 'gpu'] });
  const f0 = await page.evaluate(() => velmir.frames());
  await sleep(2000);
  const frames = (await page.evaluate(() => velmir.frames())) - f0;
  const events = JSON.parse(Buffer.from(await page.tracing.stop()).toString()).traceEvents;
  const sum = (name) => events.filter((e) => e.ph === 'X' && e.name === name)
                              .reduce((total, e) => total + (e.tdur ?? e.dur ?? 0), 0) / 1000 / frames;
  return { callbacks: sum('FireAnimationFrame'), decoding: sum('CommandBufferStub::OnAsyncFlush') };
}

// With the cap, three rounds alternating the page, the program alone and its own WebGL calls replayed:
// whether the page holds the display's rate is a matter of spare time each frame, which the machine's
// other load takes too, so the three are compared side by side.
const capped = await launch(true);
const cappedFps = { page: [], bare: [], floor: [] };
for (let round = 0; round < 3; round++) {
  let cappedPage = await open(capped, '', true);
  cappedFps.page.push((await measure(cappedPage)).fps);
  await cappedPage.close();
  cappedPage = await open(capped, 'bare.html', true);
  cappedFps.bare.push((await measure(cappedPage)).fps);
  await cappedPage.evaluate(() => velmirReplay());
  cappedFps.floor.push((await measure(cappedPage)).fps);
  await cappedPage.close();
}
await capped.close();

const browser = await launch(false);
let page = await open(browser, '', true);
await row('the page, time scale 1', page);
await page.close();
page = await open(browser, 'bare.html', true);
const uncapped = await row('the program alone (bare page)', page);
await row('  without the sky', page, `(part) => part === 'sky'`);
await row('  without the bodies', page, `(part) => part === 'bodies'`);
await row('  without the arrows', page, `(part) => part === 'arrows'`);
await row('  without the trails', page, `(part) => part === 'trails'`);
await row('  no draw at all (clear, emulation, swap)', page, `() => true`);
const trace = await traced(browser, page);
await page.evaluate(() => { window.velmirSkip = null; });
// The program measured again just before its calls are replayed, so that the ratio compares neighbours.
const beforeReplay = await row('the program alone, again, just before the replay', page);
const replay = await page.evaluate(() => velmirReplay());
const replayed = await row(`floor: the program's WebGL calls of one frame (${replay.calls}), replayed`, page);
await page.close();
for (const [label, file] of [['floor: plain WebGL clear', 'clear.html'],
                             ['floor: plain WebGL clear + 4096 x 2048 textured quad', 'quad.html']]) {
  page = await open(browser, file, false);
  await row(label, page);
  await page.close();
}
await browser.close();
server.close();

printLoading();
printLighthouse();
console.log(`The page at time scale 1, frames per second with the display's frame cap, median (min-max) of three ` +
            `rounds of ${seconds} s; software WebGL; load average ${fs.readFileSync('/proc/loadavg', 'utf8').split(' ').slice(0, 3).join(' ')}:\n`);
console.log('| Engine | Picture | Drawing buffer | frames/s |');
console.log('|---|---|---|---|');
for (const [key, values] of Object.entries(sizeFps)) {
  const [engine, label, buffer] = key.split('|');
  console.log(`| ${engine} | ${label} | ${buffer} | ${median(values).toFixed(1)} (${Math.min(...values).toFixed(1)}-${Math.max(...values).toFixed(1)}) |`);
}
console.log(`\nBrowser frame (headless Chromium, SwiftShader, frame cap lifted; ${seconds} s a row). CPU ms per frame:`);
console.log("renderer = the page's main thread (program, GL emulation, page script); gpu = GPU process main thread;");
console.log('raster = SwiftShader\'s threads; compositor = the display compositor; other = every other thread.\n');
console.log('| Variant | frames/s | renderer | gpu | raster | compositor | other | total |');
console.log('|---|---|---|---|---|---|---|---|');
for (const r of rows) console.log(r);
console.log(`\nThe program's frame callbacks (drawing, GL emulation, GLUT): ${trace.callbacks.toFixed(2)} ms of thread time a frame; ` +
            `WebGL command decoding in the GPU process: ${trace.decoding.toFixed(2)} ms (Chromium's tracing, bare page).`);
console.log(`The replayed frame draws ${(100 * replay.same).toFixed(1)}% of the canvas's pixels as the program drew that frame ` +
            '(within 2 levels a channel): the floor draws the same picture.');
console.log(`The program alone runs at ${(beforeReplay.fps / replayed.fps).toFixed(2)} of the rate of its own WebGL calls replayed ` +
            '(the rows just before and after the recording).');
const list = (values) => values.map((v) => v.toFixed(1)).join(', ');
console.log(`With the display's frame cap, at time scale 1, frames per second in three rounds: the page ${list(cappedFps.page)}; ` +
            `the program alone ${list(cappedFps.bare)}; its own WebGL calls of one frame replayed ${list(cappedFps.floor)} ` +
            `(uncapped, the program alone: ${uncapped.fps.toFixed(1)}).`);
