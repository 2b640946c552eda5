// Instantiating the engine's standalone WebAssembly module, on the page and in the audio
// worklet alike: the few system calls the C library may make, answered without a file system,
// and typed views that follow the memory when it grows.

// Text from the module's memory; the worklet scope has no TextDecoder, and every text the
// module writes is ASCII or UTF-8 that the page decodes itself.
function bytesToString(bytes) {
  if (typeof TextDecoder !== 'undefined') return new TextDecoder().decode(bytes);
  let text = '';
  for (const b of bytes) text += String.fromCharCode(b);
  return text;
}

function systemImports(getMemory) {
  const view = () => new DataView(getMemory().buffer);
  const u8 = () => new Uint8Array(getMemory().buffer);
  return {
    fd_write(fd, iovs, count, written) {
      const dv = view();
      let total = 0;
      let text = '';
      for (let i = 0; i < count; ++i) {
        const ptr = dv.getUint32(iovs + 8 * i, true);
        const len = dv.getUint32(iovs + 8 * i + 4, true);
        text += bytesToString(u8().subarray(ptr, ptr + len));
        total += len;
      }
      if (text.trim()) (fd === 2 ? console.error : console.log)(text.trimEnd());
      dv.setUint32(written, total, true);
      return 0;
    },
    fd_close: () => 0,
    fd_seek: () => 70, // ESPIPE: no files here
    fd_read: () => 8, // EBADF
    fd_fdstat_get: () => 8,
    environ_sizes_get(count, size) {
      view().setUint32(count, 0, true);
      view().setUint32(size, 0, true);
      return 0;
    },
    environ_get: () => 0,
    args_sizes_get(count, size) {
      view().setUint32(count, 0, true);
      view().setUint32(size, 0, true);
      return 0;
    },
    args_get: () => 0,
    clock_time_get(id, precision, out) {
      view().setBigUint64(out, BigInt(Math.round(Date.now() * 1e6)), true);
      return 0;
    },
    getentropy(ptr, len) {
      const bytes = u8();
      for (let i = 0; i < len; ++i) bytes[ptr + i] = (Math.random() * 256) | 0;
      return 0;
    },
    random_get(ptr, len) {
      const bytes = u8();
      for (let i = 0; i < len; ++i) bytes[ptr + i] = (Math.random() * 256) | 0;
      return 0;
    },
    proc_exit(code) {
      throw new Error(`the engine stopped (exit ${code})`);
    },
    emscripten_notify_memory_growth: () => {},
  };
}

// The import object the module asks for: the system calls, and extra spaces of imports
// ({canvas: {...}}) where the caller has them. A function it names that is not answered here
// throws when called, so that nothing fails silently.
export function moduleImports(module, getMemory, extra = {}) {
  const system = systemImports(getMemory);
  const imports = {};
  for (const { module: space, name, kind } of WebAssembly.Module.imports(module)) {
    if (kind !== 'function') continue;
    imports[space] ??= {};
    imports[space][name] =
      (extra[space] ?? system)[name] ??
      (() => {
        throw new Error(`the engine called ${space}.${name}, which the page does not provide`);
      });
  }
  return imports;
}

// A running instance with its exports and views on its memory.
export class Engine {
  constructor(instance) {
    this.instance = instance;
    this.exports = instance.exports;
    this.memory = instance.exports.memory;
    this.exports._initialize?.();
  }

  // extra: further spaces of imports, made from a function that reads the memory.
  static create(module, extra = () => ({})) {
    let engine = null;
    const getMemory = () => engine.memory;
    const instance = new WebAssembly.Instance(module, moduleImports(module, getMemory, extra(getMemory)));
    engine = new Engine(instance);
    return engine;
  }

  static async compile(url) {
    const response = await fetch(url);
    if (!response.ok) throw new Error(`could not load ${url}: ${response.status}`);
    return WebAssembly.compile(await response.arrayBuffer());
  }

  floats(pointer, count) {
    return new Float32Array(this.memory.buffer, pointer, count);
  }

  doubles(pointer, count) {
    return new Float64Array(this.memory.buffer, pointer, count);
  }

  string(pointer) {
    const bytes = new Uint8Array(this.memory.buffer);
    let end = pointer;
    while (bytes[end] !== 0) ++end;
    return bytesToString(bytes.slice(pointer, end));
  }
}
