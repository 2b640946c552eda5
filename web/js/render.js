// The whole input through the engine offline, as the command-line renderer does it: the same
// processor with every setting in place before the first sample, the input followed by the
// tail, the engine's latency dropped from the front so that output lines up with input.

// The renderer's default tail: the decay time plus two analysis frames, at most 30 s.
export function defaultTailFrames(decaySeconds, sampleRate, fftSize) {
  const seconds = Math.min(decaySeconds + (2 * fftSize) / sampleRate, 30);
  return Math.ceil(seconds * sampleRate);
}

const kChunk = 4096;

// input: [left, right] Float32Arrays (the same array twice for mono). values: every parameter
// of the processor in order. Returns [left, right] of input length plus tail.
export async function renderOffline(engine, description, input, sampleRate, values, seed, onProgress) {
  const e = engine.exports;
  const decayIndex = description.parameters.findIndex((p) => p.name === 'decay');
  const tail = defaultTailFrames(values[decayIndex], sampleRate, description.fftSize);
  const inputFrames = input[0].length;
  const latency = description.latency;
  const total = inputFrames + tail + latency;
  const output = [new Float32Array(inputFrames + tail), new Float32Array(inputFrames + tail)];
  const handle = e.sorvell_create(sampleRate, seed >>> 0, kChunk);
  try {
    e.sorvell_set_feeding(handle, 0);
    values.forEach((value, index) => e.sorvell_set_parameter(handle, index, value));
    const pointers = [0, 1].map((c) => [e.sorvell_input(handle, c), e.sorvell_output(handle, c)]);
    let lastYield = performance.now();
    for (let position = 0; position < total; position += kChunk) {
      const frames = Math.min(kChunk, total - position);
      for (let c = 0; c < 2; ++c) {
        const into = engine.floats(pointers[c][0], kChunk);
        into.fill(0);
        if (position < inputFrames) into.set(input[c].subarray(position, Math.min(inputFrames, position + frames)));
      }
      e.sorvell_process(handle, frames);
      const skip = Math.max(0, Math.min(frames, latency - position));
      for (let c = 0; c < 2; ++c) {
        const from = engine.floats(pointers[c][1], kChunk).subarray(skip, frames);
        output[c].set(from, position + skip - latency);
      }
      if (performance.now() - lastYield > 100) {
        onProgress?.(position / total);
        await new Promise((resolve) => setTimeout(resolve));
        lastYield = performance.now();
      }
    }
  } finally {
    e.sorvell_destroy(handle);
  }
  onProgress?.(1);
  return output;
}
