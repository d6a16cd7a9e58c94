// Packs the textures for the page, losslessly and small: each BMP file's pixels become a lossless
// WebP image, which the browser decodes itself; the page puts the file back together from it, byte
// for byte, with its header, which the table keeps. velmir.data holds the images end to end and
// velmir-data.json says where each one begins and ends, so the page can check that all of it arrived.
//
// The sky is mostly a dark background, dithered pixel by pixel with a hash of the pixel's place:
// that noise is nearly all a plain image coder would spend its bytes on. So a file may be stored as
// its difference from a prediction that knows the dither (texture-codec.js); whichever of the two
// images is smaller is kept.
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

const names = fs.readdirSync(textureDir).filter((n) => n.endsWith('.bmp')).sort();
if (names.length === 0) fail(`no textures in ${textureDir}`);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'velmir-pack-'));
// A lossless WebP of the given bytes, three to a pixel in the order they are in (no colour meaning).
function webp(width, height, bytes, name) {
  const ppm = path.join(work, `${name}.ppm`), out = path.join(work, `${name}.webp`);
  fs.writeFileSync(ppm, Buffer.concat([Buffer.from(`P6\n${width} ${height}\n255\n`), bytes]));
  execFileSync(cwebp, ['-quiet', '-lossless', '-z', '8', '-exact', ppm, '-o', out], { stdio: 'inherit' });
  return fs.readFileSync(out);
}

const parts = [];
const entries = [];
let offset = 0;
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
  }
} finally {
  fs.rmSync(work, { recursive: true, force: true });
}
fs.writeFileSync(path.join(siteDir, 'velmir.data'), Buffer.concat(parts));
fs.writeFileSync(path.join(siteDir, 'velmir-data.json'),
                 `{"file": "velmir.data", "size": ${offset}, "files": [\n${entries.map((e) => JSON.stringify(e)).join(',\n')}\n]}\n`);
