// The browser build in a real browser: headless Chromium (software WebGL) opens the built page and
// checks what a user sees and reads. Usage: node browser_test.mjs SITE_DIR [--desktop SHOT.png]
// With --desktop it also compares the first picture with a desktop screenshot of the initial system.
// Prints one line per check, the measured figures, and a summary; exits non-zero on any failure.
import { chromium } from 'playwright-core';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

const site = path.resolve(process.argv[2] ?? '');
const desktopIndex = process.argv.indexOf('--desktop');
const desktopShot = desktopIndex > 0 ? process.argv[desktopIndex + 1] : null;
if (!fs.existsSync(path.join(site, 'index.html'))) {
  console.error(`usage: node browser_test.mjs SITE_DIR [--desktop SHOT.png] (no index.html in ${site})`);
  process.exit(2);
}

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm' };
const server = http.createServer((request, response) => {
  const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
  const file = path.join(site, path.normalize(name.endsWith('/') ? `${name}index.html` : name));
  if (!file.startsWith(site)) return response.writeHead(403).end();
  fs.readFile(file, (error, data) => {
    if (error) return response.writeHead(404).end();
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
    response.end(data);
  });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));

const browser = await chromium.launch({
  executablePath: process.env.VELMIR_CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  // SwiftShader through ANGLE gives WebGL without a GPU; the rest keeps Chromium off the network.
  args: ['--no-sandbox', '--use-gl=angle', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
         '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update',
         '--disable-sync'], // Playwright gives every launch a fresh profile of its own
});
const page = await browser.newPage({ viewport: { width: 1400, height: 900 } });
const pageErrors = [];
page.on('pageerror', (error) => pageErrors.push(error.message));

const results = [];
const figures = [];
function check(name, ok, detail = '') {
  results.push(ok);
  console.log(`${ok ? 'PASS' : 'FAIL'} ${name}${detail ? ` (${detail})` : ''}`);
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const canvas = page.locator('#canvas');

// Pictures are decoded and compared inside the page, where the image APIs are.
await page.addInitScript(() => {
  window.shots = {};
  window.decodeShot = async (name, base64) => {
    const image = new Image();
    image.src = `data:image/png;base64,${base64}`;
    await image.decode();
    const c = document.createElement('canvas');
    c.width = image.width;
    c.height = image.height;
    const context = c.getContext('2d');
    context.drawImage(image, 0, 0);
    window.shots[name] = context.getImageData(0, 0, c.width, c.height);
  };
  // Pixels whose colour differs in any channel by more than the tolerance.
  window.differing = (a, b, tolerance) => {
    const p = window.shots[a].data, q = window.shots[b].data;
    let n = 0;
    for (let i = 0; i < p.length; i += 4)
      if (Math.abs(p[i] - q[i]) > tolerance || Math.abs(p[i + 1] - q[i + 1]) > tolerance ||
          Math.abs(p[i + 2] - q[i + 2]) > tolerance) n++;
    return n;
  };
  // The sun's warm pixels near the centre, where the followed body is drawn, and how varied their red
  // is (a textured sun, not a flat disc).
  window.sunAtCentre = (name, radius = 120) => {
    const { data, width, height } = window.shots[name];
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
  };
  // Per-pixel agreement of two pictures, over the whole or over a square of the given half-size
  // around the centre: mean absolute difference per channel, and the shares of pixels whose largest
  // channel difference is within 16 and within 48.
  window.compareWith = (a, b, half = 0) => {
    const { data: p, width, height } = window.shots[a];
    const q = window.shots[b].data;
    const [x0, x1, y0, y1] = half ? [width / 2 - half, width / 2 + half, height / 2 - half, height / 2 + half]
                                  : [0, width, 0, height];
    let total = 0, within16 = 0, within48 = 0;
    for (let y = y0; y < y1; y++)
      for (let x = x0; x < x1; x++) {
        const i = (y * width + x) * 4;
        const r = Math.abs(p[i] - q[i]), g = Math.abs(p[i + 1] - q[i + 1]), b = Math.abs(p[i + 2] - q[i + 2]);
        total += r + g + b;
        if (Math.max(r, g, b) <= 16) within16++;
        if (Math.max(r, g, b) <= 48) within48++;
      }
    const pixels = (x1 - x0) * (y1 - y0);
    return { meanAbs: total / (3 * pixels), within16: within16 / pixels, within48: within48 / pixels };
  };
});

const frames = () => page.evaluate(() => velmir.frames());
// A picture of the canvas once what the last input asked for has been drawn.
async function shot(name) {
  const before = await frames();
  await sleep(150);
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
  if ((await frames()) === before) await sleep(50);
  // The canvas's own pixels: its box may start at a fractional position, the picture may not.
  const box = await canvas.boundingBox();
  const png = await page.screenshot({ clip: { x: Math.round(box.x), y: Math.round(box.y), width: 640, height: 480 } });
  if (process.env.VELMIR_SHOTS) fs.writeFileSync(path.join(process.env.VELMIR_SHOTS, `${name}.png`), png);
  await page.evaluate(([n, b]) => window.decodeShot(n, b), [name, png.toString('base64')]);
  return name;
}
const differing = (a, b, tolerance = 8) => page.evaluate(([x, y, t]) => window.differing(x, y, t), [a, b, tolerance]);
const sun = (name) => page.evaluate((n) => window.sunAtCentre(n), name);

let mark = 0;
// What the program printed since the last call, as text with a newline after each line.
async function newOutput() {
  const { lines, count } = await page.evaluate((from) => {
    const dropped = velmir.lineCount - velmir.output.length;
    return { lines: velmir.output.slice(Math.max(0, from - dropped)), count: velmir.lineCount };
  }, mark);
  mark = count;
  return lines.map((line) => `${line}\n`).join('');
}
async function waitForOutput(predicate, timeout = 10000) {
  const end = Date.now() + timeout;
  let text = '';
  while (Date.now() < end) {
    text += await newOutput();
    if (predicate(text)) return text;
    await sleep(50);
  }
  return text;
}
async function key(...keys) {
  for (const k of keys) await page.keyboard.press(k);
}
const stepLines = (first, count) =>
  Array.from({ length: count }, (_, i) => `Frame ${first + i}, last dt=0.01\n`).join('');

try {
  // --- Start-up: the first frame, the textured sun in the middle, nothing printed.
  const started = Date.now();
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => velmir.firstFrameMs !== null, null, { timeout: 30000 });
  const firstFrameMs = await page.evaluate(() => velmir.firstFrameMs);
  figures.push(`first frame ${Math.round(firstFrameMs)} ms after navigation (${Date.now() - started} ms as seen by the test)`);
  check('first frame within 10 s', firstFrameMs < 10000, `${Math.round(firstFrameMs)} ms`);
  await canvas.click({ position: { x: 5, y: 5 } }); // focus, as a user would; a left click changes nothing
  await shot('initial');
  const initialSun = await sun('initial');
  check('the sun is drawn textured at the centre', initialSun.count > 1500 && initialSun.spread > 8,
        `${initialSun.count} warm pixels, spread ${initialSun.spread.toFixed(1)}`);
  await sleep(500);
  check('nothing printed at start-up (all textures read)', (await newOutput()) === '');
  if (desktopShot) {
    await page.evaluate(([n, b]) => window.decodeShot(n, b), ['desktop', fs.readFileSync(desktopShot).toString('base64')]);
    const describe = (c) => `mean absolute difference ${c.meanAbs.toFixed(2)} of 255 per channel, ` +
      `${(100 * c.within16).toFixed(2)} % of pixels within 16, ${(100 * c.within48).toFixed(2)} % within 48`;
    const whole = await page.evaluate(() => window.compareWith('initial', 'desktop'));
    const centre = await page.evaluate(() => window.compareWith('initial', 'desktop', 40));
    figures.push(`initial system vs desktop, whole picture: ${describe(whole)}`);
    figures.push(`initial system vs desktop, the sun (80 x 80 pixels at the centre): ${describe(centre)}`);
    // Rasterisers differ in texture filtering and edge coverage, not in what is where: a swapped
    // colour order, a mirrored texture or a turned sphere moves these figures far.
    check('the first picture matches the desktop\'s', whole.meanAbs < 3 && whole.within16 > 0.95 &&
          centre.meanAbs < 6 && centre.within48 > 0.95, `${describe(whole)}; sun: ${describe(centre)}`);
  }

  // --- Help, byte for byte.
  const help = [
    'Key Commands:', '-----------------', "SPACE - toggles the simulation's paused state",
    '  T   - steps the simulation a few steps', '  Z   - zooms the camera out', '  X   - zooms the camera in',
    '  N   - snaps the camera to the next target', "  C   - clears all objects' orbit histories",
    "  M   - toggles display of objects' motion vectors", '  P   - snaps the camera to the previous target',
    "  S   - toggles drawing of all objects' orbit histories", "  .   - increases the simulation's time scale",
    "  ,   - decreases the simulation's tiem scale", '  H   - prints this helpful information', '',
    '* To rotate the view, click and drag with the LEFT mouse button (but', '  only in "Look At" mode)',
  ].map((line) => `${line}\n`).join('');
  await key('H');
  check('H prints the help byte for byte', (await waitForOutput((t) => t.length >= help.length)) === help);
  await key('q');
  check('an unknown key changes nothing', (await differing('initial', await shot('after-q'), 0)) === 0 &&
        (await newOutput()) === '');

  // --- Keys change the picture as on the desktop.
  await key('T');
  check('T takes ten steps of 0.01 and prints them', (await waitForOutput((t) => t.includes('Frame 9,'))) === stepLines(0, 10));
  const stepped = await shot('stepped');
  check('the bodies moved after T', (await differing('initial', stepped)) > 0);
  await key('M');
  const noArrows = await shot('no-arrows');
  check('M hides the motion arrows', (await differing(stepped, noArrows)) > 50);
  await key('M');
  check('M again shows them as before', (await differing(stepped, await shot('arrows-again'), 0)) === 0);
  await key('X', 'X');
  const zoomed = await sun(await shot('zoomed'));
  const base = await sun(stepped);
  check('X X zooms in on the sun', zoomed.count / base.count > 1.35 && zoomed.count / base.count < 1.75,
        `sun area x${(zoomed.count / base.count).toFixed(2)}`);
  await key('Z', 'Z');
  await shot('unzoomed');
  await page.mouse.move(320 + (await canvas.boundingBox()).x, 240 + (await canvas.boundingBox()).y);
  await page.mouse.wheel(0, -100); // one notch forward: a press and a release, two zoom steps, as X X
  const wheeled = await sun(await shot('wheeled'));
  const unzoomed = await sun('unzoomed');
  // One zoom step per notch would give x1.23, a notch seen twice x2.3.
  check('one wheel notch zooms as far as two X', wheeled.count / unzoomed.count > 1.35 && wheeled.count / unzoomed.count < 1.75,
        `sun area x${(wheeled.count / unzoomed.count).toFixed(2)}`);
  await page.mouse.wheel(0, 100);
  check('a notch back zooms out again',
        Math.abs((await sun(await shot('wheeled-back'))).count - unzoomed.count) / unzoomed.count < 0.08);

  // --- SPACE runs the simulation against the clock; the log continues the step numbers.
  await newOutput();
  await key('Space');
  const running = await waitForOutput((t) => t.includes('Frame 10,'));
  check('SPACE starts the step log', running.startsWith('Frame 10, last dt='), running.split('\n')[0]);
  await sleep(300);
  await newOutput();
  const t0 = Date.now();
  await sleep(1500);
  const simulated = (await newOutput()).split('\n').filter(Boolean)
    .reduce((sum, line) => sum + Number(line.split('dt=')[1]), 0);
  const rate = simulated / ((Date.now() - t0) / 1000);
  check('the simulation keeps pace with the clock at time scale 1', rate > 0.5 && rate < 1.5, `rate ${rate.toFixed(2)}`);
  figures.push(`running at time scale 1: ${(await page.evaluate(() => velmir.fps)).toFixed(0)} frames per second`);
  for (let i = 0; i < 10; i++) await key('.');
  await sleep(3200);
  figures.push(`running at time scale 1024: ${(await page.evaluate(() => velmir.fps)).toFixed(0)} frames per second`);
  await key('Space');
  await sleep(400);
  await newOutput();
  await sleep(500);
  check('SPACE pauses it again', (await newOutput()) === '');
  const panel = page.locator('#output');
  const panelShows = (text) => panel.evaluate((e, t) => e.textContent.includes(t), text);
  await page.locator('#show-steps').uncheck();
  check('the output panel shows the help, and hides the step log on request',
        (await panelShows('  only in "Look At" mode)')) && !(await panelShows('last dt=')) &&
        (await page.locator('#loading').isHidden()));
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
  const openMenu = async () => {
    await canvas.click({ button: 'right', position: { x: 100, y: 100 } });
    return page.locator('#velmir-menu');
  };
  const choose = async (...labels) => {
    const menu = await openMenu();
    let scope = menu;
    for (const label of labels.slice(0, -1)) {
      const parent = scope.locator(`:scope > .entry[data-label="${label}"]`);
      await parent.hover();
      scope = parent.locator(':scope > .menu');
    }
    await scope.locator(`:scope > .entry[data-label="${labels[labels.length - 1]}"]`).click();
  };
  const menu = await openMenu();
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

  const withTrails = await shot('with-trails');
  await choose('Toggle Orbit &History Display');
  const noTrails = await shot('no-trails');
  check('Toggle Orbit History hides the trails', (await differing(withTrails, noTrails)) > 20);
  await key('S');
  check('S shows them again', (await differing(withTrails, await shot('trails-again'), 0)) === 0);
  await key('M');
  const keyNoArrows = await shot('key-no-arrows');
  await key('M');
  await choose('Toggle &Motion Display');
  const menuNoArrows = await shot('menu-no-arrows');
  check('Toggle Motion Display hides the arrows as M does', (await differing(withTrails, menuNoArrows)) > 0 &&
        (await differing(keyNoArrows, menuNoArrows, 0)) === 0);
  await key('M');
  await choose('C&lear All Object Histories');
  check('Clear All Object Histories empties the trails', (await differing(noTrails, await shot('cleared'), 0)) === 0);
  await choose('&Camera Mode', 'Look At Object In &Velocity');
  const velocity = await shot('velocity');
  check('Look At Object In Velocity turns the view', (await differing('cleared', velocity)) > 1000);
  await choose('&Camera Mode', 'Look At Object A&nti Velocity');
  check('Look At Object Anti Velocity turns it round', (await differing(velocity, await shot('anti'))) > 1000);
  await choose('&Camera Mode', 'Look At Object In &Velocity');
  await choose('&Camera Mode', '&Look At');
  check('Look At keeps the view where the riding mode left it', (await differing(velocity, await shot('free'), 0)) === 0);
  check('the menu stepped nothing', (await newOutput()) === '');
  await choose('E&xit');
  await page.waitForFunction(() => velmir.exitStatus !== null, null, { timeout: 5000 }).catch(() => {});
  const status = await page.evaluate(() => velmir.exitStatus);
  check('Exit ends the program with status 0', status === 0 && (await page.locator('#ended').isVisible()), `status ${status}`);
  check('no script errors on the page', pageErrors.length === 0, pageErrors.join('; '));
} catch (error) {
  check('the run completed', false, error.message.split('\n')[0]);
} finally {
  await browser.close();
  server.close();
}

for (const figure of figures) console.log(`measured: ${figure}`);
const failed = results.filter((ok) => !ok).length;
console.log(`browser test: ${results.length - failed} of ${results.length} checks passed${failed ? `, ${failed} FAILED` : ''}`);
process.exit(failed ? 1 : 0);
