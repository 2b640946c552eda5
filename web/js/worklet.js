// The audio worklet: one engine instance (the plugins' processor) per node, fed by the page's
// messages (parameters, MIDI) and reporting what the window shows (the newest input and
// output, gain reduction, output peak, fundamental) about thirty times a second.
import { Engine } from './module.js';

const kAnalysisEveryBlocks = 12;

class SorvellWorklet extends AudioWorkletProcessor {
  constructor(options) {
    super();
    const { module, seed, values } = options.processorOptions;
    this.engine = Engine.create(module);
    const e = this.engine.exports;
    this.handle = e.sorvell_create(sampleRate, seed >>> 0, 128);
    values.forEach((value, index) => e.sorvell_set_parameter(this.handle, index, value));
    this.pointers = [0, 1].map((c) => [e.sorvell_input(this.handle, c), e.sorvell_output(this.handle, c)]);
    this.analysisSize = e.sorvell_spectrum_size();
    this.analysisIn = e.sorvell_alloc_floats(this.analysisSize);
    this.analysisOut = e.sorvell_alloc_floats(this.analysisSize);
    this.blocks = 0;
    this.views = null;
    this.port.onmessage = (message) => this.receive(message.data);
  }

  receive(message) {
    const e = this.engine.exports;
    if (message.type === 'parameter') e.sorvell_set_parameter(this.handle, message.index, message.value);
    else if (message.type === 'midi') {
      const [status = 0, data1 = 0, data2 = 0] = message.bytes;
      e.sorvell_midi(this.handle, status, data1, data2, message.bytes.length);
    }
  }

  // Views on the module's buffers, made again when the memory has grown.
  buffers() {
    if (!this.views || this.views.memory !== this.engine.memory.buffer) {
      this.views = {
        memory: this.engine.memory.buffer,
        channels: this.pointers.map(([input, output]) => [
          this.engine.floats(input, 128),
          this.engine.floats(output, 128),
        ]),
      };
    }
    return this.views.channels;
  }

  process(inputs, outputs) {
    const e = this.engine.exports;
    const input = inputs[0];
    const output = outputs[0];
    const frames = output[0].length;
    const channels = this.buffers();
    for (let c = 0; c < 2; ++c) {
      const source = input[c] ?? input[0];
      if (source) channels[c][0].set(source);
      else channels[c][0].fill(0);
    }
    e.sorvell_process(this.handle, frames);
    for (let c = 0; c < output.length; ++c) output[c].set(channels[Math.min(c, 1)][1].subarray(0, frames));
    if (++this.blocks % kAnalysisEveryBlocks === 0) this.report();
    return true;
  }

  report() {
    const e = this.engine.exports;
    const size = this.analysisSize;
    const fresh = e.sorvell_read_latest(this.handle, this.analysisIn, this.analysisOut, size) !== 0;
    this.port.postMessage({
      type: 'analysis',
      input: fresh ? this.engine.floats(this.analysisIn, size).slice() : null,
      output: fresh ? this.engine.floats(this.analysisOut, size).slice() : null,
      gainReductionDb: e.sorvell_gain_reduction_db(this.handle),
      outputPeak: e.sorvell_output_peak(this.handle),
      fundamentalHz: e.sorvell_fundamental_hz(this.handle),
    });
  }
}

registerProcessor('sorvell', SorvellWorklet);
