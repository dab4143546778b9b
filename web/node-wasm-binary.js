// Run first inside the ES module's factory (--pre-js): under Node, the
// .wasm beside the module is handed over as bytes (wasmBinary) unless the
// caller gave its own. _scriptDir is the module's import.meta.url.
if (icnkitNodeFs && !Module['wasmBinary'] && !Module['instantiateWasm']) {
  Module['wasmBinary'] = icnkitNodeFs.readFileSync(new URL('icnkit.wasm', _scriptDir));
}
