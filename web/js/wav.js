// Stereo 32-bit float WAV, written as the command-line renderer writes by default.

// Interleaves two channels into a WAVE_FORMAT_IEEE_FLOAT file.
export function encodeFloatWav(left, right, sampleRate) {
  const frames = left.length;
  const dataBytes = frames * 8;
  const buffer = new ArrayBuffer(44 + dataBytes);
  const view = new DataView(buffer);
  const text = (offset, s) => [...s].forEach((c, i) => view.setUint8(offset + i, c.charCodeAt(0)));
  text(0, 'RIFF');
  view.setUint32(4, 36 + dataBytes, true);
  text(8, 'WAVE');
  text(12, 'fmt ');
  view.setUint32(16, 16, true);
  view.setUint16(20, 3, true); // IEEE float
  view.setUint16(22, 2, true);
  view.setUint32(24, sampleRate, true);
  view.setUint32(28, sampleRate * 8, true);
  view.setUint16(32, 8, true);
  view.setUint16(34, 32, true);
  text(36, 'data');
  view.setUint32(40, dataBytes, true);
  const samples = new Float32Array(buffer, 44, frames * 2);
  for (let i = 0; i < frames; ++i) {
    samples[2 * i] = left[i];
    samples[2 * i + 1] = right[i];
  }
  return buffer;
}
