// icnkit's page: each archive opened (file input #open, or dropped) gets a
// section with its frames drawn, an animation, its frame table and icnkit
// info's summary, and buttons that save what the icnkit tool would write.
// Files dropped on an open archive's section (or chosen in its Edit input)
// rebuild it: a sheet's PNG and JSON, or frame PNGs (and setup.ini) over its
// frame folder. The module runs in a Web Worker (worker.js); nothing is
// fetched or sent, files are read and saved on this machine only.
'use strict';

const shownAtFirst = 200;  // frames drawn and table rows made before "Show all"
const $ = (selector, within = document) => within.querySelector(selector);

// The worker and its requests, each answered once (with progress on the way).
const worker = new Worker(URL.createObjectURL(new Blob(
  [`var _scriptDir; var createIcnkit = ${createIcnkit}; (${icnkitWorkerMain})();`],
  { type: 'text/javascript' })));
const pending = new Map();
let lastId = 0;
worker.onmessage = ({ data }) => {
  const request = pending.get(data.id);
  if (data.progress) return request.progress?.(...data.progress);
  pending.delete(data.id);
  for (const warning of data.warnings) showWarning(warning);
  if ('error' in data) request.reject(new Error(data.error));
  else request.resolve(data.result);
};
function ask(op, args, progress) {
  return new Promise((resolve, reject) => {
    pending.set(++lastId, { resolve, reject, progress });
    worker.postMessage({ id: lastId, op, args });
  });
}

// Status, progress and errors.
function setStatus(text, done, total) {
  $('#status-text').textContent = text;
  const bar = $('#progress');
  bar.hidden = total === undefined;
  if (total !== undefined) Object.assign(bar, { max: total || 1, value: done });
}
function showError(message) {
  const box = $('#error');
  box.hidden = false;
  box.textContent += `${box.textContent ? '\n' : ''}${message}`;
}
function showWarning(message) {
  setStatus(`Warning: ${message}`);
}
function clearError() {
  $('#error').hidden = true;
  $('#error').textContent = '';
}
// Runs work; a failure is shown on the page (after what, when given),
// never left uncaught.
async function guarded(work, what = '') {
  try {
    await work();
  } catch (error) {
    showError(what ? `${what}: ${error.message}` : error.message);
    setStatus('');
  }
}

function save(name, bytes, type = 'application/octet-stream') {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}
const stem = (name) => name.replace(/\.[^.]*$/, '');
const framesInWords = (count) => `${count} frame${count === 1 ? '' : 's'}`;

// A frame's pixels on a canvas in the palette's colours, index 0 transparent.
function drawFrame(canvas, frame, palette, x = 0, y = 0) {
  if (frame.width === 0 || frame.height === 0) return;
  const image = new ImageData(frame.width, frame.height);
  for (let i = 0; i < frame.pixels.length; ++i) {
    const index = frame.pixels[i];
    if (index === 0) continue;
    image.data.set(palette.subarray(index * 3, index * 3 + 3), i * 4);
    image.data[i * 4 + 3] = 255;
  }
  canvas.getContext('2d').putImageData(image, x, y);
}
function frameCanvas(frame, palette) {
  const canvas = document.createElement('canvas');
  canvas.className = 'checkered';
  canvas.width = Math.max(frame.width, 1);
  canvas.height = Math.max(frame.height, 1);
  drawFrame(canvas, frame, palette);
  return canvas;
}

// Adds rows (made by make(i)) to parent up to shownAtFirst, then a button
// that shows the rest.
function someThenAll(parent, count, make) {
  const add = (from, to) => {
    for (let i = from; i < to; ++i) parent.append(make(i));
  };
  add(0, Math.min(count, shownAtFirst));
  if (count <= shownAtFirst) return;
  const more = document.createElement('button');
  more.textContent = `Show all ${count}`;
  more.onclick = () => {
    more.remove();
    add(shownAtFirst, count);
  };
  parent.after(more);
  return more;
}

const tableColumns = ['index', 'left', 'top', 'width', 'height', 'bits', 'fill_only', 'offset', 'length'];
function fillTable(table, details) {
  table.replaceChildren();
  const head = table.insertRow();
  for (const column of ['frame', ...tableColumns.slice(1)]) {
    head.appendChild(document.createElement('th')).textContent = column.replace('_only', '');
  }
  someThenAll(table.createTBody(), details.frames.length, (i) => {
    const row = document.createElement('tr');
    for (const column of tableColumns) {
      const value = details.frames[i][column];
      row.insertCell().textContent = value === null ? '-' : value === true ? 'yes' : value === false ? 'no' : value;
    }
    return row;
  });
}

// The animation: every frame at its place on the archive's rectangle.
function animate(section, entry) {
  const canvas = $('.animation', section);
  const rect = entry.details.rectangle ?? { x: 0, y: 0, width: 1, height: 1 };
  let frame = 0;
  let playing = true;
  const draw = () => {
    const zoom = Number($('.zoom', section).value);
    canvas.width = rect.width;
    canvas.height = rect.height;
    canvas.style.width = `${rect.width * zoom}px`;
    canvas.style.height = `${rect.height * zoom}px`;
    const shown = entry.archive.frames[frame];
    if (shown) drawFrame(canvas, shown, entry.archive.palette, shown.left - rect.x, shown.top - rect.y);
  };
  const tick = () => {
    clearTimeout(entry.timer);
    if (!section.isConnected) return;
    draw();
    const delay = Number($('.speed', section).value);
    $('.speed-text', section).textContent = `${delay} ms`;
    if (playing && entry.archive.frames.length > 1) {
      frame = (frame + 1) % entry.archive.frames.length;
      entry.timer = setTimeout(tick, delay);
    }
  };
  $('.zoom', section).onchange = draw;
  $('.speed', section).oninput = tick;
  $('.play', section).onclick = (event) => {
    playing = !playing;
    event.target.textContent = playing ? 'Pause' : 'Play';
    tick();
  };
  tick();
}

// Shows entry ({name, bytes, archive, info, details}) in its section.
function render(entry) {
  const section = entry.section;
  $('.name', section).textContent = entry.name;
  $('.summary', section).textContent =
    `${entry.archive.generation}, ${framesInWords(entry.archive.frames.length)}`;
  const frames = $('.frames', section);
  frames.replaceChildren();
  frames.nextElementSibling?.tagName === 'BUTTON' && frames.nextElementSibling.remove();
  someThenAll(frames, entry.archive.frames.length, (i) => {
    const figure = document.createElement('figure');
    figure.append(frameCanvas(entry.archive.frames[i], entry.archive.palette));
    figure.appendChild(document.createElement('figcaption')).textContent = String(i).padStart(4, '0');
    return figure;
  });
  fillTable($('.table', section), entry.details);
  $('.info', section).textContent = entry.info;
  animate(section, entry);
}

// Opens bytes as entry (new, or the archive it replaces after an edit).
async function load(entry, bytes) {
  setStatus(`Opening ${entry.name}…`, 0, 0);
  const opened = await ask('open', { bytes: bytes.slice(), name: entry.name },
    (done, total) => setStatus(`Opening ${entry.name}: ${done} of ${framesInWords(total)}`, done, total));
  Object.assign(entry, opened, { bytes });
  if (!entry.section) makeSection(entry);
  render(entry);
  setStatus(`${entry.name}: ${entry.archive.generation}, ${framesInWords(entry.archive.frames.length)}`);
}

function makeSection(entry) {
  const section = $('#archive-template').content.firstElementChild.cloneNode(true);
  entry.section = section;
  section.entry = entry;
  const args = () => ({ bytes: entry.bytes.slice(), name: entry.name, generation: entry.archive.generation });
  const on = (selector, work) => {
    $(selector, section).onclick = () => {
      clearError();
      guarded(work, entry.name);
    };
  };
  on('.download-archive', async () => save(entry.name, entry.bytes));
  on('.download-sheet', async () => {
    const sheet = await ask('sheet', args());
    save(`${stem(entry.name)}.png`, sheet.png, 'image/png');
    save(`${stem(entry.name)}.json`, sheet.json, 'application/json');
  });
  on('.download-gif', async () => save(`${stem(entry.name)}.gif`,
    await ask('gif', { ...args(), delay: Number($('.speed', section).value) }), 'image/gif'));
  on('.download-frames', async () => save(`${entry.name}.cadres.zip`, await ask('frames', args()),
    'application/zip'));
  on('.close', async () => section.remove());
  $('.edit', section).onchange = (event) => {
    const files = [...event.target.files];
    event.target.value = '';
    clearError();
    guarded(() => edit(entry, files), entry.name);
  };
  $('#archives').append(section);
}

// Rebuilds entry's archive from dropped files: a sheet (a .json and its
// PNG) or frame files over its frame folder.
async function edit(entry, files) {
  const read = async (file) => ({ name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) });
  const json = files.find((file) => file.name.toLowerCase().endsWith('.json'));
  let bytes;
  setStatus(`Rebuilding ${entry.name}…`);
  if (json) {
    const pngs = files.filter((file) => file.name.toLowerCase().endsWith('.png'));
    if (pngs.length !== 1) throw new Error(`${json.name}: drop it with its sheet PNG, one PNG`);
    bytes = await ask('packSheet', { png: (await read(pngs[0])).bytes, json: await json.text(),
      imageName: pngs[0].name, jsonName: json.name });
  } else {
    bytes = await ask('packFrames', { bytes: entry.bytes.slice(), name: entry.name,
      generation: entry.archive.generation, files: await Promise.all(files.map(read)) });
  }
  await load(entry, bytes);
  setStatus(`${entry.name} rebuilt: ${entry.archive.generation}, ${framesInWords(entry.archive.frames.length)}`);
}

async function openFiles(files) {
  for (const file of files) {
    await guarded(async () => {
      await load({ name: file.name }, new Uint8Array(await file.arrayBuffer()));
    }, file.name);
  }
}

$('#open').onchange = (event) => {
  const files = [...event.target.files];
  event.target.value = '';
  clearError();
  openFiles(files);
};
// Dropping: archives open; other files edit the archive dropped on (or the
// last one opened).
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  const files = [...event.dataTransfer.files];
  const archives = files.filter((file) => file.name.toLowerCase().endsWith('.icn'));
  const others = files.filter((file) => !archives.includes(file));
  const target = event.target.closest?.('.archive') ?? [...document.querySelectorAll('.archive')].pop();
  clearError();
  openFiles(archives).then(() => {
    if (others.length === 0) return;
    if (!target) return showError('Open an archive first, then drop its edited sheet or frames on it.');
    guarded(() => edit(target.entry, others), target.entry.name);
  });
});
