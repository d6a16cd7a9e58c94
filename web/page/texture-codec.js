// The textures' pixels against a prediction that knows their dither: shared by the packer (at build
// time, in Node) and the page, which must predict exactly alike. All the arithmetic is on halves and
// 256ths of small integers, which doubles hold exactly, so every engine gets the same numbers.
//
// The generator adds to every pixel a dither of h/256 before rounding down, h being the low byte of a
// hash of the pixel's place, the same for its three colours. Where a texture is a flat background,
// the stored value follows from h alone (a table per colour: the value seen most often with that h);
// elsewhere the value less its dither is an estimate of the true colour, and the average of the
// left and lower neighbours' estimates, dithered again, predicts a pixel. Only what the prediction
// misses (mostly nothing) is left for the image coder.
(function (codec) {
'use strict';

function hash32(x) {
  x ^= x >>> 16;
  x = Math.imul(x, 0x7feb352d);
  x ^= x >>> 15;
  x = Math.imul(x, 0x846ca68b | 0);
  x ^= x >>> 16;
  return x >>> 0;
}
// Each pixel's dither, in 256ths, in the order of the file's pixels.
function ditherOf(count) {
  const h = new Uint8Array(count);
  for (let i = 0; i < count; i++) h[i] = hash32(Math.imul(i, 2654435761 | 0) >>> 0) & 255;
  return h;
}

// For each colour, the value a pixel with dither h has most often.
codec.background = function (width, height, pixels) {
  const h = ditherOf(width * height);
  return [0, 1, 2].map((c) => {
    const counts = new Uint32Array(256 * 256);
    for (let p = 0; p < h.length; p++) counts[h[p] * 256 + pixels[p * 3 + c]]++;
    const level = new Uint8Array(256);
    for (let d = 0; d < 256; d++) {
      let best = 0;
      for (let v = 1; v < 256; v++) if (counts[d * 256 + v] > counts[d * 256 + best]) best = v;
      level[d] = best;
    }
    return level;
  });
};

// Runs the prediction over the pixels in file order. Packing, q holds the true samples and the
// misses go to out (three bytes a pixel); unpacking, the misses come from rgba (four bytes a pixel)
// and q is rebuilt in place, each sample before the ones predicted from it.
function predictAll(width, height, q, background, rgba, out) {
  const h = ditherOf(width * height);
  for (let y = 0, p = 0; y < height; y++) {
    for (let x = 0; x < width; x++, p++) {
      for (let c = 0; c < 3; c++) {
        const i = p * 3 + c, level = background[c];
        let guess;
        if (x > 0 && y > 0 && q[i - 3] === level[h[p - 1]] && q[i - 3 * width] === level[h[p - width]]) {
          guess = level[h[p]];
        } else {
          // A neighbour's sample less its dither, plus a half: an estimate of its true colour.
          let s = 0;
          if (x > 0 && y > 0) s = (q[i - 3] - h[p - 1] / 256 + q[i - 3 * width] - h[p - width] / 256 + 1) / 2;
          else if (x > 0) s = q[i - 3] - h[p - 1] / 256 + 0.5;
          else if (y > 0) s = q[i - 3 * width] - h[p - width] / 256 + 0.5;
          guess = Math.min(255, Math.max(0, Math.floor(s + h[p] / 256)));
        }
        if (out) out[i] = (q[i] - guess) & 255;
        else q[i] = (guess + rgba[p * 4 + c]) & 255;
      }
    }
  }
}

// What the prediction misses, three bytes a pixel, each modulo 256.
codec.encode = function (width, height, pixels, background) {
  const misses = new Uint8Array(pixels.length);
  predictAll(width, height, pixels, background, null, misses);
  return misses;
};

// The pixels, three bytes each, from a decoded image's RGBA samples: as they are, or, with a
// background, as the prediction plus what it missed. A lossy image (rgb) holds true colours, which
// the file keeps in blue-green-red order.
codec.decode = function (width, height, rgba, background, rgb, pixels = new Uint8Array(width * height * 3)) {
  if (background) {
    predictAll(width, height, pixels, background, rgba, null);
    return pixels;
  }
  const [first, last] = rgb ? [2, 0] : [0, 2];
  for (let p = 0, i = 0; i < pixels.length; p += 4, i += 3) {
    pixels[i] = rgba[p + first];
    pixels[i + 1] = rgba[p + 1];
    pixels[i + 2] = rgba[p + last];
  }
  return pixels;
};
// An image's samples, four bytes a pixel, taken as stored: no colour management, no premultiplied
// alpha. Through ImageDecoder where there is one: Firefox's createImageBitmap decodes a blob on the
// page's main thread even when a worker asks (a tenth of a second for the sky), and Chromium's takes a
// third longer. The images carry no colour profile, so a lossy one decodes to the same colours either
// way. Where ImageDecoder cannot, through createImageBitmap.
async function samples(f, image) {
  if (typeof ImageDecoder === 'function') {
    try {
      const decoder = new ImageDecoder({ data: image, type: 'image/webp', colorSpaceConversion: 'none',
                                         premultiplyAlpha: 'none' });
      try {
        const { image: frame } = await decoder.decode();
        try {
          if (frame.displayWidth === f.width && frame.displayHeight === f.height) {
            const rgba = new Uint8Array(frame.allocationSize({ format: 'RGBA' }));
            await frame.copyTo(rgba, { format: 'RGBA' });
            if (rgba.length === f.width * f.height * 4) return rgba;
          }
        } finally {
          frame.close();
        }
      } finally {
        decoder.close();
      }
    } catch {
      // Said below, by the other decoder, if the image is damaged.
    }
  }
  const bitmap = await createImageBitmap(new Blob([image], { type: 'image/webp' }),
                                         { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
  if (bitmap.width !== f.width || bitmap.height !== f.height)
    throw new Error(`${bitmap.width} x ${bitmap.height} pixels instead of ${f.width} x ${f.height}`);
  const context = new OffscreenCanvas(f.width, f.height).getContext('2d', { willReadFrequently: true });
  context.drawImage(bitmap, 0, 0);
  bitmap.close();
  return context.getImageData(0, 0, f.width, f.height).data;
}

// In the page or its decoding worker: one BMP file, from its entry in velmir-data.json and its image
// (byte for byte when the image is lossless).
codec.unpack = async function (f, image) {
  const rgba = await samples(f, image);
  const bytesOf = (text) => Uint8Array.from(atob(text), (ch) => ch.charCodeAt(0));
  const header = bytesOf(f.header);
  // Decoded straight after the header: the sky's 24 MB are not copied once more.
  const bytes = new Uint8Array(header.length + f.width * f.height * 3);
  bytes.set(header);
  codec.decode(f.width, f.height, rgba, f.background && f.background.map(bytesOf), f.rgb, bytes.subarray(header.length));
  return bytes;
};
})(typeof module === 'object' ? module.exports : (self.velmirTextureCodec = {}));
