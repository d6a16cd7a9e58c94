// Packs the textures for the page, small, each as the image that is smallest while it stays close to
// the BMP file the desktop reads: lossy WebP at some quality, near-lossless WebP, or lossless WebP,
// whichever is smallest with a PSNR of at least 40 dB against the file's own pixels, measured on the
// image decoded back (dwebp, the decoder the browsers use) rather than on what the coder reports. A
// lossy image holds true colours (red first); the others the file's bytes as they are. The page puts
// the file back together from the decoded pixels and its header, which the table keeps. velmir.data
// holds the images end to end and velmir-data.json says where each one begins and ends, so the page
// can check that all of it arrived. A table of what was chosen is printed as it packs.
//
// The sky is mostly a dark background, dithered pixel by pixel with a hash of the pixel's place:
// that noise is nearly all a lossless coder would spend its bytes on. So a lossless image may be of
// the file's difference from a prediction that knows the dither (texture-codec.js), where that is
// smaller than the file's pixels as they are.
//
// The first picture does not wait for all that: velmir-preview.data holds a small lossy version of
// each texture (the sky at half its size, the bodies, which are a few dozen pixels across at first,
// at an eighth), which the page draws first and replaces with the full ones as they arrive. The full
// ones are packed sky first: its hand-over is the longest (a quarter of a second's decoding, then its
// bands a frame each), and behind the sun it kept the full picture waiting after the last byte. Then
// the sun at the picture's centre, then the rest.
// Usage: node pack_textures.mjs TEXTURE_DIR SITE_DIR CWEBP DWEBP
import { execFile } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';
import { promisify } from 'node:util';

const require = createRequire(import.meta.url);
const codec = require('./page/texture-codec.js');
const run = promisify(execFile);
const [textureDir, siteDir, cwebp, dwebp] = process.argv.slice(2);
const fail = (message) => {
  console.error(`pack_textures: ${message}`);
  process.exit(1);
};
if (!dwebp) fail('usage: node pack_textures.mjs TEXTURE_DIR SITE_DIR CWEBP DWEBP');

// The least PSNR, in dB, a texture may come with: below it the lossy coders' losses start to show as
// colour shifts on the saturated bodies (the sun, the earth), above it no one tells them apart.
const leastPsnr = 40;
// Chromium's conversion of the blocky colours to RGB rounds a little differently from dwebp's: its
// PSNR came up to 0.15 dB below dwebp -nofancy's, which this allows for.
const chromiumMargin = 0.25;
const shownFirst = ['skybox.bmp', 'sun.bmp'];
const rank = (name) => (shownFirst.includes(name) ? shownFirst.indexOf(name) : shownFirst.length);
const names = fs.readdirSync(textureDir).filter((n) => n.endsWith('.bmp')).sort().sort((a, b) => rank(a) - rank(b));
if (names.length === 0) fail(`no textures in ${textureDir}`);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'velmir-pack-'));

const ppmOf = (width, height, bytes) => Buffer.concat([Buffer.from(`P6\n${width} ${height}\n255\n`), bytes]);
// A WebP of the given bytes, three to a pixel in the order they are in: lossless (no colour meaning),
// or with options, e.g. a lossy one made smaller.
async function webp(width, height, bytes, name, options = ['-lossless', '-z', '8', '-exact']) {
  const ppm = path.join(work, `${name}.ppm`), out = path.join(work, `${name}.webp`);
  fs.writeFileSync(ppm, ppmOf(width, height, bytes));
  await run(cwebp, ['-quiet', ...options, ppm, '-o', out]);
  fs.rmSync(ppm);
  return fs.readFileSync(out);
}
// A WebP image's samples as a browser decodes them, three bytes a pixel. A lossy image's colours
// are stored at half resolution: Firefox (and dwebp) interpolate them smoothly back up, Chromium's
// ImageDecoder takes each for its two by two pixels, as dwebp does when told -nofancy.
async function decoded(image, name, options = []) {
  const file = path.join(work, `${name}.webp`), ppm = path.join(work, `${name}-decoded.ppm`);
  fs.writeFileSync(file, image);
  await run(dwebp, ['-quiet', ...options, file, '-ppm', '-o', ppm]);
  const data = fs.readFileSync(ppm);
  fs.rmSync(ppm);
  // dwebp writes "P6\nWIDTH HEIGHT\n255\n" before the samples
  let at = 0;
  for (let lines = 0; lines < 3; lines++) at = data.indexOf(10, at) + 1;
  return data.subarray(at);
}
// PSNR in dB of samples against the file's pixels (Infinity when they are the same); swapped: the
// samples are red first, the file's pixels blue first.
function psnr(pixels, samples, swapped) {
  if (samples.length !== pixels.length) return -Infinity;
  let squares = 0;
  for (let i = 0; i < pixels.length; i += 3) {
    const r = samples[swapped ? i + 2 : i] - pixels[i], g = samples[i + 1] - pixels[i + 1], b = samples[swapped ? i : i + 2] - pixels[i + 2];
    squares += r * r + g * g + b * b;
  }
  return squares === 0 ? Infinity : 10 * Math.log10((255 * 255 * pixels.length) / squares);
}

// The smallest image of a texture that is close enough to its pixels, with what it is. Each kind is
// searched from its smallest end and stops at its first image close enough, or once its images are
// no smaller than the best so far: lossy WebP by bisecting the quality (PSNR grows with it),
// near-lossless at each of the coder's five distinct levels (20, 40, ... mean the same as 39, 59, ...),
// and lossless, as the pixels are and as their difference from the dither's prediction.
async function smallest(name, width, height, pixels, background) {
  const rgb = Buffer.from(pixels);
  for (let i = 0; i < rgb.length; i += 3) [rgb[i], rgb[i + 2]] = [rgb[i + 2], rgb[i]];
  let best = null;
  const consider = (image, psnrDb, encoding, fields = {}) => {
    if (psnrDb >= leastPsnr && (!best || image.length < best.image.length)) best = { image, psnr: psnrDb, encoding, fields };
  };
  const lossy = async (q) => {
    const image = await webp(width, height, rgb, `${name}-q${q}`, ['-q', `${q}`, '-m', '6', '-sharp_yuv']);
    const [smooth, blocky] = [await decoded(image, `${name}-q${q}`), await decoded(image, `${name}-q${q}`, ['-nofancy'])];
    return { image, psnr: Math.min(psnr(pixels, smooth, true), psnr(pixels, blocky, true) - chromiumMargin) };
  };
  // Qualities below 50 are far below 40 dB for every texture the generator paints.
  let low = 50, high = 100, found = await lossy(high);
  if (found.psnr >= leastPsnr) {
    while (high - low > 1) {
      const middle = (low + high) >> 1, tried = await lossy(middle);
      if (tried.psnr >= leastPsnr) [high, found] = [middle, tried];
      else low = middle;
    }
    consider(found.image, found.psnr, `lossy q${high}`, { rgb: true });
  }
  // A lossless image at full effort takes tens of seconds for the sky; made at the least effort first
  // (a second), one more than twice the size of the best so far is not worth it: full effort saves
  // about a quarter.
  const worthIt = async (bytes, label, options) => !best ||
    (await webp(width, height, bytes, `${name}-${label}-quick`, ['-lossless', '-z', '0', ...options])).length < 2 * best.image.length;
  for (const level of [0, 20, 40, 60, 80]) {
    if (!(await worthIt(pixels, `near${level}`, ['-near_lossless', `${level}`]))) break;
    const image = await webp(width, height, pixels, `${name}-near${level}`, ['-lossless', '-z', '8', '-near_lossless', `${level}`]);
    if (best && image.length >= best.image.length) break;
    const measured = psnr(pixels, await decoded(image, `${name}-near${level}`), false);
    consider(image, measured, `near-lossless ${level}`);
    if (measured >= leastPsnr) break;
  }
  if (await worthIt(pixels, 'plain', ['-exact'])) {
    const plain = await webp(width, height, pixels, `${name}-plain`);
    consider(plain, psnr(pixels, await decoded(plain, `${name}-plain`), false), 'lossless');
  }
  const misses = codec.encode(width, height, pixels, background);
  const predicted = (await worthIt(misses, 'predicted', ['-exact'])) ? await webp(width, height, misses, `${name}-predicted`) : null;
  if (predicted && (!best || predicted.length < best.image.length)) {
    const samples = await decoded(predicted, `${name}-predicted`), rgba = new Uint8Array(width * height * 4);
    for (let p = 0, i = 0; i < samples.length; p += 4, i += 3) rgba.set(samples.subarray(i, i + 3), p);
    const back = codec.decode(width, height, rgba, background, false);
    consider(predicted, psnr(pixels, back, false), 'lossless, dither predicted',
             { background: background.map((level) => Buffer.from(level).toString('base64')) });
  }
  if (!best) fail(`${name}: no image of it decodes to its pixels`);
  return best;
}

// The small version of a texture: its header with the new size, and a lossy image of true colours
// (red first, as the coder's colour model expects).
const previewScale = (width) => (width > 2048 ? 2 : 8);
async function preview(name, file, pixelsAt, width, height, pixels) {
  const w = width / previewScale(width), h = Math.max(1, height / previewScale(width));
  const rgb = Buffer.from(pixels);
  for (let i = 0; i < rgb.length; i += 3) [rgb[i], rgb[i + 2]] = [rgb[i + 2], rgb[i]];
  const image = await webp(width, height, rgb, `${name}-preview`, ['-q', w > 1024 ? '50' : '75', '-m', '6', '-resize', `${w}`, `${h}`]);
  const header = Buffer.from(file.subarray(0, pixelsAt));
  header.writeUInt32LE(pixelsAt + w * h * 3, 2);
  header.writeInt32LE(w, 18);
  header.writeInt32LE(h, 22);
  if (header.readUInt32LE(34) !== 0) header.writeUInt32LE(w * h * 3, 34);
  return { image, entry: { name, width: w, height: h, header: header.toString('base64'), rgb: true } };
}

async function pack(name) {
  const file = fs.readFileSync(path.join(textureDir, name));
  const pixelsAt = file.length >= 54 ? file.readUInt32LE(10) : 0;
  const width = file.length >= 54 ? file.readInt32LE(18) : 0, height = file.length >= 54 ? file.readInt32LE(22) : 0;
  // What the program's textures are: 24-bit, uncompressed, bottom-up, rows without padding.
  if (file.toString('latin1', 0, 2) !== 'BM' || file.readUInt16LE(28) !== 24 || file.readUInt32LE(30) !== 0 ||
      width <= 0 || height <= 0 || width % 4 !== 0 || file.length !== pixelsAt + width * height * 3) {
    fail(`${name} is not a 24-bit BMP of whole rows as the textures are`);
  }
  const pixels = file.subarray(pixelsAt);
  const full = await smallest(name, width, height, pixels, codec.background(width, height, pixels));
  return { name, width, height, header: file.subarray(0, pixelsAt).toString('base64'), full,
           small: await preview(name, file, pixelsAt, width, height, pixels) };
}

let packed;
try {
  // Two textures at a time: the coder uses one core, and the machine that builds has at least two.
  packed = new Array(names.length);
  let next = 0;
  const worker = async () => {
    while (next < names.length) {
      const i = next++;
      packed[i] = await pack(names[i]);
    }
  };
  await Promise.all([worker(), worker()]);
} finally {
  fs.rmSync(work, { recursive: true, force: true });
}

const entries = [], previewEntries = [];
let offset = 0, previewOffset = 0;
const rows = [];
for (const { name, width, height, header, full, small } of packed) {
  entries.push({ name, start: offset, end: offset + full.image.length, width, height, header, encoding: full.encoding,
                ...full.fields });
  offset += full.image.length;
  previewEntries.push({ ...small.entry, start: previewOffset, end: previewOffset + small.image.length });
  previewOffset += small.image.length;
  rows.push([name, full.encoding, full.image.length.toLocaleString('en'),
             full.psnr === Infinity ? 'exact' : `${full.psnr.toFixed(1)} dB`]);
}
rows.push(['all', '', offset.toLocaleString('en'), '']);
const widths = [0, 1, 2, 3].map((c) => Math.max(...rows.map((r) => r[c].length), ['texture', 'encoding', 'bytes', 'PSNR'][c].length));
const line = (r) => `pack_textures: ${r[0].padEnd(widths[0])}  ${r[1].padEnd(widths[1])}  ${r[2].padStart(widths[2])}  ${r[3].padStart(widths[3])}`;
console.log([line(['texture', 'encoding', 'bytes', 'PSNR']), ...rows.map(line)].join('\n'));

fs.writeFileSync(path.join(siteDir, 'velmir.data'), Buffer.concat(packed.map((p) => p.full.image)));
fs.writeFileSync(path.join(siteDir, 'velmir-preview.data'), Buffer.concat(packed.map((p) => p.small.image)));
const list = (items) => `[\n${items.map((e) => JSON.stringify(e)).join(',\n')}\n]`;
fs.writeFileSync(path.join(siteDir, 'velmir-data.json'),
                 `{"file": "velmir.data", "size": ${offset}, "files": ${list(entries)},\n` +
                 `"preview": {"file": "velmir-preview.data", "size": ${previewOffset}, "files": ${list(previewEntries)}}}\n`);
