// The types of the Phaser loader plugin (phaser-icnkit.js), imported as
// 'icnkit/phaser' (or 'icnkit/phaser-icnkit.js').
import type { Generation, Icnkit } from './icnkit.js';

/** What registerIcnkit needs of Phaser (3.60 or 4): the module's default export. */
export interface PhaserLike {
  Loader: {
    File: new (...args: any[]) => object;
    FileTypesManager: { register(key: string, factory: (...args: any[]) => unknown): void };
    FILE_PROCESSING: number;
  };
}

/**
 * Registers `this.load.icn(key, url?, generation?)` with Phaser, before `new
 * Phaser.Game`: the archive becomes the texture `key`, its frames named
 * 0000, 0001, ... with their offsets. `kit`: a module already made (`await
 * createIcnkit()`); by default the plugin makes its own when first needed.
 */
export function registerIcnkit(Phaser: PhaserLike, kit?: Icnkit): void;

/** The loader's method, once registered (`this.load.icn`). */
export type IcnLoader = (key: string, url?: string, generation?: Generation) => unknown;
