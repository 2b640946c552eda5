// The page: one engine module compiled once; the live path runs it in an AudioWorklet, the
// offline render and the display models run it here. Controls, presets and groups come from
// the module's description of the plugin (the same tables as every other front end).
import { CanvasTarget } from './canvas.js';
import { Display } from './display.js';
import { Engine } from './module.js';
import { renderOffline } from './render.js';
import { readSettings, writeSettings } from './settings.js';
import { declaredSampleRate } from './sample-rate.js';
import { encodeFloatWav } from './wav.js';
import { NoteInput } from './notes.js';

const $ = (id) => document.getElementById(id);

const module = await Engine.compile('dist/sorvell.wasm');
let canvasTarget = null;
const engine = Engine.create(module, (getMemory) => {
  canvasTarget = new CanvasTarget(getMemory);
  return { canvas: canvasTarget.imports() };
});
const ex = engine.exports;
const description = JSON.parse(engine.string(ex.sorvell_describe()));
const parameters = description.parameters;
const indexOf = Object.fromEntries(parameters.map((p, i) => [p.name, i]));

const defaults = parameters.map((p) => p.default);
const settings = readSettings(location.hash, parameters);
const values = settings.values;
$('seed').value = String(settings.seed);

const valueText = (index, value) => engine.string(ex.sorvell_value_text(index, value));

let context = null; // AudioContext, made on the first gesture that needs sound
let node = null;
let source = null; // the playing AudioBufferSourceNode or MediaStreamAudioSourceNode
let loaded = null; // { channels: [Float32Array, Float32Array], sampleRate, name }

const display = new Display(engine, canvasTarget, $('display'), 48000, {
  frequency: indexOf.frequency,
  shift: indexOf.shift,
  pitchSource: description.pitchSourceIndex,
  shared: description.bypassIndex, // the shared table's rows come before bypass
});

// ---- controls -----------------------------------------------------------------------------

const widgets = [];

function makeControl(index) {
  const p = parameters[index];
  const wrapper = document.createElement('div');
  wrapper.className = 'control';
  const id = `p-${p.name}`;
  const label = document.createElement('label');
  label.htmlFor = id;
  label.textContent = p.label;
  label.title = p.description;
  let input;
  if (p.options.length > 0) {
    input = document.createElement('select');
    p.options.forEach((name, v) => input.add(new Option(name, String(v))));
  } else if (index === description.bypassIndex) {
    input = document.createElement('input');
    input.type = 'checkbox';
  } else {
    input = document.createElement('input');
    input.type = 'range';
    if (p.integer) {
      input.min = String(p.min);
      input.max = String(p.max);
      input.step = '1';
    } else {
      input.min = '0';
      input.max = '1000';
      input.step = '1';
    }
  }
  input.id = id;
  input.dataset.parameter = p.name;
  const output = document.createElement('output');
  output.htmlFor = id;
  output.id = `${id}-value`;
  input.setAttribute('aria-describedby', output.id);
  const read = () => {
    if (input.type === 'checkbox') return input.checked ? 1 : 0;
    if (input.tagName === 'SELECT' || p.integer) return Number(input.value);
    return ex.sorvell_from_position(index, Number(input.value) / 1000);
  };
  const show = (value) => {
    if (input.type === 'checkbox') input.checked = value >= 0.5;
    else if (input.tagName === 'SELECT' || p.integer) input.value = String(Math.round(value));
    else input.value = String(Math.round(ex.sorvell_to_position(index, value) * 1000));
    const textValue = valueText(index, value);
    output.textContent = textValue;
    if (input.type === 'range') input.setAttribute('aria-valuetext', textValue);
  };
  input.addEventListener(input.type === 'range' ? 'input' : 'change', () => setValue(index, read()));
  input.addEventListener('dblclick', () => setValue(index, p.default));
  wrapper.append(label, input, output);
  widgets[index] = { show };
  return wrapper;
}

function buildControls() {
  const root = $('controls');
  for (const group of description.groups) {
    const fieldset = document.createElement('fieldset');
    fieldset.className = 'group';
    const legend = document.createElement('legend');
    legend.textContent = group.title[0] + group.title.slice(1).toLowerCase();
    fieldset.append(legend);
    if (group.selector >= 0) fieldset.append(makeControl(group.selector));
    for (const knob of group.knobs) fieldset.append(makeControl(knob));
    root.append(fieldset);
  }
}

function setValue(index, value) {
  values[index] = value;
  widgets[index]?.show(value);
  node?.port.postMessage({ type: 'parameter', index, value });
  display.setValues(values);
  history.replaceState(null, '', writeSettings(values, parameters, Number($('seed').value)));
}

function applyAll() {
  values.forEach((value, index) => setValue(index, value));
}

// ---- presets ------------------------------------------------------------------------------

for (const preset of description.presets) $('preset').add(new Option(`${preset.name} — ${preset.description}`, preset.name));
$('preset').addEventListener('change', () => {
  const preset = description.presets.find((p) => p.name === $('preset').value);
  if (!preset) return;
  for (const [name, value] of Object.entries(preset.values)) setValue(indexOf[name], value);
  $('render-status').textContent = `Preset ${preset.name} applied.`;
});
$('reset').addEventListener('click', () => defaults.forEach((value, index) => setValue(index, value)));
$('seed').addEventListener('change', () => setValue(0, values[0]));

// ---- sound sources ------------------------------------------------------------------------

async function ensureContext() {
  if (context) return context;
  context = new AudioContext({ latencyHint: 'interactive' });
  await context.audioWorklet.addModule('js/worklet.js');
  node = new AudioWorkletNode(context, 'sorvell', {
    numberOfInputs: 1,
    numberOfOutputs: 1,
    outputChannelCount: [2],
    channelCount: 2,
    channelCountMode: 'explicit',
    channelInterpretation: 'speakers',
    processorOptions: { module, seed: Number($('seed').value) >>> 0, values: [...values] },
  });
  node.port.onmessage = (message) => {
    if (message.data.type === 'analysis') display.analyse(message.data);
  };
  node.connect(context.destination);
  display.sampleRate = context.sampleRate;
  display.comb = ex.sorvell_comb_create(context.sampleRate);
  display.setValues(values);
  return context;
}

function useSound(channels, sampleRate, name) {
  loaded = { channels, sampleRate, name };
  const seconds = (channels[0].length / sampleRate).toFixed(2);
  $('source-status').textContent = `${name}: ${seconds} s at ${sampleRate} Hz.`;
  document.body.dataset.loaded = name;
}

async function decodeFile(file) {
  const bytes = await file.arrayBuffer();
  // Decoded at the file's own rate where it says so, so that the render sees its samples.
  const rate = declaredSampleRate(bytes) ?? 48000;
  const decoder = new OfflineAudioContext(2, 1, rate);
  const buffer = await decoder.decodeAudioData(bytes);
  const left = buffer.getChannelData(0);
  const right = buffer.numberOfChannels > 1 ? buffer.getChannelData(1) : left;
  useSound([left, right], buffer.sampleRate, file.name);
}

function pinkNoise(sampleRate, seconds) {
  const frames = Math.round(sampleRate * seconds);
  const out = [new Float32Array(frames), new Float32Array(frames)];
  let state = 22222;
  const random = () => ((state = (state * 1103515245 + 12345) >>> 0) / 4294967296) * 2 - 1;
  for (const channel of out) {
    let b0 = 0, b1 = 0, b2 = 0;
    for (let i = 0; i < frames; ++i) {
      const white = random();
      b0 = 0.99765 * b0 + white * 0.099046;
      b1 = 0.963 * b1 + white * 0.2965164;
      b2 = 0.57 * b2 + white * 1.0526913;
      channel[i] = (b0 + b1 + b2 + white * 0.1848) * 0.05;
    }
  }
  return out;
}

function builtinSound(name) {
  if (name === 'demo') {
    const frames = ex.sorvell_demo_make(48000);
    const interleaved = engine.floats(ex.sorvell_demo_samples(), frames * 2);
    const left = new Float32Array(frames);
    const right = new Float32Array(frames);
    for (let i = 0; i < frames; ++i) {
      left[i] = interleaved[2 * i];
      right[i] = interleaved[2 * i + 1];
    }
    useSound([left, right], 48000, 'demo');
  } else if (name === 'noise') {
    useSound(pinkNoise(48000, 6), 48000, 'pink noise');
  }
}

function stop() {
  if (source) {
    source.disconnect();
    if (source.stop) source.stop();
    source.mediaStream?.getTracks().forEach((t) => t.stop());
    source = null;
  }
  document.body.dataset.playing = '';
}

$('file').addEventListener('change', async () => {
  const file = $('file').files[0];
  if (!file) return;
  try {
    await decodeFile(file);
  } catch (error) {
    $('source-status').textContent = `Could not decode ${file.name}: ${error.message}`;
  }
});
$('builtin').addEventListener('change', () => builtinSound($('builtin').value));
// A file dropped anywhere on the page loads as if chosen.
document.addEventListener('dragover', (event) => event.preventDefault());
document.addEventListener('drop', async (event) => {
  event.preventDefault();
  const file = event.dataTransfer?.files[0];
  if (!file) return;
  try {
    await decodeFile(file);
  } catch (error) {
    $('source-status').textContent = `Could not decode ${file.name}: ${error.message}`;
  }
});

$('play').addEventListener('click', async () => {
  if (!loaded) builtinSound('demo');
  await ensureContext();
  await context.resume();
  stop();
  const buffer = new AudioBuffer({ numberOfChannels: 2, length: loaded.channels[0].length, sampleRate: loaded.sampleRate });
  buffer.copyToChannel(loaded.channels[0], 0);
  buffer.copyToChannel(loaded.channels[1], 1);
  source = new AudioBufferSourceNode(context, { buffer, loop: $('loop').checked });
  source.connect(node);
  source.onended = () => {
    if (source?.buffer === buffer) document.body.dataset.playing = '';
  };
  source.start();
  document.body.dataset.playing = 'file';
  $('source-status').textContent = `Playing ${loaded.name}.`;
});
$('loop').addEventListener('change', () => {
  if (source && 'loop' in source) source.loop = $('loop').checked;
});
$('stop').addEventListener('click', () => {
  stop();
  display.stop();
  $('source-status').textContent = loaded ? `Stopped; ${loaded.name} loaded.` : 'Stopped.';
});
$('mic').addEventListener('click', async () => {
  try {
    const stream = await navigator.mediaDevices.getUserMedia({ audio: { echoCancellation: false, noiseSuppression: false, autoGainControl: false } });
    await ensureContext();
    await context.resume();
    stop();
    source = new MediaStreamAudioSourceNode(context, { mediaStream: stream });
    source.connect(node);
    document.body.dataset.playing = 'microphone';
    $('source-status').textContent = 'Playing the microphone (use headphones).';
  } catch (error) {
    $('source-status').textContent = `No microphone: ${error.message}`;
  }
});

// ---- offline render -----------------------------------------------------------------------

// FNV-1a over the rendered samples' bits: lets a test tell renders apart without the file.
function checksum(channels) {
  let hash = 0x811c9dc5;
  for (const channel of channels) {
    const words = new Uint32Array(channel.buffer, channel.byteOffset, channel.length);
    for (const w of words) hash = Math.imul(hash ^ w, 0x01000193) >>> 0;
  }
  return hash.toString(16).padStart(8, '0');
}

$('render').addEventListener('click', async () => {
  if (!loaded) builtinSound('demo');
  const status = $('render-status');
  const seed = Number($('seed').value) >>> 0;
  status.textContent = 'Rendering…';
  document.body.dataset.rendered = '';
  const started = performance.now();
  let output;
  try {
    output = await renderOffline(engine, description, loaded.channels, loaded.sampleRate, [...values], seed, (share) => {
      status.textContent = `Rendering… ${Math.round(share * 100)} %`;
    });
  } catch (error) {
    status.textContent = `The render failed: ${error.message}`;
    console.error(error);
    document.body.dataset.rendered = 'failed';
    return;
  }
  const seconds = (performance.now() - started) / 1000;
  const audioSeconds = output[0].length / loaded.sampleRate;
  const wav = encodeFloatWav(output[0], output[1], loaded.sampleRate);
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([wav], { type: 'audio/wav' }));
  link.download = `${loaded.name.replace(/\.[^.]*$/, '')}-sorvell.wav`;
  document.body.append(link);
  link.click();
  link.remove();
  const sum = checksum(output);
  status.textContent = `Rendered ${audioSeconds.toFixed(2)} s in ${seconds.toFixed(2)} s (${(audioSeconds / seconds).toFixed(0)}x real time); downloaded ${link.download}.`;
  document.body.dataset.rendered = sum;
});

// ---- pitch from keys and MIDI -------------------------------------------------------------

const notes = new NoteInput($('keys'), (bytes) => {
  if (values[description.pitchSourceIndex] < 0.5) setValue(description.pitchSourceIndex, 1);
  node?.port.postMessage({ type: 'midi', bytes });
});
notes.connectMidi((text) => ($('midi-status').textContent = text));

// ---- drawing ------------------------------------------------------------------------------

buildControls();
applyAll();
function frame() {
  display.draw();
  requestAnimationFrame(frame);
}
requestAnimationFrame(frame);
document.body.dataset.ready = '1';
