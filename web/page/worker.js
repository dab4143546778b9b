// The page's Web Worker: the module's work off the page's thread, so a
// 65,535-frame archive never freezes it. The worker is made from a Blob
// holding createIcnkit's own source (icnkit.js) and icnkitWorkerMain:
// a page opened from file:// may not load a worker script from a file.
// Requests are {id, op, args}; answers {id, progress: [done, total]} on the
// way, then {id, result, warnings} or {id, error, warnings}.
function icnkitWorkerMain() {
  const ready = createIcnkit();
  const archiveOptions = (args) => ({ name: args.name, generation: args.generation });
  const ops = {
    // The archive's frames (pixels included), and what icnkit info tells.
    open(kit, args, progress) {
      const archive = kit.open(args.bytes, null, { name: args.name, progress });
      const options = { name: args.name, generation: archive.generation };
      return {
        archive,
        info: kit.info(args.bytes, options),
        details: JSON.parse(kit.info(args.bytes, { ...options, json: true }))[0],
      };
    },
    sheet: (kit, args) => kit.sheet(args.bytes, archiveOptions(args)),
    gif: (kit, args) => kit.gif(args.bytes, { ...archiveOptions(args), delay: args.delay }),
    frames: (kit, args) => kit.zip(kit.unpackPng(args.bytes, archiveOptions(args))),
    // An edited sheet: its PNG and JSON (named as dropped, for messages).
    packSheet: (kit, args, progress, warning) => kit.packSheet(args.png, args.json,
      { imageName: args.imageName, jsonName: args.jsonName, warning }),
    // Edited frame files over the archive's own frame folder, packed.
    packFrames(kit, args, progress, warning) {
      const files = new Map(kit.unpackPng(args.bytes, archiveOptions(args))
        .map((file) => [file.name, file]));
      for (const file of args.files) files.set(file.name, file);
      return kit.packFiles([...files.values()], { warning });
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
  self.onmessage = async ({ data: { id, op, args } }) => {
    const warnings = [];
    try {
      const kit = await ready;
      const progress = (done, total) => self.postMessage({ id, progress: [done, total] });
      const result = ops[op](kit, args, progress, (message) => warnings.push(message));
      self.postMessage({ id, result, warnings }, transferables(result));
    } catch (error) {
      self.postMessage({ id, error: error instanceof Error ? error.message : String(error), warnings });
    }
  };
}
