// compare_png.js A.png B.png: compares two screenshots of the same frame.
// Text may be antialiased differently by the two renderers, so single
// pixels may differ; the picture must not: at most 3% of the pixels may
// differ by more than 64 in a channel, and no 8x8 block may differ by more
// than 48 on average. Prints the figures; exit 1 when they are exceeded.
"use strict";
const fs = require("fs");
const zlib = require("zlib");

// Decodes an 8-bit, non-interlaced RGB or RGBA PNG into RGBA pixels.
function decode(file) {
  const b = fs.readFileSync(file);
  let pos = 8, width = 0, height = 0, type = 0;
  const idat = [];
  while (pos < b.length) {
    const len = b.readUInt32BE(pos), kind = b.toString("ascii", pos + 4, pos + 8);
    const data = b.subarray(pos + 8, pos + 8 + len);
    if (kind === "IHDR") {
      width = data.readUInt32BE(0); height = data.readUInt32BE(4); type = data[9];
      if (data[8] !== 8 || data[12] !== 0 || (type !== 2 && type !== 6)) throw new Error(file + ": unsupported PNG");
    } else if (kind === "IDAT") idat.push(data);
    pos += 12 + len;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const bpp = type === 6 ? 4 : 3, stride = width * bpp;
  const px = Buffer.alloc(width * height * 4);
  let prev = Buffer.alloc(stride);
  for (let y = 0; y < height; y++) {
    const f = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; i++) {
      const a = i >= bpp ? line[i - bpp] : 0, up = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
      let v = 0;
      if (f === 1) v = a; else if (f === 2) v = up; else if (f === 3) v = (a + up) >> 1;
      else if (f === 4) { const p = a + up - c, pa = Math.abs(p - a), pb = Math.abs(p - up), pc = Math.abs(p - c); v = pa <= pb && pa <= pc ? a : pb <= pc ? up : c; }
      line[i] = (line[i] + v) & 255;
    }
    for (let x = 0; x < width; x++) {
      for (let k = 0; k < 3; k++) px[(y * width + x) * 4 + k] = line[x * bpp + k];
      px[(y * width + x) * 4 + 3] = bpp === 4 ? line[x * bpp + 3] : 255;
    }
    prev = line;
  }
  return { width, height, px };
}

module.exports = { decode };
if (require.main !== module) return;

const a = decode(process.argv[2]), b = decode(process.argv[3]);
if (a.width !== b.width || a.height !== b.height) {
  console.log(`size differs: ${a.width}x${a.height} and ${b.width}x${b.height}`);
  process.exit(1);
}
let differing = 0, worstBlock = 0;
for (let i = 0; i < a.width * a.height; i++) {
  let d = 0;
  for (let k = 0; k < 3; k++) d = Math.max(d, Math.abs(a.px[i * 4 + k] - b.px[i * 4 + k]));
  if (d > 64) differing++;
}
for (let by = 0; by + 8 <= a.height; by += 8) {
  for (let bx = 0; bx + 8 <= a.width; bx += 8) {
    for (let k = 0; k < 3; k++) {
      let sa = 0, sb = 0;
      for (let y = by; y < by + 8; y++) for (let x = bx; x < bx + 8; x++) { sa += a.px[(y * a.width + x) * 4 + k]; sb += b.px[(y * a.width + x) * 4 + k]; }
      worstBlock = Math.max(worstBlock, Math.abs(sa - sb) / 64);
    }
  }
}
const share = (100 * differing) / (a.width * a.height);
console.log(`differing_pixels=${share.toFixed(2)}% worst_block=${worstBlock.toFixed(1)}`);
process.exit(share <= 3 && worstBlock <= 48 ? 0 : 1);
