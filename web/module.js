// Placed inside the module's factory (--post-js): the module's functions
// (icnkit.d.ts) over the bound ones of Bindings.cpp, which take every
// option in one object. Looked up when called, as embind registers them
// once the .wasm runs. Written in the JavaScript emscripten 3.1.6's
// optimiser parses: no object spread, no ??.
Module['open'] = (bytes, generation, options) =>
  Module['openRaw'](bytes, Object.assign({}, options, { generation: generation }));
Module['pack'] = (generation, frames) => Module['packRaw'](generation, frames);
Module['sheet'] = (bytes, options) => Module['sheetRaw'](bytes, options || {});
Module['gif'] = (bytes, options) => Module['gifRaw'](bytes, options || {});
Module['unpackPng'] = (bytes, options) => Module['unpackPngRaw'](bytes, options || {});
Module['info'] = (bytes, options) => Module['infoRaw'](bytes, options || {});
Module['packSheet'] = (png, json, options) => Module['packSheetRaw'](png, json, options || {});
Module['packFiles'] = (files, options) => Module['packFilesRaw'](files, options || {});
Module['zip'] = (files) => Module['zipRaw'](files);
Module['palette'] = (generation) => Module['paletteRaw'](generation);
