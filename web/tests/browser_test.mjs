// The browser build in real browsers: headless Chromium and Firefox (software WebGL), driven by
// puppeteer-core (Chromium over its DevTools protocol, Firefox over WebDriver BiDi), open the built page
// and check what a user sees and reads, on a window of 640 x 480 pixels for the picture, at the sizes
// of common screens and in full screen, on a phone with touch, over a slow connection, and when the
// start fails. Every check runs in both; where one engine cannot make a check the same way, the check
// says how it is made there.
// Usage: node browser_test.mjs SITE_DIR [--desktop SHOT.png] [--textures DIR]
// With --desktop it also compares the first picture with a desktop screenshot of the initial system;
// with --textures, the textures the program finds in its file system with the desktop's BMP files.
// Firefox finds WebGL only with an X display (DISPLAY); it opens no window there.
// VELMIR_BROWSER_ONLY=WORD runs only the parts whose names hold WORD; VELMIR_BROWSERS=chromium (or
// firefox) runs one engine.
// Prints one line per check, the measured figures, and a summary; exits non-zero on any failure.
//
// Every wait is for an event: a frame counted by the program, a line printed, an element's state.
// Pictures are the canvas's own pixels, read in the page right after the program drew them, so no
// check depends on when the browser puts a frame on screen.
import puppeteer from 'puppeteer-core';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const site = path.resolve(process.argv[2] ?? '');
const desktopIndex = process.argv.indexOf('--desktop');
const desktopShot = desktopIndex > 0 ? process.argv[desktopIndex + 1] : null;
const texturesIndex = process.argv.indexOf('--textures');
const textureDir = texturesIndex > 0 ? path.resolve(process.argv[texturesIndex + 1]) : null;
if (!fs.existsSync(path.join(site, 'index.html'))) {
  console.error(`usage: node browser_test.mjs SITE_DIR [--desktop SHOT.png] (no index.html in ${site})`);
  process.exit(2);
}

// The site as a static server serves it; under /broken/NAME/ the same site with one fault, under
// /paced/ through a 20 Mbit/s link that all its transfers share, and under /desktop-textures/ the
// desktop's own texture files.
const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
                '.json': 'application/json', '.png': 'image/png' };
const faults = {
  'missing-data': (name, data) => (name === '/velmir.data' ? null : data),
  'truncated-data': (name, data) => (name === '/velmir.data' ? data.subarray(0, data.length >> 1) : data),
  'damaged-data': (name, data) => (name === '/velmir.data' ? Buffer.concat([Buffer.alloc(16), data.subarray(16)]) : data),
  'missing-program': (name, data) => (name === '/velmir.wasm' ? null : data),
};
// The link's clock runs on while it has anything to send, so a timer that fires late on a loaded
// machine does not slow it down; idle, it waits for the next transfer.
// free: when it has sent all it was given; sent: bytes sent so far
const link = { bytesPerSecond: 20e6 / 8, free: 0, active: 0, sent: 0 };
function sendPaced(response, data) {
  if (link.active++ === 0) link.free = Math.max(link.free, performance.now());
  let at = 0;
  (function next() {
    if (at >= data.length) {
      link.active--;
      return response.end();
    }
    const chunk = data.subarray(at, at + 65536);
    at += chunk.length;
    link.free += (chunk.length * 1000) / link.bytesPerSecond;
    setTimeout(() => {
      link.sent += chunk.length;
      response.write(chunk);
      next();
    }, link.free - performance.now());
  })();
}
const server = http.createServer((request, response) => {
  let name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
  const fault = /^\/broken\/([^/]+)(\/.*)$/.exec(name);
  const paced = name.startsWith('/paced/');
  // Under /full-first/ the first picture's textures are the full ones: the picture as drawn before
  // the page had small ones, for the full-quality picture to be compared with.
  const fullFirst = name.startsWith('/full-first/');
  if (fullFirst) name = name.slice('/full-first'.length);
  if (fullFirst && name === '/velmir-preview.data') name = '/velmir.data';
  if (fullFirst && name === '/velmir-data.json') {
    const table = JSON.parse(fs.readFileSync(path.join(site, name)));
    table.preview = { ...table, file: 'velmir-preview.data', preview: undefined };
    return response.writeHead(200, { 'Content-Type': 'application/json' }).end(JSON.stringify(table));
  }
  const desktop = textureDir && name.startsWith('/desktop-textures/');
  if (fault) name = fault[2];
  if (paced) name = name.slice('/paced'.length);
  const root = desktop ? textureDir : site;
  if (desktop) name = name.slice('/desktop-textures'.length);
  const file = path.join(root, path.normalize(name.endsWith('/') ? `${name}index.html` : name));
  if (!file.startsWith(root)) return response.writeHead(403).end();
  fs.readFile(file, (error, whole) => {
    const data = error ? null : fault ? faults[fault[1]](name, whole) : whole;
    if (!data) return response.writeHead(404).end();
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
    if (paced) sendPaced(response, data);
    else response.end(data);
  });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const origin = `http://127.0.0.1:${server.address().port}`;

// Debian's browsers, each launched with a fresh profile of its own. Chromium: SwiftShader through ANGLE
// gives WebGL without a GPU; the rest keeps it off the network. Firefox: Mesa's llvmpipe on the X
// display. A phone's touch screen (touch events and a coarse pointer) is Chromium's emulation, and in
// Firefox the preferences that make it report one; a browser without WebGL is a switch in Chromium
// and a preference in Firefox.
const chromiumArgs = ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                      '--disable-quic', '--no-first-run', '--disable-background-networking',
                      '--disable-component-update', '--disable-sync'];
const firefoxPrefs = {
  phone: { 'dom.w3c_touch_events.enabled': 1, 'ui.primaryPointerCapabilities': 1, 'ui.allPointerCapabilities': 1 },
  noWebGl: { 'webgl.disabled': true },
};
async function launch(engine, kind = '') {
  const browser = await (engine === 'firefox'
    ? puppeteer.launch({ browser: 'firefox', executablePath: process.env.VELMIR_FIREFOX ?? '/usr/bin/firefox-esr',
                         headless: true, extraPrefsFirefox: firefoxPrefs[kind] ?? {} })
    : puppeteer.launch({ executablePath: process.env.VELMIR_CHROMIUM ?? '/usr/bin/chromium', headless: true,
                         args: [...chromiumArgs, ...(kind === 'noWebGl' ? ['--disable-3d-apis'] : [])] }));
  // Firefox writes its WebGL warnings to its standard error, not to the page's console.
  browser.webglWarnings = [];
  browser.process().stderr.on('data', (data) => browser.webglWarnings.push(
    ...String(data).split('\n').filter((line) => line.includes('WebGL warning'))));
  return browser;
}
let engine, browser;

const results = [];
const figures = [];
function check(name, ok, detail = '') {
  results.push(ok);
  console.log(`${ok ? 'PASS' : 'FAIL'} ${engine}: ${name}${detail ? ` (${detail})` : ''}`);
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// --- Pictures, compared here: { width, height, data } with RGBA rows from the top.

function differing(a, b, tolerance = 8) {
  const p = a.data, q = b.data;
  let n = 0;
  for (let i = 0; i < p.length; i += 4)
    if (Math.abs(p[i] - q[i]) > tolerance || Math.abs(p[i + 1] - q[i + 1]) > tolerance ||
        Math.abs(p[i + 2] - q[i + 2]) > tolerance) n++;
  return n;
}
// The sun's warm pixels near the centre, where the followed body is drawn, and how varied their green
// is (a textured sun, not a flat disc). The square searched is half the picture's height.
function sunAtCentre({ data, width, height }) {
  const radius = height >> 2;
  let count = 0, sum = 0, squares = 0;
  for (let y = (height >> 1) - radius; y < (height >> 1) + radius; y++)
    for (let x = (width >> 1) - radius; x < (width >> 1) + radius; x++) {
      const i = (y * width + x) * 4;
      if (data[i] > 120 && data[i] > data[i + 2] + 80) {
        count++;
        sum += data[i + 1];
        squares += data[i + 1] * data[i + 1];
      }
    }
  const mean = count ? sum / count : 0;
  return { count, spread: count ? Math.sqrt(squares / count - mean * mean) : 0 };
}
// Per-pixel agreement over the whole or over a square of the given half-size around the centre:
// mean absolute difference per channel, and the shares of pixels whose largest channel difference
// is within 16 and within 48.
function agreement(a, b, half = 0) {
  const { data: p, width, height } = a;
  const q = b.data;
  const [x0, x1, y0, y1] = half ? [width / 2 - half, width / 2 + half, height / 2 - half, height / 2 + half]
                                : [0, width, 0, height];
  let total = 0, within16 = 0, within48 = 0;
  for (let y = y0; y < y1; y++)
    for (let x = x0; x < x1; x++) {
      const i = (y * width + x) * 4;
      const r = Math.abs(p[i] - q[i]), g = Math.abs(p[i + 1] - q[i + 1]), bl = Math.abs(p[i + 2] - q[i + 2]);
      total += r + g + bl;
      if (Math.max(r, g, bl) <= 16) within16++;
      if (Math.max(r, g, bl) <= 48) within48++;
    }
  const pixels = (x1 - x0) * (y1 - y0);
  return { meanAbs: total / (3 * pixels), within16: within16 / pixels, within48: within48 / pixels };
}
const describe = (c) => `mean absolute difference ${c.meanAbs.toFixed(2)} of 255 per channel, ` +
  `${(100 * c.within16).toFixed(2)} % of pixels within 16, ${(100 * c.within48).toFixed(2)} % within 48`;
const picture = ({ width, height, base64 }) => ({ width, height, data: Buffer.from(base64, 'base64') });

// In every page: a hook that reads the canvas right after the program's next frame, and PNG decoding.
function pageHelpers() {
  const toBase64 = (bytes) => {
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  };
  window.captured = null;
  // WebGL's heaviest calls: the shader programs linked and the bytes of each texture upload, with
  // when, and when the canvas was first cleared (the first frame's start).
  window.webglWork = { links: [], uploads: [], firstClear: null };
  const gl = WebGLRenderingContext.prototype;
  const noting = (name, note) => {
    const call = gl[name];
    gl[name] = function (...args) {
      note.call(this, args);
      return call.apply(this, args);
    };
  };
  noting('linkProgram', () => webglWork.links.push(performance.now()));
  noting('clear', function () {
    if (webglWork.firstClear === null && this.getParameter(this.FRAMEBUFFER_BINDING) === null) webglWork.firstClear = performance.now();
  });
  for (const name of ['texImage2D', 'texSubImage2D']) {
    noting(name, (args) => {
      if (ArrayBuffer.isView(args[args.length - 1])) webglWork.uploads.push([performance.now(), args[args.length - 1].byteLength]);
    });
  }
  window.layoutShifts = [];
  if (PerformanceObserver.supportedEntryTypes.includes('layout-shift')) { // Chromium's only
    new PerformanceObserver((list) => window.layoutShifts.push(...list.getEntries()
      .map((e) => ({ time: e.startTime, value: e.value })))).observe({ type: 'layout-shift', buffered: true });
  }
  // The picture's place made a given size, whatever the window.
  window.placePicture = (width, height) => {
    const style = document.getElementById('place') ?? document.head.appendChild(document.createElement('style'));
    style.id = 'place';
    style.textContent = `#stage { width: ${width}px; height: ${height}px; }`;
  };
  // Where the page's blocks are: compared before and after, in Firefox too.
  window.blocks = () => ['head', 'stage', 'bar', 'side'].map((id) => JSON.stringify(document.getElementById(id).getBoundingClientRect()));
  // The window's size in the page's layout: the picture's place, the drawing buffer, and what shows.
  window.layout = () => {
    const box = (id) => document.getElementById(id).getBoundingClientRect();
    const c = box('canvas'), s = box('stage'), hint = document.querySelector('.hint .touch');
    return { css: [c.width, c.height], buffer: [canvas.width, canvas.height], ratio: devicePixelRatio,
             fills: ['left', 'top', 'right', 'bottom'].every((k) => Math.abs(c[k] - s[k]) < 0.5),
             pageWidth: document.documentElement.scrollWidth, width: innerWidth, height: innerHeight,
             outputBottom: box('output').bottom, stageBottom: s.bottom,
             touchHint: hint.offsetParent ? hint.getBoundingClientRect().top : null };
  };
  // The frame the program draws next: its pixels, read before the browser shows it.
  window.captureNextFrame = () => {
    window.captured = null;
    Module.postMainLoop = () => {
      Module.postMainLoop = null;
      const gl = Module.ctx, width = gl.drawingBufferWidth, height = gl.drawingBufferHeight;
      const rows = new Uint8Array(width * height * 4), top = new Uint8Array(rows.length);
      gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, rows);
      for (let y = 0; y < height; y++) top.set(rows.subarray((height - 1 - y) * width * 4, (height - y) * width * 4), y * width * 4);
      window.captured = { width, height, base64: toBase64(top) };
    };
  };
  window.decodePng = async (base64) => {
    const image = new Image();
    image.src = `data:image/png;base64,${base64}`;
    await image.decode();
    const c = document.createElement('canvas');
    c.width = image.width;
    c.height = image.height;
    const context = c.getContext('2d');
    context.drawImage(image, 0, 0);
    return { width: c.width, height: c.height, base64: toBase64(context.getImageData(0, 0, c.width, c.height).data) };
  };
}

// A page of the site, in a browser context of its own, and the ways the test talks to it.
async function openPage(viewport, url = `${origin}/`, init = null, on = browser) {
  const context = await on.createBrowserContext();
  const page = await context.newPage();
  const session = { page, context, console: [], errors: [], failedRequests: [], mark: 0 };
  page.on('console', (m) => { if (/^(warn|warning|error)$/.test(m.type())) session.console.push(m.text()); });
  page.on('pageerror', (error) => session.errors.push(error.message));
  page.on('response', (r) => { if (r.status() >= 400) session.failedRequests.push(`${r.status()} ${r.url()}`); });
  page.on('requestfailed', (r) => session.failedRequests.push(`${r.failure()?.errorText} ${r.url()}`));
  await page.setViewport(viewport);
  await page.evaluateOnNewDocument(pageHelpers);
  if (init) await page.evaluateOnNewDocument(init);
  await page.goto(url);
  return Object.assign(session, pageTools(page, session));
}
// The picture given a place of 640 x 480 pixels, the desktop window's first size, whatever the window.
const desktopWindowSize = () => document.addEventListener('DOMContentLoaded', () => placePicture(640, 480));

function pageTools(page, session) {
  const frames = () => page.evaluate(() => velmir.frames());
  // The current picture: the program is asked to draw (an unknown key, which changes nothing) and
  // its frame is read.
  async function shot() {
    await page.evaluate(() => {
      captureNextFrame();
      window.dispatchEvent(new KeyboardEvent('keydown', { key: 'q', bubbles: true }));
    });
    await page.waitForFunction(() => window.captured !== null, { timeout: 20000 });
    return picture(await page.evaluate(() => window.captured));
  }
  // An input, then the frame it asked for drawn, then the picture.
  async function act(input) {
    const mark = await frames();
    await input();
    await page.waitForFunction((m) => velmir.frames() > m, { timeout: 20000 }, mark);
    return shot();
  }
  // What the program printed since the last call, as text with a newline after each line.
  async function newOutput() {
    const { lines, count } = await page.evaluate((from) => {
      const dropped = velmir.lineCount - velmir.output.length;
      return { lines: velmir.output.slice(Math.max(0, from - dropped)), count: velmir.lineCount };
    }, session.mark);
    session.mark = count;
    return lines.map((line) => `${line}\n`).join('');
  }
  async function waitForOutput(predicate, timeout = 15000) {
    const end = Date.now() + timeout;
    let text = '';
    while (Date.now() < end) {
      text += await newOutput();
      if (predicate(text)) return text;
      await sleep(50);
    }
    return text;
  }
  const key = (...keys) => act(async () => { for (const k of keys) await page.keyboard.press(k); });
  // A place on the picture, given as fractions of its width and height, in whole page pixels: a touch
  // lands on whole pixels, and a mouse then lands on the same ones.
  async function at(x, y) {
    const box = await (await page.$('#canvas')).boundingBox();
    return { x: Math.round(box.x + x * box.width), y: Math.round(box.y + y * box.height) };
  }
  // Menus: an entry of the open menu by its labels, through the submenus on the way.
  const entry = (...labels) => page.$(labels.map((l) => `.entry[data-label="${l}"]`).join(' > .menu > ')
    .replace(/^/, '#velmir-menu > '));
  async function openMenu(x = 0.15, y = 0.2) {
    const p = await at(x, y);
    await page.mouse.click(p.x, p.y, { button: 'right' });
    await page.waitForSelector('#velmir-menu', { timeout: 10000 });
  }
  const labelsOf = (selector) => page.$$eval(selector, (items) => items.map((e) => e.dataset.label));
  // A menu entry chosen with the mouse; the picture after it.
  const choose = (...labels) => act(async () => {
    await openMenu();
    for (let i = 1; i < labels.length; i++) await (await entry(...labels.slice(0, i))).hover();
    await (await entry(...labels)).click();
  });
  // Started: the picture at its full quality, every full texture in (or the start failed).
  const started = () => page.waitForFunction(() => velmir.fullQualityMs !== null || velmir.failure !== null,
                                            { timeout: 60000 });
  const count = (selector) => page.$$eval(selector, (found) => found.length);
  return { frames, shot, act, newOutput, waitForOutput, key, at, entry, openMenu, labelsOf, choose, started, count };
}

// --- What the program prints

const help = [
  'Key Commands:', '-----------------', "SPACE - toggles the simulation's paused state",
  '  T   - steps the simulation a few steps', '  Z   - zooms the camera out', '  X   - zooms the camera in',
  '  N   - snaps the camera to the next target', "  C   - clears all objects' orbit histories",
  "  M   - toggles display of objects' motion vectors", '  P   - snaps the camera to the previous target',
  "  S   - toggles drawing of all objects' orbit histories", "  .   - increases the simulation's time scale",
  "  ,   - decreases the simulation's tiem scale", '  H   - prints this helpful information', '',
  '* To rotate the view, click and drag with the LEFT mouse button (but', '  only in "Look At" mode)',
].map((line) => `${line}\n`).join('');
const stepLines = (first, count) =>
  Array.from({ length: count }, (_, i) => `Frame ${first + i}, last dt=0.01\n`).join('');
const ratio = (a, b) => a.count / b.count;
// One notch of the wheel zooms as far as two X (a press and a release, each 0.9 of the distance): the
// sun's area x1.52. No notch gives x1, two notches x2.3.
const oneNotch = (r) => r > 1.35 && r < 1.75;
// A drag a fifth of the picture's width to the right and a tenth down, and back.
const drag = { from: [0.4, 0.5], to: [0.6, 0.6] };
async function dragOn(s, from, to) {
  const [a, b] = [await s.at(...from), await s.at(...to)];
  await s.page.mouse.move(a.x, a.y);
  await s.act(() => s.page.mouse.down());
  await s.act(() => s.page.mouse.move(b.x, b.y));
  return s.act(() => s.page.mouse.up());
}
// The drawing buffer has the screen's pixels for the picture's place, down to the page's cap.
const maxBufferPixels = 1920 * 1080;
function sharp(l) {
  const scale = Math.min(l.ratio, Math.sqrt(maxBufferPixels / (l.css[0] * l.css[1])));
  return l.fills && l.css.every((side, i) => Math.abs(l.buffer[i] - Math.round(side * scale)) <= 1);
}
const statusLine = (s) => s.page.$eval('#status', (e) => e.textContent);

// --- A desktop window of the desktop program's first size: start, keys, mouse, wheel, menu, frame
// rate, the end.

async function desktopWindow() {
  const s = await openPage({ width: 1400, height: 900 }, undefined, desktopWindowSize);
  const { page } = s;
  await s.started();
  const firstFrameMs = await page.evaluate(() => velmir.firstFrameMs);
  figures.push(`first frame ${Math.round(firstFrameMs)} ms after navigation`);
  check('first frame within 10 s', firstFrameMs < 10000, `${Math.round(firstFrameMs)} ms`);
  const blocksAtStart = await page.evaluate(() => blocks());
  const initial = await s.shot();
  const initialSun = sunAtCentre(initial);
  check('the sun is drawn textured at the centre', initialSun.count > 1500 && initialSun.spread > 8 &&
        initial.width === 640 && initial.height === 480,
        `${initialSun.count} warm pixels, spread ${initialSun.spread.toFixed(1)}, ${initial.width} x ${initial.height}`);
  check('nothing printed at start-up (all textures read)', (await s.newOutput()) === '');
  // The sky was drawn twice in a row by now: from here on it is put back from its kept picture.
  const kept = agreement(await s.shot(), initial);
  check('the sky put back from its kept picture draws the same frame', kept.meanAbs === 0, describe(kept));
  if (desktopShot) {
    const desktop = picture(await page.evaluate((b) => decodePng(b), fs.readFileSync(desktopShot).toString('base64')));
    const whole = agreement(initial, desktop), centre = agreement(initial, desktop, 40);
    figures.push(`initial system vs desktop, whole picture: ${describe(whole)}`);
    figures.push(`initial system vs desktop, the sun (80 x 80 pixels at the centre): ${describe(centre)}`);
    // Rasterisers differ in texture filtering and edge coverage, not in what is where: a swapped
    // colour order, a mirrored texture or a turned sphere moves these figures far.
    check('the first picture matches the desktop\'s', whole.meanAbs < 3 && whole.within16 > 0.95 &&
          centre.meanAbs < 6 && centre.within48 > 0.95, `${describe(whole)}; sun: ${describe(centre)}`);
  }

  // --- Help, byte for byte, readable in the panel.
  await s.key('h');
  check('H prints the help byte for byte', (await s.waitForOutput((t) => t.length >= help.length)) === help);
  const overflow = await page.$eval('#output', (e) => e.scrollWidth - e.clientWidth);
  check('every help line fits the output panel', overflow <= 0, `${overflow} pixels cut off`);
  check('an unknown key changes nothing', differing(initial, await s.key('q'), 0) === 0 && (await s.newOutput()) === '');

  // --- The left-button drag turns the view, and back.
  const dragged = await dragOn(s, drag.from, drag.to);
  check('a left drag turns the view', differing(initial, dragged) > 20000);
  const back = await dragOn(s, drag.to, drag.from);
  check('the drag back turns it back', agreement(back, initial).meanAbs < 0.2, describe(agreement(back, initial)));

  // --- Keys change the picture as on the desktop.
  const steppedOutput = s.waitForOutput((t) => t.includes('Frame 9,'));
  const stepped = await s.key('t');
  check('T takes ten steps of 0.01 and prints them', (await steppedOutput) === stepLines(0, 10));
  check('the bodies moved after T', differing(back, stepped) > 0);
  const noArrows = await s.key('m');
  check('M hides the motion arrows', differing(stepped, noArrows) > 50);
  check('M again shows them as before', differing(stepped, await s.key('m'), 0) === 0);
  const base = sunAtCentre(stepped), zoomed = sunAtCentre(await s.key('x', 'x'));
  check('X X zooms in on the sun', oneNotch(ratio(zoomed, base)), `sun area x${ratio(zoomed, base).toFixed(2)}`);
  const unzoomed = sunAtCentre(await s.key('z', 'z'));

  // --- The wheel: a notch per mouse wheel click, as on the desktop, in whatever unit the browser
  // counts it. A click is 120 pixels in Chromium and 6 lines in Firefox (Linux); WebDriver BiDi
  // scrolls in pixels only, so the click in lines is a wheel event the page dispatches, in both.
  const centre = await s.at(0.5, 0.5);
  await page.mouse.move(centre.x, centre.y);
  const byPixels = ratio(sunAtCentre(await s.act(() => page.mouse.wheel({ deltaY: -120 }))), unzoomed);
  const pixelsBack = ratio(sunAtCentre(await s.act(() => page.mouse.wheel({ deltaY: 120 }))), unzoomed);
  const byLines = ratio(sunAtCentre(await s.act(() => page.evaluate(({ x, y }) => canvas.dispatchEvent(new WheelEvent(
    'wheel', { deltaMode: 1, deltaY: -6, clientX: x, clientY: y, bubbles: true, cancelable: true })), centre))), unzoomed);
  check('a wheel click zooms one notch, as two X, whether in pixels or in lines, and back',
        oneNotch(byPixels) && Math.abs(pixelsBack - 1) < 0.08 && oneNotch(byLines),
        `sun area x${byPixels.toFixed(2)}, back x${pixelsBack.toFixed(2)}, in lines x${byLines.toFixed(2)}`);
  // A touchpad: sixty events of 2 pixels scroll as far as one click.
  const beforeTouchpad = sunAtCentre(await s.key('z', 'z'));
  const touchpad = ratio(sunAtCentre(await s.act(async () => {
    for (let i = 0; i < 60; i++) await page.mouse.wheel({ deltaY: -2 });
  })), beforeTouchpad);
  check('sixty touchpad events of 2 pixels zoom one notch, not sixty', oneNotch(touchpad), `sun area x${touchpad.toFixed(2)}`);

  // --- SPACE runs the simulation against the clock; the log continues the step numbers.
  check('paused, the frame-rate line says so', (await statusLine(s)) === 'Paused', await statusLine(s));
  await s.newOutput();
  await s.key(' ');
  const running = await s.waitForOutput((t) => t.includes('Frame 10,'));
  check('SPACE starts the step log', running.startsWith('Frame 10, last dt='), running.split('\n')[0]);
  await s.waitForOutput((t) => t.split('\n').length > 20);
  const t0 = Date.now();
  const simulated = (await s.waitForOutput(() => Date.now() - t0 > 1500, 5000)).split('\n').filter(Boolean)
    .reduce((sum, line) => sum + Number(line.split('dt=')[1]), 0);
  const rate = simulated / ((Date.now() - t0) / 1000);
  check('the simulation keeps pace with the clock at time scale 1', rate > 0.5 && rate < 1.5, `rate ${rate.toFixed(2)}`);
  await page.waitForFunction(() => / frames per second$/.test(document.getElementById('status').textContent),
                             { timeout: 10000 });
  figures.push(`running at time scale 1: ${(await page.evaluate(() => velmir.fps)).toFixed(0)} frames per second`);
  for (let i = 0; i < 10; i++) await page.keyboard.press('.');
  const fast = await s.frames();
  await page.waitForFunction((m) => velmir.frames() > m + 2, { timeout: 60000 }, fast);
  await sleep(2100); // a figure only: two of the page's one-second frame-rate readings
  figures.push(`running at time scale 1024: ${(await page.evaluate(() => velmir.fps)).toFixed(0)} frames per second`);
  await s.key(' ');
  await s.newOutput();
  await sleep(500);
  check('SPACE pauses it again, and the line says so', (await s.newOutput()) === '' && (await statusLine(s)) === 'Paused');
  await page.click('#show-steps');
  await page.waitForFunction(() => !document.getElementById('output').textContent.includes('last dt='));
  check('the output panel shows the help, and hides the step log on request',
        await page.$eval('#output', (e) => e.textContent.includes('  only in "Look At" mode)')));
  await page.click('#show-steps');

  // Paused, the program draws only when asked: an unknown key on every animation frame asks.
  const pausedFps = await page.evaluate(() => new Promise((resolve) => {
    const start = performance.now(), first = velmir.frames();
    (function ask() {
      window.dispatchEvent(new KeyboardEvent('keydown', { key: 'q', bubbles: true }));
      if (performance.now() - start < 2000) requestAnimationFrame(ask);
      else resolve(((velmir.frames() - first) * 1000) / (performance.now() - start));
    })();
  }));
  figures.push(`paused, a redraw asked for on every animation frame: ${pausedFps.toFixed(0)} frames per second`);

  // --- The pop-up menu: the same labels as the desktop's, entries acting like their keys.
  await s.openMenu();
  const labels = await s.labelsOf('#velmir-menu > .entry');
  const mainLabels = ['&Camera Mode', 'Toggle Orbit &History Display', 'Toggle &Motion Display',
                      'C&lear All Object Histories', 'E&xit'];
  check('the right button opens the menu with its five entries', JSON.stringify(labels) === JSON.stringify(mainLabels),
        labels.join(' | '));
  await (await s.entry('&Camera Mode')).hover();
  const subLabels = await s.labelsOf('#velmir-menu .entry .menu .entry');
  const modeLabels = ['&Look At', 'Look At Object In &Velocity', 'Look At Object In &Acceleration',
                      'Look At Object A&nti Velocity', 'Look At Object An&ti Acceleration'];
  check('Camera Mode opens its submenu', JSON.stringify(subLabels) === JSON.stringify(modeLabels), subLabels.join(' | '));
  await page.keyboard.press('Escape');
  check('Escape closes the menu', (await s.count('#velmir-menu')) === 0);

  // The run at 1024 above may have flung the planets out of the view, and the sun holds its own arrows
  // inside itself: the toggles below are judged following mercury, whose arrows stand at the centre.
  const withTrails = await s.key('n');
  const noTrails = await s.choose('Toggle Orbit &History Display');
  check('Toggle Orbit History hides the trails', differing(withTrails, noTrails) > 20);
  check('S shows them again', differing(withTrails, await s.key('s'), 0) === 0);
  const keyNoArrows = await s.key('m');
  await s.key('m');
  const menuNoArrows = await s.choose('Toggle &Motion Display');
  // Within the usual tolerance of 8 levels, which the arrows' red and green exceed by far: the exact
  // comparison failed once in Firefox in six runs, cause not found; the detail counts any difference.
  check('Toggle Motion Display hides the arrows as M does', differing(withTrails, menuNoArrows) > 0 &&
        differing(keyNoArrows, menuNoArrows) === 0, `${differing(keyNoArrows, menuNoArrows, 0)} pixels differ at all`);
  await s.key('m');
  check('Clear All Object Histories empties the trails',
        differing(noTrails, await s.choose('C&lear All Object Histories'), 0) === 0);
  const cleared = await s.shot();
  const velocity = await s.choose('&Camera Mode', 'Look At Object In &Velocity');
  check('Look At Object In Velocity turns the view', differing(cleared, velocity) > 1000);
  check('Look At Object Anti Velocity turns it round',
        differing(velocity, await s.choose('&Camera Mode', 'Look At Object A&nti Velocity')) > 1000);
  await s.choose('&Camera Mode', 'Look At Object In &Velocity');
  check('Look At keeps the view where the riding mode left it',
        differing(velocity, await s.choose('&Camera Mode', '&Look At'), 0) === 0);
  check('the menu stepped nothing', (await s.newOutput()) === '');

  // The page as a whole, before the end: no block moved once the picture was there (Chromium also
  // reports every layout shift between; Firefox reports none, so there the boxes alone are compared),
  // and a clean console, Firefox's own WebGL warnings included.
  const shifts = await page.evaluate((since) => window.layoutShifts.filter((e) => e.time > since)
    .map((e) => `${e.value.toFixed(4)} at ${e.time.toFixed(0)} ms`), firstFrameMs);
  const moved = JSON.stringify(await page.evaluate(() => blocks())) !== JSON.stringify(blocksAtStart);
  check('nothing on the page moved after the first frame', shifts.length === 0 && !moved,
        [...shifts, ...(moved ? ['the blocks moved'] : [])].join(', '));
  const noise = [...s.console, ...s.errors, ...s.failedRequests, ...browser.webglWarnings];
  check('a clean console: no warning, error, WebGL warning or failed request', noise.length === 0, noise.join('; '));

  // --- Exit: the program ends; afterwards nothing it does can be seen or heard.
  const last = await s.shot();
  await s.openMenu();
  await (await s.entry('E&xit')).click();
  await page.waitForFunction(() => velmir.exitStatus !== null, { timeout: 10000 });
  const status = await page.evaluate(() => velmir.exitStatus);
  check('Exit ends the program with status 0', status === 0 && (await page.$eval('#ended', (e) => !e.hidden)), `status ${status}`);
  // The canvas as shown, without the notice over it, once the browser has shown two more frames.
  const onScreen = async () => {
    await page.evaluate(() => new Promise((resolve) => {
      document.getElementById('ended').style.visibility = 'hidden';
      requestAnimationFrame(() => requestAnimationFrame(resolve));
    }));
    const box = await (await page.$('#canvas')).boundingBox();
    const png = await page.screenshot({ clip: { x: Math.round(box.x), y: Math.round(box.y), width: 640, height: 480 },
                                        encoding: 'base64' });
    await page.evaluate(() => { document.getElementById('ended').style.visibility = ''; });
    return picture(await page.evaluate((b) => decodePng(b), png));
  };
  const endFrames = await s.frames();
  const endPicture = await onScreen();
  check('the last picture stays under the notice', agreement(endPicture, last).within16 > 0.99,
        describe(agreement(endPicture, last)));
  await s.newOutput();
  for (const k of ['h', ' ', 't', 'x', 'm']) await page.keyboard.press(k);
  const c = await s.at(0.5, 0.5), corner = await s.at(0.94, 0.92);
  await page.mouse.click(c.x, c.y);
  await page.mouse.click(c.x, c.y, { button: 'right' });
  await page.mouse.move(c.x, c.y);
  await page.mouse.wheel({ deltaY: -120 });
  await page.mouse.down(); // a drag across the notice's text
  await page.mouse.move(corner.x, corner.y, { steps: 5 });
  await page.mouse.up();
  await sleep(2000); // what an ended program must not do has no event to wait for
  const afterEnd = await onScreen();
  check('after Exit, keys, clicks, the wheel and a drag change no pixel, draw and print nothing for 2 s',
        differing(endPicture, afterEnd, 0) === 0 && (await s.frames()) === endFrames && (await s.newOutput()) === '' &&
        (await s.count('#velmir-menu')) === 0, `${differing(endPicture, afterEnd, 0)} pixels changed`);
  check('a drag over the notice selects none of its text',
        (await page.evaluate(() => String(window.getSelection()))) === '');
  check('no script errors on the page', s.errors.length === 0, s.errors.join('; '));
  await s.context.close();
}

// --- The sizes of common screens, and full screen: the picture fills its place at any size and
// aspect, its drawing buffer has the screen's pixels (up to the page's cap), the program's reshape
// follows (the sun stays centred, its size in proportion to the picture's height), a drag turns the
// camera by the same angle for the same fraction of the picture, and no menu leaves the screen.

async function sizes() {
  const s = await openPage({ width: 800, height: 600 });
  const { page } = s;
  await s.started();
  const suns = [];
  for (const [width, height] of [[768, 1024], [1366, 768], [1920, 1080]]) {
    const shot = await s.act(() => page.setViewport({ width, height }));
    const l = await page.evaluate(() => layout());
    suns.push(sunAtCentre(shot).count / (shot.height * shot.height));
    check(`at ${width} x ${height} the picture fills its place, sharp, drawn at its size; the output on the screen`,
          sharp(l) && shot.width === l.buffer[0] && shot.height === l.buffer[1] && l.pageWidth <= width &&
          l.outputBottom <= height,
          `${l.css.map(Math.round).join(' x ')} place, buffer ${l.buffer.join(' x ')}, page ${l.pageWidth} wide`);
  }
  check('the sun keeps its size in proportion to the picture\'s height at every size',
        Math.max(...suns) / Math.min(...suns) < 1.15, suns.map((k) => k.toFixed(4)).join(', '));

  // A drag on a picture of 1200 x 600 pixels, and the same fractions back on one of 600 x 900, turn the
  // camera back. (Sizes at which the fractions fall on whole pixels: else a pixel's rounding alone
  // turns the sky by a tenth of a degree.)
  const place = (width, height) => s.act(() => page.evaluate((w, h) => placePicture(w, h), width, height));
  const before = await place(1200, 600);
  await dragOn(s, drag.from, drag.to);
  await place(600, 900);
  await dragOn(s, drag.to, drag.from);
  const back = await place(1200, 600);
  check('a drag turns the camera by the same angle for the same fraction of the picture at any size and aspect',
        agreement(back, before).meanAbs < 0.2, describe(agreement(back, before)));
  await s.act(() => page.evaluate(() => document.getElementById('place').remove()));

  // Full screen: the picture alone on the whole screen, left with the browser's Escape. Headless,
  // Chromium's full screen is the size of its window, Firefox's that of the screen it is told of
  // (1366 x 768 unless MOZ_HEADLESS_WIDTH and MOZ_HEADLESS_HEIGHT say otherwise). Headless Chromium
  // has no window to take the Escape key, so there the test leaves with document.exitFullscreen(), as
  // the browser does on Escape.
  const inPage = await s.act(() => page.setViewport({ width: 1366, height: 768 }));
  await page.click('#fullscreen-button');
  await page.waitForFunction(() => document.fullscreenElement === document.getElementById('stage') &&
                             canvas.width === innerWidth && canvas.height === innerHeight, { timeout: 10000 });
  const full = await s.shot();
  const fullLayout = await page.evaluate(() => layout());
  await page.keyboard.press('Escape');
  if (engine === 'chromium') await page.evaluate(() => document.exitFullscreen());
  await page.waitForFunction((w) => canvas.width === w, { timeout: 10000 }, inPage.width);
  const left = await s.shot();
  check('the full-screen button shows the picture alone on the whole screen, drawn at its size; leaving restores it',
        fullLayout.fills && full.width === fullLayout.width && full.height === fullLayout.height && sunAtCentre(full).count > 0 &&
        left.width === inPage.width && left.height === inPage.height && agreement(left, inPage).meanAbs < 0.2,
        `${inPage.width} x ${inPage.height}, full screen ${full.width} x ${full.height}, then ${left.width} x ${left.height}`);
  const noise = [...s.console, ...s.errors, ...s.failedRequests, ...browser.webglWarnings];
  check('at every size, a clean console', noise.length === 0, noise.join('; '));
  await s.context.close();
}

// --- A phone: 390 x 844 at a pixel ratio of 3, with touch. The picture fills its place sharply, the
// page fits the screen, touch turns, zooms and opens the menu, the buttons do what their keys do, and
// no gesture over the picture zooms the page, also after the end.

async function phone(on) {
  const s = await openPage({ width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true }, undefined, null, on);
  const { page } = s;
  const touch = page.touchscreen;
  await s.started();
  const l = await page.evaluate(() => layout());
  check('on a phone the picture fills its place, sharp at the ratio of 3; the page fits the screen, the touch hint ' +
        'just below the picture', sharp(l) && l.buffer[0] === Math.round(3 * l.css[0]) && l.pageWidth <= 390 &&
        l.outputBottom <= 844 && l.touchHint !== null && l.touchHint - l.stageBottom < 24,
        `${l.css.map(Math.round).join(' x ')} place, buffer ${l.buffer.join(' x ')}, page ${l.pageWidth} wide, ` +
        `output to ${Math.round(l.outputBottom)}, touch hint at ${Math.round(l.touchHint)}`);
  const initial = await s.shot();

  // One finger drags as the left button; the mouse drags back between the same points. A finger that
  // rests longer than the long press before it moves opens the menu instead; on a loaded machine the
  // frame between the two can take that long, so the drag gets all the time.
  const [from, to] = [await s.at(...drag.from), await s.at(...drag.to)];
  const longPressMs = await page.evaluate(() => velmir.longPressMs);
  await page.evaluate(() => { velmir.longPressMs = 1e9; });
  let finger;
  await s.act(async () => { finger = await touch.touchStart(from.x, from.y); });
  const dragged = await s.act(() => finger.move(to.x, to.y));
  await s.act(() => finger.end());
  await page.evaluate((ms) => { velmir.longPressMs = ms; }, longPressMs);
  check('a one-finger drag turns the view', differing(initial, dragged) > 20000);
  const back = await dragOn(s, drag.to, drag.from);
  check('a mouse drag back between the same points turns it back', agreement(back, initial).meanAbs < 0.2,
        describe(agreement(back, initial)));

  // Two fingers: apart zooms in, together zooms out, in wheel notches (a quarter of their distance each).
  const c = await s.at(0.5, 0.5);
  const pinch = async (apart, then) => {
    const a = await touch.touchStart(c.x - apart, c.y), b = await touch.touchStart(c.x + apart, c.y);
    await a.move(c.x - then, c.y);
    await b.move(c.x + then, c.y);
    await a.end();
    await b.end();
  };
  const pinched = ratio(sunAtCentre(await s.act(() => pinch(40, 40 * 1.25 * 1.25 + 2))), sunAtCentre(back));
  check('spreading two fingers zooms in two notches', pinched > 1.8 && pinched < 3.2, `sun area x${pinched.toFixed(2)}`);
  const unpinched = await s.act(() => pinch(60, 60 / 1.25 / 1.25 - 2));
  check('closing them zooms out as far', Math.abs(ratio(sunAtCentre(unpinched), sunAtCentre(back)) - 1) < 0.1,
        `sun area x${ratio(sunAtCentre(unpinched), sunAtCentre(back)).toFixed(2)}`);

  // A long press opens the menu where the finger is; a tap chooses. The Menu button opens it too. At
  // the screen's right edge, Camera Mode opens its submenu below it, inside the screen.
  const longPress = async (x, y) => {
    const f = await touch.touchStart(x, y);
    await page.waitForSelector('#velmir-menu', { timeout: 10000 });
    await f.end();
  };
  await longPress(c.x, c.y);
  const menuBox = await (await page.$('#velmir-menu')).boundingBox();
  check('a long press opens the menu where the finger is, inside the screen',
        Math.abs(menuBox.y - c.y) < 2 && menuBox.x >= 0 && menuBox.x + menuBox.width <= 390,
        `menu at ${menuBox.x.toFixed(0)}, ${menuBox.y.toFixed(0)}, ${menuBox.width.toFixed(0)} wide`);
  const arrowsOff = await s.act(async () => (await s.entry('Toggle &Motion Display')).tap());
  check('a tap on Toggle Motion Display hides the arrows', differing(unpinched, arrowsOff) > 50);
  await (await page.$('#menu-button')).tap();
  const labels = await s.labelsOf('#velmir-menu > .entry');
  const arrowsOn = await s.act(async () => (await s.entry('Toggle &Motion Display')).tap());
  check('the Menu button opens the same menu', labels.length === 5 && differing(unpinched, arrowsOn, 0) === 0,
        labels.join(' | '));
  const edge = await s.at(0.98, 0.6);
  await longPress(edge.x, edge.y);
  await (await s.entry('&Camera Mode')).tap();
  const inside = await page.$$eval('#velmir-menu, #velmir-menu .menu', (found) => found.map((m) => {
    const r = m.getBoundingClientRect();
    return { left: r.left, right: r.right, bottom: r.bottom, width: r.width };
  }));
  const pageWidth = await page.evaluate(() => document.documentElement.scrollWidth);
  check('at the screen\'s edge the menu and its submenu open inside the screen, and the page stays as wide',
        inside.length === 2 && inside.every((r) => r.width > 0 && r.left >= 0 && r.right <= 390 && r.bottom <= 844) &&
        pageWidth <= 390, inside.map((r) => `${Math.round(r.left)}-${Math.round(r.right)}`).join(', '));
  await page.keyboard.press('Escape');

  // Each button against its key: the same picture and the same output, from the same state.
  // Zooming in and out again does not land exactly where it started, so X and Z are compared by how
  // far they zoom; the other keys undo themselves, or do the same again from where they left it.
  const tap = (k) => s.act(async () => (await page.$(`#controls button[data-key="${k}"]`)).tap());
  const mismatched = [];
  for (const k of ['x', 'z']) {
    const zooms = async (input) => {
      const before = sunAtCentre(await s.shot());
      return ratio(sunAtCentre(await input()), before);
    };
    const byButton = await zooms(() => tap(k)), byKey = await zooms(() => s.key(k));
    if (Math.abs(byButton - byKey) > 0.03 || (await s.newOutput()) !== '') mismatched.push(`${k}: x${byButton.toFixed(3)} against x${byKey.toFixed(3)}`);
  }
  const undo = { n: 'p', p: 'n', s: 's', m: 'm' };
  for (const k of ['n', 'p', 's', 'm', 'c', 'h', '.', ',']) {
    const byButton = await tap(k);
    const buttonOutput = await s.newOutput();
    if (undo[k]) await s.key(undo[k]);
    const byKey = await s.key(k);
    const keyOutput = await s.newOutput();
    if (differing(byButton, byKey, 0) !== 0 || buttonOutput !== keyOutput) mismatched.push(`${k}: ${differing(byButton, byKey, 0)} pixels`);
  }
  await tap('t');
  const buttonSteps = await s.waitForOutput((t) => t.split('\n').length > 10);
  if (!/^(Frame \d+, last dt=0\.01\n){10}$/.test(buttonSteps)) mismatched.push('t');
  await tap(' ');
  if (!(await s.waitForOutput((t) => t.includes('Frame'))).includes('Frame')) mismatched.push('space');
  await tap(' ');
  check('each button gives the same picture and output as its key', mismatched.length === 0,
        mismatched.join(' '));
  // The panel follows the output: its newest line at its bottom, on the screen.
  await page.waitForFunction(() => velmir.output.length > 0 &&
    document.getElementById('output').textContent.endsWith(velmir.output[velmir.output.length - 1]), { timeout: 10000 });
  const panel = await page.$eval('#output', (e) => ({ overflow: e.scrollWidth - e.clientWidth, bottom: e.getBoundingClientRect().bottom,
                                                     end: e.scrollTop + e.clientHeight >= e.scrollHeight - 1 }));
  check('on the phone too, every output line fits its panel, and the newest shows on the screen',
        panel.overflow <= 0 && panel.end && panel.bottom <= 844, `${panel.overflow} pixels cut off, bottom at ${Math.round(panel.bottom)}`);

  // After Exit, a pinch over the notice zooms nothing. (Firefox on a desktop zooms no page on a touch
  // pinch; Chromium's phone would, by up to five times.)
  await (await page.$('#menu-button')).tap();
  await (await s.entry('E&xit')).tap();
  await page.waitForFunction(() => velmir.exitStatus !== null, { timeout: 10000 });
  await pinch(20, 120);
  const zoom = await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => resolve(visualViewport.scale))));
  check('after Exit, a pinch over the picture zooms nothing', zoom === 1, `page zoom x${zoom}`);
  check('no script errors on the phone', s.errors.length === 0, s.errors.join('; '));
  await s.context.close();
}

// --- Keyboard only, and what a screen reader is told, on a laptop's screen and on a phone: the Tab
// order, the keys on the buttons, the menu, the arrow keys turning the camera, the buttons' states,
// the picture's name, the messages spoken (how many characters a second while running), full screen,
// Exit, and axe-core's audit, loaded and then running with the menu open.

const axeFile = new URL('node_modules/axe-core/axe.min.js', import.meta.url);
if (!fs.existsSync(axeFile)) {
  console.error('browser_test.mjs: axe-core is not installed; run "npm ci" in web/tests');
  process.exit(2);
}
const axeSource = fs.readFileSync(axeFile, 'utf8');
// Serious and critical violations fail; every violation is a figure.
async function audit(s, when) {
  if (!(await s.page.evaluate(() => typeof axe === 'object'))) await s.page.evaluate(axeSource);
  const found = await s.page.evaluate(async () => (await axe.run(document)).violations
    .map((v) => ({ id: v.id, impact: v.impact, nodes: v.nodes.length })));
  figures.push(`axe-core ${when}: ${found.map((v) => `${v.id} (${v.impact}, ${v.nodes})`).join(', ') || 'no violation'}`);
  return found.filter((v) => v.impact === 'serious' || v.impact === 'critical').map((v) => v.id);
}
// In the page: what reaches live regions, as a screen reader reads them (a changed region's whole
// text), and the focused element's name.
function listenToLiveRegions() {
  window.spoken = [];
  const live = '[aria-live]:not([aria-live="off"]), [role="status"], [role="alert"], [role="log"]';
  new MutationObserver((changes) => {
    const regions = new Set(changes.map((c) => (c.target.nodeType === 1 ? c.target : c.target.parentElement).closest(live)));
    for (const r of regions) if (r && !r.closest('[hidden]')) window.spoken.push({ at: performance.now(), text: r.textContent });
  }).observe(document.body, { subtree: true, childList: true, characterData: true });
  window.focusName = () => {
    const e = document.activeElement;
    return (e.dataset && (e.dataset.key ?? e.dataset.label)) ?? (e.id || e.tagName);
  };
}

async function keyboardOnly(viewport, on = browser) {
  const size = `${viewport.width} x ${viewport.height}${viewport.hasTouch ? ' touch' : ''}`;
  const s = await openPage(viewport, undefined, null, on);
  const { page } = s;
  // Keys one after another; 'Shift+K' holds Shift for K.
  const press = async (...keys) => {
    for (const k of keys) {
      const shift = k.startsWith('Shift+');
      if (shift) await page.keyboard.down('Shift');
      await page.keyboard.press(shift ? k.slice(6) : k);
      if (shift) await page.keyboard.up('Shift');
    }
  };
  const focused = () => page.evaluate(() => focusName());
  const pressed = () => page.$$eval('[aria-pressed]', (found) => found
    .map((b) => `${b.dataset.key.trim() || 'space'}=${b.getAttribute('aria-pressed')}`).join(' '));
  const label = () => page.$eval('#canvas', (e) => e.getAttribute('aria-label'));
  await s.started();
  await page.evaluate(listenToLiveRegions);
  const serious = await audit(s, `${size} loaded`);

  // The Tab order, there and back: nothing keeps the focus.
  const order = [await focused()];
  for (const k of ['Tab', 'Tab', 'Tab', 'Shift+Tab', 'Shift+Tab', 'Shift+Tab']) order.push(await press(k).then(focused));
  check(`${size}: Tab goes from the picture to the toolbar, the checkbox and the output panel, Shift+Tab back`,
        order.join('|') === 'canvas| |show-steps|output|show-steps| |canvas', order.join('|'));

  // On a button, Space and Enter press it and do not reach the program; a letter does.
  await press('Tab', 'End', 'ArrowLeft', 'Home');
  const home = await focused();
  for (let i = 0; i < 8; i++) await press('ArrowRight'); // to Trails
  await s.act(() => press(' '));
  const afterSpace = [await focused(), await pressed()];
  await s.act(() => press('Enter'));
  await s.act(() => press('n'));
  check(`${size}: on a button Space and Enter press it, a letter reaches the program, SPACE does not`,
        home === ' ' && afterSpace.join() === 's,space=false s=false m=true' && (await pressed()) === 'space=false s=true m=true' &&
        (await focused()) === 's' && / following Mercury,.* paused/.test(await label()), `${afterSpace}; ${await label()}`);

  // Letters on the picture: the states and the picture's name follow.
  await page.focus('#canvas');
  await s.act(() => press('s', 'm', ' '));
  const states = [await pressed(), await label()];
  await s.act(() => press(' ', 's', 'm'));
  check(`${size}: the letter keys set aria-pressed and the picture's name`, states[0] === 'space=true s=false m=false' &&
        /running, trails hidden, arrows hidden$/.test(states[1]) && (await pressed()) === 'space=false s=true m=true',
        states.join('; '));

  // The arrow keys turn the camera as a drag would, and back.
  const before = await s.shot();
  for (let i = 0; i < 3; i++) await s.act(() => press('ArrowRight'));
  const turned = await s.shot();
  for (let i = 0; i < 3; i++) await s.act(() => press('ArrowLeft'));
  const back = agreement(await s.shot(), before);
  check(`${size}: the arrow keys turn the camera, and back`, differing(before, turned) > 20000 && back.meanAbs < 0.2, describe(back));

  // The menu from the Menu button into Camera Mode, a mode chosen, the focus back on the button; from
  // the picture with Shift+F10, back to Look At; Escape closes it and gives the focus back.
  await press('Tab', 'End', 'ArrowLeft', 'Enter');
  const opened = [await focused(), await page.$eval('#menu-button', (b) => b.getAttribute('aria-expanded'))];
  const names = await page.$$eval('.entry', (found) => found.map((e) => e.getAttribute('aria-label')));
  const path = [];
  for (const k of ['ArrowDown', 'End', 'Home', 'ArrowRight', 'ArrowLeft', 'Enter', 'ArrowDown']) path.push(await press(k).then(focused));
  await s.act(() => press('Enter'));
  const velocity = [await s.count('#velmir-menu'), await focused(), await label()];
  await page.focus('#canvas');
  await press('Shift+F10');
  await page.waitForSelector('#velmir-menu', { timeout: 5000 });
  await s.act(() => press('ArrowRight', 'Enter'));
  await press('Shift+F10', 'Escape');
  check(`${size}: the menu by keyboard from the Menu button and from the picture: arrows, Home, End, the submenu, ` +
        'Enter and Escape; the focus comes back; the entries are named without their marker',
        opened.join() === '&Camera Mode,true' && path.join('|') ===
        'Toggle Orbit &History Display|E&xit|&Camera Mode|&Look At|&Camera Mode|&Look At|Look At Object In &Velocity' &&
        velocity[0] === 0 && velocity[1] === 'menu-button' && / camera mode Look At Object In Velocity,/.test(velocity[2]) &&
        / camera mode Look At,/.test(await label()) && (await s.count('#velmir-menu')) === 0 && (await focused()) === 'canvas' &&
        names.includes('Exit') && !names.some((n) => n.includes('&')), `${opened}; ${path.join('|')}; ${names.join('|')}`);

  // The walk a keyboard user makes most, without a pause between keys: the menu opened from the Menu
  // button (by Enter, then by ArrowDown), ArrowRight into Camera Mode, a mode chosen by Enter (Look
  // At Object In Velocity, then Look At again). Each time both menus close and the focus is back on
  // the Menu button. VELMIR_MENU_WALKS repeats it (for a run beside a busy machine).
  const walks = Number(process.env.VELMIR_MENU_WALKS ?? 2);
  const slips = [];
  for (let i = 0; i < walks; i++) {
    const velocityNext = i % 2 === 0;
    await page.focus('#menu-button');
    await s.act(() => press(velocityNext ? 'Enter' : 'ArrowDown', 'ArrowRight', ...(velocityNext ? ['ArrowDown'] : []), 'Enter'));
    const walked = [await s.count('#velmir-menu'), await focused(), await label()];
    const mode = velocityNext ? ' camera mode Look At Object In Velocity,' : ' camera mode Look At,';
    if (walked[0] !== 0 || walked[1] !== 'menu-button' || !walked[2].includes(mode)) slips.push(`walk ${i + 1}: ${walked.join('; ')}`);
  }
  check(`${size}: the menu walk from the Menu button into Camera Mode chooses a mode, closes both menus and gives the ` +
        `focus back, ${walks} times in a row`, slips.length === 0, slips.join(' / '));
  // Keys in an open menu stay with it: no letter steps, prints or switches the body.
  await s.newOutput();
  await page.focus('#menu-button');
  await press('Enter', 'n', 't', 'h');
  const inMenu = [await s.count('#velmir-menu'), await s.newOutput(), await label()];
  await press('Escape');
  check(`${size}: letters typed in the open menu do not reach the program`,
        inMenu[0] === 1 && inMenu[1] === '' && / following Mercury,/.test(inMenu[2]), inMenu.join('; ').slice(0, 200));
  await page.focus('#canvas');

  // Running at the default time scale: how much reaches live regions, never a step line, at most a
  // message a second all along.
  await s.key(' ');
  await s.waitForOutput((t) => t.includes('Frame'));
  const from = await page.evaluate(() => ({ at: performance.now(), n: spoken.length }));
  await s.waitForOutput((t) => t.split('\n').length > 200);
  await sleep(3000); // a figure over a span: the characters a second
  const { rate, texts, gaps } = await page.evaluate((f) => ({
    rate: spoken.slice(f.n).reduce((n, h) => n + h.text.length, 0) / ((performance.now() - f.at) / 1000),
    texts: spoken.map((h) => h.text), gaps: spoken.slice(1).map((h, i) => h.at - spoken[i].at) }), from);
  figures.push(`${size}, running at time scale 1: ${rate.toFixed(1)} characters a second reach live regions`);
  check(`${size}: running, at most 300 characters a second reach live regions, never a step line; a message a second at most`,
        rate <= 300 && texts.some((t) => t.includes('Following Mercury')) && !texts.some((t) => /Frame \d/.test(t)) &&
        gaps.every((g) => g > 900),
        `${rate.toFixed(1)} a second; said: ${texts.map((t) => t.slice(0, 60)).join(' / ')}`);
  await page.focus('#menu-button');
  await press('Enter');
  serious.push(...await audit(s, `${size} running, menu open`));
  await press('Escape');

  // Full screen from the keyboard: the picture takes the focus, and gives it back; then Exit, once
  // the picture has its place again (resized, the page closes any menu).
  const inPage = await page.evaluate(() => [canvas.width, canvas.height]);
  // A wait that fails says what it waited for and what it found.
  const waited = async (what, waiting) => {
    try {
      return await waiting;
    } catch (error) {
      const found = await page.evaluate(() => `focus ${focusName()}, ${canvas.width} x ${canvas.height}, full screen ` +
        `${Boolean(document.fullscreenElement)}, menu ${document.getElementById('velmir-menu') ? 'open' : 'closed'}`).catch(() => '');
      throw new Error(`${what}: ${error.message} (${found})`);
    }
  };
  const entered = page.evaluate(() => new Promise((resolve) => document.addEventListener('fullscreenchange', resolve, { once: true })));
  await press('ArrowRight', 'Enter');
  await entered; // the page's own listener, registered first, has moved the focus
  const inFull = await focused();
  await page.evaluate(() => document.exitFullscreen());
  // Back in its place at its whole size, width and height, and still so a frame later: a resize that
  // lands after the menu has opened closes it (a loaded machine may lay out the height a frame after
  // the width).
  await waited(`out of full screen, the focus on its button and the picture at ${inPage.join(' x ')}`, page.waitForFunction(async ([w, h]) => {
    const settled = () => !document.fullscreenElement && focusName() === 'fullscreen-button' &&
                          canvas.width === w && canvas.height === h;
    if (!settled()) return false;
    await new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
    return settled();
  }, { timeout: 10000 }, inPage));
  await press('ArrowLeft', 'ArrowDown');
  await waited('the menu open from its button', page.waitForSelector('#velmir-menu', { timeout: 10000 }));
  await press('End', 'Enter');
  await waited('the program ended by Exit', page.waitForFunction(() => velmir.exitStatus !== null, { timeout: 10000 }));
  check(`${size}: Full screen by keyboard has the focus on the picture and gives it back; Exit by keyboard ends the program`,
        inFull === 'canvas' && (await page.evaluate(() => velmir.exitStatus)) === 0, inFull);
  check(`${size}: axe-core finds nothing serious or critical, loaded and running with the menu open`, serious.length === 0,
        serious.join(', '));
  check(`${size}: no script errors in the keyboard session`, s.errors.length === 0, s.errors.join('; '));
  await s.context.close();
}

// --- A start over a 20 Mbit/s connection: what the page fetches before its first picture, how long
// that takes, and the textures the program then reads, against the desktop's files.

async function slowConnection() {
  link.sent = 0;
  const s = await openPage({ width: 1400, height: 900 }, `${origin}/paced/`);
  await s.page.waitForFunction(() => velmir.firstFrameMs !== null || velmir.failure !== null, { timeout: 60000 });
  const fetched = link.sent;
  await s.started();
  const [firstFrameMs, fullQualityMs] = await s.page.evaluate(() => [velmir.firstFrameMs, velmir.fullQualityMs]);
  figures.push(`over 20 Mbit/s: first frame ${Math.round(firstFrameMs)} ms after navigation, ` +
               `${fetched.toLocaleString('en')} bytes fetched before it; full quality ${Math.round(fullQualityMs)} ms, ` +
               `${link.sent.toLocaleString('en')} bytes`);
  // The full textures are most of the site's bytes (1.7 of 2.2 MB) and could all be in before the first
  // frame on a busy machine: what is checked is that the first picture does not wait for them.
  check('the first picture comes before the full textures, which then replace the small ones',
        firstFrameMs !== null && fullQualityMs > firstFrameMs,
        `${fetched.toLocaleString('en')} bytes before the first picture`);
  // Kept out of the frames and in small pieces: every shader program is made before the first frame,
  // one a task, and the full sky (24 MB) reaches WebGL in bands.
  const work = await s.page.evaluate(() => {
    const after = (list) => list.filter((t) => (t[0] ?? t) > webglWork.firstClear);
    return { links: webglWork.links.length, late: after(webglWork.links).length,
             largest: Math.max(0, ...after(webglWork.uploads).map(([, bytes]) => bytes)) };
  });
  check('while loading, no shader program is linked once frames are drawn, and no texture upload is over 8 MB',
        work.late === 0 && work.links > 0 && work.largest <= 8 << 20,
        `${work.late} of ${work.links} links after the first frame started, the largest upload ${work.largest.toLocaleString('en')} bytes`);
  if (textureDir) {
    const names = fs.readdirSync(textureDir).filter((n) => n.endsWith('.bmp'));
    // The header byte for byte, the pixels within 40 dB PSNR (lossy images are allowed that far), or
    // the same where the table packed them losslessly.
    const far = await s.page.evaluate(async (list) => {
      const table = await (await fetch('/velmir-data.json')).json();
      const out = [];
      for (const name of list) {
        const desktop = new Uint8Array(await (await fetch(`/desktop-textures/${name}`)).arrayBuffer());
        const inPage = Module.FS.readFile(`/${name}`);
        const pixelsAt = desktop.length >= 54 ? new DataView(desktop.buffer).getUint32(10, true) : 0;
        let header = desktop.length === inPage.length && pixelsAt > 0, squares = 0;
        for (let i = 0; header && i < pixelsAt; i++) header = desktop[i] === inPage[i];
        for (let i = pixelsAt; header && i < desktop.length; i++) squares += (desktop[i] - inPage[i]) ** 2;
        const psnr = squares === 0 ? Infinity : 10 * Math.log10((255 * 255 * (desktop.length - pixelsAt)) / squares);
        const entry = table.files.find((f) => f.name === name);
        const exact = !entry || entry.encoding.startsWith('lossless');
        if (!header) out.push(`${name} (${inPage.length} bytes against ${desktop.length}, or another header)`);
        else if (exact ? psnr !== Infinity : !(psnr >= 40)) out.push(`${name} (${psnr.toFixed(1)} dB, ${entry ? entry.encoding : 'not in the table'})`);
      }
      return out;
    }, names);
    check(`the program reads the desktop's ${names.length} textures: the same size and header, pixels exact or within 40 dB`,
          names.length > 0 && far.length === 0, far.join(', '));
  }
  check('no script errors over the slow connection', s.errors.length === 0, s.errors.join('; '));
  await s.context.close();
}

// --- The full-quality picture, installing and starting offline. A server of its own, so that it can be stopped and can serve a
// next build: the same files, with the service worker's build name and the page's title changed as a
// new build changes them. The network is cut with the browser's offline emulation where the engine
// allows it (Chromium); where it does not (Firefox over WebDriver BiDi), the server stops, which a
// page meets the same way: no answer.

async function offlineAndNextBuild() {
  let build = 'first';
  const sockets = new Set();
  const own = http.createServer((request, response) => {
    const name = new URL(request.url, 'http://localhost').pathname;
    const file = path.join(site, path.normalize(name.endsWith('/') ? `${name}index.html` : name));
    if (!file.startsWith(site) || !fs.existsSync(file)) return response.writeHead(404).end();
    let data = fs.readFileSync(file);
    if (build === 'next' && /\/(index\.html|service-worker\.js)$/.test(file)) {
      data = String(data).replace("const build = '", "const build = 'next-").replace('<title>Velmir', '<title>Velmir (next)');
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' }).end(data);
  });
  own.on('connection', (socket) => { sockets.add(socket); socket.on('close', () => sockets.delete(socket)); });
  await new Promise((resolve) => own.listen(0, '127.0.0.1', resolve));
  const port = own.address().port, url = `http://127.0.0.1:${port}/`;
  const context = await browser.createBrowserContext();
  const visit = async (offline) => {
    const page = await context.newPage();
    let cut = 'emulation';
    if (offline) {
      await page.setOfflineMode(true).catch(() => { cut = 'server'; });
      if (cut === 'server') {
        await new Promise((resolve) => { own.close(resolve); for (const socket of sockets) socket.destroy(); });
      }
    }
    await page.setViewport({ width: 1400, height: 900 });
    await page.evaluateOnNewDocument(pageHelpers);
    await page.evaluateOnNewDocument(desktopWindowSize);
    await page.goto(url).catch(() => {});
    const started = await page.waitForFunction(() => window.velmir && (velmir.fullQualityMs !== null || velmir.failure !== null),
                                               { timeout: 60000 }).then(() => true, () => false);
    const state = started ? await page.evaluate(async (want) => ({
      title: document.title, failure: velmir.failure, first: velmir.firstFrameMs,
      // The build the service worker keeps, once it has kept one (it is installed after the full picture).
      // A new build's worker may finish installing while the page's requests still go to the old one;
      // Chromium then starts the old worker again for them and activates the new one only when the old
      // one stops for being idle, 30 s after its last request: the wait allows for that.
      kept: await Promise.race([navigator.serviceWorker.ready.then(async () => {
        for (;;) {
          const names = await caches.keys();
          if (names.length === 1 && names[0].startsWith(want) && (await (await caches.open(names[0])).keys()).length > 10) {
            return names[0];
          }
          await new Promise((resolve) => setTimeout(resolve, 100));
        }
      }), new Promise((resolve) => setTimeout(resolve, 75000, null))]),
    }), build === 'next' ? 'velmir-next-' : 'velmir-') : { failure: 'no page' };
    state.picture = state.failure === null ? await pageTools(page, {}).shot() : null;
    await page.close();
    if (cut === 'server') await new Promise((resolve) => own.listen(port, '127.0.0.1', resolve));
    return { ...state, cut };
  };
  try {
    const online = await visit(false);
    const fullFirst = await openPage({ width: 1400, height: 900 }, `${origin}/full-first/`, desktopWindowSize);
    await fullFirst.started();
    const same = agreement(online.picture, await fullFirst.shot());
    await fullFirst.context.close();
    check('once the full textures are in, the picture is the one drawn with them from the start', same.meanAbs === 0,
          describe(same));
    check('after its full picture, the site is kept for offline starts', online.failure === null && /^velmir-[0-9a-f]{16}$/.test(online.kept ?? ''),
          `${online.failure ?? ''} kept: ${online.kept}`);
    const offline = await visit(true);
    figures.push(`offline, after one visit (network cut by ${offline.cut}): first frame ${Math.round(offline.first)} ms after navigation`);
    check(`with the network cut (${offline.cut}), the page starts from what was kept and draws the same picture`,
          offline.failure === null && offline.picture !== null && agreement(offline.picture, online.picture).meanAbs === 0,
          offline.failure ?? describe(agreement(offline.picture, online.picture)));
    build = 'next';
    const next = await visit(false);
    const nextOffline = await visit(true);
    check('a new build on the server is what the next visit gets, and then what is kept for offline starts',
          next.title === 'Velmir (next)' && next.kept === online.kept.replace('velmir-', 'velmir-next-') &&
          nextOffline.failure === null && nextOffline.title === 'Velmir (next)',
          `titles ${next.title}, offline ${nextOffline.title}; kept ${next.kept}`);
    // Installable: a manifest with the program's name, a large enough icon and standalone display.
    const page = await context.newPage();
    await page.goto(url);
    const manifest = await page.evaluate(async () => {
      const link = document.querySelector('link[rel="manifest"]');
      const m = await (await fetch(link.href)).json();
      const icons = await Promise.all(m.icons.map(async (i) => (await fetch(new URL(i.src, link.href))).ok && i.sizes));
      return { name: m.name, display: m.display, icons };
    });
    // The test's browser contexts are private windows, where Chromium installs nothing: that one is
    // the test's, not the page's.
    const errors = engine === 'chromium'
      ? (await (await page.createCDPSession()).send('Page.getInstallabilityErrors')).installabilityErrors
        .map((e) => e.errorId).filter((id) => id !== 'in-incognito') : [];
    check('the page is installable: its manifest names it, with its icons, displayed standalone' +
          `${engine === 'chromium' ? ', and the browser finds nothing against installing it' : ''}`,
          manifest.name === 'Velmir' && manifest.display === 'standalone' && manifest.icons.includes('256x256') &&
          manifest.icons.every(Boolean) && errors.length === 0, `${JSON.stringify(manifest)} ${errors.join(', ')}`);
  } finally {
    await context.close();
    own.close();
    for (const socket of sockets) socket.destroy();
  }
}

// --- Starts that cannot succeed: each says why on the page, and the progress bar stops.

async function failedStart(name, url, words, on = browser) {
  const context = await on.createBrowserContext();
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForFunction(() => window.velmir && (velmir.failure !== null || velmir.fullQualityMs !== null),
                             { timeout: 60000 });
  const shown = await page.evaluate(() => ({
    text: document.getElementById('failure').innerText,
    visible: !document.getElementById('failure').hidden && !document.getElementById('loading').hidden,
    barHidden: document.getElementById('loading-bar').hidden,
  }));
  const missing = words.filter((w) => !shown.text.includes(w));
  check(`${name}: the page says why and what to do`, shown.visible && shown.barHidden && missing.length === 0,
        missing.length ? `missing ${missing.join(', ')} in: ${shown.text}` : '');
  if (process.env.VELMIR_SHOW_FAILURES) console.log(shown.text);
  await context.close();
}

// --- The files of the site: none may hold a path of the machine that built it.

function buildPathsInSite() {
  const root = path.resolve(fileURLToPath(new URL('../..', import.meta.url)));
  const needles = [...new Set([root, site, path.dirname(site)])].map((p) => Buffer.from(p));
  return fs.readdirSync(site).filter((name) => {
    const data = fs.readFileSync(path.join(site, name));
    return needles.some((needle) => data.includes(needle));
  });
}

// Each part on its own: one that stops early does not hide the others' results.
async function part(name, run) {
  if (process.env.VELMIR_BROWSER_ONLY && !name.includes(process.env.VELMIR_BROWSER_ONLY)) return;
  try {
    await run();
  } catch (error) {
    check(`${name} ran to its end`, false, error.message.split('\n')[0]);
    if (process.env.VELMIR_STACK) console.log(error.stack);
  }
}
// A second browser of the same engine, for as long as `run` needs it.
async function withBrowser(kind, run) {
  const other = await launch(engine, kind);
  try {
    await run(other);
  } finally {
    await other.close();
  }
}
engine = 'site';
const withPaths = buildPathsInSite();
check('no file of the site holds a path of the build machine', withPaths.length === 0, withPaths.join(', '));
for (engine of (process.env.VELMIR_BROWSERS ?? 'chromium,firefox').split(',')) {
  browser = await launch(engine);
  const figuresBefore = figures.length;
  // Chromium emulates the phone's touch screen in any page; Firefox is told of one at its start.
  await part('the phone', () => (engine === 'firefox' ? withBrowser('phone', (b) => phone(b)) : phone(browser)));
  await part('the desktop-sized window', desktopWindow);
  await part('keyboard only', () => keyboardOnly({ width: 1366, height: 768 }));
  const phoneSize = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
  await part('keyboard only on the phone',
             () => (engine === 'firefox' ? withBrowser('phone', (b) => keyboardOnly(phoneSize, b)) : keyboardOnly(phoneSize)));
  await part('the screen sizes and full screen', sizes);
  await part('the slow connection', slowConnection);
  await part('offline and the next build', offlineAndNextBuild);
  await part('the failing starts', async () => {
    await failedStart('velmir.data answering 404', `${origin}/broken/missing-data/`,
                      [`${origin}/broken/missing-data/velmir.data`, 'HTTP 404']);
    await failedStart('a truncated velmir.data', `${origin}/broken/truncated-data/`,
                      ['velmir.data arrived incomplete', 'bytes', 'reload']);
    await failedStart('a damaged velmir.data', `${origin}/broken/damaged-data/`,
                      ['velmir.data is damaged', 'could not be decoded', 'Copy the site']);
    await failedStart('velmir.wasm answering 404', `${origin}/broken/missing-program/`,
                      [`${origin}/broken/missing-program/velmir.wasm`, 'HTTP 404']);
    await failedStart('the page opened as a file', `file://${path.join(site, 'index.html')}`,
                      ['opened as a file', 'python3 -m http.server', 'http://localhost:8000/']);
    await withBrowser('noWebGl', (b) => failedStart('a browser without WebGL', `${origin}/`, ['no WebGL', 'settings'], b));
  });
  await browser.close();
  for (let i = figuresBefore; i < figures.length; i++) figures[i] = `${engine}: ${figures[i]}`;
}
server.close();

for (const figure of figures) console.log(`measured: ${figure}`);
const failed = results.filter((ok) => !ok).length;
console.log(`browser test: ${results.length - failed} of ${results.length} checks passed${failed ? `, ${failed} FAILED` : ''}`);
process.exit(failed ? 1 : 0);
