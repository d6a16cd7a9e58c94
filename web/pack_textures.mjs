// Packs the textures for the page, losslessly and small: each BMP file's pixels become a lossless
// WebP image, which the browser decodes itself; the page puts the file back together from it, byte
// for byte, with its header, which the table keeps. velmir.data holds the images end to end and
// velmir-data.json says where each one begins and ends, so the page can check that all of it arrived.
//
// The sky is mostly a dark background, dithered pixel by pixel with a hash of the pixel's place:
// that noise is nearly all a plain image coder would spend its bytes on. So a file may be stored as
// its difference from a prediction that knows the dither (texture-codec.js); whichever of the two
// images is smaller is kept.
//
// The first picture does not wait for all that: velmir-preview.data holds a small lossy version of
// each texture (the sky at half its size, the bodies, which are a few dozen pixels across at first,
// at an eighth), which the page draws first and replaces with the full ones as they arrive. The full
// ones are packed in the order the first picture shows most of them: the sun at its centre, the sky
// behind everything, then the rest.
// Usage: node pack_textures.mjs TEXTURE_DIR SITE_DIR CWEBP
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const codec = require('./page/texture-codec.js');
const [textureDir, siteDir, cwebp] = process.argv.slice(2);
const fail = (message) => {
  console.error(`pack_textures: ${message}`);
  process.exit(1);
};
if (!cwebp) fail('usage: node pack_textures.mjs TEXTURE_DIR SITE_DIR CWEBP');

const shownFirst = ['sun.bmp', 'skybox.bmp'];
const rank = (name) => (shownFirst.includes(name) ? shownFirst.indexOf(name) : shownFirst.length);
const names = fs.readdirSync(textureDir).filter((n) => n.endsWith('.bmp')).sort().sort((a, b) => rank(a) - rank(b));
if (names.length === 0) fail(`no textures in ${textureDir}`);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'velmir-pack-'));
// A WebP of the given bytes, three to a pixel in the order they are in: lossless (no colour meaning),
// or with options, e.g. a lossy one made smaller.
function webp(width, height, bytes, name, options = ['-lossless', '-z', '8', '-exact']) {
  const ppm = path.join(work, `${name}.ppm`), out = path.join(work, `${name}.webp`);
  fs.writeFileSync(ppm, Buffer.concat([Buffer.from(`P6\n${width} ${height}\n255\n`), bytes]));
  execFileSync(cwebp, ['-quiet', ...options, ppm, '-o', out], { stdio: 'inherit' });
  return fs.readFileSync(out);
}
// The small version of a texture: its header with the new size, and a lossy image of true colours
// (red first, as the coder's colour model expects).
const previewScale = (width) => (width > 2048 ? 2 : 8);
function preview(name, file, pixelsAt, width, height, pixels) {
  const w = width / previewScale(width), h = Math.max(1, height / previewScale(width));
  const rgb = Buffer.from(pixels);
  for (let i = 0; i < rgb.length; i += 3) [rgb[i], rgb[i + 2]] = [rgb[i + 2], rgb[i]];
  const image = webp(width, height, rgb, `${name}-preview`, ['-q', w > 1024 ? '50' : '75', '-m', '6', '-resize', `${w}`, `${h}`]);
  const header = Buffer.from(file.subarray(0, pixelsAt));
  header.writeUInt32LE(pixelsAt + w * h * 3, 2);
  header.writeInt32LE(w, 18);
  header.writeInt32LE(h, 22);
  if (header.readUInt32LE(34) !== 0) header.writeUInt32LE(w * h * 3, 34);
  return { image, entry: { name, width: w, height: h, header: header.toString('base64'), rgb: true } };
}

const parts = [];
const entries = [];
let offset = 0;
const previewParts = [];
const previewEntries = [];
let previewOffset = 0;
try {
  for (const name of names) {
    const file = fs.readFileSync(path.join(textureDir, name));
    const pixelsAt = file.length >= 54 ? file.readUInt32LE(10) : 0;
    const width = file.length >= 54 ? file.readInt32LE(18) : 0, height = file.length >= 54 ? file.readInt32LE(22) : 0;
    // What the program's textures are: 24-bit, uncompressed, bottom-up, rows without padding.
    if (file.toString('latin1', 0, 2) !== 'BM' || file.readUInt16LE(28) !== 24 || file.readUInt32LE(30) !== 0 ||
        width <= 0 || height <= 0 || width % 4 !== 0 || file.length !== pixelsAt + width * height * 3) {
      fail(`${name} is not a 24-bit BMP of whole rows as the textures are`);
    }
    const pixels = file.subarray(pixelsAt);
    const background = codec.background(width, height, pixels);
    const plain = webp(width, height, pixels, `${name}-plain`);
    const predicted = webp(width, height, codec.encode(width, height, pixels, background), `${name}-predicted`);
    const image = predicted.length < plain.length ? predicted : plain;
    const entry = { name, start: offset, end: offset + image.length, width, height,
                    header: file.subarray(0, pixelsAt).toString('base64') };
    if (image === predicted) entry.background = background.map((level) => Buffer.from(level).toString('base64'));
    entries.push(entry);
    parts.push(image);
    offset += image.length;
    const small = preview(name, file, pixelsAt, width, height, pixels);
    previewEntries.push({ ...small.entry, start: previewOffset, end: previewOffset + small.image.length });
    previewParts.push(small.image);
    previewOffset += small.image.length;
  }
} finally {
  fs.rmSync(work, { recursive: true, force: true });
}
fs.writeFileSync(path.join(siteDir, 'velmir.data'), Buffer.concat(parts));
fs.writeFileSync(path.join(siteDir, 'velmir-preview.data'), Buffer.concat(previewParts));
const list = (items) => `[\n${items.map((e) => JSON.stringify(e)).join(',\n')}\n]`;
fs.writeFileSync(path.join(siteDir, 'velmir-data.json'),
                 `{"file": "velmir.data", "size": ${offset}, "files": ${list(entries)},\n` +
                 `"preview": {"file": "velmir-preview.data", "size": ${previewOffset}, "files": ${list(previewEntries)}}}\n`);
