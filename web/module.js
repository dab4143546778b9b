// Placed inside the module's factory (--post-js): the module's functions
// (icnkit.d.ts) over the bound ones of Bindings.cpp, which take every
// option in one object. Looked up when called, as embind registers them
// once the .wasm runs. Here the arguments are checked (a wrong type is a
// TypeError), bytes of any kind become a Uint8Array over the same memory,
// an open archive is wrapped, and the old names are kept one release.
// Written in the JavaScript emscripten 3.1.6's optimiser parses: no object
// spread, no ?? or ?., no private fields.
(function icnkitModule() {
  // What the module throws for bad input: the tools' message; kind is
  // 'InvalidInput', 'NotFound', 'Io' or 'OutOfMemory'; file names the file
  // concerned where the message does not.
  class IcnkitError extends Error {
    constructor(message, kind, file) {
      super(message);
      this.name = 'IcnkitError';
      this.kind = kind || 'InvalidInput';
      this.file = file || '';
    }
  }
  Module['Error'] = IcnkitError;

  const describe = (value) => (value === null ? 'null'
    : typeof value === 'object' ? (value.constructor && value.constructor.name) || 'an object'
      : typeof value);

  // value's bytes as a Uint8Array over the same memory (never copied
  // here): an ArrayBuffer, a SharedArrayBuffer, any typed array or a
  // DataView, each view by its byteOffset and byteLength.
  function bytesOf(value, what) {
    if (value instanceof Uint8Array) return value;
    if (ArrayBuffer.isView(value)) return new Uint8Array(value.buffer, value.byteOffset, value.byteLength);
    if (value instanceof ArrayBuffer
        || (typeof SharedArrayBuffer === 'function' && value instanceof SharedArrayBuffer)) {
      return new Uint8Array(value);
    }
    throw new TypeError(`${what}: an ArrayBuffer, a typed array or a DataView expected, `
      + `${describe(value)} given`);
  }

  function optionsOf(options, what) {
    if (options === undefined || options === null) return {};
    if (typeof options !== 'object') {
      throw new TypeError(`${what}: an options object expected, ${describe(options)} given`);
    }
    return options;
  }

  // options with its palette (colours, 3 bytes each) as a Uint8Array.
  function withPalette(options, what) {
    const checked = optionsOf(options, what);
    if (checked.palette === undefined || checked.palette === null) return checked;
    return Object.assign({}, checked, { palette: bytesOf(checked.palette, `${what}: palette`) });
  }

  function filesOf(files, what) {
    if (!Array.isArray(files)) {
      throw new TypeError(`${what}: an array of {name, bytes} expected, ${describe(files)} given`);
    }
    return files.map((file, i) => {
      if (!file || typeof file.name !== 'string') {
        throw new TypeError(`${what}: file ${i} has no name`);
      }
      return { name: file.name, bytes: bytesOf(file.bytes, `${what}: ${file.name}`) };
    });
  }

  const warned = {};
  function deprecated(old, now) {
    if (warned[old]) return;
    warned[old] = true;
    console.warn(`icnkit: ${old} is deprecated and goes in the next release; use ${now}`);
  }

  // The bound on what an open archive holds decoded (its frames' pixels
  // once read): 2^30 pixels, as Python's icnkit.MAX_DECODED_PIXELS;
  // settable, Infinity for none. A single decode is bounded as every image
  // the library makes ("Bitmap too large").
  let maxDecodedPixels = 2 ** 30;
  Object.defineProperty(Module, 'maxDecodedPixels', {
    enumerable: true,
    get: () => maxDecodedPixels,
    set: (value) => {
      if (typeof value !== 'number' || !(value >= 0)) {
        throw new TypeError(`maxDecodedPixels: a number of pixels expected, ${String(value)} given`);
      }
      maxDecodedPixels = value;
    },
  });

  // An open archive's own state, out of sight of structured clones and
  // Object.values: its handle (Bindings.cpp's ArchiveHandle) and the pixels
  // its frames hold.
  const states = new WeakMap();
  const registry = typeof FinalizationRegistry === 'function'
    ? new FinalizationRegistry((handle) => handle.delete()) : null;
  const ARCHIVE = Symbol('archive');
  const INDEX = Symbol('index');

  function stateOf(archive) {
    const state = states.get(archive);
    if (!state) throw new TypeError('not an archive open() returned');
    if (!state.handle) throw new IcnkitError(`The archive ${archive.name} is closed`);
    return state;
  }

  // A frame's own properties bits, fillOnly and pixels: read when first
  // asked for, then kept as plain values (pixels edited in place stay).
  const keep = (frame, key, value) => {
    Object.defineProperty(frame, key, { value, writable: true, enumerable: true, configurable: true });
    return value;
  };
  // Both flags from one call; a value the caller has set stays.
  function readFlags(frame) {
    const flags = stateOf(frame[ARCHIVE]).handle.flags(frame[INDEX]);
    const unread = (key) => Object.getOwnPropertyDescriptor(frame, key).get !== undefined;
    if (unread('fillOnly')) keep(frame, 'fillOnly', flags >= 256);
    if (unread('bits')) keep(frame, 'bits', flags & 255);
  }
  const lazy = (get) => ({
    get,
    set(value) { keep(this, get.key, value); },
    enumerable: true,
    configurable: true,
  });
  const bitsGet = function bits() { readFlags(this); return this.bits; };
  bitsGet.key = 'bits';
  const fillOnlyGet = function fillOnly() { readFlags(this); return this.fillOnly; };
  fillOnlyGet.key = 'fillOnly';
  const pixelsGet = function pixels() {
    const archive = this[ARCHIVE];
    const state = stateOf(archive);
    const count = this.width * this.height;
    if (state.held + count > maxDecodedPixels) {
      throw new IcnkitError(`Too many decoded pixels: frame ${this[INDEX]} (${this.width} x `
        + `${this.height}) would make ${state.held + count} held by the archive, past `
        + `kit.maxDecodedPixels (${maxDecodedPixels}); let go of frames' pixels, or raise it`);
    }
    const decoded = state.handle.decode(this[INDEX]);
    state.held += count;
    return keep(this, 'pixels', decoded);
  };
  pixelsGet.key = 'pixels';
  const lazyFrame = { bits: lazy(bitsGet), fillOnly: lazy(fillOnlyGet), pixels: lazy(pixelsGet) };

  // What open returns: the archive's records at once, its pixels when
  // asked (decode, or a frame's pixels).
  class OpenedArchive {
    constructor(handle, progress) {
      states.set(this, { handle, held: 0 });
      if (registry) registry.register(this, handle, this);
      this.generation = handle.generation();
      this.name = handle.name();
      this.palette = Module['generationPaletteRaw'](this.generation);
      this.frameCount = handle.frameCount();
      this.rect = handle.union();
      const places = handle.places();
      const count = this.frameCount;
      const step = Math.floor(count / 100) + 1;
      this.frames = new Array(count);
      for (let i = 0; i < count; ++i) {
        if (progress && i % step === 0) progress(i, count);
        const frame = {
          left: places[i * 4], top: places[i * 4 + 1],
          width: places[i * 4 + 2], height: places[i * 4 + 3],
        };
        Object.defineProperties(frame, lazyFrame);
        frame[ARCHIVE] = this;
        frame[INDEX] = i;
        this.frames[i] = frame;
      }
      if (progress) progress(count, count);
    }

    // Frame index's pixels, or every step-th pixel of a region of them, in
    // a new array the archive does not keep.
    decode(index, region) {
      const state = stateOf(this);
      if (!Number.isInteger(index) || index < 0) {
        throw new TypeError(`decode: a frame index expected, ${String(index)} given`);
      }
      const frame = index < this.frameCount ? this.frames[index] : { width: 0, height: 0 };
      if (region === undefined || region === null) return state.handle.decode(index);
      const number = (key, fallback) => {
        const value = region[key] === undefined ? fallback : region[key];
        if (!Number.isInteger(value) || Math.abs(value) > 2 ** 31 - 1) {
          throw new TypeError(`decode: region.${key} must be an integer, ${String(value)} given`);
        }
        return value;
      };
      const x = number('x', 0);
      const y = number('y', 0);
      const step = number('step', 1);
      const width = number('width', Math.max(frame.width - x, 0));
      const height = number('height', Math.max(frame.height - y, 0));
      return state.handle.decodeRegion(index, x, y, width, height, step);
    }

    // Gives back the module memory holding the archive's bytes at once
    // (otherwise when the archive is garbage collected). Frames keep what
    // they have read; anything else the archive is asked then throws.
    close() {
      const state = states.get(this);
      if (!state || !state.handle) return;
      if (registry) registry.unregister(this);
      state.handle.delete();
      state.handle = null;
    }
  }
  Module['OpenedArchive'] = OpenedArchive;

  // work(handle) on the archive source is: an archive open returned, or
  // bytes opened for the call alone (options.generation, options.name).
  function withArchive(source, options, what, work) {
    if (source instanceof OpenedArchive) return work(stateOf(source).handle);
    const handle = Module['openRaw'](bytesOf(source, what), options);
    try {
      return work(handle);
    } finally {
      handle.delete();
    }
  }

  Module['open'] = (bytes, generation, options) => {
    const checked = optionsOf(options, 'open');
    const given = generation === undefined || generation === null ? checked.generation : generation;
    const handle = Module['openRaw'](bytesOf(bytes, 'open'),
      Object.assign({}, checked, { generation: given }));
    try {
      return new OpenedArchive(handle, checked.progress);
    } catch (error) {
      handle.delete();
      throw error;
    }
  };
  Module['thumbnail'] = (source, options) => {
    const checked = optionsOf(options, 'thumbnail');
    return withArchive(source, checked, 'thumbnail',
      (handle) => Module['thumbnailRaw'](handle, checked));
  };
  Module['info'] = (source, options) => {
    const checked = optionsOf(options, 'info');
    return withArchive(source, checked, 'info', (handle) => Module['infoRaw'](handle, checked));
  };
  Module['build'] = (generation, frames) => {
    if (!Array.isArray(frames)) {
      throw new TypeError(`build: an array of frames expected, ${describe(frames)} given`);
    }
    return Module['buildRaw'](String(generation), frames.map((frame, i) => {
      if (!frame || typeof frame !== 'object') throw new TypeError(`build: frame ${i} is no object`);
      return {
        left: frame.left, top: frame.top, width: frame.width, height: frame.height,
        bits: frame.bits, pixels: bytesOf(frame.pixels, `build: frame ${i}'s pixels`),
      };
    }));
  };
  Module['unpack'] = (source, options) => {
    const checked = withPalette(options, 'unpack');
    return withArchive(source, checked, 'unpack', (handle) => Module['unpackRaw'](handle, checked));
  };
  Module['pack'] = (files, options) => {
    if (typeof files === 'string') {
      deprecated('pack(generation, frames)', 'build(generation, frames)');
      return Module['build'](files, options);
    }
    return Module['packRaw'](filesOf(files, 'pack'), withPalette(options, 'pack'));
  };
  Module['sheet'] = (source, options) => {
    const checked = withPalette(options, 'sheet');
    return withArchive(source, checked, 'sheet', (handle) => Module['sheetRaw'](handle, checked));
  };
  Module['packSheet'] = (png, json, options) => {
    if (typeof json !== 'string') {
      throw new TypeError(`packSheet: the sheet's JSON text expected, ${describe(json)} given`);
    }
    return Module['packSheetRaw'](bytesOf(png, 'packSheet'), json, withPalette(options, 'packSheet'));
  };
  Module['gif'] = (source, options) => {
    const checked = withPalette(options, 'gif');
    return withArchive(source, checked, 'gif', (handle) => Module['gifRaw'](handle, checked));
  };
  // A palette file's colours, or given a generation ('H1', 'H2') its own.
  Module['readPalette'] = (bytes, name, options) => {
    if (typeof bytes === 'string') return Module['generationPaletteRaw'](bytes);
    if (typeof name !== 'string') {
      throw new TypeError(`readPalette: the file's name expected, ${describe(name)} given`);
    }
    return Module['readPaletteRaw'](bytesOf(bytes, 'readPalette'), name, optionsOf(options, 'readPalette'));
  };
  Module['writePalette'] = (colours, name) => {
    if (typeof name !== 'string') {
      throw new TypeError(`writePalette: the file's name expected, ${describe(name)} given`);
    }
    return Module['writePaletteRaw'](bytesOf(colours, 'writePalette'), name);
  };
  Module['detect'] = (bytes) => Module['detectRaw'](bytesOf(bytes, 'detect')) || null;
  Module['zip'] = (files) => Module['zipRaw'](filesOf(files, 'zip'));

  // The old names, one release.
  Module['packFiles'] = (files, options) => {
    deprecated('packFiles', 'pack');
    return Module['pack'](filesOf(files, 'packFiles'), options);
  };
  Module['unpackPng'] = (source, options) => {
    deprecated('unpackPng', "unpack(bytes, {format: 'png'})");
    return Module['unpack'](source, Object.assign({}, optionsOf(options, 'unpackPng'), { format: 'png' }));
  };
  Module['palette'] = (generation) => {
    deprecated('palette(generation)', 'readPalette(generation)');
    return Module['generationPaletteRaw'](generation);
  };
}());
