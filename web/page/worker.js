// The page's Web Workers, one an archive: the module's work off the page's
// thread, and a Cancel that ends one archive's work (terminate) and nothing
// else. A worker is made from a Blob holding createIcnkit's own source
// (icnkit.js) and icnkitWorkerMain: a page opened from file:// may not load
// a worker script from a file.
// Requests are {id, op, args}; answers {id, result, warnings} or {id,
// error, warnings}, in the order asked; {id: null, error} when a request
// could not be read.
// The worker keeps its archive open (the bytes copied into the module once)
// and decodes only what the page draws: a frame's region, every step-th
// pixel, so a 16000 x 16000 frame costs a screen's worth of pixels.
function icnkitWorkerMain() {
  const ready = createIcnkit();
  let state = null;  // {archive, palette (RGBA words)}

  // Palette indices as RGBA bytes, index 0 transparent.
  function rgbaOf(pixels, palette) {
    const rgba = new Uint32Array(pixels.length);
    for (let i = 0; i < pixels.length; ++i) rgba[i] = palette[pixels[i]];
    return new Uint8ClampedArray(rgba.buffer);
  }
  function paletteWords(palette) {
    const words = new Uint32Array(256);
    const bytes = new Uint8Array(words.buffer);
    for (let i = 1; i < 256; ++i) bytes.set([...palette.subarray(i * 3, i * 3 + 3), 255], i * 4);
    return words;
  }

  // The archive of bytes, kept open (the previous one closed): its frames'
  // places (left, top, width, height a frame) and union at once; their
  // bits and fill-only flags (a scan of each H1 stream) asked for after.
  function open(kit, bytes, name, generation) {
    const archive = kit.open(bytes, generation || null, { name });
    state?.archive.close();
    state = { archive, palette: paletteWords(archive.palette) };
    return described(archive);
  }
  function described(archive) {
    const places = new Int32Array(archive.frameCount * 4);
    archive.frames.forEach((frame, i) => places.set([frame.left, frame.top, frame.width, frame.height], i * 4));
    return { generation: archive.generation, palette: archive.palette.slice(), places, union: archive.rect };
  }

  // Frame index's pixels in region {x, y, width, height, step} (frame
  // coordinates): ceil(width / step) x ceil(height / step) indices.
  function decode(index, region) {
    const pixels = state.archive.decode(index, region);
    const width = Math.ceil(region.width / region.step);
    return { width, height: width ? pixels.length / width : 0, pixels };
  }

  // An edited archive replaces the open one; its bytes go to the page.
  function reopened(kit, bytes, generation = state.archive.generation) {
    return { ...open(kit, bytes, state.archive.name, generation), bytes };
  }
  const frameFiles = (kit) => kit.unpack(state.archive, { format: 'png' });

  const ops = {
    // A file (or Blob), read here: the page's thread never holds its bytes.
    open: async (kit, args) => open(kit, new Uint8Array(await args.file.arrayBuffer()), args.name,
      args.generation),
    // The archive open, as open tells it (after a refused edit).
    current: () => described(state.archive),
    // Each frame's bits, plus 256 when it is fill-only.
    flags: () => Int32Array.from(state.archive.frames, (frame) => frame.bits + (frame.fillOnly ? 256 : 0)),
    // Frames' pixels as drawn: {index, region} each; RGBA and indices back.
    draw(kit, args) {
      return args.map(({ index, region }) => {
        const image = decode(index, region);
        return { index, region, ...image, rgba: rgbaOf(image.pixels, state.palette) };
      });
    },
    info: (kit, args) => kit.info(state.archive, args),
    sheet: (kit) => kit.sheet(state.archive),
    gif: (kit, args) => kit.gif(state.archive, args),
    frames: (kit) => kit.zip(frameFiles(kit)),
    // Records changed ({index: {left, top, bits}}): every frame decoded and
    // the archive built again, as the packers build it.
    records(kit, args) {
      const frames = state.archive.frames.map((frame, i) => ({
        left: frame.left, top: frame.top, width: frame.width, height: frame.height, bits: frame.bits,
        pixels: state.archive.decode(i), ...args.changes[i],
      }));
      return reopened(kit, kit.build(state.archive.generation, frames));
    },
    // An edited sheet: its PNG and JSON (named as dropped, for messages).
    packSheet: (kit, args, warning) => reopened(kit, kit.packSheet(args.png, args.json,
      { imageName: args.imageName, jsonName: args.jsonName, warning }), JSON.parse(args.json).meta?.Generation),
    // Edited frame files over the archive's own frame folder, packed.
    packFrames(kit, args, warning) {
      const files = new Map(frameFiles(kit).map((file) => [file.name, file]));
      for (const file of args.files) files.set(file.name, file);
      return reopened(kit, kit.pack([...files.values()], { warning }));
    },
  };
  // Typed arrays in a result are moved to the page, not copied.
  function transferables(value, list = []) {
    if (ArrayBuffer.isView(value)) list.push(value.buffer);
    else if (value && typeof value === 'object') {
      for (const item of Object.values(value)) transferables(item, list);
    }
    return list;
  }
  self.addEventListener('messageerror', () => self.postMessage({ id: null,
    error: 'A request to the worker could not be read' }));
  self.onmessage = async ({ data: { id, op, args } }) => {
    const warnings = [];
    try {
      const kit = await ready;
      const result = await ops[op](kit, args, (message) => warnings.push(message));
      self.postMessage({ id, result, warnings }, [...new Set(transferables(result))]);
    } catch (error) {
      self.postMessage({ id, error: error instanceof Error ? error.message : String(error), warnings });
    }
  };
}
