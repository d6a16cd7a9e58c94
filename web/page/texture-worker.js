// Unpacks the textures away from the page's main thread: the sky's prediction alone takes most of a
// second, which the page would spend unable to scroll or answer a click. Each message is one
// texture's entry and image; the answer is its file's bytes, handed over without a copy, or why it
// could not be decoded.
'use strict';
// A browser's first WebGL context of a page is slow to make (in Chromium on software WebGL 0.3 to
// 0.6 s, the next one 0.02 s): one made here, while the page still waits for its files, takes that
// wait off the main thread, where the program makes its own.
const warmUp = typeof OffscreenCanvas === 'function' ? new OffscreenCanvas(1, 1).getContext('webgl') : null;
// The page makes its own context once this one is made, in Chromium then a fiftieth of a second.
self.postMessage({ warmedUp: true });
importScripts('texture-codec.js');

self.onmessage = async ({ data: { id, entry, image } }) => {
  try {
    const bytes = await velmirTextureCodec.unpack(entry, image);
    self.postMessage({ id, bytes }, [bytes.buffer]);
  } catch (error) {
    self.postMessage({ id, error: error.message || error.name || String(error) });
  }
};
