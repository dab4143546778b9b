// An archive's section and its buttons, and the edits that rebuild it:
// frame records (positions and bits), an edited sheet, or frame PNGs and
// setup.ini over its frame folder. A rebuilt archive is marked modified;
// Undo goes back one rebuild, Revert to the file opened. Drops edit only
// the archive they land on; what fits no archive is refused.
'use strict';

let sections = 0;
function makeSection(entry) {
  const section = $('#archive-template').content.firstElementChild.cloneNode(true);
  entry.section = section;
  entry.id = `archive-${++sections}`;
  section.entry = entry;
  section.setAttribute('aria-labelledby', `${entry.id}-name`);
  $('.name', section).id = `${entry.id}-name`;
  const on = (selector, work) => {
    $(selector, section).onclick = () => {
      clearError();
      guarded(work, entry.name);
    };
  };
  const saving = async (op, args = {}) => {
    await flushRecords(entry);
    return entry.client.ask(op, args, { label: `Saving ${entry.name}` });
  };
  on('.download-archive', async () => {
    await flushRecords(entry);
    save(entry.name, entry.blob);
  });
  on('.download-sheet', async () => {
    const sheet = await saving('sheet');
    save(`${stem(entry.name)}.png`, sheet.png, 'image/png');
    save(`${stem(entry.name)}.json`, sheet.json, 'application/json');
    setStatus('');
  });
  on('.download-gif', async () => {
    save(`${stem(entry.name)}.gif`, await saving('gif', { delay: Number($('.speed', section).value) }),
      'image/gif');
    setStatus('');
  });
  on('.download-frames', async () => {
    save(`${entry.name}.cadres.zip`, await saving('frames'), 'application/zip');
    setStatus('');
  });
  on('.edit-button', async () => $('.edit', section).click());
  $('.edit', section).onchange = (event) => {
    const files = [...event.target.files];
    event.target.value = '';
    clearError();
    editWithFiles(entry, files);
  };
  on('.undo', async () => {
    await flushRecords(entry);
    if (entry.history.length) await replace(entry, entry.history.pop(), 'Undone');
  });
  on('.revert', async () => {
    await flushRecords(entry);
    entry.history = [];
    await replace(entry, { blob: entry.file, generation: entry.fileGeneration }, 'Reverted');
  });
  on('.close', async () => closeArchive(entry));
  $('#archives').append(section);
  setUpStage(entry);
  setUpGrid(entry);
}

// The archive becomes an earlier state ({blob, generation}): opened again.
async function replace(entry, { blob, generation }, what) {
  const opened = await entry.client.ask('open', { file: blob, name: entry.name, generation },
    { label: `Opening ${entry.name}` });
  entry.blob = blob;
  adopt(entry, opened);
  setStatus(`${what}: ${entry.name}, ${entry.generation}, ${framesInWords(entry.count)}`);
}

// A rebuilt archive (the worker's answer holding its bytes) replaces the
// current one, which Undo brings back (the last 20 states; Revert any).
const statesKept = 20;
function rebuilt(entry, opened, what) {
  entry.history.push({ blob: entry.blob, generation: entry.generation });
  if (entry.history.length > statesKept) entry.history.shift();
  entry.blob = new Blob([opened.bytes]);
  adopt(entry, opened);
  setStatus(`${entry.name} ${what}: ${entry.generation}, ${framesInWords(entry.count)}`);
}

// Records changed in place are shown at once and the archive rebuilt when
// the changes pause (or before anything reads it).
function applyChange(entry, i, change) {
  const fields = { left: 0, top: 1, bits: 4 };
  for (const [key, value] of Object.entries(change)) entry.records[i * 6 + fields[key]] = value;
}
function setRecord(entry, i, change) {
  const wrong = Object.keys(change).find((key) => !Number.isInteger(change[key]));
  if (wrong) {
    showError(`${entry.name}: frame ${i}: ${wrong} must be a whole number; nothing changed`);
    return entry.tableShown && drawTable(entry);
  }
  applyChange(entry, i, change);
  entry.changes ??= {};
  entry.changes[i] = { ...entry.changes[i], ...change };
  $('.modified', entry.section).hidden = false;
  clearTimeout(entry.rebuildTimer);
  entry.rebuildTimer = setTimeout(() => guarded(() => flushRecords(entry), entry.name), 600);
  const frame = record(entry, i);
  setStatus(`Frame ${i}: at (${frame.left}, ${frame.top}), bits ${frame.bits}`);
}
function moveFrame(entry, dx, dy) {
  if (!entry.count || (dx === 0 && dy === 0)) return;
  const frame = record(entry, entry.current);
  setRecord(entry, entry.current, { left: frame.left + dx, top: frame.top + dy });
  showFrame(entry, entry.current);
}
// Waits for the rebuilds asked for; the changes since, rebuilt first.
// Changes the module refuses (an H1 frame's bits but 0 or 32, a place no
// record holds) fail with its message, and the frames are shown again as
// the archive holds them.
async function flushRecords(entry) {
  clearTimeout(entry.rebuildTimer);
  const changes = entry.changes;
  entry.changes = null;
  if (changes) {
    const flushing = entry.client.ask('records', { changes }, { label: `Rebuilding ${entry.name}` })
      .then((opened) => rebuilt(entry, opened, 'rebuilt'), async (error) => {
        if (error instanceof Cancelled) throw error;
        adopt(entry, await entry.client.ask('current'));
        throw new Error(`${error.message}; nothing changed`);
      })
      .finally(() => entry.flushing === flushing && (entry.flushing = null));
    entry.flushing = flushing;
  }
  await entry.flushing;
}

// Files that edit an archive: a sheet (one PNG and its JSON), or frame
// PNGs named as the frame folder names them and setup.ini.
function refusal(files) {
  const json = files.filter((file) => /\.json$/i.test(file.name));
  const other = files.find((file) => !/^(\d+\.png|setup\.ini)$/i.test(file.name) && !/\.(json|png)$/i.test(file.name));
  if (other) return `${other.name} is no sheet (PNG and JSON) or frame (0000.png…, setup.ini)`;
  if (json.length > 1) return 'drop one sheet at a time (its PNG and JSON)';
  if (json.length === 1 && files.length !== 2) return `${json[0].name}: drop it with its sheet PNG, one PNG`;
  const loose = json.length === 0 && files.find((file) => !/^(\d+\.png|setup\.ini)$/i.test(file.name));
  if (loose) return `${loose.name} is no frame of a frame folder (0000.png…, setup.ini), and no sheet comes with it`;
  return null;
}

async function editWithFiles(entry, files) {
  const refused = refusal(files);
  if (refused) return showError(`${entry.name}: ${refused}; nothing changed`);
  await guarded(async () => {
    await flushRecords(entry);
    const read = async (file) => ({ name: file.name, bytes: await bytesOf(file) });
    const json = files.find((file) => /\.json$/i.test(file.name));
    const label = `Rebuilding ${entry.name}`;
    let opened;
    if (json) {
      const png = files.find((file) => file !== json);
      opened = await entry.client.ask('packSheet', { png: await bytesOf(png), json: await json.text(),
        imageName: png.name, jsonName: json.name }, { label });
    } else {
      opened = await entry.client.ask('packFrames', { files: await Promise.all(files.map(read)) }, { label });
    }
    rebuilt(entry, opened, 'rebuilt');
  }, entry.name);
}

// Dragging: the archive under the pointer is highlighted; a drop opens the
// archives dropped and gives the other files to that archive only.
let highlighted = null;
function highlight(section) {
  if (highlighted === section) return;
  highlighted?.classList.remove('drop');
  highlighted = section;
  section?.classList.add('drop');
}
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  highlight(event.target.closest?.('.archive') ?? null);
});
document.addEventListener('dragleave', (event) => {
  if (!event.relatedTarget) highlight(null);
});
document.addEventListener('drop', (event) => {
  event.preventDefault();
  highlight(null);
  const files = [...event.dataTransfer.files];
  const archives = files.filter((file) => isArchiveName(file.name));
  const others = files.filter((file) => !archives.includes(file));
  const target = event.target.closest?.('.archive');
  clearError();
  if (others.length && !target) {
    showError(`${others.map((file) => file.name).join(', ')}: drop edited sheets and frames on the ` +
      'archive they edit; nothing changed');
  } else if (others.length) {
    editWithFiles(target.entry, others);
  }
  openFiles(archives);
});
