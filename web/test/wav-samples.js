// The samples of a 32-bit float WAV file (plain or extensible format), interleaved.
export function floatWavSamples(buffer) {
  const view = new DataView(buffer.buffer, buffer.byteOffset, buffer.byteLength);
  const tag = (at) => String.fromCharCode(...buffer.subarray(at, at + 4));
  if (tag(0) !== 'RIFF' || tag(8) !== 'WAVE') throw new Error('not a WAV file');
  let channels = 0;
  let bits = 0;
  for (let at = 12; at + 8 <= buffer.length; ) {
    const id = tag(at);
    const size = view.getUint32(at + 4, true);
    if (id === 'fmt ') {
      channels = view.getUint16(at + 10, true);
      bits = view.getUint16(at + 22, true);
    } else if (id === 'data') {
      if (bits !== 32) throw new Error(`expected 32-bit float samples, found ${bits} bits`);
      const samples = new Float32Array(size / 4);
      for (let i = 0; i < samples.length; ++i) samples[i] = view.getFloat32(at + 8 + 4 * i, true);
      return { channels, samples };
    }
    at += 8 + size + (size & 1);
  }
  throw new Error('no data chunk');
}
