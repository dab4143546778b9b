#!/usr/bin/env bash
# The npm package as a project of its own gets it: `npm pack` of the built
# web folder, `npm install ./icnkit-<version>.tgz` into a fresh project, and
# there `import createIcnkit from 'icnkit'` and `import { registerIcnkit }
# from 'icnkit/phaser'` under Node, through a bundler (esbuild, the bundle
# run by Node with icnkit.wasm copied beside it, as a bundled app ships it)
# and in TypeScript (tsc --noEmit, both imports typed through the package's
# exports). esbuild and TypeScript come from tests/web/node_modules (npm ci,
# at the versions of tests/web/package-lock.json).
# Usage: npm_package.sh [WEB_DIR] (default build-web/web).
set -euo pipefail
cd "$(dirname "$0")/../.."
web=$(realpath "${1:-build-web/web}")
tools=$(realpath tests/web/node_modules/.bin)
sample=$(realpath examples/sample_h1.icn)
for tool in esbuild tsc; do
  [ -x "$tools/$tool" ] || { echo "npm_package: $tools/$tool is missing (npm ci in tests/web)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$web" && npm pack --silent --pack-destination "$work" >/dev/null)
version=$(node -p "require('$web/package.json').version")
tarball=$work/icnkit-$version.tgz
[ -f "$tarball" ] || { echo "npm_package: npm pack made no $(basename "$tarball")" >&2; exit 1; }

app=$work/app
mkdir -p "$app"
cat >"$app/package.json" <<'JSON'
{ "name": "icnkit-package-check", "private": true, "type": "module" }
JSON
(cd "$app" && npm install --silent --no-audit --no-fund "$tarball")
cat >"$app/main.mjs" <<'JS'
import { readFileSync } from 'node:fs';
import createIcnkit from 'icnkit';
import { registerIcnkit } from 'icnkit/phaser';

const kit = await createIcnkit();
const { generation, frames } = kit.open(readFileSync(process.argv[2]));
if (typeof registerIcnkit !== 'function') throw new Error('icnkit/phaser: no registerIcnkit');
console.log(`${generation} ${frames.length} frames, icnkit ${kit.version()}`);
JS
cat >"$app/main.ts" <<'TS'
import createIcnkit, { type Icnkit } from 'icnkit';
import { registerIcnkit, type PhaserLike } from 'icnkit/phaser';

const kit: Icnkit = await createIcnkit();
const frames: number = kit.open(new Uint8Array(0)).frames.length;
declare const Phaser: PhaserLike;
registerIcnkit(Phaser, kit);
export { frames };
TS
cat >"$app/tsconfig.json" <<'JSON'
{ "compilerOptions": { "module": "nodenext", "moduleResolution": "nodenext", "target": "es2022",
                       "strict": true, "noEmit": true, "types": [] },
  "files": ["main.ts"] }
JSON

expected="H1 5 frames, icnkit $version"
check() {  # check WHAT OUTPUT
  [ "$2" = "$expected" ] || { echo "npm_package ($1): printed '$2', not '$expected'" >&2; exit 1; }
  echo "npm_package: $1: $2"
}
check "node, npm install ./$(basename "$tarball")" "$(cd "$app" && node main.mjs "$sample")"
mkdir -p "$work/elsewhere"
(cd "$app" && "$tools/esbuild" main.mjs --bundle --platform=node --format=esm --log-level=warning \
   --outfile="$work/elsewhere/app.mjs")
cp "$app/node_modules/icnkit/icnkit.wasm" "$work/elsewhere/"
check "esbuild bundle under node" "$(cd "$work/elsewhere" && node app.mjs "$sample")"
(cd "$app" && "$tools/tsc" -p tsconfig.json)
echo "npm_package: tsc: 'icnkit' and 'icnkit/phaser' typed"
