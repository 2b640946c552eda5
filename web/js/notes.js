// Notes for the pitch source: an on-screen keyboard of two octaves, the computer keyboard
// (A W S E D F T G Y H U J K from C, Z and X an octave down and up) and Web MIDI where the
// browser offers it. Each sends MIDI bytes to `send`.

const kComputerKeys = 'awsedftgyhujk';
const kNames = ['C', 'C#', 'D', 'D#', 'E', 'F', 'F#', 'G', 'G#', 'A', 'A#', 'B'];

export class NoteInput {
  constructor(container, send) {
    this.send = send;
    this.octave = 3; // the computer keys start at C3
    this.held = new Map(); // computer key -> note
    this.buttons = new Map();
    for (let note = 48; note < 48 + 25; ++note) {
      const name = `${kNames[note % 12]}${Math.floor(note / 12) - 1}`;
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = name;
      button.setAttribute('aria-label', `Play ${name}`);
      if (name.includes('#')) button.className = 'black';
      const on = (event) => {
        event.preventDefault();
        this.noteOn(note);
      };
      const off = () => this.noteOff(note);
      button.addEventListener('pointerdown', on);
      button.addEventListener('pointerup', off);
      button.addEventListener('pointerleave', off);
      button.addEventListener('keydown', (event) => {
        if ((event.key === ' ' || event.key === 'Enter') && !event.repeat) on(event);
      });
      button.addEventListener('keyup', (event) => {
        if (event.key === ' ' || event.key === 'Enter') off();
      });
      this.buttons.set(note, button);
      container.append(button);
    }
    window.addEventListener('keydown', (event) => this.key(event, true));
    window.addEventListener('keyup', (event) => this.key(event, false));
  }

  key(event, down) {
    const target = event.target;
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    if (target.tagName === 'INPUT' && (target.type === 'number' || target.type === 'text')) return;
    const key = event.key.toLowerCase();
    if (down && !event.repeat && (key === 'z' || key === 'x')) {
      this.octave = Math.min(Math.max(this.octave + (key === 'x' ? 1 : -1), 0), 8);
      return;
    }
    const step = kComputerKeys.indexOf(key);
    if (step < 0 || key.length !== 1) return;
    if (down && !event.repeat && !this.held.has(key)) {
      const note = 12 * (this.octave + 1) + step;
      this.held.set(key, note);
      this.noteOn(note);
    } else if (!down && this.held.has(key)) {
      this.noteOff(this.held.get(key));
      this.held.delete(key);
    }
  }

  noteOn(note, velocity = 100) {
    this.buttons.get(note)?.classList.add('down');
    this.send([0x90, note, velocity]);
  }

  noteOff(note) {
    const button = this.buttons.get(note);
    if (button && !button.classList.contains('down')) return;
    button?.classList.remove('down');
    this.send([0x80, note, 0]);
  }

  async connectMidi(report) {
    if (!navigator.requestMIDIAccess) {
      report('This browser offers no MIDI.');
      return;
    }
    try {
      const access = await navigator.requestMIDIAccess();
      const listen = () => {
        let count = 0;
        for (const input of access.inputs.values()) {
          input.onmidimessage = (message) => {
            const [status] = message.data;
            const kind = status & 0xf0;
            if (kind === 0x80 || kind === 0x90 || kind === 0xe0) this.send([...message.data]);
          };
          ++count;
        }
        report(count ? `MIDI: ${count} input${count > 1 ? 's' : ''} connected.` : 'MIDI: no input connected.');
      };
      access.onstatechange = listen;
      listen();
    } catch (error) {
      report(`MIDI not allowed: ${error.message}`);
    }
  }
}
