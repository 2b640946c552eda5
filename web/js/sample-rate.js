// The sample rate an audio file declares in its header, so that the page decodes it at its own
// rate: the browser's decoder resamples to whatever rate it is asked for, and a render must see
// the file's own samples, as the command-line renderer does. WAV and RF64, FLAC and Ogg Vorbis;
// null for anything else (Opus always decodes at 48 kHz; chromium decodes no AIFF).

function text(bytes, at, length) {
  return String.fromCharCode(...bytes.subarray(at, at + length));
}

function wav(view, bytes) {
  for (let at = 12; at + 8 <= view.byteLength; ) {
    const size = view.getUint32(at + 4, true);
    if (text(bytes, at, 4) === 'fmt ' && at + 16 <= view.byteLength) return view.getUint32(at + 12, true);
    at += 8 + size + (size & 1);
  }
  return null;
}

// STREAMINFO, the first metadata block: the rate is 20 bits, 10 bytes into it.
function flacStreamInfo(bytes, at) {
  if (at + 13 > bytes.length) return null;
  return (bytes[at + 10] << 12) | (bytes[at + 11] << 4) | (bytes[at + 12] >> 4);
}

// The first packet of the first page: Vorbis's identification header has the rate 12 bytes in.
function ogg(view, bytes) {
  if (view.byteLength < 27) return null;
  const packet = 27 + bytes[26];
  if (text(bytes, packet, 7) === '\x01vorbis' && packet + 16 <= view.byteLength) {
    return view.getUint32(packet + 12, true);
  }
  return null;
}

export function declaredSampleRate(arrayBuffer) {
  const view = new DataView(arrayBuffer);
  const bytes = new Uint8Array(arrayBuffer);
  if (view.byteLength < 12) return null;
  const magic = text(bytes, 0, 4);
  const form = text(bytes, 8, 4);
  if ((magic === 'RIFF' || magic === 'RF64') && form === 'WAVE') return wav(view, bytes);
  if (magic === 'fLaC') return flacStreamInfo(bytes, 8);
  if (magic === 'OggS') return ogg(view, bytes);
  return null;
}
