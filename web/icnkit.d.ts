// Types of the icnkit WebAssembly module (icnkit.mjs, and icnkit.js's
// global createIcnkit). Every function throws an Error with the tools'
// message ("Invalid archive: ...") for bad input.

export type Generation = 'H1' | 'H2';

/** One frame: its record and its pixels. */
export interface Frame {
  /** Where the top-left pixel lies relative to the sprite's reference point. */
  left: number;
  top: number;
  width: number;
  height: number;
  /** The frame's setup.ini [Bits] value (32: fill-only). */
  bits: number;
  /** width x height palette indices, row by row; 0 is transparent. */
  pixels: Uint8Array;
}

export interface OpenedFrame extends Frame {
  /** Every opaque pixel is index 5, a shadow. */
  fillOnly: boolean;
}

export interface OpenedArchive {
  generation: Generation;
  /** The name it was opened with ("archive.icn" when none was given). */
  name: string;
  /** 256 colours, 3 bytes each (red, green, blue). */
  palette: Uint8Array;
  frames: OpenedFrame[];
}

/** A file of a frame folder: "0000.png", ..., "setup.ini". */
export interface NamedFile {
  name: string;
  bytes: Uint8Array;
}

export interface ArchiveOptions {
  /** Told from the bytes when not given. */
  generation?: Generation;
  /**
   * The archive's file name: messages name it, sheets name their image
   * after it, and an H1 archive's name decides its fill-only frames
   * ("font.icn", a ".std" archive's frame 0). Default "archive.icn".
   */
  name?: string;
}

export interface OpenOptions {
  name?: string;
  /** Called about a hundred times while the frames are decoded. */
  progress?: (done: number, total: number) => void;
}

export interface SheetOptions extends ArchiveOptions {
  /** Cells a row; 0 (the default): a sheet about as wide as high. */
  columns?: number;
  /** Cells on shelves, tallest first, instead of a grid. */
  packed?: boolean;
  /** Transparent pixels between cells and around the sheet. */
  padding?: number;
  /** Every cell the union rectangle, frames at their places. */
  untrimmed?: boolean;
  /** Each frame's duration in milliseconds (default 100). */
  delay?: number;
}

export interface GifOptions extends ArchiveOptions {
  /** Milliseconds a frame, 0..655350 (default 100). */
  delay?: number;
  /** Each pixel as scale x scale pixels, 1..64 (default 1). */
  scale?: number;
}

export interface UnpackOptions extends ArchiveOptions {
  /** A tRNS entry makes index 0 transparent. */
  transparent?: boolean;
}

export interface InfoOptions extends ArchiveOptions {
  /** The JSON document of `icnkit info --json` instead of its table. */
  json?: boolean;
}

export interface PackingOptions {
  /** PNG frames: each pixel mapped by its colour instead of its index. */
  remap?: boolean;
  /** Told what the user should know, the packing going on. */
  warning?: (message: string) => void;
}

export interface PackSheetOptions extends PackingOptions {
  /** The files' names in messages (default: the JSON's meta.image, "sheet.json"). */
  imageName?: string;
  jsonName?: string;
}

export interface PackFilesOptions extends PackingOptions {
  /** Default: setup.ini's Generation key. */
  generation?: Generation;
}

export interface Icnkit {
  /** The version of the tools the module was built with, e.g. "1.3.1". */
  version(): string;
  /** Opens an archive and decodes every frame. */
  open(bytes: Uint8Array, generation?: Generation | null, options?: OpenOptions): OpenedArchive;
  /** The archive of frames, as the packers build it: pack(g, open(x).frames) is x for a packer's output. */
  pack(generation: Generation, frames: Frame[]): Uint8Array;
  /** The sprite sheet `icnkit sheet` writes: an indexed PNG and its JSON (JSON-array layout). */
  sheet(bytes: Uint8Array, options?: SheetOptions): { png: Uint8Array; json: string };
  /** The animated GIF `icnkit gif` writes. */
  gif(bytes: Uint8Array, options?: GifOptions): Uint8Array;
  /** The files `icnkit unpack --format png` writes: frames in order, then setup.ini. */
  unpackPng(bytes: Uint8Array, options?: UnpackOptions): NamedFile[];
  /** What `icnkit info` shows, named by options.name. */
  info(bytes: Uint8Array, options?: InfoOptions): string;
  /** The archive of an (edited) sheet, as `icnkit pack --sheet` makes it. */
  packSheet(png: Uint8Array, json: string, options?: PackSheetOptions): Uint8Array;
  /** The archive of a frame folder's files, as `icnkit pack` makes it. */
  packFiles(files: NamedFile[], options?: PackFilesOptions): Uint8Array;
  /** A zip of files stored as they are. */
  zip(files: NamedFile[]): Uint8Array;
  /** The generation's 256 colours, 3 bytes each. */
  palette(generation: Generation): Uint8Array;
}

export interface IcnkitOptions {
  /** The .wasm's bytes, instead of reading icnkit.wasm beside the module. */
  wasmBinary?: ArrayBuffer | Uint8Array;
  /** Where the .wasm is fetched from in a browser (default: beside the module). */
  locateFile?: (path: string, prefix: string) => string;
}

/** Compiles and starts the module. */
export default function createIcnkit(options?: IcnkitOptions): Promise<Icnkit>;
