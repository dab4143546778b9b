// Types of the icnkit WebAssembly module (icnkit.mjs, and icnkit.js's
// global createIcnkit). Each operation has the name docs/api.md gives it in
// every face; options carry the command line's long option names.
//
// What a caller can catch: every function throws the module's Error
// (kit.Error, an Error subclass named 'IcnkitError') with the tools' message
// ("Invalid archive: frame 2 starts outside the file") for bad input, and a
// TypeError for an argument of the wrong type (bytes that are no
// ArrayBuffer, typed array or DataView; options that are no object).

export type Generation = 'H1' | 'H2';

/** What the module throws for bad input: message is the tools' message. */
export interface IcnkitError extends Error {
  name: 'IcnkitError';
  /** What the failure is about. */
  kind: 'InvalidInput' | 'NotFound' | 'Io' | 'OutOfMemory';
  /** The file the failure concerns where the message does not name it, else "". */
  file: string;
}

/** Bytes: an ArrayBuffer, any typed array or a DataView (its byteOffset and byteLength respected). */
export type Bytes = ArrayBuffer | SharedArrayBuffer | ArrayBufferView;

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

/**
 * A frame of an open archive. left, top, width and height are read at
 * open; bits, fillOnly and pixels when first asked for (H1's fill-only flag
 * costs a scan of the frame's stream), then kept: pixels edited in place
 * stay edited. The pixels kept count against kit.maxDecodedPixels.
 */
export interface OpenedFrame extends Frame {
  /** Every opaque pixel is index 5, a shadow. */
  fillOnly: boolean;
}

/** A rectangle: left and top may be negative. */
export interface Rect {
  left: number;
  top: number;
  width: number;
  height: number;
}

/** Part of a frame, every step-th pixel: archive.decode(i, region). */
export interface Region {
  /** The region's top-left pixel in the frame ((0, 0) its top-left pixel); default 0. */
  x?: number;
  y?: number;
  /** Default: to the frame's right and bottom edges. */
  width?: number;
  height?: number;
  /** Every step-th pixel of every step-th row, 1 or more (default 1). */
  step?: number;
}

/** What open returns: records at once, pixels when asked for. */
export interface OpenedArchive {
  generation: Generation;
  /** The name it was opened with ("archive.icn" when none was given). */
  name: string;
  /** 256 colours, 3 bytes each (red, green, blue). */
  palette: Uint8Array;
  frameCount: number;
  /** The union of every frame's rectangle, as `icnkit info` shows it. */
  rect: Rect;
  frames: OpenedFrame[];
  /**
   * Frame index's pixels (width x height), decoded now into a new array the
   * archive does not keep; with a region, only pixel (x + i * step, y + j *
   * step) for i < ceil(width / step), j < ceil(height / step), 0 outside
   * the frame, in an array of that size: the stream is read down to the
   * region's last row and no more memory is taken than the result and one
   * row, so a screen's worth of a 16000 x 16000 frame costs a screen's
   * worth. Throws the module's Error "Frame 7 out of range: ...", "Invalid
   * region: ...", "Bitmap too large: ..." past the bound of every image.
   */
  decode(index: number, region?: Region): Uint8Array;
  /**
   * Gives the module's memory holding the archive's bytes back now (else
   * when the archive is garbage collected); the archive cannot be used
   * after, frames keep what they have read.
   */
  close(): void;
}

/** A file of a frame folder: "0000.png", ..., "setup.ini". */
export interface NamedFile {
  name: string;
  bytes: Bytes;
}

/** An archive open() returned (used as it is), or its bytes (opened for the call). */
export type ArchiveSource = OpenedArchive | Bytes;

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

export interface OpenOptions extends ArchiveOptions {
  /** Called about a hundred times while the frame records are read. */
  progress?: (done: number, total: number) => void;
}

export interface PaletteOption {
  /** The colours the files carry, 3 bytes each (readPalette's); default the generation's. */
  palette?: Bytes;
}

export interface SheetOptions extends ArchiveOptions, PaletteOption {
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

export interface GifOptions extends ArchiveOptions, PaletteOption {
  /** Milliseconds a frame, 0..655350 (default 100). */
  delay?: number;
  /** Each pixel as scale x scale pixels, 1..64 (default 1). */
  scale?: number;
  /** Only frames 'A-B' or 'A' (numbered from 0; B past the last: to the last). */
  frames?: string;
}

export interface ThumbnailOptions extends ArchiveOptions {
  /** Fit the thumbnail in size x size pixels, 1..4096 (default 128). */
  size?: number;
}

export interface UnpackOptions extends ArchiveOptions, PaletteOption {
  /** The frame files: 'bmp' (the default, as the tool) or 'png'. */
  format?: 'bmp' | 'png';
  /** png: a tRNS entry makes index 0 transparent. */
  transparent?: boolean;
}

export interface InfoOptions extends ArchiveOptions {
  /** The JSON document of `icnkit info --json` instead of its table. */
  json?: boolean;
}

export interface PackingOptions extends PaletteOption {
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

export interface PackOptions extends PackingOptions {
  /** Default: setup.ini's Generation key. */
  generation?: Generation;
}

export interface ReadPaletteOptions {
  /** A raw palette's values are 6-bit VGA values, scaled by 255/63. */
  palette6bit?: boolean;
  /** A raw palette's values are taken as they are. Default: 6-bit when none passes 63. */
  palette8bit?: boolean;
}

export interface Icnkit {
  /** The version of the tools the module was built with, e.g. "1.3.1". */
  version(): string;
  /** The module's Error class: `error instanceof kit.Error`. */
  Error: new (message: string, kind?: string, file?: string) => IcnkitError;
  /**
   * The most pixels an open archive's frames may hold decoded (their
   * pixels once read): 2 ** 30 by default, as Python's
   * icnkit.MAX_DECODED_PIXELS; settable (Infinity: no bound). Past it a
   * frame's pixels throw the module's Error "Too many decoded pixels: frame
   * 3 (W x H) would make N held by the archive, past kit.maxDecodedPixels
   * (B); let go of frames' pixels, or raise it". decode keeps nothing.
   */
  maxDecodedPixels: number;
  /**
   * Opens an archive: its records at once, its pixels when asked for. The
   * bytes are copied into the module once.
   */
  open(bytes: Bytes, generation?: Generation | null, options?: OpenOptions): OpenedArchive;
  /** What `icnkit info` shows (options.json: `icnkit info --json`'s document). */
  info(archive: ArchiveSource, options?: InfoOptions): string;
  /** The archive of frames, as the packers build it: build(g, open(x).frames) is x for a packer's output. */
  build(generation: Generation, frames: Frame[]): Uint8Array;
  /** The files `icnkit unpack` writes: frames in order, then setup.ini. */
  unpack(archive: ArchiveSource, options?: UnpackOptions): NamedFile[];
  /** The archive of a frame folder's files, as `icnkit pack` makes it. */
  pack(files: NamedFile[], options?: PackOptions): Uint8Array;
  /** @deprecated pack(generation, frames) is build(generation, frames); goes in the next release. */
  pack(generation: Generation, frames: Frame[]): Uint8Array;
  /** The sprite sheet `icnkit sheet` writes: an indexed PNG and its JSON (JSON-array layout). */
  sheet(archive: ArchiveSource, options?: SheetOptions): { png: Uint8Array; json: string };
  /** The archive of an (edited) sheet, as `icnkit pack --sheet` makes it. */
  packSheet(png: Bytes, json: string, options?: PackSheetOptions): Uint8Array;
  /** The animated GIF `icnkit gif` writes. */
  gif(archive: ArchiveSource, options?: GifOptions): Uint8Array;
  /** The PNG `icnkit thumbnail` writes: the preview frame scaled to fit size x size. */
  thumbnail(archive: ArchiveSource, options?: ThumbnailOptions): Uint8Array;
  /** A palette file's colours, 3 bytes each; name (its file name) tells a format the bytes do not. */
  readPalette(bytes: Bytes, name: string, options?: ReadPaletteOptions): Uint8Array;
  /** The generation's own 256 colours, 3 bytes each. */
  readPalette(generation: Generation): Uint8Array;
  /**
   * colours (3 bytes each, up to 256) as a palette file of the format
   * name's extension says. A raw file (.raw, .vga) whose values all lie
   * within 0..63 reads back as 6-bit values unless read with palette8bit.
   */
  writePalette(colours: Bytes, name: string): Uint8Array;
  /** The generation the bytes are an archive of, or null when they fit neither. */
  detect(bytes: Bytes): Generation | null;
  /** A zip of files stored as they are. */
  zip(files: NamedFile[]): Uint8Array;
  /** @deprecated Use pack(files, options); goes in the next release. */
  packFiles(files: NamedFile[], options?: PackOptions): Uint8Array;
  /** @deprecated Use unpack(archive, {format: 'png', ...options}); goes in the next release. */
  unpackPng(archive: ArchiveSource, options?: UnpackOptions): NamedFile[];
  /** @deprecated Use readPalette(generation); goes in the next release. */
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
