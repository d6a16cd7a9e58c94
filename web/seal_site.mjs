// Seals the assembled site: writes its service worker, whose bytes name this build (a hash of every
// file it keeps), so a browser that kept an earlier build installs this one at the next visit; and
// beside each text file a gzip and a brotli copy, which static servers send instead of the file when
// the browser accepts them (nginx's gzip_static and brotli_static, Caddy's precompressed, Apache with
// a rewrite rule, scripts/web.sh's own server).
// Usage: node seal_site.mjs SITE_DIR SERVICE_WORKER_TEMPLATE
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const [siteDir, template] = process.argv.slice(2);
if (!template) {
  console.error('usage: node seal_site.mjs SITE_DIR SERVICE_WORKER_TEMPLATE');
  process.exit(1);
}
const worker = 'service-worker.js';
const names = fs.readdirSync(siteDir)
  .filter((n) => !/\.(gz|br)$/.test(n) && n !== worker && fs.statSync(path.join(siteDir, n)).isFile()).sort();
const hash = crypto.createHash('sha256');
for (const name of names) {
  const data = fs.readFileSync(path.join(siteDir, name));
  hash.update(`${name}\n${data.length}\n`).update(data);
  if (!/\.(js|wasm|css|html|json)$/.test(name)) continue;
  const copies = { gz: zlib.gzipSync(data, { level: 9 }),
                   br: zlib.brotliCompressSync(data, { params: { [zlib.constants.BROTLI_PARAM_QUALITY]: 11 } }) };
  for (const [ending, copy] of Object.entries(copies)) {
    const file = path.join(siteDir, `${name}.${ending}`);
    if (copy.length < data.length * 0.9) fs.writeFileSync(file, copy);
    else fs.rmSync(file, { force: true });
  }
}
const text = fs.readFileSync(template, 'utf8')
  .replace('@VELMIR_BUILD@', hash.digest('hex').slice(0, 16))
  .replace('@VELMIR_FILES@', names.map((n) => `'${n}'`).join(', '));
fs.writeFileSync(path.join(siteDir, worker), text);
