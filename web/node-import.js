// Placed before the ES module's code (--extern-pre-js). Under Node the
// module reads its .wasm from the disk (node-wasm-binary.js); emscripten's
// own Node code cannot run in an ES module (it calls require and reads
// __dirname), and its fetch of the .wasm fails there. Browsers and workers
// never evaluate the import.
const icnkitNodeFs =
  typeof process == 'object' && typeof process.versions == 'object' &&
  typeof process.versions.node == 'string' ? await import('node:fs') : null;
