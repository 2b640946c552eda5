// The plugin window's header meters and display, drawn on a canvas with the window's design:
// this follows plugins/sorvell/ui/HeaderDrawing.cpp and DisplayDrawing.cpp (and the colours of
// Painting.h) call for call, with Canvas 2D in place of Cairo. The numbers it draws come from
// the window's own models compiled into the module: the comb (CombModel), the spectra
// (SpectrumAnalyser), the note marks (FrequencyAxis) and the value texts (ValueText).

const rgb = (r, g, b) => ({ r, g, b });
const kPanelEdge = rgb(0.19, 0.21, 0.25);
const kDisplay = rgb(0.055, 0.062, 0.078);
const kText = rgb(0.87, 0.89, 0.93);
const kMuted = rgb(0.52, 0.56, 0.63);
const kGrid = rgb(0.16, 0.18, 0.22);
const kLeft = rgb(0.25, 0.82, 0.79);
const kRight = rgb(0.96, 0.66, 0.23);
const kBoth = rgb(0.93, 0.91, 0.8);
const kInput = rgb(0.38, 0.49, 0.72);
const kOutput = rgb(0.9, 0.92, 0.96);
const kReduction = rgb(0.95, 0.36, 0.32);
const kBackground = rgb(0.075, 0.085, 0.105);

const kLowHz = 20;
const kHighHz = 20000;
const kBottomDb = -96;
const kMargin = 14;
const kHeaderHeight = 52;

const css = (c, a = 1) => `rgba(${Math.round(c.r * 255)},${Math.round(c.g * 255)},${Math.round(c.b * 255)},${a})`;

function roundedRectangle(cx, x, y, w, h, r) {
  cx.beginPath();
  cx.roundRect(x, y, Math.max(w, 0), h, r);
}

function panel(cx, x, y, w, h, r, fill, edge) {
  roundedRectangle(cx, x, y, w, h, r);
  cx.fillStyle = css(fill);
  cx.fill();
  cx.strokeStyle = css(edge);
  cx.lineWidth = 1;
  cx.stroke();
}

function text(cx, s, x, y, size, colour, align = 'left', bold = false, alpha = 1) {
  cx.font = `${bold ? 'bold ' : ''}${size}px "DejaVu Sans", sans-serif`;
  cx.textAlign = align === 'centre' ? 'center' : align;
  cx.fillStyle = css(colour, alpha);
  cx.fillText(s, x, y);
}

class Axis {
  constructor(left, right) {
    this.left = left;
    this.right = right;
    this.span = Math.log(kHighHz / kLowHz);
  }
  x(hz) {
    return this.left + ((this.right - this.left) * Math.log(hz / kLowHz)) / this.span;
  }
  hz(x) {
    return kLowHz * Math.exp(((x - this.left) / (this.right - this.left)) * this.span);
  }
  contains(hz) {
    return hz >= kLowHz && hz <= kHighHz;
  }
}

export class Display {
  // engine: the page's module instance; canvas: where to draw (1000 base units wide);
  // indices: where frequency, shift and the pitch source sit among the parameters.
  constructor(engine, canvas, sampleRate, indices) {
    this.engine = engine;
    this.indices = indices;
    this.canvas = canvas;
    this.sampleRate = sampleRate;
    const e = engine.exports;
    this.comb = e.sorvell_comb_create(sampleRate);
    this.spectra = { input: e.sorvell_spectrum_create(), output: e.sorvell_spectrum_create() };
    this.spectrumSize = e.sorvell_spectrum_size();
    this.partials = new Float32Array(0);
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
    const count = e.sorvell_comb_update(this.comb);
    this.partials = this.engine.floats(e.sorvell_comb_partials(this.comb), count * 5).slice();
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

  draw(valueText) {
    const canvas = this.canvas;
    const scale = canvas.width / 1000;
    const height = canvas.height / scale;
    const cx = canvas.getContext('2d');
    cx.setTransform(scale, 0, 0, scale, 0, 0);
    cx.fillStyle = css(kBackground);
    cx.fillRect(0, 0, 1000, height);
    this.drawHeader(cx, 1000);
    this.drawDisplay(cx, { x: kMargin, y: kHeaderHeight, w: 1000 - 2 * kMargin, h: height - kHeaderHeight - kMargin }, valueText);
  }

  drawHeader(cx, width) {
    text(cx, 'SORVELL', kMargin + 2, 33, 22, kText, 'left', true);
    text(cx, 'spectral resonance', kMargin + 122, 33, 13, kMuted);
    const meterWidth = 150;
    const peakX = width - kMargin - meterWidth;
    const reductionX = peakX - 70 - meterWidth;
    const meterY = 20;
    const { live } = this.meters;
    const formatDb = (db) => `${(Math.abs(db) < 0.05 ? 0 : db).toFixed(1)} dB`;

    const reduction = live ? Math.min(Math.max(-this.meters.gainReductionDb, 0), 24) : 0;
    text(cx, 'LIMIT', reductionX - 8, meterY + 10, 10, kMuted, 'right', true);
    panel(cx, reductionX, meterY, meterWidth, 12, 3, kDisplay, kPanelEdge);
    if (reduction > 0.01) {
      const w = (meterWidth * reduction) / 24;
      cx.fillStyle = css(kReduction, 0.9);
      roundedRectangle(cx, reductionX + meterWidth - w, meterY, w, 12, 3);
      cx.fill();
    }
    text(cx, live ? formatDb(-reduction) : '--', reductionX + meterWidth / 2, meterY + 27, 10, kMuted, 'centre');

    const peak = live ? this.meters.outputPeak : 0;
    const peakDb = peak > 1e-6 ? 20 * Math.log10(peak) : -120;
    text(cx, 'OUT', peakX - 8, meterY + 10, 10, kMuted, 'right', true);
    panel(cx, peakX, meterY, meterWidth, 12, 3, kDisplay, kPanelEdge);
    const fill = Math.min(Math.max((peakDb + 60) / 66, 0), 1);
    if (fill > 0) {
      const gradient = cx.createLinearGradient(peakX, 0, peakX + meterWidth, 0);
      gradient.addColorStop(0, css(kLeft));
      gradient.addColorStop(0.8, css(kRight));
      gradient.addColorStop(1, css(kReduction));
      cx.fillStyle = gradient;
      roundedRectangle(cx, peakX, meterY, meterWidth * fill, 12, 3);
      cx.fill();
    }
    cx.fillStyle = css(kText, 0.5);
    cx.fillRect(peakX + (meterWidth * 60) / 66, meterY - 2, 1, 16);
    text(cx, live && peakDb > -119 ? formatDb(peakDb) : '--', peakX + meterWidth / 2, meterY + 27, 10, kMuted, 'centre');

    // The key, right-aligned, right to left.
    let x = reductionX - 64;
    const y = 22;
    const item = (label, colour) => {
      cx.font = '10px "DejaVu Sans", sans-serif';
      const w = cx.measureText(label).width;
      text(cx, label, x, y + 10, 10, kMuted, 'right');
      x -= w + 16;
      cx.fillStyle = css(colour, 0.9);
      roundedRectangle(cx, x + 3, y + 2, 9, 9, 2);
      cx.fill();
      x -= 12;
    };
    if (live) {
      item('output', kOutput);
      item('input', kInput);
    }
    item('both', kBoth);
    item('right', kRight);
    item('left', kLeft);
  }

  dbToY(b, db) {
    const top = b.y + 24;
    const bottom = b.y + b.h - 22;
    return top + ((bottom - top) * (0 - Math.min(Math.max(db, kBottomDb), 0))) / (0 - kBottomDb);
  }

  drawSpectrum(cx, b, axis, which, colour, fillAlpha, lineAlpha) {
    const e = this.engine.exports;
    const spectrum = this.spectra[which];
    if (e.sorvell_spectrum_highest_db(spectrum) <= kBottomDb) return;
    const left = axis.x(kLowHz);
    const right = axis.x(kHighHz);
    const bottom = this.dbToY(b, kBottomDb);
    cx.beginPath();
    cx.moveTo(left, bottom);
    for (let x = left; x <= right; x += 1.5) {
      const db = e.sorvell_spectrum_level_db(spectrum, axis.hz(x), axis.hz(x + 1.5), this.sampleRate);
      cx.lineTo(x, this.dbToY(b, db));
    }
    cx.lineTo(right, bottom);
    cx.closePath();
    const gradient = cx.createLinearGradient(0, b.y, 0, bottom);
    gradient.addColorStop(0, css(colour, fillAlpha));
    gradient.addColorStop(1, css(colour, fillAlpha * 0.2));
    cx.fillStyle = gradient;
    cx.fill();
    cx.strokeStyle = css(colour, lineAlpha);
    cx.lineWidth = 1.2;
    cx.stroke();
  }

  drawComb(cx, axis, top, bottom) {
    const p = this.partials;
    const count = p.length / 5;
    const height = bottom - top;
    if (Math.abs(this.values[this.indices.shift]) >= 0.005) {
      cx.strokeStyle = css(kMuted, 0.55);
      cx.lineWidth = 1;
      cx.beginPath();
      for (let i = 0; i < count; ++i) {
        const listen = p[5 * i + 1];
        if (p[5 * i + 3] === 0 && p[5 * i + 4] === 0 && axis.contains(listen)) {
          const x = axis.x(listen);
          cx.moveTo(x, bottom);
          cx.lineTo(x, bottom - 7);
        }
      }
      cx.stroke();
    }
    const left = axis.x(kLowHz);
    const columns = Math.floor(axis.x(kHighHz) - left) + 1;
    const levels = [new Float32Array(columns).fill(-1), new Float32Array(columns).fill(-1)];
    const counts = [new Uint16Array(columns), new Uint16Array(columns)];
    for (let i = 0; i < count; ++i) {
      const hz = p[5 * i];
      if (!axis.contains(hz)) continue;
      const side = p[5 * i + 3];
      const column = Math.min(Math.floor(axis.x(hz) - left), columns - 1);
      levels[side][column] = Math.max(levels[side][column], Math.min(Math.max(p[5 * i + 2], 0), 1));
      ++counts[side][column];
    }
    const yOf = (level) => bottom - height * (0.03 + 0.87 * level);
    const lonely = (side, c) => {
      for (let n = Math.max(c - 3, 0); n <= Math.min(c + 3, columns - 1); ++n) {
        if (n !== c && (levels[0][n] >= 0 || levels[1][n] >= 0)) return false;
      }
      return counts[side][c] === 1;
    };
    cx.lineWidth = 1;
    for (let c = 0; c < columns; ++c) {
      const l = levels[0][c];
      const r = levels[1][c];
      if (l < 0 && r < 0) continue;
      const x = left + c + 0.5;
      const line = (level, colour) => {
        const y = yOf(level);
        const gradient = cx.createLinearGradient(0, y, 0, bottom);
        gradient.addColorStop(0, css(colour, 0.9));
        gradient.addColorStop(1, css(colour, 0.08));
        cx.strokeStyle = gradient;
        cx.beginPath();
        cx.moveTo(x, bottom);
        cx.lineTo(x, y);
        cx.stroke();
      };
      if (l >= 0 && r >= 0) line(Math.max(l, r), kBoth);
      else line(l >= 0 ? l : r, l >= 0 ? kLeft : kRight);
      for (let side = 0; side < 2; ++side) {
        if (levels[side][c] >= 0 && lonely(side, c)) {
          cx.fillStyle = css(l >= 0 && r >= 0 ? kBoth : side === 0 ? kLeft : kRight);
          cx.beginPath();
          cx.arc(x, yOf(levels[side][c]), 2.2, 0, 2 * Math.PI);
          cx.fill();
        }
      }
    }
    const f = this.fundamentalHz;
    if (axis.contains(f)) {
      cx.fillStyle = css(kText);
      cx.beginPath();
      cx.arc(axis.x(f), bottom + 1, 3.5, 0, 2 * Math.PI);
      cx.fill();
    }
  }

  drawDisplay(cx, b, valueText) {
    const e = this.engine.exports;
    panel(cx, b.x, b.y, b.w, b.h, 8, kDisplay, kPanelEdge);
    cx.save();
    roundedRectangle(cx, b.x, b.y, b.w, b.h, 8);
    cx.clip();
    const axis = new Axis(b.x + 34, b.x + b.w - 16);
    const plotTop = b.y + 24;
    const plotBottom = b.y + b.h - 22;
    cx.lineWidth = 1;
    for (let db = 0; db >= kBottomDb; db -= 24) {
      const y = Math.round(this.dbToY(b, db)) + 0.5;
      cx.strokeStyle = css(kGrid);
      cx.beginPath();
      cx.moveTo(b.x + 30, y);
      cx.lineTo(b.x + b.w - 8, y);
      cx.stroke();
      text(cx, String(db), b.x + 26, y + 3.5, 9, kMuted, 'right');
    }
    const marks = e.sorvell_note_marks(kLowHz, kHighHz, axis.left, axis.right);
    for (let i = 0; i < marks; ++i) {
      const major = e.sorvell_note_mark_major(i) !== 0;
      const x = Math.round(e.sorvell_note_mark_x(i)) + 0.5;
      cx.strokeStyle = css(kGrid, major ? 1 : 0.55);
      cx.beginPath();
      cx.moveTo(x, plotTop - 6);
      cx.lineTo(x, plotBottom);
      cx.stroke();
      if (major) text(cx, this.engine.string(e.sorvell_note_mark_label(i)), x, b.y + b.h - 7, 9.5, kMuted, 'centre');
    }
    for (const [hz, label] of [[100, '100 Hz'], [1000, '1 kHz'], [10000, '10 kHz']]) {
      text(cx, label, axis.x(hz), b.y + 15, 9, kMuted, 'centre', false, 0.8);
    }
    if (this.meters.live) this.drawSpectrum(cx, b, axis, 'input', kInput, 0.3, 0.55);
    this.drawComb(cx, axis, plotTop, plotBottom);
    if (this.meters.live) this.drawSpectrum(cx, b, axis, 'output', kOutput, 0.05, 0.85);
    cx.restore();
    const fundamental = valueText(this.indices.frequency, this.fundamentalHz) + (this.fundamentalFromMidi ? '  (MIDI)' : '');
    text(cx, fundamental, b.x + 40, b.y + 42, 13, kText, 'left', true);
  }
}
