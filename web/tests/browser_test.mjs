// The browser build in a real browser: headless Chromium (software WebGL) opens the built page and
// checks what a user sees and reads, on a desktop-sized window, on a phone-sized one with touch, over a
// slow connection, and when the start fails.
// Usage: node browser_test.mjs SITE_DIR [--desktop SHOT.png] [--textures DIR]
// With --desktop it also compares the first picture with a desktop screenshot of the initial system;
// with --textures, the textures the program finds in its file system with the desktop's BMP files.
// VELMIR_BROWSER_ONLY=WORD runs only the parts whose names hold WORD.
// Prints one line per check, the measured figures, and a summary; exits non-zero on any failure.
//
// Every wait is for an event: a frame counted by the program, a line printed, an element's state.
// Pictures are the canvas's own pixels, read in the page right after the program drew them, so no
// check depends on when the browser puts a frame on screen.
import { chromium } from 'playwright-core';
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
const link = { bytesPerSecond: 20e6 / 8, free: 0, active: 0, sent: 0 }; // free: when it has sent all it was given
function sendPaced(response, data) {
  link.sent += data.length;
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
      response.write(chunk);
      next();
    }, link.free - performance.now());
  })();
}
const server = http.createServer((request, response) => {
  let name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
  const fault = /^\/broken\/([^/]+)(\/.*)$/.exec(name);
  const paced = name.startsWith('/paced/');
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

// SwiftShader through ANGLE gives WebGL without a GPU; the rest keeps Chromium off the network.
const chromiumArgs = ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
                      '--disable-quic', '--no-first-run', '--disable-background-networking',
                      '--disable-component-update', '--disable-sync'];
const launch = (extra = []) => chromium.launch({
  executablePath: process.env.VELMIR_CHROMIUM ?? '/usr/bin/chromium', headless: true, args: [...chromiumArgs, ...extra],
}); // Playwright gives every launch a fresh profile of its own
const browser = await launch();

const results = [];
const figures = [];
function check(name, ok, detail = '') {
  results.push(ok);
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${detail ? ` (${detail})` : ''}`);
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
// is (a textured sun, not a flat disc).
function sunAtCentre({ data, width, height }, radius = 120) {
  let count = 0, sum = 0, squares = 0;
  for (let y = height / 2 - radius; y < height / 2 + radius; y++)
    for (let x = width / 2 - radius; x < width / 2 + radius; x++) {
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
  window.layoutShifts = [];
  new PerformanceObserver((list) => window.layoutShifts.push(...list.getEntries()
    .map((e) => ({ time: e.startTime, value: e.value })))).observe({ type: 'layout-shift', buffered: true });
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

// A page of the site and the ways the test talks to it.
async function openPage(options, url = `${origin}/`) {
  const context = await browser.newContext(options);
  const page = await context.newPage();
  const session = { page, context, console: [], errors: [], failedRequests: [], mark: 0 };
  page.on('console', (m) => { if (m.type() === 'warning' || m.type() === 'error') session.console.push(m.text()); });
  page.on('pageerror', (error) => session.errors.push(error.message));
  page.on('response', (r) => { if (r.status() >= 400) session.failedRequests.push(`${r.status()} ${r.url()}`); });
  page.on('requestfailed', (r) => session.failedRequests.push(`${r.failure()?.errorText} ${r.url()}`));
  await page.addInitScript(pageHelpers);
  await page.goto(url);
  return Object.assign(session, pageTools(page, session));
}

function pageTools(page, session) {
  const canvas = page.locator('#canvas');
  const frames = () => page.evaluate(() => velmir.frames());
  // The current picture: the program is asked to draw (an unknown key, which changes nothing) and
  // its frame is read.
  async function shot() {
    await page.evaluate(() => {
      captureNextFrame();
      window.dispatchEvent(new KeyboardEvent('keydown', { keyCode: 81, bubbles: true }));
    });
    await page.waitForFunction(() => window.captured !== null, null, { timeout: 20000 });
    return picture(await page.evaluate(() => window.captured));
  }
  // An input, then the frame it asked for drawn, then the picture.
  async function act(input) {
    const mark = await frames();
    await input();
    await page.waitForFunction((m) => velmir.frames() > m, mark, { timeout: 20000 });
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
  const button = (k) => act(() => page.locator(`#controls button[data-key="${k}"]`).click());
  // Canvas pixels to page pixels, wherever and however large the canvas is shown.
  async function at(x, y) {
    const box = await canvas.boundingBox();
    return { x: box.x + ((x + 0.5) * box.width) / 640, y: box.y + ((y + 0.5) * box.height) / 480 };
  }
  async function openMenu() {
    const p = await at(100, 100);
    await page.mouse.click(p.x, p.y, { button: 'right' });
    return page.locator('#velmir-menu');
  }
  // A menu entry chosen with the mouse; the picture after it.
  const choose = (...labels) => act(async () => {
    const menu = await openMenu();
    let scope = menu;
    for (const label of labels.slice(0, -1)) {
      const parent = scope.locator(`:scope > .entry[data-label="${label}"]`);
      await parent.hover();
      scope = parent.locator(':scope > .menu');
    }
    await scope.locator(`:scope > .entry[data-label="${labels[labels.length - 1]}"]`).click();
  });
  const started = () => page.waitForFunction(() => velmir.firstFrameMs !== null || velmir.failure !== null,
                                            null, { timeout: 60000 });
  return { canvas, frames, shot, act, newOutput, waitForOutput, key, button, at, openMenu, choose, started };
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
// A drag a fifth of the picture's width to the right and a tenth down, made by a finger on the
// phone's scaled picture: the canvas pixels it lands on, and the picture it gave, for the desktop's
// mouse to repeat.
const phoneDrag = { from: [256, 240], to: [384, 288], picture: null };

// --- A desktop-sized window: start, keys, mouse, menu, frame rate, the end.

async function desktopWindow() {
  const s = await openPage({ viewport: { width: 1400, height: 900 } });
  const { page } = s;
  await s.started();
  const firstFrameMs = await page.evaluate(() => velmir.firstFrameMs);
  figures.push(`first frame ${Math.round(firstFrameMs)} ms after navigation`);
  check('first frame within 10 s', firstFrameMs < 10000, `${Math.round(firstFrameMs)} ms`);
  const initial = await s.shot();
  const initialSun = sunAtCentre(initial);
  check('the sun is drawn textured at the centre', initialSun.count > 1500 && initialSun.spread > 8,
        `${initialSun.count} warm pixels, spread ${initialSun.spread.toFixed(1)}`);
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
  await s.key('H');
  check('H prints the help byte for byte', (await s.waitForOutput((t) => t.length >= help.length)) === help);
  const overflow = await page.locator('#output').evaluate((e) => e.scrollWidth - e.clientWidth);
  check('every help line fits the output panel', overflow <= 0, `${overflow} pixels cut off`);
  check('an unknown key changes nothing', differing(initial, await s.key('q'), 0) === 0 && (await s.newOutput()) === '');

  // --- The left-button drag turns the view, by the same angle as the same drag on the phone.
  const from = await s.at(...phoneDrag.from), to = await s.at(...phoneDrag.to);
  await page.mouse.move(from.x, from.y);
  await s.act(() => page.mouse.down());
  const dragged = await s.act(() => page.mouse.move(to.x, to.y));
  await s.act(() => page.mouse.up());
  check('a left drag turns the view', differing(initial, dragged) > 20000);
  if (phoneDrag.picture) {
    check('a finger\'s drag on the phone\'s scaled picture turned it exactly as far',
          differing(dragged, phoneDrag.picture, 0) === 0, `${differing(dragged, phoneDrag.picture, 0)} pixels differ`);
  }
  await page.mouse.move(to.x, to.y);
  await s.act(() => page.mouse.down());
  await s.act(() => page.mouse.move(from.x, from.y));
  const back = await s.act(() => page.mouse.up());
  check('the drag back turns it back', agreement(back, initial).meanAbs < 0.2, describe(agreement(back, initial)));

  // --- Keys change the picture as on the desktop.
  const steppedOutput = s.waitForOutput((t) => t.includes('Frame 9,'));
  const stepped = await s.key('T');
  check('T takes ten steps of 0.01 and prints them', (await steppedOutput) === stepLines(0, 10));
  check('the bodies moved after T', differing(back, stepped) > 0);
  const noArrows = await s.key('M');
  check('M hides the motion arrows', differing(stepped, noArrows) > 50);
  check('M again shows them as before', differing(stepped, await s.key('M'), 0) === 0);
  const base = sunAtCentre(stepped), zoomed = sunAtCentre(await s.key('X', 'X'));
  check('X X zooms in on the sun', ratio(zoomed, base) > 1.35 && ratio(zoomed, base) < 1.75,
        `sun area x${ratio(zoomed, base).toFixed(2)}`);
  const unzoomed = sunAtCentre(await s.key('Z', 'Z'));
  const centre = await s.at(320, 240);
  await page.mouse.move(centre.x, centre.y);
  // One notch forward: a press and a release, two zoom steps, as X X. One zoom step per notch would
  // give x1.23, a notch seen twice x2.3.
  const wheeled = sunAtCentre(await s.act(() => page.mouse.wheel(0, -100)));
  check('one wheel notch zooms as far as two X', ratio(wheeled, unzoomed) > 1.35 && ratio(wheeled, unzoomed) < 1.75,
        `sun area x${ratio(wheeled, unzoomed).toFixed(2)}`);
  const wheeledBack = sunAtCentre(await s.act(() => page.mouse.wheel(0, 100)));
  check('a notch back zooms out again', Math.abs(ratio(wheeledBack, unzoomed) - 1) < 0.08);

  // --- SPACE runs the simulation against the clock; the log continues the step numbers.
  await s.newOutput();
  await s.key('Space');
  const running = await s.waitForOutput((t) => t.includes('Frame 10,'));
  check('SPACE starts the step log', running.startsWith('Frame 10, last dt='), running.split('\n')[0]);
  await s.waitForOutput((t) => t.split('\n').length > 20);
  const t0 = Date.now();
  const simulated = (await s.waitForOutput(() => Date.now() - t0 > 1500, 5000)).split('\n').filter(Boolean)
    .reduce((sum, line) => sum + Number(line.split('dt=')[1]), 0);
  const rate = simulated / ((Date.now() - t0) / 1000);
  check('the simulation keeps pace with the clock at time scale 1', rate > 0.5 && rate < 1.5, `rate ${rate.toFixed(2)}`);
  figures.push(`running at time scale 1: ${(await page.evaluate(() => velmir.fps)).toFixed(0)} frames per second`);
  for (let i = 0; i < 10; i++) await page.keyboard.press('.');
  const fast = await s.frames();
  await page.waitForFunction((m) => velmir.frames() > m + 2, fast, { timeout: 60000 });
  await sleep(2100); // a figure only: two of the page's one-second frame-rate readings
  figures.push(`running at time scale 1024: ${(await page.evaluate(() => velmir.fps)).toFixed(0)} frames per second`);
  await s.key('Space');
  await s.newOutput();
  await sleep(500);
  check('SPACE pauses it again', (await s.newOutput()) === '');
  const panelShows = (text) => page.locator('#output').evaluate((e, t) => e.textContent.includes(t), text);
  await page.locator('#show-steps').uncheck();
  await page.waitForFunction(() => !document.getElementById('output').textContent.includes('last dt='));
  check('the output panel shows the help, and hides the step log on request',
        (await panelShows('  only in "Look At" mode)')) && (await page.locator('#loading').isHidden()));
  await page.locator('#show-steps').check();

  // Paused, the program draws only when asked: an unknown key on every animation frame asks.
  const pausedFps = await page.evaluate(() => new Promise((resolve) => {
    const start = performance.now(), first = velmir.frames();
    (function ask() {
      window.dispatchEvent(new KeyboardEvent('keydown', { keyCode: 81, bubbles: true }));
      if (performance.now() - start < 2000) requestAnimationFrame(ask);
      else resolve(((velmir.frames() - first) * 1000) / (performance.now() - start));
    })();
  }));
  figures.push(`paused, a redraw asked for on every animation frame: ${pausedFps.toFixed(0)} frames per second`);

  // --- The pop-up menu: the same labels as the desktop's, entries acting like their keys.
  const menu = await s.openMenu();
  const labels = await menu.locator(':scope > .entry').evaluateAll((items) => items.map((e) => e.dataset.label));
  const mainLabels = ['&Camera Mode', 'Toggle Orbit &History Display', 'Toggle &Motion Display',
                      'C&lear All Object Histories', 'E&xit'];
  check('the right button opens the menu with its five entries', JSON.stringify(labels) === JSON.stringify(mainLabels),
        labels.join(' | '));
  await menu.locator(':scope > .entry').first().hover();
  const subLabels = await menu.locator('.entry .menu .entry').evaluateAll((items) => items.map((e) => e.dataset.label));
  const modeLabels = ['&Look At', 'Look At Object In &Velocity', 'Look At Object In &Acceleration',
                      'Look At Object A&nti Velocity', 'Look At Object An&ti Acceleration'];
  check('Camera Mode opens its submenu', JSON.stringify(subLabels) === JSON.stringify(modeLabels), subLabels.join(' | '));
  await page.keyboard.press('Escape');
  check('Escape closes the menu', (await page.locator('#velmir-menu').count()) === 0);

  const withTrails = await s.shot();
  const noTrails = await s.choose('Toggle Orbit &History Display');
  check('Toggle Orbit History hides the trails', differing(withTrails, noTrails) > 20);
  check('S shows them again', differing(withTrails, await s.key('S'), 0) === 0);
  const keyNoArrows = await s.key('M');
  await s.key('M');
  const menuNoArrows = await s.choose('Toggle &Motion Display');
  check('Toggle Motion Display hides the arrows as M does', differing(withTrails, menuNoArrows) > 0 &&
        differing(keyNoArrows, menuNoArrows, 0) === 0);
  await s.key('M');
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

  // The page as a whole, before the end: no layout shift once the picture is there, a clean console.
  const shifts = await page.evaluate((since) => window.layoutShifts.filter((e) => e.time > since)
    .map((e) => `${e.value.toFixed(4)} at ${e.time.toFixed(0)} ms`), firstFrameMs);
  check('nothing on the page moved after the first frame', shifts.length === 0, shifts.join(', '));
  check('a clean console: no warning, error or failed request',
        s.console.length + s.errors.length + s.failedRequests.length === 0,
        [...s.console, ...s.errors, ...s.failedRequests].join('; '));

  // --- Exit: the program ends; afterwards nothing it does can be seen or heard.
  const last = await s.shot();
  const menuEnd = await s.openMenu();
  await menuEnd.locator(':scope > .entry[data-label="E&xit"]').click();
  await page.waitForFunction(() => velmir.exitStatus !== null, null, { timeout: 10000 });
  const status = await page.evaluate(() => velmir.exitStatus);
  check('Exit ends the program with status 0', status === 0 && (await page.locator('#ended').isVisible()), `status ${status}`);
  // The canvas as shown, without the notice over it, once the browser has shown two more frames.
  const onScreen = async () => {
    await page.evaluate(() => new Promise((resolve) => {
      document.getElementById('ended').style.visibility = 'hidden';
      requestAnimationFrame(() => requestAnimationFrame(resolve));
    }));
    const box = await s.canvas.boundingBox();
    const png = await page.screenshot({ clip: { x: Math.round(box.x), y: Math.round(box.y), width: 640, height: 480 } });
    await page.evaluate(() => { document.getElementById('ended').style.visibility = ''; });
    return picture(await page.evaluate((b) => decodePng(b), png.toString('base64')));
  };
  const endFrames = await s.frames();
  const endPicture = await onScreen();
  check('the last picture stays under the notice', agreement(endPicture, last).within16 > 0.99,
        describe(agreement(endPicture, last)));
  await s.newOutput();
  for (const k of ['H', 'Space', 'T', 'X', 'M']) await page.keyboard.press(k);
  const c = await s.at(320, 240), corner = await s.at(600, 440);
  await page.mouse.click(c.x, c.y);
  await page.mouse.click(c.x, c.y, { button: 'right' });
  await page.mouse.move(c.x, c.y);
  await page.mouse.wheel(0, -100);
  await page.mouse.down(); // a drag across the notice's text
  await page.mouse.move(corner.x, corner.y, { steps: 5 });
  await page.mouse.up();
  await sleep(2000); // what an ended program must not do has no event to wait for
  const afterEnd = await onScreen();
  check('after Exit, keys, clicks, the wheel and a drag change no pixel, draw and print nothing for 2 s',
        differing(endPicture, afterEnd, 0) === 0 && (await s.frames()) === endFrames && (await s.newOutput()) === '' &&
        (await page.locator('#velmir-menu').count()) === 0, `${differing(endPicture, afterEnd, 0)} pixels changed`);
  check('a drag over the notice selects none of its text',
        (await page.evaluate(() => String(window.getSelection()))) === '');
  check('no script errors on the page', s.errors.length === 0, s.errors.join('; '));
  await s.context.close();
}

// --- A phone: 390 x 844 with touch. The picture fits the width, the panel goes below it, touch
// turns, zooms and opens the menu, and the buttons do what their keys do.

async function phone() {
  const s = await openPage({ viewport: { width: 390, height: 844 }, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  const { page } = s;
  await s.started();
  const layout = await page.evaluate(() => {
    const box = (id) => document.getElementById(id).getBoundingClientRect();
    const c = box('canvas');
    return { left: c.left, right: c.right, width: c.width, height: c.height, sideTop: box('side').top,
             controlsBottom: box('controls').bottom, pageWidth: document.documentElement.scrollWidth };
  });
  check('on a 390-pixel screen the picture fits its width with its aspect kept', layout.left >= 0 &&
        layout.right <= 390 && layout.width > 300 && Math.abs(layout.height - (layout.width * 3) / 4) < 1 &&
        layout.pageWidth <= 390, `${layout.width.toFixed(0)} x ${layout.height.toFixed(0)}, page ${layout.pageWidth} wide`);
  check('the panel goes below the picture and its buttons', layout.sideTop >= layout.controlsBottom);
  const initial = await s.shot();

  // One finger drags as the left button. A page reports whole CSS pixels, so on a scaled picture a
  // finger lands on the canvas pixel its whole-pixel position maps to; the desktop repeats the drag
  // between the same canvas pixels.
  const cdp = await s.context.newCDPSession(page);
  const touch = (type, points) => cdp.send('Input.dispatchTouchEvent',
    { type, touchPoints: points.map(([x, y], id) => ({ x, y, id })) });
  const box = await page.evaluate(() => JSON.parse(JSON.stringify(document.getElementById('canvas').getBoundingClientRect())));
  const onPage = ([x, y]) => [Math.round(box.left + ((x + 0.5) * box.width) / 640), Math.round(box.top + ((y + 0.5) * box.height) / 480)];
  const onCanvas = ([x, y]) => [Math.floor(((x - box.left) * 640) / box.width), Math.floor(((y - box.top) * 480) / box.height)];
  const [from, to] = [onPage(phoneDrag.from), onPage(phoneDrag.to)];
  Object.assign(phoneDrag, { from: onCanvas(from), to: onCanvas(to) });
  // A finger that rests longer than the long press before it moves opens the menu instead; on a
  // loaded machine the frame between the two can take that long, so the drag gets all the time.
  const longPressMs = await page.evaluate(() => velmir.longPressMs);
  await page.evaluate(() => { velmir.longPressMs = 1e9; });
  await s.act(() => touch('touchStart', [from]));
  phoneDrag.picture = await s.act(() => touch('touchMove', [to]));
  await s.act(() => touch('touchEnd', []));
  await page.evaluate((ms) => { velmir.longPressMs = ms; }, longPressMs);
  check('a one-finger drag turns the view', differing(initial, phoneDrag.picture) > 20000);
  // The mouse on the scaled picture: dragging back restores the first view.
  await page.mouse.move(...to);
  await s.act(() => page.mouse.down());
  await s.act(() => page.mouse.move(...from));
  const back = await s.act(() => page.mouse.up());
  check('a mouse drag back on the scaled picture turns it back', agreement(back, initial).meanAbs < 0.2,
        describe(agreement(back, initial)));

  // Two fingers: apart zooms in, together zooms out, in wheel notches (a quarter of their distance each).
  const c = await s.at(320, 240);
  const pair = (d) => [[c.x - d, c.y], [c.x + d, c.y]];
  await touch('touchStart', pair(40));
  const pinched = sunAtCentre(await s.act(() => touch('touchMove', pair(40 * 1.25 * 1.25 + 2))));
  await touch('touchEnd', []);
  const unpinchedBase = sunAtCentre(back);
  check('spreading two fingers zooms in two notches', ratio(pinched, unpinchedBase) > 1.8 &&
        ratio(pinched, unpinchedBase) < 3.2, `sun area x${ratio(pinched, unpinchedBase).toFixed(2)}`);
  await touch('touchStart', pair(60));
  const unpinched = await s.act(() => touch('touchMove', pair(60 / 1.25 / 1.25 - 2)));
  await touch('touchEnd', []);
  check('closing them zooms out as far', Math.abs(ratio(sunAtCentre(unpinched), unpinchedBase) - 1) < 0.1,
        `sun area x${ratio(sunAtCentre(unpinched), unpinchedBase).toFixed(2)}`);

  // A long press opens the menu where the finger is; a tap chooses. The Menu button opens it too.
  const menu = page.locator('#velmir-menu');
  const toggleMotion = menu.locator(':scope > .entry[data-label="Toggle &Motion Display"]');
  await touch('touchStart', [[c.x, c.y]]);
  await menu.waitFor({ timeout: 10000 });
  await touch('touchEnd', []);
  const menuBox = await menu.boundingBox();
  check('a long press opens the menu where the finger is, inside the screen',
        Math.abs(menuBox.y - c.y) < 2 && menuBox.x >= 0 && menuBox.x + menuBox.width <= 390,
        `menu at ${menuBox.x.toFixed(0)}, ${menuBox.y.toFixed(0)}, ${menuBox.width.toFixed(0)} wide`);
  const arrowsOff = await s.act(() => toggleMotion.tap());
  check('a tap on Toggle Motion Display hides the arrows', differing(unpinched, arrowsOff) > 50);
  await page.locator('#menu-button').tap();
  const labels = await menu.locator(':scope > .entry').evaluateAll((items) => items.map((e) => e.dataset.label));
  const arrowsOn = await s.act(() => toggleMotion.tap());
  check('the Menu button opens the same menu', labels.length === 5 && differing(unpinched, arrowsOn, 0) === 0,
        labels.join(' | '));
  await cdp.detach();

  // Each button against its key: the same picture and the same output, from the same state.
  // Zooming in and out again does not land exactly where it started, so X and Z are compared by how
  // far they zoom; the other keys undo themselves, or do the same again from where they left it.
  const tap = (k) => s.act(() => page.locator(`#controls button[data-key="${k}"]`).tap());
  const press = (k) => s.key(k === ',' ? 'Comma' : k === '.' ? 'Period' : k);
  const mismatched = [];
  for (const k of ['x', 'z']) {
    const zooms = async (input) => {
      const before = sunAtCentre(await s.shot());
      return ratio(sunAtCentre(await input()), before);
    };
    const byButton = await zooms(() => tap(k)), byKey = await zooms(() => press(k));
    if (Math.abs(byButton - byKey) > 0.03 || (await s.newOutput()) !== '') mismatched.push(`${k}: x${byButton.toFixed(3)} against x${byKey.toFixed(3)}`);
  }
  const undo = { n: 'p', p: 'n', s: 's', m: 'm' };
  for (const k of ['n', 'p', 's', 'm', 'c', 'h', '.', ',']) {
    const byButton = await tap(k);
    const buttonOutput = await s.newOutput();
    if (undo[k]) await press(undo[k]);
    const byKey = await press(k);
    const keyOutput = await s.newOutput();
    if (differing(byButton, byKey, 0) !== 0 || buttonOutput !== keyOutput) mismatched.push(`${k}: ${differing(byButton, byKey, 0)} pixels`);
  }
  await s.act(() => page.locator('#controls button[data-key="t"]').tap());
  const buttonSteps = await s.waitForOutput((t) => t.split('\n').length > 10);
  if (!/^(Frame \d+, last dt=0\.01\n){10}$/.test(buttonSteps)) mismatched.push('t');
  await s.act(() => page.locator('#controls button[data-key=" "]').tap());
  if (!(await s.waitForOutput((t) => t.includes('Frame'))).includes('Frame')) mismatched.push('space');
  await s.act(() => page.locator('#controls button[data-key=" "]').tap());
  check('each button gives the same picture and output as its key', mismatched.length === 0,
        mismatched.join(' '));
  const overflow = await page.locator('#output').evaluate((e) => e.scrollWidth - e.clientWidth);
  check('on the phone too, every output line fits its panel', overflow <= 0, `${overflow} pixels cut off`);
  check('no script errors on the phone', s.errors.length === 0, s.errors.join('; '));
  await s.context.close();
}

// --- A start over a 20 Mbit/s connection: what the page fetches before its first picture, how long
// that takes, and the textures the program then reads, against the desktop's files byte for byte.

async function slowConnection() {
  const s = await openPage({ viewport: { width: 1400, height: 900 } }, `${origin}/paced/`);
  await s.started();
  const fetched = link.sent;
  const firstFrameMs = await s.page.evaluate(() => velmir.firstFrameMs);
  figures.push(`over 20 Mbit/s: first frame ${Math.round(firstFrameMs)} ms after navigation, ` +
               `${fetched.toLocaleString('en')} bytes fetched before it`);
  check('everything fetched before the first picture is at most 8 MB', fetched <= 8e6 && firstFrameMs !== null,
        `${fetched.toLocaleString('en')} bytes`);
  if (textureDir) {
    const names = fs.readdirSync(textureDir).filter((n) => n.endsWith('.bmp'));
    const differ = await s.page.evaluate(async (list) => {
      const out = [];
      for (const name of list) {
        const desktop = new Uint8Array(await (await fetch(`/desktop-textures/${name}`)).arrayBuffer());
        const inPage = Module.FS.readFile(`/${name}`);
        let same = desktop.length === inPage.length;
        for (let i = 0; same && i < desktop.length; i++) same = desktop[i] === inPage[i];
        if (!same) out.push(`${name} (${inPage.length} bytes against ${desktop.length})`);
      }
      return out;
    }, names);
    check(`the program reads the desktop's ${names.length} textures byte for byte`, names.length > 0 && differ.length === 0,
          differ.join(', '));
  }
  check('no script errors over the slow connection', s.errors.length === 0, s.errors.join('; '));
  await s.context.close();
}

// --- Starts that cannot succeed: each says why on the page, and the progress bar stops.

async function failedStart(name, url, words, chromiumPage = browser) {
  const context = await chromiumPage.newContext();
  const page = await context.newPage();
  await page.goto(url);
  await page.waitForFunction(() => window.velmir && (velmir.failure !== null || velmir.firstFrameMs !== null),
                             null, { timeout: 60000 });
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
  }
}
try {
  const withPaths = buildPathsInSite();
  check('no file of the site holds a path of the build machine', withPaths.length === 0, withPaths.join(', '));
  await part('the phone', phone);
  await part('the desktop-sized window', desktopWindow);
  await part('the slow connection', slowConnection);
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
    const noWebGl = await launch(['--disable-3d-apis']);
    await failedStart('a browser without WebGL', `${origin}/`, ['no WebGL', 'settings'], noWebGl).finally(() => noWebGl.close());
  });
} finally {
  await browser.close();
  server.close();
}

for (const figure of figures) console.log(`measured: ${figure}`);
const failed = results.filter((ok) => !ok).length;
console.log(`browser test: ${results.length - failed} of ${results.length} checks passed${failed ? `, ${failed} FAILED` : ''}`);
process.exit(failed ? 1 : 0);
