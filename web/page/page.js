// icnkit's page: each archive opened ("Open archives…", or dropped) gets a
// section with its frames (grid.js), the frame at its place with the pixel
// under the pointer and the palette (view.js), its frame table, icnkit
// info's summary, and buttons that save what the icnkit tool would write.
// Edits (edit.js) rebuild it: frame positions and bits, a sheet's PNG and
// JSON, or frame PNGs over its frame folder; Undo and Revert go back.
// This file: the workers, status and errors, opening and closing archives.
// The module runs in one Web Worker an archive (worker.js); nothing is
// fetched or sent, files are read and saved on this machine only.
'use strict';

const $ = (selector, within = document) => within.querySelector(selector);
// Every name the tools take for an archive (H2: .icn only).
const archiveExtensions = ['.icn', '.std', '.atk', '.obj', '.wlk', '.wip', '.xtl'];
const isArchiveName = (name) => archiveExtensions.some((ext) => name.toLowerCase().endsWith(ext));
const framesInWords = (count) => `${count} frame${count === 1 ? '' : 's'}`;
const stem = (name) => name.replace(/\.[^.]*$/, '');

// Workers. Each answers its requests once, in order; one is kept started,
// so an archive chosen finds its module compiled.
const workerUrl = URL.createObjectURL(new Blob(
  [`var _scriptDir; var createIcnkit = ${createIcnkit}; (${icnkitWorkerMain})();`],
  { type: 'text/javascript' }));
const busy = new Set();  // the clients whose work Cancel ends
class Cancelled extends Error {}
class Client {
  constructor() {
    this.worker = new Worker(workerUrl);
    this.pending = new Map();
    this.lastId = 0;
    this.worker.onmessage = ({ data }) => {
      if (data.id === null) return this.fail(new Error(data.error));  // a request it could not read
      const request = this.pending.get(data.id);
      if (!request) return undefined;  // failed already
      this.pending.delete(data.id);
      this.settled();
      for (const warning of data.warnings) setStatus(`Warning: ${warning}`);
      if ('error' in data) request.reject(new Error(data.error));
      else request.resolve(data.result);
    };
    // A worker that stops (its module failed to start, say) or an answer
    // that cannot be read fails the work asked: no wait is left for ever.
    this.worker.onerror = (event) => {
      event.preventDefault();
      this.fail(new Error(event.message || 'The worker stopped'));
    };
    this.worker.addEventListener('messageerror',
      () => this.fail(new Error('An answer of the worker could not be read')));
  }
  // Runs op in the worker; with label, the work is shown and Cancel ends it.
  ask(op, args, { transfer = [], label } = {}) {
    return new Promise((resolve, reject) => {
      this.pending.set(++this.lastId, { resolve, reject, label });
      if (label) {
        busy.add(this);
        setStatus(`${label}…`, 0, 0);
        $('#cancel').hidden = false;
      }
      this.worker.postMessage({ id: this.lastId, op, args }, transfer);
    });
  }
  settled() {
    if ([...this.pending.values()].some((request) => request.label)) return;
    busy.delete(this);
    if (busy.size === 0) {
      $('#cancel').hidden = true;
      $('#progress').hidden = true;
    }
  }
  fail(error) {
    for (const request of this.pending.values()) request.reject(error);
    this.pending.clear();
    this.settled();
  }
  end() {
    this.worker.terminate();
    this.fail(new Cancelled('Cancelled'));
  }
}
let spare = new Client();
function newClient() {
  const client = spare;
  spare = new Client();
  return client;
}

// Status, progress and errors; an archive's draw error is shown once.
function setStatus(text, done, total) {
  $('#status-text').textContent = text;
  const bar = $('#progress');
  bar.hidden = total === undefined;
  if (total) Object.assign(bar, { max: total, value: done });
  else bar.removeAttribute('value');
}
function showError(message) {
  const box = $('#error');
  box.hidden = false;
  box.textContent += `${box.textContent ? '\n' : ''}${message}`;
}
function clearError() {
  $('#error').hidden = true;
  $('#error').textContent = '';
  $('#ask-generation').hidden = true;
  undecided.length = 0;
}
// Runs work; a failure is shown on the page (after what, when given),
// never left uncaught.
async function guarded(work, what = '') {
  try {
    return await work();
  } catch (error) {
    if (error instanceof Cancelled) return undefined;  // cancel() said so
    showError(what ? `${what}: ${error.message}` : error.message);
    setStatus('');
  }
}

function save(name, data, type = 'application/octet-stream') {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(data instanceof Blob ? data : new Blob([data], { type }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}
const bytesOf = async (blob) => new Uint8Array(await blob.arrayBuffer());

// An opened (or rebuilt) archive's records, palette and rectangle taken in:
// records hold left, top, width, height, bits, fillOnly a frame, the last
// two once the worker has read them (flags). The rectangle holds every
// frame and the reference point.
function adopt(entry, opened) {
  entry.generation = opened.generation;
  entry.palette = opened.palette;
  entry.count = opened.places.length / 4;
  entry.records = new Int32Array(entry.count * 6);
  for (let i = 0; i < entry.count * 4; ++i) entry.records[(i >> 2) * 6 + (i & 3)] = opened.places[i];
  const union = opened.union;
  const [x0, y0] = [Math.min(union.left, 0), Math.min(union.top, 0)];
  const [x1, y1] = union.width && union.height
    ? [Math.max(union.left + union.width, 1), Math.max(union.top + union.height, 1)] : [1, 1];
  entry.rect = { x: x0, y: y0, width: x1 - x0, height: y1 - y0 };
  // Changes made while it was rebuilt stay shown (and are rebuilt next).
  const pending = () => Object.entries(entry.changes ?? {}).forEach(([i, change]) => applyChange(entry, i, change));
  pending();
  entry.current = Math.min(entry.current ?? 0, Math.max(entry.count - 1, 0));
  entry.shownErrors = new Set();
  if (!entry.section) makeSection(entry);
  render(entry);
  const records = entry.records;
  entry.client.ask('flags').then((flags) => {
    if (entry.records !== records) return;
    for (let i = 0; i < entry.count; ++i) {
      records[i * 6 + 4] = flags[i] & 255;
      records[i * 6 + 5] = flags[i] >> 8;
    }
    pending();
    showFrame(entry, entry.current);
    if (entry.tableShown) drawTable(entry);
  }, (error) => error instanceof Cancelled || drawError(entry, error.message));
}
const record = (entry, i) => {
  const [left, top, width, height, bits, fillOnly] = entry.records.subarray(i * 6, i * 6 + 6);
  return { left, top, width, height, bits, fillOnly: fillOnly === 1 };
};
function drawError(entry, message) {
  if (entry.shownErrors.has(message)) return;
  entry.shownErrors.add(message);
  showError(`${entry.name}: ${message}`);
}

function render(entry) {
  const section = entry.section;
  $('.name', section).textContent = entry.name;
  $('.summary', section).textContent = `${entry.generation}, ${framesInWords(entry.count)}`;
  const modified = entry.blob !== entry.file;
  $('.modified', section).hidden = !modified;
  $('.undo', section).disabled = entry.history.length === 0;
  $('.revert', section).disabled = !modified;
  $('.info', section).textContent = '';
  if ($('.info-box', section).open) showInfo(entry);
  drawPalette(entry);
  resetGrid(entry);
  resetTable(entry);
  showFrame(entry, entry.current);
}
async function showInfo(entry) {
  const pre = $('.info', entry.section);
  if (pre.textContent) return;
  await guarded(async () => {
    pre.textContent = await entry.client.ask('info', {});
  }, entry.name);
}

// Opens file (of generation, told from the bytes when not given) in a
// section of its own.
async function openFile(file, generation) {
  const entry = { name: file.name, file, blob: file, history: [], client: newClient() };
  const opened = await guarded(async () => {
    try {
      return await entry.client.ask('open', { file, name: file.name, generation },
        { label: `Opening ${file.name}` });
    } catch (error) {
      entry.client.end();
      if (/cannot tell whether .* is H1 or H2/.test(error.message)) askGeneration(file);
      throw error;
    }
  }, file.name);
  if (!opened) return;
  entry.fileGeneration = opened.generation;
  adopt(entry, opened);
  setStatus(`${entry.name}: ${entry.generation}, ${framesInWords(entry.count)}`);
}
async function openFiles(files) {
  for (const file of files) await openFile(file);
}
// An archive whose generation the bytes do not tell: the user gives it.
const undecided = [];
function askGeneration(file) {
  undecided.push(file);
  const form = $('#ask-generation');
  $('.file', form).textContent = undecided[0].name;
  form.hidden = false;
}
$('#ask-generation').onsubmit = (event) => {
  event.preventDefault();
  const [file, ...rest] = undecided;
  clearError();
  rest.forEach(askGeneration);
  openFile(file, $('#ask-generation .generation').value);
};

function closeArchive(entry) {
  entry.client.end();
  clearTimeout(entry.timer);
  const next = entry.section.nextElementSibling ?? entry.section.previousElementSibling;
  entry.section.remove();
  setStatus(`${entry.name} closed`);
  ($('.stage', next ?? document) ?? $('#open-button')).focus();
}

// Cancel (or Escape) ends the work going on: an archive being opened is
// not opened; one being rebuilt or saved stays as it was.
function cancel() {
  for (const client of [...busy]) {
    client.end();
    const entry = [...document.querySelectorAll('.archive')].map((s) => s.entry)
      .find((open) => open.client === client);
    if (entry) restart(entry);
  }
  setStatus('Cancelled');
}
async function restart(entry) {
  entry.client = newClient();
  await guarded(async () => {
    adopt(entry, await entry.client.ask('open', { file: entry.blob, name: entry.name, generation: entry.generation }));
  }, entry.name);
}
$('#cancel').onclick = cancel;
document.addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && busy.size) cancel();
});

$('#open-button').onclick = () => $('#open').click();
$('#open').onchange = (event) => {
  const files = [...event.target.files];
  event.target.value = '';
  clearError();
  openFiles(files);
};
