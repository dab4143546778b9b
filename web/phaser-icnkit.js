// A Phaser loader plugin for ICN archives (Phaser 3.60 or 4): once
// registered, this.load.icn(key, url) in a scene's preload() loads the
// archive and makes the texture key of its frames, named 0000, 0001, ...
// (the sheet "icnkit sheet" makes, as an atlas), each frame's origin on the
// sprite's reference point, so this.add.sprite(x, y, key, '0003') draws
// frame 3 where the game would: its top-left pixel at (x + left, y + top).
//
//   import Phaser from 'phaser';
//   import { registerIcnkit } from 'icnkit/phaser';
//   registerIcnkit(Phaser);            // before new Phaser.Game(...)
//   ... preload() { this.load.icn('hero', 'hero.icn'); }   // 'hero.icn', 'H1'
//
// For pixels exactly where the game has them, render with antialias false
// and roundPixels false (Phaser's roundPixels, pixelArt's default, draws
// each frame half a pixel larger).
//
// An archive that cannot be read fails to load as any file does (the
// loader's FILE_LOAD_ERROR event); the plugin's own 'icnerror' event on the
// loader gives the key and icnkit's message.
import createIcnkit from './icnkit.mjs';

let started;

// Registers this.load.icn with Phaser. kit: a module already made (await
// createIcnkit()); by default the plugin makes its own when first needed.
export function registerIcnkit(Phaser, kit) {
  const ready = () => (started ??= kit ? Promise.resolve(kit) : createIcnkit());

  class IcnFile extends Phaser.Loader.File {
    constructor(loader, key, url, generation) {
      super(loader, {
        type: 'icn', cache: loader.textureManager, extension: 'icn', responseType: 'arraybuffer',
        key, url, config: { generation },
      });
    }

    onProcess() {
      this.state = Phaser.Loader.FILE_PROCESSING;
      ready().then((icnkit) => {
        const name = decodeURIComponent(this.url.split(/[/?#]/).filter(Boolean).pop() ?? this.key);
        // A transparent pixel between cells: a sprite drawn at a fraction
        // of a pixel samples no neighbour's pixels.
        const sheet = icnkit.sheet(new Uint8Array(this.xhrLoader.response), {
          name: /\.icn$/i.test(name) ? name : `${this.key}.icn`,
          generation: this.config.generation, padding: 1,
        });
        const atlas = JSON.parse(sheet.json);
        for (const frame of atlas.frames) {
          // The reference point within the frame's source rectangle.
          const x = frame.spriteSourceSize.x - frame.Left;
          const y = frame.spriteSourceSize.y - frame.Top;
          frame.anchor = { x: x / (frame.sourceSize.w || 1), y: y / (frame.sourceSize.h || 1) };
        }
        const image = new Image();
        const url = URL.createObjectURL(new Blob([sheet.png], { type: 'image/png' }));
        image.onload = () => {
          URL.revokeObjectURL(url);
          this.data = { image, atlas };
          this.onProcessComplete();
        };
        image.onerror = () => {
          URL.revokeObjectURL(url);
          this.onProcessError();
        };
        image.src = url;
      }).catch((error) => {
        this.loader.emit('icnerror', this.key, error.message);
        this.onProcessError();
      });
    }

    addToCache() {
      this.cache.addAtlasJSONArray(this.key, this.data.image, this.data.atlas);
    }
  }

  Phaser.Loader.FileTypesManager.register('icn', function icn(key, url, generation) {
    this.addFile(new IcnFile(this, key, url ?? `${key}.icn`, generation));
    return this;
  });
}
