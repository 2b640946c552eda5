// Compares the vec4 probe's words across backends: the WebAssembly SIMD128 build, the plain
// WebAssembly build and the native build (hexadecimal lines on standard input of this file's
// third argument). Prints a passed/failed line; exits non-zero on any difference.
//   node compare-vec4.js SIMD128.wasm PLAIN.wasm NATIVE.txt
import { readFileSync } from 'node:fs';
import { Engine } from '../../js/module.js';

function words(file) {
  const engine = Engine.create(new WebAssembly.Module(readFileSync(file)));
  const pointer = engine.exports.vec4_probe_words();
  return new Uint32Array(engine.memory.buffer, pointer, engine.exports.vec4_probe_count()).slice();
}

const simd = words(process.argv[2]);
const plain = words(process.argv[3]);
const native = Uint32Array.from(readFileSync(process.argv[4], 'utf8').trim().split('\n'), (h) => parseInt(h, 16));
let passed = 0;
let failed = 0;
for (const [name, other] of [['plain WebAssembly', plain], ['native', native]]) {
  let first = -1;
  const n = Math.max(simd.length, other.length);
  for (let i = 0; i < n && first < 0; ++i) if (simd[i] !== other[i]) first = i;
  if (first < 0) ++passed;
  else ++failed;
  console.log(`${first < 0 ? 'ok  ' : 'FAIL'} vec4 on SIMD128 gives the bits of the ${name} backend (${simd.length} words)` +
    (first < 0 ? '' : `: word ${first} is ${simd[first]?.toString(16)}, not ${other[first]?.toString(16)}`));
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
