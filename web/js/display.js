// The plugin window's header meters and display on the page's canvas: the window's own drawing
// code, compiled into the module, draws them through the module's canvas imports (canvas.js)
// from the window's models (CombModel, SpectrumAnalyser). This class keeps what the window
// keeps: the values, the spectra fed from the worklet's reports, the meters, and the played
// pitch while MIDI is the source.

export class Display {
  // engine: the page's module instance, made with target's imports; canvas: where to draw
  // (1000 base units wide); indices: where frequency, shift and the pitch source sit among
  // the parameters.
  constructor(engine, target, canvas, sampleRate, indices) {
    this.engine = engine;
    this.target = target;
    this.indices = indices;
    this.canvas = canvas;
    this.sampleRate = sampleRate;
    const e = engine.exports;
    this.comb = e.sorvell_comb_create(sampleRate);
    this.spectra = { input: e.sorvell_spectrum_create(), output: e.sorvell_spectrum_create() };
    this.spectrumSize = e.sorvell_spectrum_size();
    this.meters = { live: false, gainReductionDb: 0, outputPeak: 0 };
    this.values = [];
    this.midiFundamental = 0; // the engine's fundamental while MIDI is the pitch source
    this.fundamentalFromMidi = false;
  }

  // As the window: the played pitch once there is one when MIDI is the source.
  get fundamentalHz() {
    return this.fundamentalFromMidi && this.midiFundamental > 0 ? this.midiFundamental : this.values[this.indices.frequency];
  }

  // values: every parameter value in the processor's order (pitch source last).
  setValues(values) {
    this.values = [...values];
    this.fundamentalFromMidi = values[this.indices.pitchSource] >= 0.5;
    this.updateComb();
  }

  updateComb() {
    const e = this.engine.exports;
    const values = this.values.slice(0, this.indices.shared);
    values[this.indices.frequency] = this.fundamentalHz;
    this.engine.doubles(e.sorvell_comb_values(this.comb), values.length).set(values);
    e.sorvell_comb_update(this.comb);
  }

  // A report from the worklet: newest samples (or null) and the meters.
  analyse(report) {
    const e = this.engine.exports;
    for (const which of ['input', 'output']) {
      if (report[which]) {
        this.engine.floats(e.sorvell_spectrum_samples(this.spectra[which]), this.spectrumSize).set(report[which]);
        e.sorvell_spectrum_analyse(this.spectra[which]);
      } else {
        e.sorvell_spectrum_decay(this.spectra[which]);
      }
    }
    this.meters = { live: true, gainReductionDb: report.gainReductionDb, outputPeak: report.outputPeak };
    if (this.fundamentalFromMidi && report.fundamentalHz > 0 && report.fundamentalHz !== this.midiFundamental) {
      this.midiFundamental = report.fundamentalHz;
      this.updateComb();
    }
    // For tests and assistive tools: the newest readings, on the page's body.
    document.body.dataset.outputPeak = String(report.outputPeak);
    document.body.dataset.inputPeak = String(report.input ? report.input.reduce((m, x) => Math.max(m, Math.abs(x)), 0) : 0);
    document.body.dataset.fundamental = String(report.fundamentalHz);
  }

  stop() {
    this.meters = { live: false, gainReductionDb: 0, outputPeak: 0 };
    document.body.dataset.outputPeak = '0';
    document.body.dataset.inputPeak = '0';
    const e = this.engine.exports;
    for (const which of ['input', 'output']) for (let i = 0; i < 200; ++i) e.sorvell_spectrum_decay(this.spectra[which]);
  }

  draw() {
    const canvas = this.canvas;
    const scale = canvas.width / 1000;
    this.target.context = canvas.getContext('2d');
    const m = this.meters;
    this.engine.exports.sorvell_display_draw(
      this.comb, this.spectra.input, this.spectra.output, 1000, canvas.height / scale, scale,
      m.live ? 1 : 0, m.gainReductionDb, m.outputPeak, this.values[this.indices.shift],
      this.fundamentalHz, this.fundamentalFromMidi ? 1 : 0, this.sampleRate);
  }
}
