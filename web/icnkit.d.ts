// Types of the icnkit WebAssembly module (icnkit.mjs).

export interface Icnkit {
  /** The version of the tools the module was built with, e.g. "1.3.1". */
  version(): string;
  /**
   * The frame count of an archive of the given generation, once it has
   * passed the checks every reader makes. Throws an Error with the tools'
   * message ("Invalid archive: ...") otherwise.
   */
  frameCount(bytes: Uint8Array, generation: 'H1' | 'H2'): number;
}

export interface IcnkitOptions {
  /** The .wasm's bytes, instead of reading icnkit.wasm beside the module. */
  wasmBinary?: ArrayBuffer | Uint8Array;
  /** Where the .wasm is fetched from in a browser (default: beside the module). */
  locateFile?: (path: string, prefix: string) => string;
}

/** Compiles and starts the module. */
export default function createIcnkit(options?: IcnkitOptions): Promise<Icnkit>;
