// Unpacks the full textures away from the page's main thread: the sky's prediction alone takes most
// of a second, which the page would spend unable to scroll or answer a click. Each message is one
// texture's entry and image; the answer is its file's bytes, handed over without a copy, or why it
// could not be decoded.
'use strict';
importScripts('texture-codec.js');

self.onmessage = async ({ data: { id, entry, image } }) => {
  try {
    const bytes = await velmirTextureCodec.unpack(entry, image);
    self.postMessage({ id, bytes }, [bytes.buffer]);
  } catch (error) {
    self.postMessage({ id, error: error.message || error.name || String(error) });
  }
};
